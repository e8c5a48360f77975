#!/usr/bin/env bash
# End-to-end test of the upkit program.
# usage: upkit_cli_test.sh UPKIT [RUNNER] (see cli_test_lib.sh)
set -u

# shellcheck source=tests/cli_test_lib.sh
# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"
pack=$project/scripts/pack_archive.py
mtime() { stat -c %Y "$1"; }
pack() { python3 "$pack" --upkit "$upkit" --runner "${runner[*]}" "$@"; }
pack_raw() { python3 "$pack" "$@"; }

echo "== usage"
run; expect_rc 2 "no arguments"
run --help; expect_rc 0 "--help"; grep -q '^Usage: upkit' stdout || fail "--help prints no usage"
tr -s ' \n' ' ' <stdout | grep -qF 'index, name, fileSize, storedSize, compressed, creation, write and access time' ||
  fail "--help does not give list's fields in their order: $(cat stdout)"
grep -qF 'build SCRIPT [-o OUT] [--time T] [-j N]' stdout || fail "--help does not document build -j"
run frobnicate; expect_rc 2 "unknown command"; grep -q 'unknown command' stderr || fail "unknown command not named"
run compress onlyone; expect_rc 2 "compress with one argument"
run list --bogus x.dat; expect_rc 2 "list with an unknown option"
run extract x.dat -C; expect_rc 2 "extract -C without a folder"
run extract; expect_rc 2 "extract without an archive"
run verify; expect_rc 2 "verify without an archive"

echo "== compress and expand"
: >empty.bin
printf 'abc' >abc.txt
python3 -c "
import random
random.seed(7)
words = [b'update', b'archive', b'window', b'\x00\xff', b'Quintarel']
open('big.bin', 'wb').write(b' '.join(random.choice(words) for _ in range(60000)))
open('noise.bin', 'wb').write(bytes(random.getrandbits(8) for _ in range(5000)))
"
for f in empty.bin abc.txt big.bin noise.bin; do
  run compress "$f" "$f.lz"; expect_rc 0 "compress $f"; expect_quiet "compress $f"
  run expand "$f.lz" "$f.out"; expect_rc 0 "expand $f"; expect_quiet "expand $f"
  cmp -s "$f" "$f.out" || fail "$f does not survive compress and expand"
done
[ "$(od -An -tx1 empty.bin.lz | tr -d ' \n')" = "0000" ] || fail "empty input does not give 00 00"
[ "$(od -An -tx1 abc.txt.lz | tr -d ' \n')" = "b0d8ac6000" ] || fail "abc does not give b0 d8 ac 60 00"
[ "$(stat -c %s big.bin.lz)" -lt "$(stat -c %s big.bin)" ] || fail "big.bin did not shrink"

head -c -2 big.bin.lz >cut.lz
echo keep >kept.out
run expand cut.lz kept.out; expect_rc 1 "expand of a cut stream over an existing file"
expect_one_error_line "expand of a cut stream" "cut.lz: the compressed stream ends before its end marker"
[ "$(cat kept.out)" = keep ] || fail "a failed expand changed the existing OUT"
run expand cut.lz fresh.out; expect_rc 1 "expand of a cut stream"
[ -e fresh.out ] && fail "a failed expand left OUT behind"
leftovers=(*.~*)
[ -e "${leftovers[0]}" ] && fail "temporary files left behind: ${leftovers[*]}"
run compress missing.bin x.lz; expect_rc 1 "compress of a missing file"
expect_one_error_line "compress of a missing file" "upkit: missing.bin was not found."
# Output that cannot be created names the folder at fault.
run compress abc.txt nofolder/abc.lz; expect_rc 1 "compress into a missing folder"
expect_one_error_line "compress into a missing folder" \
  "$(syspath nofolder/abc.lz) was not written: the folder $(syspath nofolder) was not found."
run compress abc.txt abc.txt/abc.lz; expect_rc 1 "compress below a file"
expect_one_error_line "compress below a file" "$(syspath abc.txt/abc.lz) was not written: abc.txt is not a folder"

echo "== list"
mkdir -p src/docs
printf '[Quintarel Corporation UpdateInfo]\nformat=0\n' >src/update.inf
seq 1 3000 >src/App.txt
printf 'read me\n' >src/docs/readme.txt
touch -d @1714564800 src/update.inf src/App.txt src/docs/readme.txt
pack good.dat update.inf=src/update.inf App.txt=src/App.txt 'docs\readme.txt=src/docs/readme.txt'
run list good.dat; expect_rc 0 "list"; expect_quiet "list"
[ "$(wc -l <stdout)" -eq 3 ] || fail "list gives $(wc -l <stdout) lines, expected 3"
[ "$(sed -n 3p stdout)" = "$(printf '2\tdocs\\readme.txt\t8\t8\t0\t2024-05-01T12:00:00Z\t2024-05-01T12:00:00Z\t2024-05-01T12:00:00Z')" ] ||
  fail "list line 3 is wrong: $(sed -n 3p stdout)"
sed -n 2p stdout | grep -qP '^1\tApp\.txt\t13893\t[0-9]+\t1\t' || fail "list line 2 is wrong: $(sed -n 2p stdout)"

run list --json good.dat; expect_rc 0 "list --json"
python3 -m json.tool stdout >/dev/null || fail "list --json is not valid JSON: $(cat stdout)"
python3 - stdout <<'PY' || fail "list --json content is wrong: $(cat stdout)"
import json, sys
entries = json.load(open(sys.argv[1]))["entries"]
assert [e["name"] for e in entries] == ["update.inf", "App.txt", "docs\\readme.txt"], entries
assert entries[2]["nameHex"] == b"docs\\readme.txt".hex()
assert entries[1]["compressed"] == 1 and entries[1]["fileSize"] == 13893
assert all(e["writeTime"] == 1714564800 for e in entries)
assert set(entries[0]) == {"index", "name", "nameHex", "fileSize", "storedSize", "compressed",
                           "creationTime", "writeTime", "accessTime"}
PY
pack_raw odd.dat $'caf\xe9 "q".txt=src/docs/readme.txt'
run list --json odd.dat; expect_rc 0 "list --json of a name that is not UTF-8"
python3 - stdout <<'PY' || fail "list --json of a non-UTF-8 name is wrong: $(cat stdout)"
import json, sys
entry = json.load(open(sys.argv[1], encoding="utf-8"))["entries"][0]
assert entry["name"] == 'caf\u00e9 "q".txt', entry
assert entry["nameHex"] == "636166e9202271222e747874", entry
PY
run list src/App.txt; expect_rc 1 "list of a file that is no archive"
expect_one_error_line "list of a file that is no archive" "is not a well-formed update archive"

echo "== extract"
run extract good.dat -C out/deep; expect_rc 0 "extract all into a new folder"; expect_quiet "extract"
for f in update.inf App.txt docs/readme.txt; do
  cmp -s "src/$f" "out/deep/$f" || fail "extracted $f differs"
  [ "$(mtime "out/deep/$f")" = 1714564800 ] || fail "extracted $f has mtime $(mtime "out/deep/$f")"
done
run extract good.dat -C named 'DOCS\README.TXT'; expect_rc 0 "extract by name, other letter case"
[ "$(cd named && find . -type f)" = "./docs/readme.txt" ] || fail "extract by name wrote: $(cd named && find . -type f)"
run extract good.dat -C named2 App.txt nothere.txt; expect_rc 1 "extract of a name not in the archive"
expect_one_error_line "extract of a missing name" "nothere.txt: not in good.dat"
[ -f named2/App.txt ] || fail "the names present were not extracted beside a missing one"
mkdir here
(cd here && "${runner[@]}" "$upkit" extract ../good.dat >/dev/null 2>&1) || fail "extract into the current folder"
cmp -s src/App.txt here/App.txt || fail "extract into the current folder wrote no App.txt"
run extract good.dat -C "$(hostpath "$work/abs")"; expect_rc 0 "extract into an absolute folder"
cmp -s src/docs/readme.txt abs/docs/readme.txt || fail "extract into an absolute folder"

echo "== extract names the real cause"
printf 'not a folder\n' >plain.txt
run extract good.dat -C plain.txt; expect_rc 1 "extract -C a file"
expect_one_error_line "extract -C a file" "plain.txt is not a folder"
for command in list verify show; do
  run "$command" src; expect_rc 1 "$command of a folder"
  expect_one_error_line "$command of a folder" "src is a folder, not a file."
done
if [ ${#runner[@]} -eq 0 ]; then
  # A file size limit makes writes fail as a full disk does (EFBIG), without
  # needing a small file system; the signal it raises is ignored here.
  (trap '' XFSZ; ulimit -f 8; "$upkit" extract good.dat -C full >stdout 2>stderr); rc=$?
  expect_rc 1 "extract onto a full disk"
  expect_one_error_line "extract onto a full disk" "entry 1 (App.txt): Disk full while accessing $(syspath full/App.txt)."
  [ -e full/App.txt ] && fail "a failed extract left App.txt behind"
fi

echo "== unsafe names"
abs_name="/upkit-cli-test-$$.txt"
pack_raw evil.dat '..\evil.txt=src/App.txt' "$abs_name=src/App.txt" 'C:evil.txt=src/App.txt' \
  'ok.txt=src/App.txt' 'sub\..\..\evil2.txt=src/App.txt'
mkdir jail
run extract evil.dat -C jail; expect_rc 1 "extract of unsafe names"
[ "$(wc -l <stderr)" -eq 4 ] || fail "expected 4 refusals: $(cat stderr)"
grep -qF 'entry 0 (..\evil.txt): refused' stderr || fail "..\\evil.txt not refused by name: $(cat stderr)"
grep -qF "entry 1 ($abs_name): refused" stderr || fail "absolute name not refused: $(cat stderr)"
[ -f jail/ok.txt ] || fail "the safe entry beside unsafe ones was not extracted"
[ "$(find . -name '*evil*.txt' | wc -l)" -eq 0 ] || fail "unsafe entries written: $(find . -name '*evil*.txt')"
[ -e "$abs_name" ] && fail "absolute entry written to $abs_name"
pack_raw dup.dat a.txt=src/App.txt A.TXT=src/update.inf
run extract dup.dat -C dup; expect_rc 1 "extract of names differing in case"
expect_one_error_line "extract of duplicate names" "entry 1 (A.TXT): same name as entry 0"
cmp -s src/App.txt dup/a.txt || fail "the first of two duplicate names was not extracted"

echo "== verify"
run verify good.dat; expect_rc 0 "verify of a good archive"; expect_quiet "verify"
grep -q '^OK: good.dat: 3 entries' stdout || fail "verify OK line: $(cat stdout)"
run verify evil.dat; expect_rc 1 "verify of an archive whose entry 0 is no script"
grep -qxF 'entry 0 (..\evil.txt): not an update information script: the first line is not exactly [Quintarel Corporation UpdateInfo]' stdout ||
  fail "entry 0 that is no script: $(cat stdout)"
grep -q '^FAILED: evil.dat: 1 problem$' stdout || fail "verify judges names: $(cat stdout)"
python3 -c "
import sys
b = bytearray(open('good.dat', 'rb').read())
b[64] = 7
open('reserved.dat', 'wb').write(b)
open('short.dat', 'wb').write(open('good.dat', 'rb').read()[:-3])
c = bytearray(open('good.dat', 'rb').read())
entry1 = 72 + 284 + int.from_bytes(c[72 + 260:72 + 264], 'little')
c[entry1 + 264] += 1   # fileSize of App.txt
open('size.dat', 'wb').write(c)
"
run verify reserved.dat; expect_rc 1 "verify of a non-zero reserved field"
grep -qx 'header: reserved field is 7, expected 0' stdout || fail "reserved field: $(cat stdout)"
run verify short.dat; expect_rc 1 "verify of a cut file"
grep -qx 'entry 2 (docs\\readme.txt): data cut short: 5 of 8 bytes present' stdout || fail "cut file: $(cat stdout)"
run verify size.dat; expect_rc 1 "verify of a wrong fileSize"
grep -qx 'entry 1 (App.txt): expands to 13893 bytes, expected 13894' stdout ||
  fail "wrong fileSize: $(cat stdout)"
grep -q '^FAILED: size.dat: 1 problem$' stdout || fail "verify summary: $(cat stdout)"
run verify dup.dat; expect_rc 1 "verify of names differing in case"
grep -q 'same name as entry 0' stdout || fail "duplicate names: $(cat stdout)"
run verify missing.dat; expect_rc 1 "verify of a missing file"
expect_one_error_line "verify of a missing file" "missing.dat was not found."

finish
