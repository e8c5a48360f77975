"""The harness's tools for update archives: damage an entry, and check an
archive the updater's builder wrote against its sources. The layout is
archive_format's (scripts/), shared with scripts/pack_archive.py."""

import os
import tempfile
import time

from archive_format import read, write
from wine import HarnessError, run, winpath


def damage(path, name, flip=False):
    """The entry NAME claims one byte more than its data expands to, as a
    damaged copy would; with --flip, the last byte of its stored (not
    compressed) data changes instead, so it still expands to its size."""
    entries = read(path)
    for entry in entries:
        if entry["name"] == os.fsencode(name):
            if not flip:
                entry["size"] += 1
            elif entry["compressed"] or not entry["data"]:
                raise HarnessError(f"cannot flip a byte of {name}: it is not stored as it is")
            else:
                entry["data"] = entry["data"][:-1] + bytes([entry["data"][-1] ^ 0x01])
            return write(path, entries)
    raise HarnessError(f"cannot damage {name} in {path}: no such entry")


def check(archive, source_dir, names, access_time=None, script=None):
    """Checks an archive written by the updater's builder against its sources;
    fails with every problem found.

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
    upkit = os.environ["GUI_UPKIT"]
    problems = []
    entries = read(archive)
    if [e["name"] for e in entries] != [os.fsencode(n) for n in names]:
        problems.append(f"entries {[e['name'] for e in entries]}, expected {names}")
        entries = []

    with tempfile.TemporaryDirectory() as scratch:
        sources = {}
        for entry in entries:
            name = os.fsdecode(entry["name"])
            source = os.path.join(source_dir, *name.split("\\"))
            info = os.stat(source)  # before anything here reads the file
            with open(source, "rb") as f:
                content = sources[name] = f.read()
            stream_path = os.path.join(scratch, "stream")
            run([upkit, "compress", winpath(os.path.abspath(source)), winpath(stream_path)])
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
        run([upkit, "extract", winpath(os.path.abspath(archive)), "-C", winpath(out)])
        for name, content in sources.items():
            try:
                with open(os.path.join(out, *name.split("\\")), "rb") as f:
                    if f.read() != content:
                        problems.append(f"{name}: extracted bytes differ from the source")
            except OSError as e:
                problems.append(f"{name}: not extracted ({e.strerror})")

        if script:
            built = os.path.join(scratch, "upkit.dat")
            run([upkit, "build", "--no-digests", winpath(os.path.abspath(script)), "-o", winpath(built)])
            reference = read(built)
            if len(reference) != len(entries):
                problems.append(f"upkit build gives {len(reference)} entries, not {len(entries)}")
            for mine, theirs in zip(entries, reference):
                for field in ("name", "size", "stored", "compressed", "created", "written", "data"):
                    if mine[field] != theirs[field]:
                        problems.append(f"{os.fsdecode(mine['name'])}: {field} differs from upkit build")
            print(f"compared with upkit build: {len(reference)} entries")
    if problems:
        raise HarnessError("the archive does not match its sources:\n" +
                           "\n".join("MISMATCH " + p for p in problems))
