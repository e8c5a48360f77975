# shellcheck shell=bash
# A wildcard argument: the first match (names compare without regard to case)
# is offered to the builder. Declined, the wizard reports IDS_FILES_MISSING;
# accepted, the archive is built from that script.
src=$WORK/src
mkdir -p "$src" "$WORK/out"
harness write-script "$src/B_second.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "b.txt"
harness write-script "$src/a_first.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "a.txt"
echo a >"$src/a.txt"
echo b >"$src/b.txt"
echo c >"$src/c.txt"
pattern="$(winpath "$src")\\*.inf"

start_app "$GUI_UPDATER" "$pattern"
drv wait-window --caption Updater --box
snap
drv answer-box --caption Updater --expect "Create update-archive from a_first.inf" --button no
drv answer-box --caption Updater --buttons ok --button ok \
  --expect 'One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
wait_app_exit

start_app "$GUI_UPDATER" "$pattern"
drv answer-box --caption Updater --expect "Create update-archive from a_first.inf" --button yes
drv save-as --path "$(winpath "$WORK/out/update.dat")"
wait_app_exit
harness check-archive "$WORK/out/update.dat" "$src" a_first.inf a.txt
