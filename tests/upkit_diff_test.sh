#!/usr/bin/env bash
# End-to-end test of upkit diff: diff, build and the copy list applied over
# a copy of OLD give NEW; each refusal writes nothing; a second run writes
# the same DIR.
# usage: upkit_diff_test.sh UPKIT [RUNNER] (see cli_test_lib.sh)
set -u

# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"
unset SOURCE_DATE_EPOCH
python3 "$project/tests/data/diff/make_folders.py" old new || exit 1

echo "== diff, build, and the copy list applied over OLD"
run diff old new -o out --program app.exe
expect_rc 0 "diff"; expect_quiet "diff"
cmp -s stdout.raw out/diff.txt || fail "stdout differs from diff.txt"
diff - out/diff.txt >report.diff <<'EOF' || fail "the report is wrong: $(cat report.diff)"
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
run lines out/update.inf "version check"
[ "$(cat stdout)" = 'app.exe/1.50-1.61' ] || fail "version check line: $(cat stdout)"
run build out/update.inf -o update.dat; expect_rc 0 "build of the diff"
run extract update.dat -C entries; expect_rc 0 "extract of the diff's archive"
# Each copy list line as the updater takes it (DEST=ENTRY); removed files stay.
cp -r old applied
run lines out/update.inf copyfiles
while IFS='=' read -r dest entry; do
  install -D "entries/${entry//\\//}" "applied/${dest//\\//}"
done <stdout
diff -r -x gone.txt -x docs applied new >applied.diff ||
  fail "OLD with the copy list applied is not NEW: $(cat applied.diff)"

echo "== refusals write nothing"
mkdir -p same linked clash
printf 'x\n' | tee same/a.txt plain.txt clash/A.txt clash/a.txt >/dev/null
cp -r same same2
ln -s ../same/a.txt linked/a.txt
# EXIT|FRAGMENT|ARGUMENTS[|native]: diff ARGUMENTS ends with EXIT, says
# FRAGMENT, writes no DIR. Wine shows a link as what it points at.
while IFS='|' read -r want fragment args native <&3; do
  [ -n "$native" ] && [ ${#runner[@]} -gt 0 ] && continue
  read -ra argv <<<"$args"
  run diff "${argv[@]}"
  expect_rc "$want" "diff $args"
  grep -qF -- "$fragment" stderr || fail "diff $args: stderr lacks '$fragment': $(cat stderr)"
  [ -e fresh ] || [ -e new/sub ] && { fail "diff $args: wrote its DIR"; rm -rf fresh new/sub; }
done 3<<'EOF'
2|two folders|old -o fresh
2|-o DIR|old new
2|cannot name a file with '-'|old new -o fresh --program my-app.exe
1|was not found|nothing new -o fresh
1|is not a folder|old plain.txt -o fresh
1|is inside|old new -o new/../new/sub/fresh
1|is not empty|old new -o out
1|nothing to ship|same linked/../same2 -o fresh
1|are the same folder|same ./same -o fresh
1|was not found|same new -o fresh --program app.exe
1|has no version resource|old new -o fresh --program grow.txt
1|is a link|same linked -o fresh|native
1|differ only in letter case|same clash -o fresh|native
EOF

run diff old new -o again --program app.exe; expect_rc 0 "second diff"
diff -r out again >again.diff || fail "a second diff wrote other bytes: $(cat again.diff)"
finish
