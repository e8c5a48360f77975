"""Files the scenarios write and compare: scripts with CRLF line ends, text
that compresses well, snapshots of a folder, Japanese code-page texts and
the file version of a program."""

import difflib
import hashlib
import os
import struct

from wine import HarnessError

# The fixed version record of a version resource starts with this signature.
FIXED_VERSION_SIGNATURE = b"\xbd\x04\xef\xfe"


def write_script(path, lines, encoding="utf-8"):
    """A text file with CRLF line ends, as the scripts are written on Windows."""
    with open(path, "wb") as f:
        f.write(b"".join(line.encode(encoding) + b"\r\n" for line in lines))


def compressible(path, size):
    """SIZE bytes of numbered records: text that compresses well."""
    record = b"record %08d of the generated data\n"
    with open(path, "wb") as out:
        out.write(b"".join(record % n for n in range(size // len(record % 0) + 1))[:size])


def snapshot(folder):
    """Every file below FOLDER with its content hash, one "HASH  ./PATH" line
    each in byte order of the paths, to show that nothing was written or
    changed."""
    if not os.path.isdir(folder):
        raise NotADirectoryError(f"no folder {folder}")
    lines = []
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    digest = hashlib.sha1(f.read()).hexdigest()
                lines.append((os.fsencode("./" + os.path.relpath(path, folder)), digest))
    return "\n".join(f"{digest}  {os.fsdecode(name)}" for name, digest in sorted(lines))


def same_tree(folder, before):
    """Fails with a diff when files below FOLDER changed since the snapshot
    BEFORE."""
    now = snapshot(folder)
    if now != before:
        diff = difflib.unified_diff(before.splitlines(), now.splitlines(), "before", "now", lineterm="")
        raise HarnessError(f"files below {folder} changed:\n" + "\n".join(diff))


def cp932_escapes(text):
    """TEXT in the Japanese code page, written as the driver's \\xNN escapes,
    as a Japanese system shows it."""
    return "".join(f"\\x{byte:02x}" for byte in text.encode("cp932"))


def cp932_text(escaped):
    """The driver's escaped output read back as the Japanese code page's
    text: what a Japanese system shows, printable on a UTF-8 terminal."""
    raw = escaped.encode("latin-1").decode("unicode_escape").encode("latin-1")
    return raw.decode("cp932", errors="replace").replace("\r\n", "\n")


def file_version(path):
    """A program's file version from its fixed version record, "no version"
    without one."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(FIXED_VERSION_SIGNATURE)
    if at < 0:
        return "no version"
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return f"{ms >> 16}.{ms & 0xffff}.{ls >> 16}.{ls & 0xffff}"
