# shellcheck shell=bash
# Helpers for the GUI scenarios, sourced by run_scenario. A scenario calls
# fail (directly or through a helper) on the first wrong observation: that
# takes a screenshot, lists the windows, and stops every program the
# scenario started, by its id.

WINE64=/usr/lib/wine/wine64
APP_PIDS=()
APP_PID=
DRV_OUT=

screenshot() {
  xwd -root -display "$DISPLAY" 2>/dev/null | convert xwd:- "png:$1" 2>/dev/null ||
    echo "(no screenshot: xwd or convert failed)" >&2
}

# snap [STEP]: with GUI_SCREENSHOTS=1, saves the screen as <scenario>.png, or
# <scenario>-STEP.png. The short pause lets the last window finish painting.
snap() {
  [ "${GUI_SCREENSHOTS:-0}" = 1 ] || return 0
  sleep 0.4
  screenshot "$SCREENSHOTS/$SCENARIO${1:+-$1}.png"
}

alive() {
  local state
  state=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  state=${state##*) }
  [ "${state:0:1}" != Z ]
}

kill_apps() {
  local pid
  for pid in "${APP_PIDS[@]}"; do
    alive "$pid" && kill -9 "$pid" 2>/dev/null
  done
  for pid in "${APP_PIDS[@]}"; do
    wait "$pid" 2>/dev/null
  done
  APP_PIDS=()
}

fail() {
  trap - EXIT
  echo "FAIL $SCENARIO: $*" >&2
  screenshot "$SCREENSHOTS/$SCENARIO.png"
  echo "screenshot: $SCREENSHOTS/$SCENARIO.png" >&2
  echo "windows:" >&2
  timeout 20 "$WINE64" "$GUI_DRIVER" list >&2 </dev/null
  kill_apps
  exit 1
}

# Runs at any exit: a scenario that ends early must not leave programs.
scenario_exit() {
  local status=$?
  if ((${#APP_PIDS[@]})); then
    [ "$status" -eq 0 ] && echo "FAIL $SCENARIO: programs still running at the end" >&2
    status=1
    kill_apps
  fi
  exit "$status"
}

# The Windows form of an absolute Linux path (drive Z: is the root).
winpath() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

# drv ARGS: runs the driver; its output is in DRV_OUT, and a non-zero exit
# fails the scenario. The outer timeout only guards against a hung Wine.
drv() {
  local out="$LOGS/driver.out" err="$LOGS/driver.err" status
  timeout 60 "$WINE64" "$GUI_DRIVER" "$@" </dev/null >"$out" 2>"$err"
  status=$?
  DRV_OUT=$(tr -d '\r' <"$out")
  [ "$status" -eq 0 ] || fail "guidriver $* (exit $status): $(tr -d '\r' <"$err") $DRV_OUT"
}

# start_app [--cwd DIR] EXE ARGS...: starts a Windows program in the
# background; APP_PID is its id.
start_app() {
  local cwd=$WORK
  if [ "$1" = --cwd ]; then
    cwd=$2
    shift 2
  fi
  (cd "$cwd" && exec "$WINE64" "$@" </dev/null >>"$LOGS/app.log" 2>&1) &
  APP_PID=$!
  APP_PIDS+=("$APP_PID")
}

# wait_app_exit [PID] [SECONDS]: fails when the program is still running
# after SECONDS (default 30).
wait_app_exit() {
  local pid=${1:-$APP_PID} seconds=${2:-30} i
  for ((i = 0; i < seconds * 20; i++)); do
    if ! alive "$pid"; then
      wait "$pid" 2>/dev/null
      local kept=() p
      for p in "${APP_PIDS[@]}"; do [ "$p" = "$pid" ] || kept+=("$p"); done
      APP_PIDS=("${kept[@]}")
      return 0
    fi
    sleep 0.05
  done
  fail "program $pid still running after ${seconds}s"
}

finish_apps() {
  local pid
  for pid in "${APP_PIDS[@]}"; do wait_app_exit "$pid" 10; done
}

# write_script FILE LINE...: a text file with CRLF line ends, as the scripts
# are written on Windows.
write_script() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$file"
}

# compressible_file FILE BYTES: text that compresses well.
compressible_file() {
  python3 - "$1" "$2" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "wb") as out:
    line = 0
    while size > 0:
        chunk = b"".join(b"record %08d of the generated data\n" % (line + i) for i in range(4096))
        line += 4096
        out.write(chunk[:size])
        size -= len(chunk)
EOF
}

# check_archive [--access-time T] ARCHIVE SOURCE_DIR NAME...: the archive
# holds exactly the named entries in order, each as the builder must store
# its source file (check_archive.py tells the details).
check_archive() {
  python3 "$GUI_SOURCE_DIR/tests/gui/check_archive.py" --upkit "$GUI_UPKIT" --runner "$WINE64" "$@" ||
    fail "the archive does not match its sources"
}

# Every file below a folder with its size and content hash, to show that
# nothing was written or changed.
snapshot_tree() {
  (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha1sum)
}

expect_same_tree() {
  local now
  now=$(snapshot_tree "$1")
  [ "$now" = "$2" ] || fail "files below $1 changed: $(diff <(echo "$2") <(echo "$now"))"
}

expect_text() {
  [ "$1" = "$2" ] || fail "${3:-text}: got '$1', expected '$2'"
}
