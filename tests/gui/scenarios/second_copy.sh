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
  # A fresh file each round: the watcher's redirection happens only once its
  # process runs, so an old file could still say "ready".
  watch_out=$LOGS/watch-$((++round)).out
  timeout 60 "$WINELOADER" "$GUI_DRIVER" no-new-windows --for 3000 </dev/null >"$watch_out" 2>&1 &
  watcher=$!
  for ((i = 0; i < 200; i++)); do
    grep -q ready "$watch_out" 2>/dev/null && break
    sleep 0.05
  done
  grep -q ready "$watch_out" || fail "the window watcher did not start"
  started=$(date +%s%N)
  start_app "$GUI_UPDATER" ${arguments:+"$arguments"}
  wait_app_exit "$APP_PID" 5
  echo "second copy ('$arguments') ended after $(( ($(date +%s%N) - started) / 1000000 )) ms"
  wait "$watcher" || fail "the second copy showed a window: $(tr -d '\r' <"$watch_out")"
done

drv answer-box --caption Updater --button no
drv answer-box --caption Updater --button ok
wait_app_exit "$first"
