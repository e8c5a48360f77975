#!/usr/bin/env python3
"""Checks an update archive written by the updater's builder against its sources.

usage: check_archive.py --upkit UPKIT [--runner CMD] [--access-time T]
                        [--script SCRIPT] ARCHIVE SOURCE_DIR NAME...

The archive must hold exactly the entries NAME... in that order (each the
path as written in the script, "\\" as separator, relative to SOURCE_DIR).
For each entry: the name bytes, the file size, the storing rule (compressed
exactly when `upkit compress` gives a strictly shorter stream, and then
those very bytes; otherwise the file's own bytes), the times as the platform
reports them (the source's write time; creation time reads back as the
write time under Wine; with --access-time, the access time that the caller
gave every source before the build: reading a file moves it, and the builder
reads the script before it adds it, so entry 0's lies between T and now),
and that `upkit extract` gives the source's bytes back. With --script, the
archive must also equal `upkit build SCRIPT` entry by entry in everything
but the access times. Prints one line per entry; exit 1 on any mismatch.
"""

import argparse
import os
import shlex
import struct
import subprocess
import sys
import tempfile
import time

MAGIC = b"Quintarel Corporation : update archive\0"
HEADER_SIZE = 72
RECORD_SIZE = 284
NAME_FIELD_SIZE = 260


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_archive(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[: len(MAGIC)] != MAGIC:
        raise ValueError("bad magic")
    if any(data[len(MAGIC) : 64]):
        raise ValueError("magic field not zero-filled")
    reserved, count = struct.unpack_from("<II", data, 64)
    if reserved != 0:
        raise ValueError(f"reserved field is {reserved}")
    entries, at = [], HEADER_SIZE
    for _ in range(count):
        name_field = data[at : at + NAME_FIELD_SIZE]
        name, _, rest = name_field.partition(b"\0")
        if any(rest):
            raise ValueError(f"name field of {name!r} not zero after the NUL")
        stored, size, compressed, padding, created, written, accessed = struct.unpack_from(
            "<IIHHiii", data, at + NAME_FIELD_SIZE)
        at += RECORD_SIZE
        entries.append(dict(name=name, stored=stored, size=size, compressed=compressed,
                            padding=padding, created=created, written=written,
                            accessed=accessed, data=data[at : at + stored]))
        at += stored
    if at != len(data):
        raise ValueError(f"{len(data) - at} bytes after the last entry")
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--upkit", required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--access-time", type=int)
    parser.add_argument("--script")
    parser.add_argument("archive")
    parser.add_argument("source_dir")
    parser.add_argument("names", nargs="+")
    args = parser.parse_args()
    runner = shlex.split(args.runner)

    problems = []
    entries = read_archive(args.archive)
    if [e["name"] for e in entries] != [os.fsencode(n) for n in args.names]:
        problems.append(f"entries {[e['name'] for e in entries]}, expected {args.names}")
        entries = []

    with tempfile.TemporaryDirectory() as scratch:
        for entry in entries:
            name = os.fsdecode(entry["name"])
            source = os.path.join(args.source_dir, *name.split("\\"))
            info = os.stat(source)  # before anything here reads the file
            with open(source, "rb") as f:
                content = f.read()
            stream_path = os.path.join(scratch, "stream")
            subprocess.run(runner + [args.upkit, "compress", windows_path(source),
                                     windows_path(stream_path)],
                           check=True, stdin=subprocess.DEVNULL)
            with open(stream_path, "rb") as f:
                stream = f.read()
            packed = len(stream) < len(content)
            expected = dict(size=len(content), compressed=1 if packed else 0,
                            stored=len(stream) if packed else len(content), padding=0,
                            written=int(info.st_mtime), created=int(info.st_mtime))
            if args.access_time is not None and entry is not entries[0]:
                expected["accessed"] = args.access_time
            for field, value in expected.items():
                if entry[field] != value:
                    problems.append(f"{name}: {field} {entry[field]}, expected {value}")
            if (entry is entries[0] and args.access_time is not None
                    and not args.access_time <= entry["accessed"] <= time.time()):
                problems.append(f"{name}: accessed {entry['accessed']}, expected "
                                f"{args.access_time} to now")
            if entry["data"] != (stream if packed else content):
                problems.append(f"{name}: stored bytes differ from "
                                f"{'upkit compress' if packed else 'the file'}")
            print(f"{name}: size {entry['size']} stored {entry['stored']} "
                  f"compressed {entry['compressed']} times {entry['created']} "
                  f"{entry['written']} {entry['accessed']}")

        out = os.path.join(scratch, "out")
        os.mkdir(out)
        subprocess.run(runner + [args.upkit, "extract", windows_path(args.archive), "-C",
                                 windows_path(out)],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        for entry in entries:
            name = os.fsdecode(entry["name"])
            parts = name.split("\\")
            with open(os.path.join(args.source_dir, *parts), "rb") as f:
                content = f.read()
            try:
                with open(os.path.join(out, *parts), "rb") as f:
                    extracted = f.read()
            except OSError as e:
                problems.append(f"{name}: not extracted ({e.strerror})")
                continue
            if extracted != content:
                problems.append(f"{name}: extracted bytes differ from the source")

        if args.script:
            built = os.path.join(scratch, "upkit.dat")
            subprocess.run(runner + [args.upkit, "build", windows_path(args.script), "-o",
                                     windows_path(built)],
                           check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
            reference = read_archive(built)
            if len(reference) != len(entries):
                problems.append(f"upkit build gives {len(reference)} entries, not {len(entries)}")
            for mine, theirs in zip(entries, reference):
                for field in ("name", "size", "stored", "compressed", "created", "written", "data"):
                    if mine[field] != theirs[field]:
                        problems.append(f"{os.fsdecode(mine['name'])}: {field} differs from upkit build")
            print(f"compared with upkit build: {len(reference)} entries")

    for problem in problems:
        print("MISMATCH " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
