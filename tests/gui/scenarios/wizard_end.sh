# shellcheck shell=bash
# Ways out that end the wizard at once with nothing written and no message:
# Disagree on the licence, Esc, the close box, and the dialog's own OK
# command. On the location page neither Esc, the close box nor OK gives the
# page's own Cancel message (IDS_INSTALL_FILE).
WIZARD=(--caption "Sample Viewer 1.61 Upgrade" --has-id 1001 --not-box)
app=$WORK/app
harness install-program "$app" 1.5.0
harness sample-script "$WORK/found/update.inf" "exe,$SAMPLE_EXE"
harness build-archive "$WORK/found/update.inf" "$WORK/found.dat"
harness sample-script "$WORK/lost/update.inf" 'reg,Quintarel\Not Installed' "exe,Lost.exe"
harness build-archive "$WORK/lost/update.inf" "$WORK/lost.dat"
harness register-app-path "$app"
before=$(harness snapshot "$WORK")

# ends_quietly: the wizard ends, and the program with it: a message box
# would keep it running.
ends_quietly() {
  drv wait-gone "${WIZARD[@]}"
  wait_app_exit "$APP_PID" 5
}

start_app "$GUI_UPDATER" "$(winpath "$WORK/found.dat")"
drv click "${WIZARD[@]}" --id 1004
drv text "${WIZARD[@]}" --id 1005 --expect "&Disagree"
drv click "${WIZARD[@]}" --id 1005
ends_quietly

start_app "$GUI_UPDATER" "$(winpath "$WORK/found.dat")"
drv controls "${WIZARD[@]}" --control "1003|disabled,visible|< &Back" --focus 1004
drv key "${WIZARD[@]}" --key escape
ends_quietly

start_app "$GUI_UPDATER" "$(winpath "$WORK/found.dat")"
drv click "${WIZARD[@]}" --id 1004
drv text "${WIZARD[@]}" --id 1004 --expect "&Agree"
# Esc from inside the licence text, where the keyboard goes to scroll it.
drv key "${WIZARD[@]}" --key tab
drv key "${WIZARD[@]}" --key tab
drv controls "${WIZARD[@]}" --focus 1002
drv key "${WIZARD[@]}" --key escape
ends_quietly

for way in escape close ok; do
  start_app "$GUI_UPDATER" "$(winpath "$WORK/lost.dat")"
  drv click "${WIZARD[@]}" --id 1004
  drv controls "${WIZARD[@]}" --control "1007|enabled,visible"
  case $way in
    escape) drv key "${WIZARD[@]}" --key escape ;;
    close) drv syscommand "${WIZARD[@]}" --command 0xF060 ;;
    ok) drv command "${WIZARD[@]}" --id 1 ;;
  esac
  ends_quietly
done
harness same-tree "$WORK" "$before"
