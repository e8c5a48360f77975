# shellcheck shell=bash
# The usual upgrade: the program is found through its App Paths entry, its
# version lies between the script's minimum and newest, and the script has a
# licence. Next passes over the location and version pages to the licence
# (shown up to its zero byte), Agree leads to the final page, Back returns
# over the passed pages to the introduction, and Finish writes the copy list
# (the program only) and reports success. The archive is unsealed, as older
# builders write them: the other upgrades here are from sealed ones.
app="$WORK/Program Files/Sample Viewer"
harness install-program "$app" 1.5.0
harness register-app-path "$app"
harness sample-script "$WORK/update/update.inf" "exe,$SAMPLE_EXE"
harness build-archive --no-digests "$WORK/update/update.inf" "$WORK/update.dat"

start_app "$GUI_UPDATER" "$(winpath "$WORK/update.dat")"
WIZARD=(--caption "Sample Viewer 1.61 Upgrade" --has-id 1001 --not-box)
intro_page() {
  page 'This wizard upgrades Sample Viewer 1.50 or later to version 1.61.\r\nClick [Next].' "" \
    "1003|disabled,visible|< &Back" "1004|enabled,visible|&Next >" "1005|enabled,visible|Cancel" \
    "1007|hidden"
}
license_page() {
  page 'Please read the entire software license agreement.\r\nIf you agree, click [Agree].\r\nIf you do not agree, click [Disagree].' \
    'SAMPLE VIEWER LICENCE\r\nUse it well.\r\n' \
    "1003|enabled,visible|< &Back" "1004|enabled,visible|&Agree" "1005|enabled,visible|&Disagree" \
    "1007|hidden"
}
final_page() {
  page 'The program is ready to be upgraded.\r\nClick [Finish] to upgrade.' "" \
    "1003|enabled,visible|< &Back" "1004|enabled,visible|&Finish" "1005|enabled,visible|Cancel" \
    "1007|hidden"
}

intro_page
# The keyboard starts on Next, not in the read-only heading.
drv controls "${WIZARD[@]}" --focus 1004
snap intro
drv click "${WIZARD[@]}" --id 1004
license_page
snap license
drv click "${WIZARD[@]}" --id 1004
final_page
snap final

# Back runs the location and version tests again and passes over both pages.
drv click "${WIZARD[@]}" --id 1003
license_page
drv click "${WIZARD[@]}" --id 1003
intro_page
drv click "${WIZARD[@]}" --id 1004
license_page
drv click "${WIZARD[@]}" --id 1004
final_page

drv click "${WIZARD[@]}" --id 1004
drv wait-window --caption "Sample Viewer 1.61 Upgrade" --box
snap success
drv answer-box --caption "Sample Viewer 1.61 Upgrade" --buttons ok --button ok \
  --expect "The program was upgraded successfully."
wait_app_exit
expect_text "$(cd "$app" && find . -type f)" "./$SAMPLE_EXE" "the program folder"
cmp -s "$app/$SAMPLE_EXE" "$WORK/update/new.exe" || fail "the program was not replaced"
