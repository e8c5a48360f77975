# shellcheck shell=bash
# Builder mode answered No: the upgrade wizard opens the script itself as
# an archive and reports it unusable (IDS_FILES_MISSING); nothing is written.
src=$WORK/src
mkdir -p "$src"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "a.txt"
echo a >"$src/a.txt"
before=$(harness snapshot "$WORK")

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
drv answer-box --caption Updater --expect "Create update-archive from update.inf" \
  --buttons yes,no --button no
drv wait-window --caption Updater --box
snap
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit
harness same-tree "$WORK" "$before"
