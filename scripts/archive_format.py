"""The update archive's layout, named once for the Python tools and tests
(scripts/pack_archive.py, the GUI harness).

A 72-byte header: the magic, zero-filled to 64 bytes, a reserved 32-bit zero
and the entry count. Then per entry a 284-byte record: the name, zero-filled
to 260 bytes, then stored size, file size, a 16-bit compressed flag, 16 bits
of padding and three 32-bit times (created, written, accessed), followed by
the stored bytes. All little-endian."""

import struct

MAGIC = b"Quintarel Corporation : update archive\0"
MAGIC_FIELD_SIZE = 64
HEADER_SIZE = MAGIC_FIELD_SIZE + 8
NAME_FIELD_SIZE = 260
MAX_NAME_LENGTH = NAME_FIELD_SIZE - 1
RECORD_FIELDS = "<IIHHiii"
RECORD_SIZE = NAME_FIELD_SIZE + struct.calcsize(RECORD_FIELDS)
FIELD_NAMES = ("stored", "size", "compressed", "padding", "created", "written", "accessed")


def write(path, entries):
    """Writes entries as read() returns them: dicts of the name, the record's
    fields and the stored data."""
    with open(path, "wb") as f:
        f.write(MAGIC.ljust(MAGIC_FIELD_SIZE, b"\0") + struct.pack("<II", 0, len(entries)))
        for entry in entries:
            f.write(entry["name"].ljust(NAME_FIELD_SIZE, b"\0"))
            f.write(struct.pack(RECORD_FIELDS, *(entry[field] for field in FIELD_NAMES)))
            f.write(entry["data"])


def read(path):
    """The entries of an archive as dicts (name, the record's fields, data);
    ValueError when the container is malformed."""
    with open(path, "rb") as f:
        data = f.read()
    if data[: len(MAGIC)] != MAGIC:
        raise ValueError("bad magic")
    if any(data[len(MAGIC) : MAGIC_FIELD_SIZE]):
        raise ValueError("magic field not zero-filled")
    reserved, count = struct.unpack_from("<II", data, MAGIC_FIELD_SIZE)
    if reserved != 0:
        raise ValueError(f"reserved field is {reserved}")
    entries, at = [], HEADER_SIZE
    for _ in range(count):
        name, _, rest = data[at : at + NAME_FIELD_SIZE].partition(b"\0")
        if any(rest):
            raise ValueError(f"name field of {name!r} not zero after the NUL")
        entry = dict(zip(FIELD_NAMES, struct.unpack_from(RECORD_FIELDS, data, at + NAME_FIELD_SIZE)))
        at += RECORD_SIZE
        entry.update(name=name, data=data[at : at + entry["stored"]])
        entries.append(entry)
        at += entry["stored"]
    if at != len(data):
        raise ValueError(f"{len(data) - at} bytes after the last entry")
    return entries
