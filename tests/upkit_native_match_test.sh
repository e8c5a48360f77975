#!/usr/bin/env bash
# A Windows upkit writes the same bytes as the native one: the sample archive
# built with a fixed time, the codec stream of every file of a corpus
# (the test data, the sample's files and a few edge cases), which it also
# expands back to the original, and the folder that diff writes.
# usage: upkit_native_match_test.sh UPKIT RUNNER NATIVE_UPKIT
#        (UPKIT and RUNNER as in cli_test_lib.sh)
set -u

native=${3:-}
if [ ! -x "$native" ]; then
  echo "no native upkit at '$native' (build the native preset first): skipped"
  exit 77
fi
native=$(realpath "$native")
# shellcheck source=tests/cli_test_lib.sh
# shellcheck source=tests/cli_test_lib.sh
source "$(dirname "$0")/cli_test_lib.sh"

# Compares the file the Windows upkit wrote with the native one's.
same() {
  if [ ! -f "$1" ]; then
    fail "$3: the Windows upkit wrote no $1 (exit $rc, stderr: $(cat stderr))"
  elif ! cmp -s "$1" "$2"; then
    fail "$3: $1 differs from $2 ($(cmp "$1" "$2" 2>&1 | head -n 1))"
  fi
}

echo "== build of examples/sample"
cp -r "$project/examples/sample" sample
"$native" build sample/update.inf -o native.dat --time 1714564800 || fail "native build of the sample"
run build sample/update.inf -o windows.dat --time 1714564800
expect_rc 0 "build of the sample"
same windows.dat native.dat "build of the sample"

echo "== diff of a folder pair"
python3 "$project/tests/data/diff/make_folders.py" old new || exit 1
"$native" diff old new -o native-diff --program app.exe >/dev/null || fail "native diff"
run diff old new -o windows-diff --program app.exe
expect_rc 0 "diff"
diff -r windows-diff native-diff >diff.diff || fail "diff: the folders differ: $(cat diff.diff)"
cmp -s stdout.raw native-diff/diff.txt || fail "diff: stdout is not diff.txt byte for byte"

echo "== compress and expand a corpus"
mkdir corpus
cp "$project"/tests/data/codec/* corpus/
cp sample/*.* corpus/
python3 - <<'PY'
import random
random.seed(11)
files = {
    "empty": b"",
    "one": b"x",
    "bytes": bytes(range(256)) * 3,
    # Runs that end just before, at and just past the 4096-byte window.
    "zeros_4095": bytes(4095),
    "zeros_4096": bytes(4096),
    "zeros_4097": bytes(4097),
    "mixed": b"".join(random.choice([b"update ", b"\x00\xff\x10", bytes([random.randrange(256)]) * 40,
                                     bytes(random.randrange(256) for _ in range(30))])
                      for _ in range(40000)),
}
for name, data in files.items():
    open("corpus/" + name, "wb").write(data)
PY
count=0
for file in corpus/*; do
  name=$(basename "$file")
  "$native" compress "$file" "$name.native.lzss" || fail "native compress of $name"
  run compress "$file" "$name.windows.lzss"
  expect_rc 0 "compress of $name"
  same "$name.windows.lzss" "$name.native.lzss" "compress of $name"
  run expand "$name.native.lzss" "$name.expanded"
  expect_rc 0 "expand of $name"
  same "$name.expanded" "$file" "expand of $name"
  count=$((count + 1))
done
echo "$count files compared"
finish
