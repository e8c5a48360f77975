#!/usr/bin/env bash
# Runs one GUI scenario: scenario.sh SCRIPT STATE, with the fixture's prefix
# and display that STATE names. The scenario's files go to
# GUI_OUTPUT_DIR/work/NAME (WORK), the harness's own to logs/NAME (LOGS).
# scripts/demo-updater sources it for the helpers alone. The helpers call
# `harness COMMAND` (tests/gui/harness) for everything but driving windows.
# A scenario calls fail (directly or through a helper) on the first wrong
# observation, and so does any command of it that fails unchecked: that
# takes a screenshot and lists the windows; at the exit every program the
# scenario started is stopped, by its id, and the prefix put back as it was.
set -eEuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
GUI_HARNESS=$ROOT/tests/gui/harness
# The harness runs on the interpreter itself: a version manager's python3
# shim would add a few hundred milliseconds to every call.
PYTHON=$(python3 -c 'import sys; print(sys.executable)')
# shellcheck source=cmake/wine-env.sh
source "$ROOT/cmake/wine-env.sh"
APP_PIDS=()
APP_PID=
DRV_OUT=

# harness COMMAND ARGS...: one call of the harness module; what it finds
# wrong fails the scenario.
harness() {
  local status=0
  "$PYTHON" "$GUI_HARNESS" "$@" 2>"$LOGS/harness.err" || status=$?
  ((status == 0)) || fail "$(cat "$LOGS/harness.err")"
}

# snap [STEP]: with GUI_SCREENSHOTS=1, saves the screen as <scenario>.png, or
# <scenario>-STEP.png. The short pause lets the last window finish painting.
snap() {
  [ "${GUI_SCREENSHOTS:-0}" = 1 ] || return 0
  harness screenshot --settle 0.4 "$SCREENSHOTS/$SCENARIO${1:+-$1}.png"
}

# watch_windows MS OUT [--hold PATH]: starts the driver's watcher, which
# fails (and says so in the file OUT) when a new window shows within MS,
# holding PATH open meanwhile when given; WATCHER is its id.
# Returns once it has taken stock of the windows already there. OUT must be
# a fresh file: the redirection happens only once the watcher runs, so an
# old one could still say "ready".
watch_windows() {
  local out=$2
  timeout 120 "$WINELOADER" "$GUI_DRIVER" no-new-windows --for "$1" "${@:3}" </dev/null >"$out" 2>&1 &
  # shellcheck disable=SC2034 # the scenarios wait for it
  WATCHER=$!
  local i
  for ((i = 0; i < 200; i++)); do
    grep -q ready "$out" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "the window watcher did not start"
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
    if alive "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
  done
  for pid in "${APP_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  APP_PIDS=()
}

# The exit that follows stops the programs and puts the prefix back.
fail() {
  # Inside a command substitution: the message only; the scenario's shell
  # fails on the substitution and cleans up there.
  if ((BASH_SUBSHELL)); then
    echo "$*" >&2
    exit 1
  fi
  set +e
  trap - ERR
  echo "FAIL $SCENARIO: $*" >&2
  "$PYTHON" "$GUI_HARNESS" screenshot "$SCREENSHOTS/$SCENARIO.png"
  echo "screenshot: $SCREENSHOTS/$SCENARIO.png" >&2
  echo "windows:" >&2
  timeout 20 "$WINELOADER" "$GUI_DRIVER" list >&2 </dev/null
  exit 1
}

# The Windows form of an absolute Linux path (drive Z: is the root).
winpath() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

# drv ARGS: runs the driver; its output is in DRV_OUT, and a non-zero exit
# fails the scenario. The outer timeout only guards against a hung Wine.
drv() {
  local out="$LOGS/driver.out" err="$LOGS/driver.err" status=0
  timeout 60 "$WINELOADER" "$GUI_DRIVER" "$@" </dev/null >"$out" 2>"$err" || status=$?
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
  (cd "$cwd" && exec "$WINELOADER" "$@" </dev/null >>"$LOGS/app.log" 2>&1) &
  APP_PID=$!
  APP_PIDS+=("$APP_PID")
}

# wait_app_exit [PID] [SECONDS]: fails when the program is still running
# after SECONDS (default 30).
wait_app_exit() {
  local pid=${1:-$APP_PID} seconds=${2:-30} i
  for ((i = 0; i < seconds * 20; i++)); do
    if ! alive "$pid"; then
      wait "$pid" 2>/dev/null || true
      local kept=() p
      for p in "${APP_PIDS[@]}"; do [ "$p" = "$pid" ] || kept+=("$p"); done
      APP_PIDS=("${kept[@]}")
      return 0
    fi
    sleep 0.05
  done
  fail "program $pid still running after ${seconds}s"
}

expect_text() {
  [ "$1" = "$2" ] || fail "${3:-text}: got '$1', expected '$2'"
}

# A literal text as the driver's expectations take it: backslashes doubled.
literal() { printf '%s' "${1//\\/\\\\}"; }

# The text of a registry file's string value: backslashes and quotes escaped.
reg_text() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# --- The installed program of the wizard scenarios -------------------------
readonly SAMPLE_EXE=SampleViewer.exe

# page HEADING BODY CONTROL...: one driver call checks a whole wizard page of
# the window that WIZARD selects: the heading (IDC_WIZARD_HEADING), the body
# box (IDC_WIZARD_BODY; BODY "" means hidden) and each CONTROL given as
# "ID|STATES|TEXT" (see guidriver controls).
page() {
  local heading=$1 body=$2 control
  shift 2
  local checks=(--control "1001|visible|$heading")
  if [ -z "$body" ]; then
    checks+=(--control "1002|hidden")
  else
    checks+=(--control "1002|visible|$body")
  fi
  for control in "$@"; do checks+=(--control "$control"); done
  drv controls "${WIZARD[@]}" "${checks[@]}"
}

# --- The product of the upgrade scenarios --------------------------------
# Tessa Line, installed below $PRODUCT (see the harness's product module).
readonly COMPANY_KEY='HKEY_CURRENT_USER\Software\Quintarel Corporation'
# shellcheck disable=SC2034 # the scenarios' expectation
readonly DATA_FOLDER_WIN='C:\ProgramData\Quintarel Corporation\Tessa Line'
PRODUCT_FILES=

install_product() { PRODUCT_FILES=$(harness install-product "$PRODUCT"); }

# finish_product_wizard FOLDER: runs the shipped updater and presses Next
# until Finish (the program is found and its version lies in the range).
finish_product_wizard() {
  start_app "$1/updater.exe" "$(winpath "$1/update.dat")"
  WIZARD=(--has-id 1001 --not-box)
  drv click "${WIZARD[@]}" --id 1004
  drv controls "${WIZARD[@]}" --control "1004|enabled,visible"
  snap final
  drv click "${WIZARD[@]}" --id 1004
}

# link_target --common|--user NAME: where a Start-menu link points.
link_target() {
  drv link "$1" --name "$2"
  local target=${DRV_OUT#target \'}
  target=${target%\'}
  # The driver doubles backslashes.
  printf '%s' "${target//\\\\/\\}"
}

# expect_failed_upgrade: IDS_WRITE_FAILED ends the wizard, and the product is
# as it was installed.
expect_failed_upgrade() {
  drv answer-box --buttons ok --button ok \
    --expect 'Failed to write file.\r\nThe upgrade did not finish successfully.'
  wait_app_exit
  expect_product_untouched
}

# expect_product_untouched: files, settings, data and links as installed.
expect_product_untouched() {
  harness same-tree "$PRODUCT" "$PRODUCT_FILES"
  [[ $(stat -c %A "$PROGRAM/readme.txt") == *w* ]] && fail "readme.txt is no longer read-only"
  expect_text "$(stat -c %Y "$PROGRAM/$SAMPLE_EXE")" 1500000000 "the program's write time"
  expect_text "$(harness reg-value "$COMPANY_KEY\\Tessaline" Theme)" "Blue" "the old settings"
  [ -d "$WINEPREFIX/drive_c/ProgramData/Quintarel Corporation" ] && fail "a data folder was made"
  expect_text "$(link_target --common 'Tessa Line\Tessa Viewer.lnk')" \
    "$(winpath "$PROGRAM/$SAMPLE_EXE")" "the common link"
}

# --- Running the scenario ----------------------------------------------------
[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
[ -f "$2" ] || { echo "no GUI fixture state in $2" >&2; exit 1; }
# shellcheck source=/dev/null
source "$2"
SCENARIO=$(basename "$1" .sh)
WORK=$GUI_OUTPUT_DIR/work/$SCENARIO
LOGS=$GUI_OUTPUT_DIR/logs/$SCENARIO
SCREENSHOTS=$GUI_OUTPUT_DIR/screenshots
PRODUCT=$WORK/Tessa\ Line
PROGRAM=$PRODUCT/Program
rm -rf "$WORK" "$LOGS" "$SCREENSHOTS/$SCENARIO.png" "$SCREENSHOTS/$SCENARIO"-*.png
mkdir -p "$WORK" "$LOGS" "$SCREENSHOTS"
# English unless a scenario asks otherwise.
export WINEPREFIX=$GUI_PREFIX DISPLAY=$GUI_DISPLAY LC_ALL=C.UTF-8 WORK LOGS

# Runs at any exit: a scenario that ends early must not leave programs, nor
# registry keys that would let the next scenario find a program.
scenario_exit() {
  local status=$?
  set +e
  if ((${#APP_PIDS[@]})); then
    [ "$status" -eq 0 ] && echo "FAIL $SCENARIO: programs still running at the end" >&2
    status=1
    kill_apps
  fi
  "$PYTHON" "$GUI_HARNESS" undo
  exit "$status"
}
trap scenario_exit EXIT
trap 'fail "line $LINENO of $SCENARIO.sh failed: $BASH_COMMAND"' ERR
started=$(date +%s.%N)
# shellcheck disable=SC1090
source "$1"
for pid in "${APP_PIDS[@]}"; do wait_app_exit "$pid" 10; done
awk -v name="$SCENARIO" -v from="$started" -v to="$(date +%s.%N)" \
  'BEGIN { printf "PASS %s (%.1f s)\n", name, to - from }'
