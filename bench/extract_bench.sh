#!/usr/bin/env bash
# Time and peak memory of `upkit extract` on an archive of about 100 MB.
# usage: bench/extract_bench.sh UPKIT [SIZE_MB]
# The input files are generated reproducibly (text-like and binary-like
# halves), packed once, then extracted; the archive is held in memory while
# extracting, so peak memory is expected near the archive's size.
set -euo pipefail
upkit=$(realpath "$1")
size_mb=${2:-100}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - "$size_mb" <<'PY'
import random, sys
size_mb = int(sys.argv[1])
rng = random.Random(20261208)
words = ("update archive window file system folder version program wizard "
         "license entry stream bytes registry value path the of and to").split()
for i in range(10):
    target = size_mb * 1024 * 1024 // 10
    with open(f"part{i}.bin", "wb") as out:
        if i % 2 == 0:
            text = []
            total = 0
            while total < target:
                line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + "\r\n"
                text.append(line)
                total += len(line)
            out.write("".join(text).encode()[:target])
        else:
            # Records with repeated fields and noise, like a binary program.
            chunk = bytearray()
            while len(chunk) < target:
                chunk += rng.randbytes(8) + bytes(rng.choice((0, 0xFF)) for _ in range(8)) + b"\x00\x01\x02\x03" * 4
            out.write(chunk[:target])
PY

pairs=()
for f in part*.bin; do pairs+=("$f=$f"); done
echo "packing ${size_mb} MB..."
pack_start=$(date +%s.%N)
python3 "$root/scripts/pack_archive.py" --upkit "$upkit" update.dat "${pairs[@]}"
pack_end=$(date +%s.%N)
archive_mb=$(python3 -c "import os; print(round(os.path.getsize('update.dat') / 2**20, 1))")
echo "archive: ${archive_mb} MB (packed in $(python3 -c "print(round($pack_end - $pack_start, 1))") s)"

/usr/bin/time -f '%e %M' -o time.txt "$upkit" extract update.dat -C out
read -r seconds peak_kb < time.txt
for f in part*.bin; do cmp -s "$f" "out/$f" || { echo "mismatch in $f"; exit 1; }; done
python3 - "$seconds" "$peak_kb" "$size_mb" <<'PY'
import sys
seconds, peak_kb, size_mb = float(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
print(f"upkit extract: {seconds:.2f} s, peak memory {peak_kb / 1024:.0f} MB, "
      f"{size_mb / max(seconds, 1e-9):.0f} MB/s of extracted data")
PY
