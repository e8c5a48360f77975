# shellcheck shell=bash
# Helpers for the GUI scenarios, sourced by run_scenario. A scenario calls
# fail (directly or through a helper) on the first wrong observation: that
# takes a screenshot, lists the windows, and stops every program the
# scenario started, by its id.

WINE64=/usr/lib/wine/wine64
APP_PIDS=()
APP_PID=
DRV_OUT=
# Registry keys the scenario created, fonts it hid and files it left in the
# prefix, put back or removed however it ends.
REG_UNDO=()
HIDDEN_FONTS=
PREFIX_LEFTOVERS=()

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
  undo_registry
  exit 1
}

# Runs at any exit: a scenario that ends early must not leave programs, nor
# registry keys that would let the next scenario find a program.
scenario_exit() {
  local status=$?
  if ((${#APP_PIDS[@]})); then
    [ "$status" -eq 0 ] && echo "FAIL $SCENARIO: programs still running at the end" >&2
    status=1
    kill_apps
  fi
  undo_registry
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

# The text of a registry file's string value: backslashes and quotes escaped.
reg_text() {
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# reg_import LINE...: imports REGEDIT4 lines ('[KEY]', '"Name"="data"',
# '@="data"'; '[-KEY]' deletes a key, '"Name"=-' a value). Every key named
# in brackets is deleted again when the scenario ends.
reg_import() {
  local line
  for line in "$@"; do
    [[ $line == \[* && $line != \[-* ]] && REG_UNDO+=("[-${line:1}")
  done
  reg_import_once "$@"
}

# reg_import_once LINE...: as reg_import, with nothing undone at the end.
reg_import_once() {
  local file=$LOGS/import-$RANDOM.reg
  write_script "$file" REGEDIT4 "" "$@" ""
  timeout 60 "$WINE64" reg import "$(winpath "$file")" </dev/null >>"$LOGS/registry.log" 2>&1 ||
    fail "reg import: $(tr -d '\r' <"$LOGS/registry.log")"
}

undo_registry() {
  ((${#PREFIX_LEFTOVERS[@]})) && rm -rf "${PREFIX_LEFTOVERS[@]}"
  PREFIX_LEFTOVERS=()
  if [ -n "${HIDDEN_FONTS:-}" ]; then
    mv "$HIDDEN_FONTS"/* "$WINEPREFIX/drive_c/windows/Fonts/"
    HIDDEN_FONTS=
  fi
  ((${#REG_UNDO[@]})) || return 0
  local file=$LOGS/undo.reg
  write_script "$file" REGEDIT4 "" "${REG_UNDO[@]}" ""
  REG_UNDO=()
  timeout 60 "$WINE64" reg import "$(winpath "$file")" </dev/null >>"$LOGS/registry.log" 2>&1
}

# The installed program of the wizard scenarios.
readonly SAMPLE_EXE=SampleViewer.exe
readonly APP_PATHS_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'

# install_program DIR VERSION: the sample program of VERSION (1.4.0, 1.5.0
# or 1.6.1) as DIR/SampleViewer.exe.
install_program() {
  mkdir -p "$1"
  cp "$GUI_SAMPLES/SampleViewer-$2.exe" "$1/$SAMPLE_EXE" || fail "no sample program $2"
}

# register_app_path DIR: the App Paths entry of SampleViewer.exe names DIR.
register_app_path() {
  reg_import "[$APP_PATHS_KEY\\$SAMPLE_EXE]" "\"Path\"=$(reg_text "$(winpath "$1")")"
}

# sample_script FILE HINT...: the wizard scenarios' update script: title,
# texts, the given hint lines, the version check 1.50-1.61, a licence and a
# copy list, with Japanese sections. The files it lists are written beside
# it; the licence holds a zero byte, after which nothing may show.
sample_script() {
  local file=$1 folder
  shift
  folder=$(dirname "$file")
  mkdir -p "$folder"
  write_script "$file" "[Quintarel Corporation UpdateInfo]" "format=0" \
    "[strings]" "title=Sample Viewer 1.61 Upgrade" "appname=Sample Viewer" \
    "upgrade=This wizard upgrades Sample Viewer 1.50 or later to version 1.61." \
    "[japanese]" "strings=strings_j" "license=license_j" \
    "[strings_j]" "$(utf8_to_cp932 "title=サンプルビューア 1.61 アップグレード")" \
    "$(utf8_to_cp932 "appname=サンプルビューア")" \
    "$(utf8_to_cp932 "upgrade=このウィザードは、サンプルビューア 1.50 以降をバージョン 1.61 にアップグレードします。")" \
    "[hint]" "$@" \
    "[version check]" "$SAMPLE_EXE/1.50-1.61" \
    "[license]" "license.txt" "[license_j]" "license_j.txt" \
    "[copyfiles]" "$SAMPLE_EXE=new.exe" \
    "[filelist]" "new.exe" "license.txt" "license_j.txt"
  printf 'SAMPLE VIEWER LICENCE\r\nUse it well.\r\n\0HIDDEN AFTER THE ZERO BYTE\r\n' >"$folder/license.txt"
  utf8_to_cp932 $'サンプルビューア 使用許諾書\r\n大切にお使いください。\r\n' >"$folder/license_j.txt"
  echo "the new program" >"$folder/new.exe"
}

utf8_to_cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

# build_archive SCRIPT ARCHIVE: upkit build, as a release engineer makes one.
build_archive() {
  timeout 60 "$WINE64" "$GUI_UPKIT" build "$(winpath "$1")" -o "$(winpath "$2")" --time 1700000000 \
    </dev/null >>"$LOGS/upkit.log" 2>&1 || fail "upkit build $1: $(tr -d '\r' <"$LOGS/upkit.log")"
}

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

# A literal text as the driver's expectations take it: backslashes doubled.
literal() { printf '%s' "${1//\\/\\\\}"; }

# japanese_fonts: programs started from now on draw the dialogs' font,
# MS Sans Serif, with a Japanese one. Wine substitutes a font only when it
# is missing, and its own MS Sans Serif has no Japanese characters, so its
# files leave the prefix until the scenario ends.
japanese_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  local substitutes='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  mkdir -p "$LOGS/hidden-fonts"
  HIDDEN_FONTS=$LOGS/hidden-fonts
  mv "$fonts"/sserif*.fon "$fonts/ms_sans_serif.ttf" "$HIDDEN_FONTS/" || fail "cannot hide the fonts"
  reg_import_once "[$substitutes]" '"MS Sans Serif"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"'
  REG_UNDO+=("[$substitutes]" '"MS Sans Serif"=-' '"MS UI Gothic"=-')
  reg_import '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"MS Sans Serif"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"'
}

# cp932 TEXT: TEXT (UTF-8) in the Japanese code page, written as the
# driver's \xNN escapes, as a Japanese system shows it.
cp932() {
  printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -v -tx1 | tr -d ' \n' | sed 's/\(..\)/\\x\1/g'
}

# --- The product of the upgrade scenarios --------------------------------
# Tessa Line, installed below $PRODUCT: its programs in Program (found
# through App Paths), its data files beside that folder, its settings under
# the old registry key with a stored path into the installation, and links
# to the program in both Start-menu trees. The update replaces the program
# with version 1.6.1, adds Viewer.exe and help\guide.txt, replaces
# readme.txt last, and turns the links named "Tessa..." to Viewer.exe.
readonly COMPANY_KEY='HKEY_CURRENT_USER\Software\Quintarel Corporation'
readonly DATA_FOLDER_WIN='C:\ProgramData\Quintarel Corporation\Tessa Line'
PRODUCT=
PROGRAM=

# install_product: the product as described above, in $WORK/Tessa Line.
install_product() {
  PRODUCT=$WORK/Tessa\ Line
  PROGRAM=$PRODUCT/Program
  install_program "$PROGRAM" 1.5.0
  echo "old readme" >"$PROGRAM/readme.txt"
  touch -d @1500000000 "$PROGRAM/$SAMPLE_EXE" "$PROGRAM/readme.txt"
  # Read-only to Windows: the upgrade must replace it, and a failed one
  # must put it back as it was.
  chmod a-w "$PROGRAM/readme.txt"
  register_app_path "$PROGRAM"
  mkdir -p "$PRODUCT/Data/Fonts"
  echo "my notes" >"$PRODUCT/Data/notes.txt"
  echo "font" >"$PRODUCT/Data/Fonts/face.fon"
  echo "[view]" >"$PRODUCT/settings.ini"
  echo "help" >"$PRODUCT/manual.chm"
  echo "log" >"$PRODUCT/uninst.isu"
  local data_path
  data_path=$(winpath "$PRODUCT/Data")
  reg_import "[$COMPANY_KEY]" \
    "[$COMPANY_KEY\\Tessaline]" '"Theme"="Blue"' \
    "[$COMPANY_KEY\\Tessaline\\Path]" "\"Data\"=$(reg_text "$data_path")" \
    "\"Fonts\"=$(reg_text "$data_path\\Fonts;C:\\Windows\\Fonts")"
  PREFIX_LEFTOVERS+=("$WINEPREFIX/drive_c/ProgramData/Quintarel Corporation")
  local exe link
  exe=$(winpath "$PROGRAM/$SAMPLE_EXE")
  drv link --common --name 'Tessa Line\Tessa Viewer.lnk' --target "$exe"
  drv link --user --name 'Tessa Viewer.lnk' --target "$(tr 'A-Z' 'a-z' <<<"$exe")"
  drv link --user --name 'Other Viewer.lnk' --target "$exe"
  for link in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tessa Line" \
    "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/{Tessa,Other}\ Viewer.lnk; do
    [ -e "$link" ] || fail "no link at $link"
    PREFIX_LEFTOVERS+=("$link")
  done
  PRODUCT_FILES=$(snapshot_tree "$PRODUCT")
}

# product_archive ARCHIVE [COPY_LINE...]: the update of the product; the
# copy lines, when given, stand in for the usual ones.
product_archive() {
  local archive=$1 folder=$WORK/source
  shift
  local copy=("$SAMPLE_EXE=$SAMPLE_EXE" "Viewer.exe=$SAMPLE_EXE" 'help\guide.txt=guide.txt'
    "readme.txt=readme.txt")
  (($#)) && copy=("$@")
  mkdir -p "$folder"
  write_script "$folder/update.inf" "[Quintarel Corporation UpdateInfo]" "format=0" \
    "[strings]" "title=Tessa Line 1.61 Upgrade" "appname=Tessa Line" \
    "upgrade=This wizard upgrades Tessa Line 1.50 or later to version 1.61." \
    "[hint]" "exe,$SAMPLE_EXE" "[version check]" "$SAMPLE_EXE/1.50-1.61" \
    "[copyfiles]" "${copy[@]}" \
    "[shortcut keyword]" "Tessa" "[shortcut target]" "Viewer.exe=$SAMPLE_EXE" \
    "[filelist]" "$SAMPLE_EXE" "guide.txt" "readme.txt"
  cp "$GUI_SAMPLES/SampleViewer-1.6.1.exe" "$folder/$SAMPLE_EXE"
  compressible_file "$folder/guide.txt" 20000
  echo "new readme" >"$folder/readme.txt"
  build_archive "$folder/update.inf" "$archive"
}

# damage_entry ARCHIVE NAME: the entry claims one byte more than its data
# expands to, as a damaged copy would.
damage_entry() {
  python3 - "$1" "$2" <<'EOF' || fail "cannot damage $2 in $1"
import struct, sys
path, name = sys.argv[1], sys.argv[2].encode()
data = bytearray(open(path, "rb").read())
offset = 72
for _ in range(struct.unpack_from("<I", data, 68)[0]):
    stored, size = struct.unpack_from("<II", data, offset + 260)
    if data[offset:offset + 260].split(b"\0")[0] == name:
        struct.pack_into("<I", data, offset + 264, size + 1)
        open(path, "wb").write(data)
        sys.exit(0)
    offset += 284 + stored
sys.exit(1)
EOF
}

# ship FOLDER ARCHIVE: what a user receives: updater.exe, Kestrune.dll and
# update.dat in one folder.
ship() {
  mkdir -p "$1"
  cp "$GUI_UPDATER" "$1/updater.exe"
  cp "$GUI_LIBRARY" "$1/Kestrune.dll"
  cp "$2" "$1/update.dat"
}

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

# reg_value KEY NAME: the data of a registry value, empty when it is missing.
reg_value() {
  timeout 60 "$WINE64" reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); print }'
}

# link_target --common|--user NAME: where a Start-menu link points.
link_target() {
  drv link "$1" --name "$2"
  local target=${DRV_OUT#target \'}
  target=${target%\'}
  # The driver doubles backslashes.
  printf '%s' "${target//\\\\/\\}"
}

# expect_failed_upgrade: message 124 ends the wizard, and the product is as
# it was installed.
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
