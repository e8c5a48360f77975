# shellcheck shell=bash
# Shared by the end-to-end tests of upkit, which are run as
#   TEST.sh UPKIT [RUNNER]
# RUNNER runs UPKIT, e.g. a Wine launcher for the Windows build; absolute
# paths are then handed over as Z: paths. Without python3 the tests exit 77
# (skipped). Each test works in a temporary folder removed at the end, counts
# failures with fail, and ends with finish.

upkit=$(realpath "$1") || exit 1
[ -f "$upkit" ] || { echo "no program at $1"; exit 1; }
runner=()
if [ $# -ge 2 ]; then
  if [ -e "$2" ]; then runner=("$(realpath "$2")"); else runner=("$2"); fi
fi
command -v python3 >/dev/null || { echo "python3 missing: skipped"; exit 77; }
# shellcheck disable=SC2034 # read by the tests that source this file
project=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A run still going after this many seconds is stopped and counted as a
# hang. Generous: a run takes a second at most under Wine on a loaded
# machine, and several times that in WoW64 mode; only a hang comes near it.
hang_seconds=120

# Runs upkit; leaves the exit code in $rc, its exact stdout in stdout.raw,
# and its output without the carriage returns of a Windows console program
# in stdout and stderr. A hang is reported as such. --foreground stops the
# program alone, never a Wine server that it started.
run() {
  local started=$SECONDS
  timeout --foreground -k 10 "$hang_seconds" "${runner[@]}" "$upkit" "$@" >stdout.raw 2>stderr.raw
  rc=$?
  if { [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; } && [ $((SECONDS - started)) -ge "$hang_seconds" ]; then
    fail "HANG: upkit $* did not end within $hang_seconds s and was stopped"
  fi
  tr -d '\r' <stdout.raw >stdout
  tr -d '\r' <stderr.raw >stderr
}
expect_rc() {
  [ "$rc" -eq "$1" ] || fail "$2: exit $rc, expected $1; stderr: $(cat stderr)"
}
expect_quiet() {
  [ -s stderr ] && fail "$1: unexpected stderr: $(cat stderr)"
}
expect_one_error_line() {
  [ "$(wc -l <stderr)" -eq 1 ] || fail "$1: expected one line on stderr, got: $(cat stderr)"
  grep -qF -- "$2" stderr || fail "$1: stderr lacks '$2': $(cat stderr)"
}
hostpath() {
  if [ ${#runner[@]} -gt 0 ]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi
}

# A relative path as the program writes it in messages: "\" under a runner.
syspath() {
  if [ ${#runner[@]} -gt 0 ]; then printf '%s' "${1//\//\\}"; else printf '%s' "$1"; fi
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures failures" >&2
    exit 1
  fi
  echo "all passed"
}
