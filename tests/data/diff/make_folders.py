#!/usr/bin/env python3
"""Writes two program folders, OLD and NEW, that differ in every way upkit
diff tells apart: files added (one empty, one in a new nested folder),
changed (in size, in one byte at equal size, to empty, and a program whose
version resource goes from 1.5.0.0 to 1.6.1.0), unchanged (one empty) and
removed (one nested).

  make_folders.py OLD NEW
"""

import pathlib
import random
import struct
import sys

FIXED_INFO_SIGNATURE = 0xFEEF04BD
FIXED_INFO_SIZE = 52
ROOT_KEY = "VS_VERSION_INFO"


def version_block(a, b, c, d):
    """The root block of a version resource: header, key, padding to 32
    bits, then the fixed record with file version a.b.c.d."""
    key = (ROOT_KEY + "\0").encode("utf-16-le") + b"\0\0"
    fixed = struct.pack("<13I", FIXED_INFO_SIGNATURE, 0x10000, a << 16 | b, c << 16 | d,
                        a << 16 | b, c << 16 | d, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    return struct.pack("<3H", 6 + len(key) + FIXED_INFO_SIZE, FIXED_INFO_SIZE, 0) + key + fixed


def write(root, files):
    for name, data in files.items():
        path = pathlib.Path(root, name)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


def main(old, new):
    rng = random.Random(7)
    program = bytes(rng.randrange(256) for _ in range(4096))
    equal = bytes(rng.randrange(256) for _ in range(4096))
    common = {"same.txt": b"same\n", "lib/deep/same.dat": b"same\n", "empty_old.txt": b""}
    write(old, {**common,
                "app.exe": program + version_block(1, 5, 0, 0),
                "equal.bin": equal,
                "grow.txt": b"old\n",
                "lib/deep/change.dat": b"12345",
                "gone.txt": b"gone\n",
                "docs/old.txt": b"old\n"})
    write(new, {**common,
                "app.exe": program + version_block(1, 6, 1, 0),
                "equal.bin": equal[:2000] + bytes([equal[2000] ^ 1]) + equal[2001:],
                "grow.txt": b"grown up\n",
                "lib/deep/change.dat": b"",
                "added.txt": b"added\n",
                "empty.dat": b"",
                "lib/deep/new/added.dat": bytes(rng.randrange(256) for _ in range(3000))})


if __name__ == "__main__":
    main(*sys.argv[1:3])
