#!/usr/bin/env python3
"""Writes an update archive from files, for tests that craft archives byte by byte.

usage: pack_archive.py [--upkit PATH [--runner CMD]] OUT NAME=FILE...

Each NAME=FILE becomes an entry named NAME (kept byte for byte, "\\" and
all) holding FILE's bytes, in the order given, with FILE's modification time
as all three times. With --upkit, FILE is compressed by `upkit compress` and
stored compressed when that is strictly shorter, as the archive builder
does; otherwise every entry is stored as it is. --runner runs upkit through
a command such as a Wine launcher.
"""

import argparse
import os
import shlex
import subprocess
import sys
import tempfile

from archive_format import MAX_NAME_LENGTH, write


def compress(upkit, runner, path):
    with tempfile.TemporaryDirectory(dir=".") as scratch:
        out = os.path.join(os.path.relpath(scratch), "stream")
        subprocess.run(runner + [upkit, "compress", path, out], check=True)
        with open(out, "rb") as f:
            return f.read()


def write_archive(out, entries, upkit=None, runner=()):
    """Writes the archive OUT of (NAME, FILE) pairs as the usage says;
    ValueError for a malformed entry."""
    archive = []
    for argument in entries:
        name, sep, path = argument.partition("=")
        if not sep:
            raise ValueError(f"{argument}: expected NAME=FILE")
        raw_name = os.fsencode(name)
        if len(raw_name) > MAX_NAME_LENGTH:
            raise ValueError(f"{name}: longer than {MAX_NAME_LENGTH} bytes")
        with open(path, "rb") as f:
            data = f.read()
        time = int(os.stat(path).st_mtime)
        compressed = 0
        if upkit:
            stream = compress(upkit, list(runner), path)
            if len(stream) < len(data):
                data, compressed = stream, 1
        archive.append(dict(name=raw_name, stored=len(data), size=os.path.getsize(path),
                            compressed=compressed, padding=0, created=time, written=time,
                            accessed=time, data=data))
    write(out, archive)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--upkit", help="upkit program used to compress entries")
    parser.add_argument("--runner", default="", help="command that runs upkit")
    parser.add_argument("out")
    parser.add_argument("entries", nargs="+", metavar="NAME=FILE")
    args = parser.parse_args()
    try:
        write_archive(args.out, args.entries, args.upkit, shlex.split(args.runner))
    except ValueError as error:
        parser.error(str(error))


if __name__ == "__main__":
    sys.exit(main())
