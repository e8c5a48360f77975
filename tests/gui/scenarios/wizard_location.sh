# shellcheck shell=bash
# The program is not found by any hint: the location page shows "unknown" with
# Next disabled and Browse visible, and Enter browses. A folder without the
# program asks IDS_CONTINUE_SEARCH (Yes browses again); a folder above the
# program finds it in a subfolder and shows that folder, and Next is enabled.
# A second wrong folder answered No empties the location again. Cancel on the
# page reports IDS_INSTALL_FILE.
WIZARD=(--caption "Sample Viewer 1.61 Upgrade" --has-id 1001 --not-box)
title="Sample Viewer 1.61 Upgrade"
heading='Click [Browse] and specify a location for the program.'
installed="$WORK/disk/Programs/Quintarel/Sample Viewer"
harness install-program "$installed" 1.5.0
mkdir -p "$WORK/disk/Empty/Sub"
harness sample-script "$WORK/update/update.inf" 'reg,Quintarel\Not Installed' "exe,$SAMPLE_EXE"
harness build-archive "$WORK/update/update.inf" "$WORK/update.dat"
before=$(harness snapshot "$WORK/disk")

unknown_page() {
  page "$heading" 'Program location\r\nunknown' "1003|enabled,visible|< &Back" \
    "1004|disabled,visible|&Next >" "1005|enabled,visible|Cancel" "1007|enabled,visible|B&rowse..."
}

start_app "$GUI_UPDATER" "$(winpath "$WORK/update.dat")"
drv click "${WIZARD[@]}" --id 1004
unknown_page
snap unknown

# Enter with Next disabled browses; it never cancels.
drv key "${WIZARD[@]}" --key return
drv browse-folder --path "$(winpath "$WORK/disk/Empty")"
drv answer-box --caption "$title" --buttons yes,no --button yes \
  --expect "The file $SAMPLE_EXE was not found.\\r\\nContinue searching?"
drv browse-folder --path "$(winpath "$WORK/disk/Programs")"
page "$heading" "Program location\\r\\n$(literal "$(winpath "$installed")")" "1003|enabled,visible|< &Back" \
  "1004|enabled,visible|&Next >" "1005|enabled,visible|Cancel" "1007|enabled,visible|B&rowse..."
snap found

drv click "${WIZARD[@]}" --id 1007
drv browse-folder --path "$(winpath "$WORK/disk/Empty/Sub")"
drv wait-window --caption "$title" --box
snap question
drv answer-box --caption "$title" --buttons yes,no --button no \
  --expect "The file $SAMPLE_EXE was not found.\\r\\nContinue searching?"
unknown_page

drv click "${WIZARD[@]}" --id 1005
drv answer-box --caption "$title" --buttons ok --button ok \
  --expect "The file $SAMPLE_EXE was not found.\\r\\nInstall Sample Viewer."
wait_app_exit
harness same-tree "$WORK/disk" "$before"
