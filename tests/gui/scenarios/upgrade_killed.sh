# shellcheck shell=bash
# The updater is killed at Finish, half-way through a long copy list (as a
# power cut would stop it). Started again, it takes the upgrade back before
# it looks at the program: the wizard sees the old program (no version page),
# the product is exactly as installed, with no backup, temporary or journal,
# and the environment was never touched. Finish then upgrades to the end.
readonly COPIES=400
install_product
copy_lines=("$SAMPLE_EXE=$SAMPLE_EXE" "help\\guide.txt=guide.txt")
for ((i = 0; i < COPIES; i++)); do copy_lines+=("help\\copy$i.txt=guide.txt"); done
copy_lines+=("readme.txt=readme.txt")
harness product-archive "$WORK/update.dat" "${copy_lines[@]}"
harness ship "$WORK/dist" "$WORK/update.dat"

finish_product_wizard "$WORK/dist"
# Killed once the new program and a quarter of the copies are in place.
for ((i = 0; i < 600; i++)); do
  [ -e "$PROGRAM/help/copy$((COPIES / 4)).txt" ] && break
  alive "$APP_PID" || fail "the upgrade ended before it could be killed"
  sleep 0.05
done
kill -9 "$APP_PID"
wait_app_exit
[ -e "$PROGRAM/help/copy$((COPIES - 1)).txt" ] && fail "the kill came after the last copy"
[ -e "$PROGRAM/UPDATER.JNL" ] || fail "no journal in the program folder after the kill"

# Started again: after Next comes the final page, as for the old program,
# and the folder already holds exactly the old program.
start_app "$WORK/dist/updater.exe" "$(winpath "$WORK/dist/update.dat")"
WIZARD=(--has-id 1001 --not-box)
drv click "${WIZARD[@]}" --id 1004
drv controls "${WIZARD[@]}" \
  --control '1001|visible|The program is ready to be upgraded.\r\nClick [Finish] to upgrade.' \
  --control "1004|enabled,visible|&Finish"
snap recovered
expect_product_untouched
expect_text "$(cd "$PROGRAM" && find . | sort | tr '\n' ' ')" ". ./SampleViewer.exe ./readme.txt " \
  "the program folder after the recovery"

drv click "${WIZARD[@]}" --id 1004
# Four hundred files, each flushed to disk: on a loaded machine that takes
# longer than the driver's usual wait.
drv answer-box --caption "Tessa Line 1.61 Upgrade" --buttons ok --button ok --timeout 60000 \
  --expect "The program was upgraded successfully."
wait_app_exit
cmp -s "$PROGRAM/$SAMPLE_EXE" "$WORK/source/$SAMPLE_EXE" || fail "the program was not replaced"
expect_text "$(cat "$PROGRAM/readme.txt")" "new readme" "readme.txt"
expect_text "$(cd "$PROGRAM" && find . -not -name 'copy*.txt' | sort | tr '\n' ' ')" \
  ". ./SampleViewer.exe ./help ./help/guide.txt ./readme.txt " "the upgraded program folder"
expect_text "$(find "$PROGRAM/help" -name 'copy*.txt' | wc -l)" "$COPIES" "the copies"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessa Line" Theme)" "Blue" "the settings moved by the library"
