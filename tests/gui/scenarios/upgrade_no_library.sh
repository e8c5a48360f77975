# shellcheck shell=bash
# No Kestrune.dll beside the updater: the files are written and the links
# turned, the settings and data stay where they are, and the upgrade still
# reports success.
install_product
product_archive "$WORK/update.dat"
ship "$WORK/dist" "$WORK/update.dat" --no-library
finish_product_wizard "$WORK/dist"
drv answer-box --buttons ok --button ok --expect "The program was upgraded successfully."
wait_app_exit
cmp -s "$PROGRAM/Viewer.exe" "$WORK/source/$SAMPLE_EXE" || fail "Viewer.exe was not written"
expect_text "$(reg_value "$COMPANY_KEY\\Tessaline" Theme)" "Blue" "the old settings"
[ -f "$PRODUCT/Data/notes.txt" ] || fail "the data files moved"
expect_text "$(link_target --user 'Tessa Viewer.lnk')" "$(winpath "$PROGRAM/Viewer.exe")" "the user's link"
