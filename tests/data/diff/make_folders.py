#!/usr/bin/env python3
"""make_folders.py OLD NEW: two program folders with files added (one empty,
one in a new nested folder), changed (in size, in one byte, to empty, and a
program's version resource from 1.5.0.0 to 1.6.1.0), unchanged and removed."""

import pathlib
import random
import struct
import sys


def version_block(a, b, c, d):
    """A version resource's root block with file and product version a.b.c.d."""
    key = "VS_VERSION_INFO\0".encode("utf-16-le") + b"\0\0"
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, a << 16 | b, c << 16 | d,
                        a << 16 | b, c << 16 | d, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    return struct.pack("<3H", 6 + len(key) + len(fixed), len(fixed), 0) + key + fixed


def write(root, files):
    for name, data in files.items():
        path = pathlib.Path(root, name)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


rng = random.Random(7)
program, equal, added = (bytes(rng.randrange(256) for _ in range(n)) for n in (4096, 4096, 3000))
common = {"same.txt": b"same\n", "lib/deep/same.dat": b"same\n", "empty_old.txt": b""}
write(sys.argv[1], {**common, "app.exe": program + version_block(1, 5, 0, 0), "equal.bin": equal,
                    "grow.txt": b"old\n", "lib/deep/change.dat": b"12345", "gone.txt": b"gone\n",
                    "docs/old.txt": b"old\n"})
write(sys.argv[2], {**common, "app.exe": program + version_block(1, 6, 1, 0),
                    "equal.bin": equal[:2000] + bytes([equal[2000] ^ 1]) + equal[2001:],
                    "grow.txt": b"grown up\n", "lib/deep/change.dat": b"", "added.txt": b"added\n",
                    "empty.dat": b"", "lib/deep/new/added.dat": added})
