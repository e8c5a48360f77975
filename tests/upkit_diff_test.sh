#!/usr/bin/env bash
# End-to-end test of upkit diff: a pair of program folders with added,
# changed, unchanged and removed files goes through diff, build and the
# extraction of the copy list over a copy of OLD, which must then hold NEW's
# files; then the refusals, each of which writes nothing.
# usage: upkit_diff_test.sh UPKIT [RUNNER] (see cli_test_lib.sh)
set -u

# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"
unset SOURCE_DATE_EPOCH

# make_folders.py writes OLD and NEW; this test and the native match test
# share it.
python3 "$project/tests/data/diff/make_folders.py" old new || exit 1

run --help
grep -qF 'diff OLD NEW -o DIR [--program NAME]' stdout || fail "--help does not document diff"

echo "== diff, build, and the copy list applied over OLD"
run diff old new -o out --program app.exe
expect_rc 0 "diff"; expect_quiet "diff"
cat >expected.txt <<'EOF'
added    added.txt  6 bytes
added    empty.dat  0 bytes
added    lib\deep\new\added.dat  3000 bytes
changed  app.exe  4188 -> 4188 bytes
changed  equal.bin  4096 -> 4096 bytes
changed  grow.txt  4 -> 9 bytes
changed  lib\deep\change.dat  5 -> 0 bytes
removed  docs\old.txt  4 bytes
removed  gone.txt  5 bytes
3 files added, 4 changed, 2 removed, 3 unchanged
to ship: 7 files, 11299 bytes
note: an update archive cannot delete a file; the 2 removed files stay in the program folder after the upgrade
EOF
cmp -s stdout.raw out/diff.txt || fail "stdout differs from diff.txt: $(diff stdout.raw out/diff.txt)"
diff expected.txt out/diff.txt >report.diff || fail "the report is wrong: $(cat report.diff)"
run lines out/update.inf "version check"
[ "$(cat stdout)" = 'app.exe/1.50-1.61' ] || fail "version check line: $(cat stdout)"

run build out/update.inf -o update.dat
expect_rc 0 "build of the diff"; expect_quiet "build of the diff"
run verify update.dat; expect_rc 0 "verify of the diff's archive"
# Each copy list line as the updater takes it: the entry written to the
# destination below the program folder.
cp -r old applied
run lines out/update.inf copyfiles
tr -d '\r' <stdout.raw >copyfiles
mkdir entries
while IFS='=' read -r dest entry; do
  run extract update.dat -C entries -- "$entry"; expect_rc 0 "extract of $entry"
  mkdir -p "applied/$(dirname "${dest//\\//}")"
  cp "entries/${entry//\\//}" "applied/${dest//\\//}"
done <copyfiles
[ "$(wc -l <copyfiles)" -eq 7 ] || fail "expected 7 copy list lines: $(cat copyfiles)"
for gone in gone.txt docs/old.txt; do
  [ -f "applied/$gone" ] || fail "$gone, which NEW lacks, should stay in place"
  rm "applied/$gone"
done
rmdir applied/docs
diff -r applied new >applied.diff || fail "OLD with the copy list applied is not NEW: $(cat applied.diff)"

run diff old new -o again --program app.exe
expect_rc 0 "second diff"
diff -r out again >again.diff || fail "a second diff wrote other bytes: $(cat again.diff)"

echo "== refusals write nothing"
# refuse LABEL EXIT FRAGMENT ARGUMENTS...: diff with ARGUMENTS, which name
# fresh as DIR, must end with EXIT, say FRAGMENT, and leave fresh unmade.
refuse() {
  local label=$1 want=$2 fragment=$3
  shift 3
  run diff "$@"
  expect_rc "$want" "$label"
  grep -qF -- "$fragment" stderr || fail "$label: stderr lacks '$fragment': $(cat stderr)"
  [ -e fresh ] && fail "$label: fresh was written"
  rm -rf fresh
}
mkdir -p same long "outside/$(printf 'n%.0s' {1..200})" ascii
printf 'x\n' >same/a.txt
cp -r same same2
longer="outside/$(printf 'n%.0s' {1..200})/$(printf 'f%.0s' {1..70}).txt"
printf 'x\n' >"$longer"
printf 'x\n' >ascii/$'caf\xc3\xa9.txt'
printf 'x\n' >plain.txt
refuse "no arguments" 2 "two folders"
refuse "one folder" 2 "two folders" old -o fresh
refuse "no -o" 2 "-o DIR" old new
refuse "unknown option" 2 "unknown option '--fast'" old new -o fresh --fast
refuse "a program with '-'" 2 "cannot name a file with '-'" old new -o fresh --program my-app.exe
refuse "OLD missing" 1 "was not found" nothing new -o fresh
refuse "NEW a file" 1 "is not a folder" old plain.txt -o fresh
refuse "DIR inside OLD" 1 "is inside" old new -o old/fresh
refuse "DIR inside NEW by another path" 1 "is inside" old new -o new/../new/sub/fresh
refuse "DIR not empty" 1 "is not empty" old new -o out
refuse "identical folders" 1 "nothing to ship" same ascii/../same2 -o fresh
refuse "one folder twice" 1 "are the same folder" same ./same -o fresh
refuse "a name too long" 1 "an entry name holds at most 259" same outside -o fresh
refuse "a name beyond ASCII" 1 "beyond printable ASCII" same ascii -o fresh
refuse "a program missing" 1 "was not found" same new -o fresh --program app.exe
refuse "a program without version" 1 "has no version resource" old new -o fresh --program grow.txt
if [ ${#runner[@]} -eq 0 ]; then
  # Wine shows a link as what it points at.
  mkdir linked
  ln -s ../same/a.txt linked/a.txt
  refuse "a link" 1 "is a link" same linked -o fresh
  mkdir clash
  printf 'x\n' >clash/A.txt
  printf 'y\n' >clash/a.txt
  refuse "names differing in case" 1 "differ only in letter case" same clash -o fresh
fi
[ -e old/fresh ] || [ -e new/sub ] && fail "a refused diff wrote below OLD or NEW"
finish
