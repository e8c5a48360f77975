# shellcheck shell=bash
# Cancel in the progress dialog: the build stops, the archive that was there
# before is left as it was, and the wizard reports IDS_FILES_MISSING. A second
# copy started meanwhile ends at once.
src=$WORK/src
mkdir -p "$src" "$WORK/out"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" \
  "small.txt" "big.txt"
echo small >"$src/small.txt"
# Long enough to take several seconds to pack.
harness compressible "$src/big.txt" $((24 * 1024 * 1024))
printf 'the archive that was here before\n' >"$WORK/out/update.dat"
before=$(harness snapshot "$WORK")

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
first=$APP_PID
drv answer-box --caption Updater --button yes
drv save-as --path "$(winpath "$WORK/out/update.dat")" --overwrite yes

progress=(--caption "Updater - Creating update archive..." --has-id 1003)
drv text "${progress[@]}" --id 1005 --expect big.txt
drv wait-window "${progress[@]}"
snap

start_app "$GUI_UPDATER"
wait_app_exit "$APP_PID" 10
drv text "${progress[@]}" --id 1005 --expect big.txt

drv click "${progress[@]}" --id 2
drv wait-gone "${progress[@]}" --timeout 10000
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit "$first"
harness same-tree "$WORK" "$before"
