# shellcheck shell=bash
# The version check against the script's 1.50-1.61. Newest installed: the
# version page shows and Next goes on to the licence. Made too old while the
# licence shows, Back re-runs the check: IDS_VERSION_TOO_OLD and the wizard
# ends. Too old from the start: IDS_VERSION_TOO_OLD at the first Next, and the
# wizard ends. Nothing is written either way.
WIZARD=(--caption "Sample Viewer 1.61 Upgrade" --has-id 1001 --not-box)
title="Sample Viewer 1.61 Upgrade"
app=$WORK/app
harness sample-script "$WORK/update/update.inf" "exe,$SAMPLE_EXE"
harness build-archive "$WORK/update/update.inf" "$WORK/update.dat"
harness register-app-path "$app"
too_old="The installed version cannot be upgraded.\\r\\nInstall version 1.50 or later and try again."

harness install-program "$app" 1.6.1
start_app "$GUI_UPDATER" "$(winpath "$WORK/update.dat")"
drv click "${WIZARD[@]}" --id 1004
page 'The newest version of the program is already installed.\r\nTo quit the upgrade, click [Cancel].\r\nTo continue with installation, click [Next].' "" \
  "1003|enabled,visible|< &Back" "1004|enabled,visible|&Next >" "1005|enabled,visible|Cancel" "1007|hidden"
snap newest
drv click "${WIZARD[@]}" --id 1004
page 'Please read the entire software license agreement.\r\nIf you agree, click [Agree].\r\nIf you do not agree, click [Disagree].' \
  'SAMPLE VIEWER LICENCE\r\nUse it well.\r\n' "1004|enabled,visible|&Agree"
harness install-program "$app" 1.4.0
installed=$(harness snapshot "$app")
drv click "${WIZARD[@]}" --id 1003
drv wait-window --caption "$title" --box
snap too-old
drv answer-box --caption "$title" --buttons ok --button ok --expect "$too_old"
wait_app_exit "$APP_PID" 5

start_app "$GUI_UPDATER" "$(winpath "$WORK/update.dat")"
drv click "${WIZARD[@]}" --id 1004
drv answer-box --caption "$title" --buttons ok --button ok --expect "$too_old"
wait_app_exit "$APP_PID" 5
harness same-tree "$app" "$installed"
