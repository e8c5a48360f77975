# shellcheck shell=bash
# Builder mode, save-as dialog cancelled: the program ends at once without
# the wizard, and nothing is written.
src=$WORK/src
mkdir -p "$src"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "a.txt"
echo a >"$src/a.txt"
before=$(harness snapshot "$WORK")

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
drv answer-box --caption Updater --button yes
drv save-as --expect-name update.dat --cancel
wait_app_exit "$APP_PID" 10
harness same-tree "$WORK" "$before"
