#!/usr/bin/env bash
# Runs one GUI scenario: `python3 tests/gui/harness scenario` sets the
# environment (the fixture's prefix and display, WORK, LOGS, SCREENSHOTS,
# GUI_HARNESS) and starts this with the scenario's path. Below are the thin
# helpers the scenarios call; the logic behind them is the harness module's.
# A scenario calls fail (directly or through a helper) on the first wrong
# observation, and so does any command of it that fails unchecked: that
# takes a screenshot, lists the windows, stops every program the scenario
# started, by its id, and puts the prefix back as it was.
set -eEuo pipefail

APP_PIDS=()
APP_PID=
DRV_OUT=

# harness COMMAND ARGS...: one call of the harness module; what it finds
# wrong fails the scenario.
harness() {
  local status=0
  python3 "$GUI_HARNESS" "$@" 2>"$LOGS/harness.err" || status=$?
  ((status == 0)) || fail "$(cat "$LOGS/harness.err")"
}

# snap [STEP]: with GUI_SCREENSHOTS=1, saves the screen as <scenario>.png, or
# <scenario>-STEP.png. The short pause lets the last window finish painting.
snap() {
  [ "${GUI_SCREENSHOTS:-0}" = 1 ] || return 0
  harness screenshot --settle 0.4 "$SCREENSHOTS/$SCENARIO${1:+-$1}.png"
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

fail() {
  # Inside a command substitution: the message only; the scenario's shell
  # fails on the substitution and cleans up there.
  if ((BASH_SUBSHELL)); then
    echo "$*" >&2
    exit 1
  fi
  set +e
  trap - EXIT ERR
  echo "FAIL $SCENARIO: $*" >&2
  python3 "$GUI_HARNESS" screenshot "$SCREENSHOTS/$SCENARIO.png"
  echo "screenshot: $SCREENSHOTS/$SCENARIO.png" >&2
  echo "windows:" >&2
  timeout 20 "$WINELOADER" "$GUI_DRIVER" list >&2 </dev/null
  kill_apps
  python3 "$GUI_HARNESS" undo
  exit 1
}

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
  python3 "$GUI_HARNESS" undo
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

finish_apps() {
  local pid
  for pid in "${APP_PIDS[@]}"; do wait_app_exit "$pid" 10; done
}

expect_text() {
  [ "$1" = "$2" ] || fail "${3:-text}: got '$1', expected '$2'"
}

# A literal text as the driver's expectations take it: backslashes doubled.
literal() { printf '%s' "${1//\\/\\\\}"; }

# write_script FILE LINE...: a text file with CRLF line ends, as the scripts
# are written on Windows.
write_script() { harness write-script "$@"; }
# compressible_file FILE BYTES: text that compresses well.
compressible_file() { harness compressible "$@"; }
# snapshot_tree DIR: every file below DIR with its content hash, to show
# with expect_same_tree DIR SNAPSHOT that nothing was written or changed.
snapshot_tree() { harness snapshot "$1"; }
expect_same_tree() { harness same-tree "$1" "$2"; }
# cp932 TEXT: TEXT in the Japanese code page, written as the driver's \xNN
# escapes, as a Japanese system shows it.
cp932() { harness cp932 "$1"; }

# check_archive [--access-time T] [--script SCRIPT] ARCHIVE SOURCE_DIR NAME...:
# the archive holds exactly the named entries in order, each as the builder
# must store its source file (the harness's archive module tells the details).
check_archive() { harness check-archive "$@"; }
# pack_archive OUT NAME=FILE...: an archive of stored entries, byte by byte.
pack_archive() { harness pack "$@"; }
# damage_entry ARCHIVE NAME: the entry claims one byte more than its data
# expands to, as a damaged copy would.
damage_entry() { harness damage-entry "$@"; }

# The text of a registry file's string value: backslashes and quotes escaped.
reg_text() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}
# reg_import LINE...: imports REGEDIT4 lines ('[KEY]', '"Name"="data"',
# '@="data"'; '[-KEY]' deletes a key, '"Name"=-' a value). Every key named
# in brackets is deleted again when the scenario ends.
reg_import() { harness reg-import "$@"; }
# reg_value KEY NAME: the data of a registry value, empty when it is missing.
reg_value() { harness reg-value "$@"; }
# japanese_fonts: programs started from now on draw the dialogs' font with a
# Japanese one, until the scenario ends.
japanese_fonts() { harness japanese-fonts; }

# --- The installed program of the wizard scenarios -------------------------
readonly SAMPLE_EXE=SampleViewer.exe
# install_program DIR VERSION: the sample program of VERSION (1.4.0, 1.5.0
# or 1.6.1) as DIR/SampleViewer.exe.
install_program() { harness install-program "$@"; }
# register_app_path DIR: the App Paths entry of SampleViewer.exe names DIR.
register_app_path() { harness register-app-path "$1"; }
# sample_script FILE HINT...: the wizard scenarios' update script: title,
# texts, the given hint lines, the version check 1.50-1.61, a licence (shown
# up to a zero byte) and a copy list, with Japanese sections; the files it
# lists are written beside it.
sample_script() { harness sample-script "$@"; }
# build_archive SCRIPT ARCHIVE: upkit build, as a release engineer makes one.
build_archive() { harness build-archive "$@"; }

# page HEADING BODY CONTROL...: one driver call checks a whole wizard page of
# the window that WIZARD selects: the heading, the body box (BODY "" means
# hidden) and each CONTROL given as "ID|STATES|TEXT" (see guidriver controls).
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
PRODUCT=$WORK/Tessa\ Line
PROGRAM=$PRODUCT/Program
PRODUCT_FILES=

install_product() { PRODUCT_FILES=$(harness install-product "$PRODUCT"); }
# product_archive ARCHIVE [COPY_LINE...]: the update of the product; the
# copy lines, when given, stand in for the usual ones.
product_archive() { harness product-archive "$@"; }
# ship FOLDER ARCHIVE: what a user receives: updater.exe, Kestrune.dll and
# update.dat in one folder.
ship() { harness ship "$@"; }

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
  expect_same_tree "$PRODUCT" "$PRODUCT_FILES"
  [[ $(stat -c %A "$PROGRAM/readme.txt") == *w* ]] && fail "readme.txt is no longer read-only"
  expect_text "$(stat -c %Y "$PROGRAM/$SAMPLE_EXE")" 1500000000 "the program's write time"
  expect_text "$(reg_value "$COMPANY_KEY\\Tessaline" Theme)" "Blue" "the old settings"
  [ -d "$WINEPREFIX/drive_c/ProgramData/Quintarel Corporation" ] && fail "a data folder was made"
  expect_text "$(link_target --common 'Tessa Line\Tessa Viewer.lnk')" \
    "$(winpath "$PROGRAM/$SAMPLE_EXE")" "the common link"
}

trap scenario_exit EXIT
trap 'fail "line $LINENO of $SCENARIO.sh failed: $BASH_COMMAND"' ERR
started=$(date +%s.%N)
# shellcheck disable=SC1090
source "$1"
finish_apps
awk -v name="$SCENARIO" -v from="$started" -v to="$(date +%s.%N)" \
  'BEGIN { printf "PASS %s (%.1f s)\n", name, to - from }'
