# shellcheck shell=bash
# updater.exe /quiet, as a deployment script runs it: each way it can end
# has its exit code and its log. No run waits for a person: a window or a
# message box would keep the updater from ending, and every run here must
# end by itself within the timeout.
install_product
harness product-archive "$WORK/update.dat"
harness ship "$WORK/dist" "$WORK/update.dat"
harness product-archive --no-digests "$WORK/damaged.dat"
harness damage-entry "$WORK/damaged.dat" guide.txt
log=$WORK/quiet.log

# quiet EXPECTED ARGS...: runs the shipped updater with /quiet, a log and
# ARGS, and checks its exit code.
quiet() {
  local expected=$1 status=0
  shift
  rm -f "$log"
  timeout 120 "$WINELOADER" "$WORK/dist/updater.exe" /quiet "/log=$(winpath "$log")" "$@" \
    </dev/null >>"$LOGS/app.log" 2>&1 || status=$?
  [ "$status" -eq "$expected" ] ||
    fail "updater.exe /quiet $*: exit $status, expected $expected; log: $(cat "$log" 2>/dev/null)"
}
# last_line: the log's last line without its time.
last_line() { tail -n 1 "$log" | tr -d '\r' | cut -c 22-; }

quiet 2 /colour=blue
grep -q 'unknown switch /colour' "$log" || fail "the usage error is not logged: $(cat "$log")"
# The usage error is also told on the console of whoever started the
# updater: here cmd.exe in a terminal, which script(1) provides.
console=$LOGS/console.out
timeout 60 script -qec "$(printf '%q ' "$WINELOADER" cmd /c start /wait \
  "$(winpath "$WORK/dist/updater.exe")" /quiet /colour=blue)" "$console" </dev/null >/dev/null 2>&1 || true
grep -q 'updater: unknown switch /colour' "$console" ||
  fail "the usage error is not told on the console: $(cat "$console")"
quiet 4 "/dir=$(winpath "$WORK")"
expect_text "$(last_line)" "end: exit code 4" "the log's end"

# A second copy: the first asks whether to build an archive.
harness write-script "$WORK/build.inf" "[Quintarel Corporation UpdateInfo]" "format=0"
start_app "$GUI_UPDATER" "$(winpath "$WORK/build.inf")"
drv wait-window --caption Updater --box
quiet 7
drv answer-box --caption Updater --button no
drv answer-box --caption Updater --button ok
wait_app_exit

quiet 1 "$(winpath "$WORK/damaged.dat")"
expect_product_untouched

# The full upgrade, watched for any new window. A data file held open by
# another program cannot be moved: the library's error box becomes a line
# of the log.
watch_out=$LOGS/watch.out
watch_windows 20000 "$watch_out" --hold "$(winpath "$PRODUCT/settings.ini")"
quiet 0
kill "$WATCHER" 2>/dev/null || true
grep -q 'a new window showed' "$watch_out" && fail "the unattended upgrade showed a window: $(tr -d '\r' <"$watch_out")"
grep -q 'environment library: DoIt returned TRUE' "$log" || fail "DoIt is not logged: $(cat "$log")"
grep -q 'environment library: .*settings\.ini->.*settings\.ini' "$log" ||
  fail "the library's error is not logged: $(cat "$log")"
cmp -s "$PROGRAM/$SAMPLE_EXE" "$WORK/source/$SAMPLE_EXE" || fail "the program was not replaced"
expect_text "$(harness reg-value "$COMPANY_KEY\\Tessa Line" Theme)" "Blue" "the settings moved by the library"
expect_text "$(link_target --user 'Tessa Viewer.lnk')" "$(winpath "$PROGRAM/Viewer.exe")" "the user's link"

quiet 6
quiet 0 /force
# /dir in place of the hints, which no longer find the program.
harness install-program "$PROGRAM" 1.5.0
mv "$PROGRAM" "$PRODUCT/Moved"
quiet 4
quiet 0 "/dir=$(winpath "$PRODUCT/Moved")"
grep -q '(from /dir)' "$log" || fail "the folder's origin is not logged: $(cat "$log")"
mv "$PRODUCT/Moved" "$PROGRAM"
harness install-program "$PROGRAM" 1.4.0
# The log is in English on a Japanese system too.
LC_ALL=ja_JP.UTF-8 quiet 5
grep -q 'The installed version cannot be upgraded' "$log" || fail "the log is not in English: $(cat "$log")"
expect_text "$(last_line)" "end: exit code 5" "the log's end"

# A log that cannot be created is a usage error, before anything happens.
status=0
timeout 60 "$WINELOADER" "$WORK/dist/updater.exe" /quiet "/log=$(winpath "$WORK/no/such/folder.log")" \
  </dev/null >>"$LOGS/app.log" 2>&1 || status=$?
expect_text "$status" 2 "the exit code for a log that cannot be created"
