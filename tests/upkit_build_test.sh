#!/usr/bin/env bash
# End-to-end test of upkit build, show, value, lines and the script checks
# of verify, on examples/sample and on small scripts written here.
# usage: upkit_build_test.sh UPKIT [RUNNER] (see cli_test_lib.sh)
set -u

# shellcheck source=tests/cli_test_lib.sh
# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"
sample=$project/examples/sample
# Writes a script: the header line, "format=0", then each argument as a line.
script() {
  local file=$1
  shift
  printf '[Quintarel Corporation UpdateInfo]\nformat=0\n' >"$file"
  printf '%s\n' "$@" >>"$file"
}
write_time() {
  python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['entries'][0]['writeTime'])" stdout
}
unset SOURCE_DATE_EPOCH

echo "== usage"
run build; expect_rc 2 "build without a script"
run build a.inf b.inf; expect_rc 2 "build with two scripts"
run build a.inf -o; expect_rc 2 "build -o without a file"
for t in x 1.5 2147483648 -2147483649 ''; do
  run build a.inf --time "$t"; expect_rc 2 "build --time '$t'"
done
SOURCE_DATE_EPOCH=soon run build a.inf; expect_rc 2 "build with a malformed SOURCE_DATE_EPOCH"
grep -q SOURCE_DATE_EPOCH stderr || fail "a malformed SOURCE_DATE_EPOCH is not named: $(cat stderr)"
run show; expect_rc 2 "show without a file"
run show a.inf --yaml; expect_rc 2 "show with an unknown option"
run value a.inf strings; expect_rc 2 "value without a key"
run lines a.inf; expect_rc 2 "lines without a section"

echo "== build, verify, show and extract examples/sample"
cp -r "$sample" sample
run build sample/update.inf -o sample.dat --time 1714564800
expect_rc 0 "build of the sample"; expect_quiet "build of the sample"
run verify sample.dat; expect_rc 0 "verify of the sample"; expect_quiet "verify of the sample"
grep -q '^OK: sample.dat: 8 entries, .*, every one as sealed (SHA-256)$' stdout || fail "verify of the sample: $(cat stdout)"
run list --json sample.dat; expect_rc 0 "list of the sample"
python3 - stdout <<'PY' || fail "the sample archive's entries are wrong: $(cat stdout)"
import json, sys
entries = json.load(open(sys.argv[1]))["entries"]
assert [e["name"] for e in entries] == [
    "update.inf", "SampleViewer.exe", "readme.txt", "readme_j.txt", "help\\index.html",
    "license.txt", "license_j.txt", "SHA256SUMS/"], entries
assert [e.get("digests", False) for e in entries] == [False] * 7 + [True], entries
for e in entries:
    assert (e["creationTime"], e["writeTime"], e["accessTime"]) == (1714564800,) * 3, e
PY
run extract sample.dat -C out; expect_rc 0 "extract of the sample"
diff -r sample out >diff.txt || fail "extracted files differ from the originals: $(cat diff.txt)"

run show sample.dat; expect_rc 0 "show of the sample"; expect_quiet "show of the sample"
grep -qx 'title:            Sample Viewer 1.61 Upgrade' stdout || fail "show title: $(cat stdout)"
grep -qxF '  help\index.html <- help\index.html  (present)' stdout || fail "show copyfiles: $(cat stdout)"
grep -qx 'version check:    file SampleViewer.exe, minimum 1.50, newest 1.61' stdout ||
  fail "show version check: $(cat stdout)"
grep -qx 'license:          license.txt  (present)' stdout || fail "show license: $(cat stdout)"
run show --japanese sample.dat; expect_rc 0 "show --japanese of the sample"
grep -qx 'license:          license_j.txt  (present)' stdout || fail "show --japanese license: $(cat stdout)"
grep -qx '  readme.txt <- readme_j.txt  (present)' stdout || fail "show --japanese copyfiles: $(cat stdout)"
run show --json --japanese sample.dat; expect_rc 0 "show --json of the sample"
python3 - stdout <<'PY' || fail "show --json is wrong: $(cat stdout)"
import json, sys
show = json.load(open(sys.argv[1], encoding="utf-8"))
assert show["source"] == "archive" and show["japanese"] is True and show["entries"] == 8
assert show["updaterAccepts"] is True and show["digests"] is True
title = "\u30b5\u30f3\u30d7\u30eb\u30d3\u30e5\u30fc\u30a2 1.61 \u30a2\u30c3\u30d7\u30b0\u30ec\u30fc\u30c9"
assert bytes.fromhex(show["titleHex"]).decode("cp932") == title, show["titleHex"]
assert [(c["destination"], c["entry"], c["present"]) for c in show["copyFiles"]] == [
    ("SampleViewer.exe", "SampleViewer.exe", True), ("readme.txt", "readme_j.txt", True),
    ("help\\index.html", "help\\index.html", True)], show["copyFiles"]
assert show["shortcutKeyword"] == "Sample Viewer"
assert show["shortcutTargets"] == [{"new": "SampleViewer.exe", "newHex": b"SampleViewer.exe".hex(),
                                    "old": "SampleView.exe", "oldHex": b"SampleView.exe".hex()}]
assert show["hints"] == ["reg,Quintarel\\Sample Viewer", "exe,SampleViewer.exe"]
assert show["targetFileName"] == "SampleViewer.exe"
assert (show["versionCheck"]["file"], show["versionCheck"]["minimum"],
        show["versionCheck"]["newest"]) == ("SampleViewer.exe", "1.50", "1.61")
assert show["license"] == "license_j.txt" and show["licensePresent"] is True
assert len(show["fileList"]) == 6
PY
run show --json sample/update.inf; expect_rc 0 "show --json of the script"
python3 - stdout <<'PY' || fail "show --json of a script is wrong: $(cat stdout)"
import json, sys
show = json.load(open(sys.argv[1], encoding="utf-8"))
assert show["source"] == "script" and "entries" not in show and "licensePresent" not in show
assert show["title"] == "Sample Viewer 1.61 Upgrade" and show["license"] == "license.txt"
assert all("present" not in c for c in show["copyFiles"])
PY

echo "== sealed and unsealed"
# Unsealed, the archive is the sealed one without its last entry: one fewer
# in the count, the same bytes otherwise.
run build sample/update.inf -o plain.dat --time 1714564800 --no-digests; expect_rc 0 "build --no-digests"
python3 - sample.dat plain.dat <<'PY' || fail "the sealed archive is not the plain one and a last entry"
import sys
sealed, plain = (open(p, "rb").read() for p in sys.argv[1:])
assert sealed[68] == plain[68] + 1 and sealed[:68] + sealed[69:len(plain)] == plain[:68] + plain[69:]
assert sealed[len(plain):].startswith(b"SHA256SUMS/")
PY
run verify plain.dat; expect_rc 0 "verify of an unsealed archive"
grep -q '^OK: plain.dat: 7 entries, .*, no digests$' stdout || fail "verify of plain.dat: $(cat stdout)"
# Noise is stored as it is: a changed byte still expands, and only the seal tells.
mkdir -p seal
python3 -c 'import random, sys; random.seed(1); sys.stdout.buffer.write(random.randbytes(4096))' >seal/noise.bin
script seal/update.inf '[filelist]' noise.bin
run build seal/update.inf -o seal.dat; expect_rc 0 "build of noise"
python3 - <<'PY' || fail "noise.bin is not stored as it is"
data = bytearray(open("seal.dat", "rb").read())
data[data.index(open("seal/noise.bin", "rb").read()) + 100] ^= 1
open("flipped.dat", "wb").write(data)
PY
run verify flipped.dat; expect_rc 1 "verify of a sealed archive with a changed byte"
grep -qx 'entry 1 (noise.bin): its bytes differ from the ones sealed (SHA-256)' stdout ||
  fail "verify does not name the changed entry: $(cat stdout)"

echo "== reproducible builds"
run build sample/update.inf -o again.dat --time 1714564800; expect_rc 0 "second build"
cmp -s sample.dat again.dat || fail "two builds with the same --time differ"
touch sample/readme.txt sample/update.inf
SOURCE_DATE_EPOCH=1714564800 run build sample/update.inf -o epoch.dat
expect_rc 0 "build with SOURCE_DATE_EPOCH"
cmp -s sample.dat epoch.dat || fail "SOURCE_DATE_EPOCH does not give the --time build"
SOURCE_DATE_EPOCH=1714564800 run build sample/update.inf -o override.dat --time 1000
run list --json override.dat; [ "$(write_time)" = 1000 ] || fail "--time does not win over SOURCE_DATE_EPOCH"
run build sample/update.inf; expect_rc 0 "build without -o"
[ -f sample/update.dat ] || fail "build without -o wrote no update.dat beside the script"
run list --json sample/update.dat
[ "$(write_time)" -gt 1714564800 ] || fail "build without a time did not keep the file times"

echo "== failed builds"
mkdir fail
printf 'a\n' >fail/a.txt
script fail/update.inf '[filelist]' a.txt '' missing.txt
run build fail/update.inf -o fresh.dat; expect_rc 1 "build with a missing file"
expect_one_error_line "build with a missing file" "fail/update.inf: filelist line 3 (missing.txt): "
grep -qF "$(syspath fail/missing.txt) was not found" stderr || fail "the cause is not given: $(cat stderr)"
[ -e fresh.dat ] && fail "a failed build left OUT behind"
echo keep >kept.dat
run build fail/update.inf -o kept.dat; expect_rc 1 "build with a missing file over an existing OUT"
[ "$(cat kept.dat)" = keep ] || fail "a failed build changed the existing OUT"
leftovers=(*.~*)
[ -e "${leftovers[0]}" ] && fail "temporary files left behind: ${leftovers[*]}"
script fail/dup.inf '[filelist]' a.txt A.TXT
run build fail/dup.inf -o dup.dat; expect_rc 1 "build with a duplicate name"
expect_one_error_line "duplicate name" "filelist line 2 (A.TXT): already packed from filelist line 1 (a.txt)"
printf '[Quintarel Corporation UpdateInfo]\nformat=1\n' >fail/format.inf
run build fail/format.inf -o format.dat; expect_rc 1 "build of a script with format 1"
expect_one_error_line "format 1" 'not an update information script: [Quintarel Corporation UpdateInfo] has no "format" key'
run build fail/none.inf; expect_rc 1 "build of a missing script"
expect_one_error_line "missing script" "none.inf was not found."
run build sample/update.inf -o nofolder/out.dat; expect_rc 1 "build into a missing folder"
expect_one_error_line "build into a missing folder" \
  "$(syspath nofolder/out.dat) was not written: the folder $(syspath nofolder) was not found."
[ -e fresh.dat ] || [ -e format.dat ] || [ -e dup.dat ] && fail "a failed build wrote an archive"

echo "== builds refuse what they cannot pack faithfully"
# Non-files behind relative names: a device, a pipe, a file whose length
# is not what it holds, a folder. Each must fail at once with the cause.
# Wine shows the device as an empty file that holds more, and has no pipes.
# A build that reads the device to its end would hang: run reports that.
mkdir odd
ln -s /dev/zero odd/zero
ln -s /proc/version odd/proc
mkdir odd/folder
odd_files=(zero:'device, pipe or socket' proc:'claims 0 bytes but holds more' folder:'is a folder')
if [ ${#runner[@]} -eq 0 ]; then
  mkfifo odd/fifo
  odd_files+=(fifo:'device, pipe or socket')
else
  odd_files[0]=zero:'claims 0 bytes but holds more'
fi
for listed in "${odd_files[@]}"; do
  script odd/update.inf '[filelist]' "${listed%%:*}"
  run build odd/update.inf -o odd.dat; expect_rc 1 "build of ${listed%%:*}"
  expect_one_error_line "build of ${listed%%:*}" "filelist line 1 (${listed%%:*}): "
  grep -qF "${listed#*:}" stderr || fail "build of ${listed%%:*} gives no cause: $(cat stderr)"
done
[ -e odd.dat ] && fail "a build of non-files wrote an archive"

# OUT that is a source would be replaced by the archive.
mkdir same
printf 'a\n' >same/a.txt
script same/update.inf '[filelist]' a.txt
cp same/a.txt a.orig; cp same/update.inf update.orig
for out in same/a.txt same/update.inf same/./a.txt; do
  run build same/update.inf -o "$out"; expect_rc 1 "build -o $out"
  expect_one_error_line "build -o $out" "the archive would replace it"
done
{ cmp -s same/a.txt a.orig && cmp -s same/update.inf update.orig; } || fail "a build replaced its own source"

# Text hidden behind a NUL (the names refused are BuildPlanTest's).
printf '[Quintarel Corporation UpdateInfo]\nformat=0\n[filelist]\nx.txt\000junk\n' >same/zero_byte.inf
run build same/zero_byte.inf -o bad.dat; expect_rc 1 "build of a line with a NUL"
expect_one_error_line "NUL in a line" "filelist line 1 (x.txt): the line holds a NUL byte"
[ -e bad.dat ] && fail "a build of a refused line wrote an archive"

# "/" in a list line: stored as written, extracted into its folder; the
# same file named twice is a warning.
mkdir -p same/sub
printf 's\n' >same/sub/s.txt
script same/slash.inf '[filelist]' 'sub/s.txt' 'sub\s.txt'
run build same/slash.inf -o slash.dat; expect_rc 0 "build of sub/s.txt and sub\\s.txt"
expect_one_error_line "two names of one file" 'warning: same/slash.inf: filelist line 2 (sub\s.txt) and filelist line 1 (sub/s.txt) name the same file'
run extract slash.dat -C slash sub/s.txt; expect_rc 0 "extract of sub/s.txt"
cmp -s same/sub/s.txt slash/sub/s.txt || fail "sub/s.txt was not extracted into its folder"

echo "== parallel builds"
run build sample/update.inf -o j1.dat --time 1714564800 -j1; expect_rc 0 "build -j1"
run build sample/update.inf -o j4.dat --time 1714564800 -j 4; expect_rc 0 "build -j 4"
cmp -s j1.dat j4.dat || fail "build -j1 and -j4 differ"
for n in 0 x 257 ''; do run build sample/update.inf -o jx.dat -j "$n"; expect_rc 2 "build -j '$n'"; done
printf 'b\n' >fail/b.txt
script fail/two.inf '[filelist]' a.txt missing1.txt b.txt missing2.txt
for n in 1 4; do
  run build fail/two.inf -o two.dat -j$n; expect_rc 1 "build -j$n with two missing files"
  expect_one_error_line "-j$n: first failure" "filelist line 2 (missing1.txt): "
done

echo "== value and lines"
printf '[Quintarel Corporation UpdateInfo]\nformat=0\n[strings]\r\ntitle=T\x83\x65\x83\x58\x83\x67  \r\nempty=\n[japanese]\nstrings=strings_j\n[strings_j]\ntitle=J\n[hint]\nexe,a.exe\n\n; kept\n[empty]\n[last]\nx' >raw.inf
run value raw.inf strings title; expect_rc 0 "value"
[ "$(od -An -tx1 stdout.raw | tr -d ' \n')" = "5483658358836720200a" ] ||
  fail "value bytes: $(od -An -tx1 stdout.raw)"
run value raw.inf STRINGS title --japanese; expect_rc 0 "value --japanese"
[ "$(cat stdout.raw)" = J ] || fail "value --japanese: $(od -c stdout.raw)"
run value raw.inf strings nokey; expect_rc 3 "value of a missing key"
[ -s stdout.raw ] && fail "value of a missing key printed something"
run value raw.inf nosection title; expect_rc 3 "value of a missing section"
run lines raw.inf hint; expect_rc 0 "lines"
printf 'exe,a.exe\n\n; kept\n' | cmp -s - stdout.raw || fail "lines bytes: $(od -c stdout.raw)"
run lines raw.inf empty; expect_rc 0 "lines of an empty section"
[ -s stdout.raw ] && fail "lines of an empty section printed: $(od -c stdout.raw)"
run lines raw.inf last; expect_rc 0 "lines of the last section"
[ "$(od -An -c stdout.raw | tr -d ' ')" = 'x\n' ] || fail "lines at the end: $(od -c stdout.raw)"
run lines raw.inf nosection; expect_rc 3 "lines of a missing section"
expect_one_error_line "lines of a missing section" "no section [nosection]"
run lines sample.dat filelist --japanese; expect_rc 0 "lines of an archive's script"
[ "$(wc -l <stdout)" -eq 6 ] || fail "lines of an archive's script: $(cat stdout)"
run value sample/license.txt strings title; expect_rc 1 "value of a file that is no script"
expect_one_error_line "no script" "license.txt: not an update information script"

echo "== verify checks the script"
mkdir checks
printf 'x\n' >checks/app.exe
script checks/update.inf '[copyfiles]' 'app.exe=app.exe' 'app.chm=help\app.chm' \
  '[version check]' 'app.exe 1.0 1.1' '[filelist]' app.exe
run build checks/update.inf -o checks.dat; expect_rc 0 "build of a script with problems"
run verify checks.dat; expect_rc 1 "verify of a script with problems"
grep -qxF 'copyfiles line 2: entry help\app.chm is not in the archive' stdout ||
  fail "missing copy-list entry: $(cat stdout)"
grep -qxF 'version check line 1: "app.exe 1.0 1.1" is not of the form file/minimum-newest; the updater checks no version' stdout ||
  fail "malformed version check line: $(cat stdout)"
grep -q '^FAILED: checks.dat: 2 problems$' stdout || fail "verify summary: $(cat stdout)"
script checks/alone.inf
run build checks/alone.inf -o alone.dat; expect_rc 0 "build of a script without a file list"
grep -q 'warning: .*lists no files' stderr || fail "no warning for an archive of the script alone"
run verify alone.dat; expect_rc 1 "verify of an archive of the script alone"
grep -q 'the updater refuses archives with fewer than 2' stdout || fail "one entry: $(cat stdout)"
run show alone.dat; expect_rc 0 "show of an archive of the script alone"
grep -q 'the updater refuses it' stdout || fail "show does not mention the refusal: $(cat stdout)"

finish
