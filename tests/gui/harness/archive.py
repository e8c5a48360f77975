"""The harness's tools for update archives: damage an entry, and check an
archive the updater's builder wrote against its sources. The layout is
archive_format's (scripts/), shared with scripts/pack_archive.py."""

import os
import struct
import subprocess
import tempfile
import time

from archive_format import (COUNT_OFFSET, FILE_SIZE_OFFSET, HEADER_SIZE, NAME_FIELD_SIZE,
                            RECORD_SIZE, read)
from wine import HarnessError, winpath


def damage(path, name):
    """The entry NAME claims one byte more than its data expands to, as a
    damaged copy would."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    offset = HEADER_SIZE
    for _ in range(struct.unpack_from("<I", data, COUNT_OFFSET)[0]):
        stored, size = struct.unpack_from("<II", data, offset + NAME_FIELD_SIZE)
        if data[offset : offset + NAME_FIELD_SIZE].split(b"\0")[0] == os.fsencode(name):
            struct.pack_into("<I", data, offset + FILE_SIZE_OFFSET, size + 1)
            with open(path, "wb") as f:
                f.write(data)
            return
        offset += RECORD_SIZE + stored
    raise HarnessError(f"cannot damage {name} in {path}: no such entry")


def _upkit(runner, upkit, *args):
    subprocess.run(runner + [upkit, *args], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL)


def check(runner, upkit, archive, source_dir, names, access_time=None, script=None):
    """Checks an archive written by the updater's builder against its sources
    and returns the problems found (none: it matches).

    The archive must hold exactly the entries NAMES in that order (each the
    path as written in the script, "\\" as separator, relative to
    SOURCE_DIR). For each entry: the name bytes, the file size, the storing
    rule (compressed exactly when `upkit compress` gives a strictly shorter
    stream, and then those very bytes; otherwise the file's own bytes), the
    times as the platform reports them (the source's write time; creation
    time reads back as the write time under Wine; with ACCESS_TIME, the
    access time that the caller gave every source before the build: reading
    a file moves it, and the builder reads the script before it adds it, so
    entry 0's lies between ACCESS_TIME and now), and that `upkit extract`
    gives the source's bytes back. With SCRIPT, the archive must also equal
    `upkit build SCRIPT` entry by entry in everything but the access times.
    Prints one line per entry."""
    problems = []
    entries = read(archive)
    if [e["name"] for e in entries] != [os.fsencode(n) for n in names]:
        problems.append(f"entries {[e['name'] for e in entries]}, expected {names}")
        entries = []

    with tempfile.TemporaryDirectory() as scratch:
        for entry in entries:
            name = os.fsdecode(entry["name"])
            source = os.path.join(source_dir, *name.split("\\"))
            info = os.stat(source)  # before anything here reads the file
            with open(source, "rb") as f:
                content = f.read()
            stream_path = os.path.join(scratch, "stream")
            _upkit(runner, upkit, "compress", winpath(os.path.abspath(source)), winpath(stream_path))
            with open(stream_path, "rb") as f:
                stream = f.read()
            packed = len(stream) < len(content)
            expected = dict(size=len(content), compressed=1 if packed else 0,
                            stored=len(stream) if packed else len(content), padding=0,
                            written=int(info.st_mtime), created=int(info.st_mtime))
            if access_time is not None and entry is not entries[0]:
                expected["accessed"] = access_time
            for field, value in expected.items():
                if entry[field] != value:
                    problems.append(f"{name}: {field} {entry[field]}, expected {value}")
            if (entry is entries[0] and access_time is not None
                    and not access_time <= entry["accessed"] <= time.time()):
                problems.append(f"{name}: accessed {entry['accessed']}, expected "
                                f"{access_time} to now")
            if entry["data"] != (stream if packed else content):
                problems.append(f"{name}: stored bytes differ from "
                                f"{'upkit compress' if packed else 'the file'}")
            print(f"{name}: size {entry['size']} stored {entry['stored']} "
                  f"compressed {entry['compressed']} times {entry['created']} "
                  f"{entry['written']} {entry['accessed']}")

        out = os.path.join(scratch, "out")
        os.mkdir(out)
        _upkit(runner, upkit, "extract", winpath(os.path.abspath(archive)), "-C", winpath(out))
        for entry in entries:
            parts = os.fsdecode(entry["name"]).split("\\")
            with open(os.path.join(source_dir, *parts), "rb") as f:
                content = f.read()
            try:
                with open(os.path.join(out, *parts), "rb") as f:
                    extracted = f.read()
            except OSError as e:
                problems.append(f"{os.fsdecode(entry['name'])}: not extracted ({e.strerror})")
                continue
            if extracted != content:
                problems.append(f"{os.fsdecode(entry['name'])}: extracted bytes differ from the source")

        if script:
            built = os.path.join(scratch, "upkit.dat")
            _upkit(runner, upkit, "build", winpath(os.path.abspath(script)), "-o", winpath(built))
            reference = read(built)
            if len(reference) != len(entries):
                problems.append(f"upkit build gives {len(reference)} entries, not {len(entries)}")
            for mine, theirs in zip(entries, reference):
                for field in ("name", "size", "stored", "compressed", "created", "written", "data"):
                    if mine[field] != theirs[field]:
                        problems.append(f"{os.fsdecode(mine['name'])}: {field} differs from upkit build")
            print(f"compared with upkit build: {len(reference)} entries")
    return problems
