# shellcheck shell=bash
# No argument, or switches only: the archive is update.dat in the program's
# own folder, whatever the working directory. The working directory holds
# another valid archive, so the wizard's title tells which one was opened;
# without an archive beside the program it is IDS_FILES_MISSING.
app=$WORK/app
cwd=$WORK/cwd
mkdir -p "$app" "$cwd" "$WORK/payload"
cp "$GUI_UPDATER" "$app/updater.exe"
echo payload >"$WORK/payload/file.txt"

make_archive() {
  local out=$1 title=$2
  harness write-script "$WORK/payload/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
    "[strings]" "title=$title" "upgrade=Upgrade from the archive titled $title." \
    "[filelist]" "file.txt"
  harness pack "$out" "update.inf=$WORK/payload/update.inf" "file.txt=$WORK/payload/file.txt"
}
make_archive "$app/update.dat" "Beside The Program"
make_archive "$cwd/update.dat" "In The Working Folder"

for arguments in "" "/s -x --quiet"; do
  # shellcheck disable=SC2086
  start_app --cwd "$cwd" "$app/updater.exe" $arguments
  wizard=(--caption "Beside The Program" --has-id 1001)
  drv text "${wizard[@]}" --id 1001 \
    --expect 'Upgrade from the archive titled Beside The Program.\r\nClick [Next].'
  [ -z "$arguments" ] && snap wizard
  drv click "${wizard[@]}" --id 1005
  wait_app_exit
done

rm "$app/update.dat"
for arguments in "" "-s"; do
  start_app --cwd "$cwd" "$app/updater.exe" $arguments
  drv wait-window --caption Updater --box
  [ -z "$arguments" ] && snap
  drv answer-box --caption Updater --buttons ok --button ok \
    --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
  wait_app_exit
done
