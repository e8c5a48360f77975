#!/usr/bin/env bash
# Checks scripts/release: the zip's files, each program's debug link, the
# package's files and man page, signatures by a throw-away certificate and
# SHA256SUMS over the signed files, and an unsigned zip equal from run to run.
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
release() { scripts/release >"$work/release.log" 2>&1 || { cat "$work/release.log"; exit 1; }; }
programs=(Kestrune.dll updater.exe upkit.exe)

echo "== unsigned"
release
cp dist/*.zip "$work/first.zip"
names=$(zipinfo -1 dist/*.zip | tr '\n' ' ')
[ "$names" = "Kestrune.dll README.md SHA256SUMS updater.exe upkit.exe " ] || fail "the zip holds $names"
unzip -q dist/*.zip -d "$work/unsigned"
# .gnu_debuglink: the debug file's name, NUL-padded to four bytes, and its
# CRC-32 (as gzip's trailer holds it).
for program in "${programs[@]}"; do
  name=$program.debug
  { printf '%s\0' "$name"; head -c $((3 - ${#name} % 4)) /dev/zero
    gzip -c "dist/debug/$name" | tail -c 8 | head -c 4; } >"$work/link"
  { i686-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/dumped" \
      "$work/unsigned/$program" "$work/copy" && cmp -s "$work/link" "$work/dumped"; } || fail "$program does not name dist/debug/$name with its checksum"
done

echo "== package"
installed=$(dpkg-deb -c dist/upkit_*.deb | awk '$1 !~ /^d/ { printf "%s ", $6 }')
[ "$installed" = "./usr/bin/upkit ./usr/share/man/man1/upkit.1.gz " ] || fail "the package installs $installed"
dpkg-deb --fsys-tarfile dist/upkit_*.deb | tar -xOf - ./usr/share/man/man1/upkit.1.gz | zcat |
  grep -x '\.SH SYNOPSIS' >/dev/null || fail "the man page has no synopsis"

echo "== signed"
throwaway_signer "$work"
release
unset QUINTAREL_SIGN_CERT QUINTAREL_SIGN_KEY
unzip -q dist/*.zip -d "$work/signed"
(cd "$work/signed" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not hold for the signed files"
for program in "${programs[@]}"; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$program" >"$work/verify.log" 2>&1 ||
    fail "$program: the signature does not verify: $(tail -n 3 "$work/verify.log")"
done

echo "== unsigned again"
release
cmp -s "$work/first.zip" dist/*.zip || fail "a second run wrote another zip"
((failures == 0)) || { echo "$failures failed"; exit 1; }
echo "all passed"
