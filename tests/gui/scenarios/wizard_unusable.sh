# shellcheck shell=bash
# Archives the wizard cannot be built from: a licence entry that the archive
# lacks, an archive of the script alone, and no archive at all. Each gives
# IDS_FILES_MISSING before the wizard shows; the licence case already carries
# the script's title, read before the licence.
files_missing='One or more files require for upgrading cannot be found.\r\nThe operation is stopped.'
mkdir -p "$WORK/no-license" "$WORK/script-only"
harness write-script "$WORK/no-license/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
  "[strings]" "title=Missing Licence" "[hint]" "exe,$SAMPLE_EXE" \
  "[license]" "license.txt" "[filelist]" "readme.txt"
echo "read me" >"$WORK/no-license/readme.txt"
harness build-archive "$WORK/no-license/update.inf" "$WORK/no-license.dat"
harness write-script "$WORK/script-only/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
  "[strings]" "title=Script Only" "[hint]" "exe,$SAMPLE_EXE"
harness pack "$WORK/script-only.dat" "update.inf=$WORK/script-only/update.inf"

for case in "no-license.dat|Missing Licence" "script-only.dat|Updater" "missing.dat|Updater"; do
  archive=${case%|*}
  caption=${case#*|}
  start_app "$GUI_UPDATER" "$(winpath "$WORK/$archive")"
  drv wait-window --caption "$caption" --box
  [ "$archive" = no-license.dat ] && snap
  drv absent --has-id 1001 --for 0
  drv answer-box --caption "$caption" --buttons ok --button ok --expect "$files_missing"
  wait_app_exit "$APP_PID" 5
done
