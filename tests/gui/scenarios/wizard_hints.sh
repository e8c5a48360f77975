# shellcheck shell=bash
# The program found by the script's other hints: a "reg," hint through the
# folder of the path stored under HKCU\Software\<name>, and an "ext," hint
# through the program registered to open a file type. Either way the first
# Next passes over the location and version pages to the licence.
WIZARD=(--caption "Sample Viewer 1.61 Upgrade" --has-id 1001 --not-box)
license_heading='Please read the entire software license agreement.\r\nIf you agree, click [Agree].\r\nIf you do not agree, click [Disagree].'

# run_to_license ARCHIVE: Next from the introduction lands on the licence,
# then Disagree ends the wizard.
run_to_license() {
  start_app "$GUI_UPDATER" "$(winpath "$1")"
  drv click "${WIZARD[@]}" --id 1004
  page "$license_heading" 'SAMPLE VIEWER LICENCE\r\nUse it well.\r\n' "1004|enabled,visible|&Agree"
  snap "$2"
  drv click "${WIZARD[@]}" --id 1005
  wait_app_exit
}

by_reg="$WORK/by-reg/Sample Viewer"
harness install-program "$by_reg" 1.5.0
harness reg-import '[HKEY_CURRENT_USER\Software\Quintarel\Sample Viewer]' \
  "\"Path\"=$(reg_text "$(winpath "$by_reg/$SAMPLE_EXE")")"
harness sample-script "$WORK/reg/update.inf" 'reg,Quintarel\Sample Viewer' "exe,$SAMPLE_EXE"
harness build-archive "$WORK/reg/update.inf" "$WORK/reg.dat"
run_to_license "$WORK/reg.dat" reg

by_ext=$WORK/by-ext/Viewer
harness install-program "$by_ext" 1.5.0
harness reg-import '[HKEY_CLASSES_ROOT\.qsv]' '@="QuintarelSample.Document"' \
  '[HKEY_CLASSES_ROOT\QuintarelSample.Document]' \
  '[HKEY_CLASSES_ROOT\QuintarelSample.Document\shell\open\command]' \
  "@=$(reg_text "\"$(winpath "$by_ext/$SAMPLE_EXE")\" \"%1\"")"
harness sample-script "$WORK/ext/update.inf" "ext,qsv" "exe,$SAMPLE_EXE"
harness build-archive "$WORK/ext/update.inf" "$WORK/ext.dat"
run_to_license "$WORK/ext.dat" ext
