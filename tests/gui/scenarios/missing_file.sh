# shellcheck shell=bash
# A listed file that does not exist (in a folder that does): the file-error
# box names the line's path, the build stops without writing, and the
# wizard reports IDS_FILES_MISSING.
src=$WORK/src
mkdir -p "$src/sub" "$WORK/out"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" \
  "present.txt" 'sub\gone.txt' "after.txt"
echo present >"$src/present.txt"
echo after >"$src/after.txt"
before=$(harness snapshot "$WORK")

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
drv answer-box --caption Updater --button yes
drv save-as --path "$(winpath "$WORK/out/update.dat")"
drv wait-window --caption Updater --box
snap
drv answer-box --caption Updater --buttons ok --button ok --expect 'sub\\gone.txt was not found.'
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit
harness same-tree "$WORK" "$before"
