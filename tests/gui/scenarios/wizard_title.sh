# shellcheck shell=bash
# The script's title is the wizard's caption, the caption of later message
# boxes and the top line of the About box, which the system menu's About
# item (IDM_ABOUT) opens over the wizard; it shows the updater's own file
# version. Without a title all of them read "Updater".
app=$WORK/app
harness install-program "$app" 1.5.0
harness register-app-path "$app"
mkdir -p "$WORK/untitled"
harness write-script "$WORK/untitled/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
  "[strings]" "upgrade=An upgrade without a title." "[hint]" "exe,$SAMPLE_EXE" \
  "[filelist]" "readme.txt"
echo "read me" >"$WORK/untitled/readme.txt"
harness build-archive "$WORK/untitled/update.inf" "$WORK/untitled.dat"
harness sample-script "$WORK/titled/update.inf" "exe,$SAMPLE_EXE"
harness build-archive "$WORK/titled/update.inf" "$WORK/titled.dat"
about=(--caption About --has-id 1008 --not-box)

# about_box TITLE KEY: opens the About box, checks it, closes it with KEY
# (a click on OK, or Esc).
about_box() {
  drv syscommand "${wizard[@]}" --command 16
  drv controls "${about[@]}" --control "1002|visible|$1" \
    --control "1008|visible|Version $GUI_UPDATER_VERSION" --control "1|enabled,visible|OK"
  snap "about-${1// /-}"
  if [ "$2" = ok ]; then
    drv click "${about[@]}" --id 1
  else
    drv key "${about[@]}" --key escape
  fi
  drv wait-gone "${about[@]}"
}

for title in "Sample Viewer 1.61 Upgrade" Updater; do
  archive=$WORK/titled.dat
  [ "$title" = Updater ] && archive=$WORK/untitled.dat
  wizard=(--caption "$title" --has-id 1001 --not-box)
  start_app "$GUI_UPDATER" "$(winpath "$archive")"
  about_box "$title" ok
  # The About box changed nothing: the wizard still starts on its introduction.
  drv controls "${wizard[@]}" --control "1003|disabled,visible" --control "1004|enabled,visible|&Next >"
  drv click "${wizard[@]}" --id 1004
  if [ "$title" != Updater ]; then
    drv text "${wizard[@]}" --id 1004 --expect "&Agree"
    drv click "${wizard[@]}" --id 1004
  fi
  drv controls "${wizard[@]}" --control "1004|enabled,visible|&Finish"
  about_box "$title" escape
  drv click "${wizard[@]}" --id 1004
  drv answer-box --caption "$title" --buttons ok --button ok --expect "The program was upgraded successfully."
  wait_app_exit
done
