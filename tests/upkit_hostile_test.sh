#!/usr/bin/env bash
# upkit against files and folders that someone prepared: links planted where
# it writes, links inside the extraction folder, pipes as output, its own
# archive as an extraction target, and an interrupt half-way through a
# write. POSIX only: it makes symbolic links and pipes and sends signals.
# usage: upkit_hostile_test.sh UPKIT
# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"
pack=$project/scripts/pack_archive.py

mkdir outside
echo "secret" >outside/target.txt
chmod 400 outside/target.txt
head -c 300000 /dev/urandom >input.bin

echo "== links planted at the names of earlier temporary files"
for n in 1 2 3; do ln -s outside/planted-$n out.lz.~$n; done
run compress input.bin out.lz; expect_rc 0 "compress beside planted links"
[[ -f out.lz && ! -L out.lz ]] || fail "out.lz is not a regular file"
planted=(outside/planted*)
[ -e "${planted[0]}" ] && fail "a file was written through a planted link"
for n in 1 2 3; do [ -L out.lz.~$n ] || fail "the planted link out.lz.~$n was replaced"; done
rm out.lz.~*

echo "== extraction never goes through a link in the folder"
mkdir dest
ln -s ../outside dest/linkdir
ln -s ../outside/target.txt dest/same.txt
echo "new" >new.txt
python3 "$pack" links.dat 'linkdir\new.txt=new.txt' 'same.txt=new.txt' || fail "pack links.dat"
run extract links.dat -C dest; expect_rc 1 "extract through a link"
grep -qF 'entry 0 (linkdir\new.txt): refused, its path passes through the link' stderr ||
  fail "no refusal for the linked folder: $(cat stderr)"
[ -e outside/new.txt ] && fail "a file was written outside the folder"
# A link at an entry's own name is replaced, its target left as it was.
[[ -f dest/same.txt && ! -L dest/same.txt ]] || fail "the link at same.txt was not replaced"
[ "$(cat outside/target.txt)" = secret ] || fail "the link's target was written"
[ "$(stat -c %a outside/target.txt)" = 400 ] || fail "the link's target changed its mode"

echo "== a folder that refuses new files is named"
# Permissions bind root only through another user; without one there is no
# check to make.
mkdir locked && chmod 555 locked && chmod 755 "$work"
as_user=()
if [ "$(id -u)" -ne 0 ]; then as_user=(env)
elif command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
if [ ${#as_user[@]} -gt 0 ]; then
  chmod 644 input.bin
  "${as_user[@]}" "$upkit" compress input.bin locked/out.lz >stdout 2>stderr; rc=$?
  expect_rc 1 "compress into a locked folder"
  expect_one_error_line "compress into a locked folder" \
    "locked/out.lz was not written: Access to the folder locked was denied."
fi

echo "== outputs that are not files"
mkfifo pipe
run compress input.bin pipe; expect_rc 1 "compress into a pipe"
expect_one_error_line "compress into a pipe" "pipe is not a regular file"
[ -p pipe ] || fail "the pipe was replaced"
run build "$project/examples/sample/update.inf" -o pipe; expect_rc 1 "build into a pipe"
expect_one_error_line "build into a pipe" "pipe is not a regular file"
mkdir folder.out
run expand out.lz folder.out; expect_rc 1 "expand into a folder"
expect_one_error_line "expand into a folder" "folder.out is a folder"

echo "== extract does not overwrite the archive it reads"
mkdir self
python3 "$pack" self/self.dat 'self.dat=new.txt' 'other.txt=new.txt' || fail "pack self.dat"
cp self/self.dat self.copy
run extract self/self.dat -C self; expect_rc 1 "extract over its own archive"
grep -qF "it would overwrite the archive being read" stderr || fail "no refusal: $(cat stderr)"
cmp -s self/self.dat self.copy || fail "the archive was overwritten"
[ -f self/other.txt ] || fail "the other entry was not extracted"

echo "== an interrupt removes the temporary file"
head -c 200000000 /dev/zero >large.bin
echo "kept" >large.lz
# The signal comes as soon as the file appears, right after its creation:
# a few rounds, since a file created but not yet tracked was missed only now
# and then.
for signal in INT TERM HUP INT TERM HUP INT TERM HUP; do
  "$upkit" compress large.bin large.lz 2>/dev/null &
  pid=$!
  for _ in $(seq 200); do compgen -G 'large.lz.~*' >/dev/null && break; sleep 0.01; done
  compgen -G 'large.lz.~*' >/dev/null || fail "no temporary file seen before SIG$signal"
  kill -s "$signal" "$pid"
  wait "$pid"
  [ $? -eq $((128 + $(kill -l "$signal"))) ] || fail "upkit did not end by SIG$signal"
  if compgen -G 'large.lz.~*' >/dev/null; then
    fail "SIG$signal left $(echo large.lz.~*)"
    rm -f large.lz.~*
  fi
  [ "$(cat large.lz)" = kept ] || fail "SIG$signal changed the existing OUT"
done

finish
