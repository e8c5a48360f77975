# shellcheck shell=bash
# Builder mode answered Yes: the question, the save-as dialog with its
# suggested name, the progress dialog, and an archive that holds the script
# and every listed file exactly as the format's storing rule says, the same
# as upkit build of the script makes.
src=$WORK/src
mkdir -p "$src/sub" "$WORK/out"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
  "[strings]" "title=Builder Test" "[filelist]" \
  "readme.txt" 'sub\data.bin' "empty.txt" "noise.bin" "big.txt"
printf 'Read me.\r\n' >"$src/readme.txt"
seq 1 2000 >"$src/sub/data.bin"
: >"$src/empty.txt"
head -c 5000 /dev/urandom >"$src/noise.bin"
# Large enough that the progress dialog stays up for the checks below on a
# fast machine too (4 MiB took under half a second).
harness compressible "$src/big.txt" $((32 * 1024 * 1024))
# Access time after write time and recent: reading the files leaves both.
now=$(date +%s)
for f in update.inf readme.txt sub/data.bin empty.txt noise.bin big.txt; do
  touch -m -d "@$((now - 7200))" "$src/$f"
  touch -a -d "@$((now - 3600))" "$src/$f"
done

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
drv wait-window --caption Updater --box
snap question
drv answer-box --caption Updater --expect "Create update-archive from update.inf" \
  --buttons yes,no --button yes

drv wait-window --has-id 1148 --not-box
snap save
drv save-as --expect-name update.dat --path "$(winpath "$WORK/out/update.dat")"

progress=(--caption "Updater - Creating update archive..." --has-id 1003)
drv text "${progress[@]}" --id 1005 --expect big.txt
snap
drv text "${progress[@]}" --id 1004
[[ $DRV_OUT =~ ^\ ?[0-9]{1,3}\ ?%$ ]] || fail "percentage text '$DRV_OUT'"
drv text "${progress[@]}" --id 2 --expect Cancel
drv state "${progress[@]}" --id 2 --expect enabled,visible
drv state "${progress[@]}" --id 1003 --expect visible

wait_app_exit "$APP_PID" 60
harness check-archive --access-time "$((now - 3600))" --script "$src/update.inf" \
  "$WORK/out/update.dat" "$src" \
  update.inf readme.txt 'sub\data.bin' empty.txt noise.bin big.txt
