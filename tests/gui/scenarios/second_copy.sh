# shellcheck shell=bash
# A second copy started while the first shows a dialog ends at once and
# shows nothing, whether it was given a script or no argument.
src=$WORK/src
mkdir -p "$src"
harness write-script "$src/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" "[filelist]" "a.txt"
echo a >"$src/a.txt"

start_app "$GUI_UPDATER" "$(winpath "$src/update.inf")"
first=$APP_PID
drv wait-window --caption Updater --box
snap

round=0
for arguments in "$(winpath "$src/update.inf")" ""; do
  watch_out=$LOGS/watch-$((++round)).out
  watch_windows 3000 "$watch_out"
  started=$(date +%s%N)
  start_app "$GUI_UPDATER" ${arguments:+"$arguments"}
  wait_app_exit "$APP_PID" 5
  echo "second copy ('$arguments') ended after $(( ($(date +%s%N) - started) / 1000000 )) ms"
  wait "$WATCHER" || fail "the second copy showed a window: $(tr -d '\r' <"$watch_out")"
done

drv answer-box --caption Updater --button no
drv answer-box --caption Updater --button ok
wait_app_exit "$first"
