"""The shortcut file's bytes, written and read independently of the program: a 44-byte
header and one record per shortcut (name, then path), each text as a 32-bit length
that counts its terminating zero, the GBK bytes and the zero."""

import struct

HEADER = 44
TEXT_KIND = 10


def bucket_count(count):
    """Buckets of a table that grew to `count` entries from 16 at a load factor of 0.75."""
    buckets = 16
    while count > buckets * 3 // 4:
        buckets *= 2
    return buckets


def serialize(entries, buckets=None):
    """entries: (name, path) pairs of str, in order."""
    records = b""
    for name, path in entries:
        for text in (name, path):
            data = text.encode("gbk")
            records += struct.pack("<I", len(data) + 1) + data + b"\0"
    header = struct.pack("<IIIIfIIIIII", HEADER + len(records), TEXT_KIND, TEXT_KIND,
                         buckets or bucket_count(len(entries)), 0.75, 1, 0, 1, 0, 0, len(entries))
    return header + records


def parse(image):
    """The (name, path) pairs of an image, in order; checks the header's fixed fields."""
    total, key_kind, value_kind, _buckets, load, shrink, direct, ordered, _r1, _r2, count = struct.unpack_from(
        "<IIIIfIIIIII", image)
    if (total, key_kind, value_kind, load, shrink, direct, ordered) != (len(image), 10, 10, 0.75, 1, 0, 1):
        raise ValueError(f"unexpected header {image[:HEADER].hex()}")
    entries, at = [], HEADER
    for _ in range(count):
        texts = []
        for _part in range(2):
            (length,) = struct.unpack_from("<I", image, at)
            texts.append(image[at + 4:at + 4 + length - 1].decode("gbk"))
            at += 4 + length
        entries.append(tuple(texts))
    if at != total:
        raise ValueError(f"records end at {at}, header says {total}")
    return entries
