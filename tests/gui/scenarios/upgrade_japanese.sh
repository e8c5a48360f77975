# shellcheck shell=bash
# The whole upgrade under a Japanese locale: the success message is
# Japanese; files, settings and links change as in English.
export LC_ALL=ja_JP.UTF-8 2>/dev/null
japanese_fonts
install_product
product_archive "$WORK/update.dat"
ship "$WORK/dist" "$WORK/update.dat"
finish_product_wizard "$WORK/dist"
snap success
drv answer-box --buttons ok --button ok --expect "$(cp932 "バージョンアップが正常に終了しました")"
wait_app_exit
cmp -s "$PROGRAM/$SAMPLE_EXE" "$WORK/source/$SAMPLE_EXE" || fail "the program was not replaced"
expect_text "$(reg_value "$COMPANY_KEY\\Tessa Line" Theme)" "Blue" "the moved settings"
[ -f "$WINEPREFIX/drive_c/ProgramData/Quintarel Corporation/Tessa Line/Data/notes.txt" ] ||
  fail "the data files did not move"
expect_text "$(link_target --common 'Tessa Line\Tessa Viewer.lnk')" "$(winpath "$PROGRAM/Viewer.exe")" \
  "the common link"
