# shellcheck shell=bash
# The whole upgrade as a user runs it: updater.exe, Kestrune.dll and an
# update.dat built by upkit in one folder. Finish writes the program files
# with their stored times, moves the settings to the new registry key, moves
# the data files to the shared data folder and rewrites the stored paths,
# turns the matching Start-menu links to the new program, and reports
# success. Nothing is left beside the written files.
install_product
harness product-archive "$WORK/update.dat"
harness ship "$WORK/dist" "$WORK/update.dat"
new_program=$(sha1sum <"$WORK/source/$SAMPLE_EXE")

finish_product_wizard "$WORK/dist"
drv answer-box --caption "Tessa Line 1.61 Upgrade" --buttons ok --button ok \
  --expect "The program was upgraded successfully."
wait_app_exit

# The program files, with the times the archive stores; nothing else.
for file in "$SAMPLE_EXE" Viewer.exe; do
  expect_text "$(sha1sum <"$PROGRAM/$file")" "$new_program" "$file"
  expect_text "$(stat -c %Y "$PROGRAM/$file")" 1700000000 "the write time of $file"
done
cmp -s "$PROGRAM/help/guide.txt" "$WORK/source/guide.txt" || fail "help\\guide.txt differs"
expect_text "$(cat "$PROGRAM/readme.txt")" "new readme" "the read-only readme.txt"
expect_text "$(cd "$PROGRAM" && find . | sort | tr '\n' ' ')" \
  ". ./SampleViewer.exe ./Viewer.exe ./help ./help/guide.txt ./readme.txt " "the program folder"

# The environment library's work.
data=$WINEPREFIX/drive_c/ProgramData/Quintarel\ Corporation/Tessa\ Line
expect_text "$(cat "$data/Data/notes.txt")" "my notes" "the moved notes"
expect_text "$(cat "$data/settings.ini")" "[view]" "the moved settings file"
expect_text "$(cd "$PRODUCT" && find . -maxdepth 1 | sort | tr '\n' ' ')" \
  ". ./Program ./manual.chm ./uninst.isu " "what stays in the installation"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessaline" Theme)" "" "the old key"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessa Line" Theme)" "Blue" "the moved settings"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessa Line\\Path" Data)" "$DATA_FOLDER_WIN\\Data" \
  "the rewritten data path"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessa Line\\Path" Fonts)" \
  "$DATA_FOLDER_WIN\\Data\\Fonts;C:\\Windows\\Fonts" "the rewritten font path"

# The links named by the keyword point at the new program; the other not.
viewer=$(winpath "$PROGRAM/Viewer.exe")
expect_text "$(link_target --common 'Tessa Line\Tessa Viewer.lnk')" "$viewer" "the common link"
expect_text "$(link_target --user 'Tessa Viewer.lnk')" "$viewer" "the user's link"
expect_text "$(link_target --user 'Other Viewer.lnk')" "$(winpath "$PROGRAM/$SAMPLE_EXE")" \
  "the link the keyword does not name"
