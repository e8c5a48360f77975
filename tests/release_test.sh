#!/usr/bin/env bash
# Checks the bundle that scripts/release writes: the zip holds exactly the
# shipped files, SHA256SUMS holds for them, each program is stripped and
# names its debug file with the right checksum, the package installs upkit
# and its man page, programs signed with a throw-away certificate verify
# (the checksums are those of the signed files, the imports and exports
# those of the build), and a later unsigned run gives the first zip again,
# byte for byte.
# usage: tests/release_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=tests/throwaway_signer.sh
source tests/throwaway_signer.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
programs=(Kestrune.dll updater.exe upkit.exe)

release() {
  scripts/release >"$work/release.log" 2>&1 || { cat "$work/release.log"; exit 1; }
}

# unpack DIR: the zip's files into DIR, its names in order into DIR/names.
unpack() {
  unzip -q dist/*.zip -d "$1"
  zipinfo -1 dist/*.zip >"$1/names"
}

# The debug file that PROGRAM's .gnu_debuglink names, when its checksum
# (CRC-32, after the name padded to four bytes) matches that file in
# dist/debug; nothing otherwise.
debuglink() {
  i686-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/link" "$1" "$work/copy" 2>/dev/null || return 0
  python3 - "$work/link" <<'PY'
import os, sys, zlib
link = open(sys.argv[1], "rb").read()
name = link[:link.index(b"\0")].decode()
crc = int.from_bytes(link[-4:], "little")
path = os.path.join("dist/debug", name)
if os.path.isfile(path) and zlib.crc32(open(path, "rb").read()) == crc:
    print(name)
PY
}

echo "== unsigned"
release
cp dist/*.zip "$work/first.zip"
unpack "$work/unsigned"
expected=$(printf '%s\n' Kestrune.dll README.md SHA256SUMS updater.exe upkit.exe)
[ "$(cat "$work/unsigned/names")" = "$expected" ] ||
  fail "the zip holds $(tr '\n' ' ' <"$work/unsigned/names")"
(cd "$work/unsigned" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not hold"
[ "$(cut -c67- "$work/unsigned/SHA256SUMS")" = "$(grep -vx SHA256SUMS <<<"$expected")" ] ||
  fail "SHA256SUMS does not cover exactly the other files: $(cat "$work/unsigned/SHA256SUMS")"
for program in "${programs[@]}"; do
  i686-w64-mingw32-objdump -h "$work/unsigned/$program" | grep -q ' \.debug_' &&
    fail "$program keeps debug sections"
  [ "$(debuglink "$work/unsigned/$program")" = "$program.debug" ] ||
    fail "$program does not name dist/debug/$program.debug with its checksum"
done

echo "== package"
mapfile -t installed < <(dpkg-deb -c dist/upkit_*.deb | awk '$1 !~ /^d/ { print $6 }')
[ "${installed[*]}" = "./usr/bin/upkit ./usr/share/man/man1/upkit.1.gz" ] ||
  fail "the package installs ${installed[*]}"
dpkg-deb -x dist/upkit_*.deb "$work/deb"
"$work/deb/usr/bin/upkit" --help >/dev/null || fail "the packaged upkit does not run"
zcat "$work/deb/usr/share/man/man1/upkit.1.gz" | grep -qx '\.SH SYNOPSIS' ||
  fail "the man page has no synopsis"

echo "== signed"
throwaway_signer "$work"
release
unset QUINTAREL_SIGN_CERT QUINTAREL_SIGN_KEY
unpack "$work/signed"
(cd "$work/signed" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not hold for the signed files"
for program in "${programs[@]}"; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$program" >"$work/verify.log" 2>&1 ||
    fail "$program: the signature does not verify: $(tail -n 3 "$work/verify.log")"
done
scripts/check-binaries "$work/signed" >"$work/binaries.log" ||
  fail "the shipped programs' imports or exports: $(cat "$work/binaries.log")"

echo "== unsigned again"
release
cmp -s "$work/first.zip" dist/*.zip || fail "a second run wrote another zip"

((failures == 0)) || { echo "$failures failed"; exit 1; }
echo "all passed"
