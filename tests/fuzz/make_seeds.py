#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_presets: valid buffers of every kind the
readers accept, each behind the entry byte (bits 0-1: 0 chunk, 1 preset
buffer, 2 bank buffer; bit 2: byte-order-reversed load)."""
import os
import struct
import sys

ID = b"ZkVw"[::-1]  # the unique ID as a little-endian machine stores it
STORED = [0, 1, 3] + list(range(6, 28)) + [35, 36, 37]


def word(v, big=False):
    return struct.pack(">i" if big else "<i", v)


def flt(v, big=False):
    return struct.pack(">f" if big else "<f", v)


def name(text):
    return text.encode()[:23].ljust(24, b"\0")


def value_of(p, i):
    return ((p * 7 + i * 3) % 41) / 40.0 if i > 1 else 0.5


def records(p, index, big):
    out = word(0, big) + word(156, big) + word(index, big) + name("Seed %d" % p) + bytes(132)
    for i in STORED:
        out += word(1, big) + word(20, big) + word(index, big) + word(i, big)
        out += bytes(8) + flt(value_of(p, i), big) + bytes(4)
    return out


def header(type_code, num_records, selected, body_size, big):
    uid = ID[::-1] if big else ID
    return (uid + bytes([type_code]) + word(0x01080000, big) + word(38, big)
            + word(num_records, big) + word(selected, big) + word(body_size, big) + bytes(16))


def bank(big=False, selected=5):
    body = b"".join(records(p, p, big) for p in range(22))
    return header(56, 22 * 29, selected, len(body), big) + body


def preset(big=False):
    body = records(3, 0, big)
    return header(34, 29, 0, len(body), big) + body


def old_preset(n=38):
    return ID + bytes([33]) + name("Old") + b"".join(flt(value_of(1, i)) for i in range(n))


def old_bank(n=38):
    blocks = b"".join(name("Old %d" % p) + b"".join(flt(value_of(p, i)) for i in range(n))
                      for p in range(22))
    return ID + bytes([55]) + blocks


def chunk(big=False):
    uid = ID[::-1] if big else ID
    return word(0x02000000, big) + uid + bank(big)


def old_chunk(presets=22, n=38, select=4):
    out = word(0x01000000) + ID + word(presets) + word(select) + bytes(16)
    for p in range(presets):
        out += name("Old %d" % p) + b"".join(flt(value_of(p, i)) for i in range(n))
    return out


SEEDS = {
    "chunk": b"\x00" + chunk(),
    "chunk-other-order": b"\x00" + chunk(big=True),
    "chunk-old": b"\x00" + old_chunk(),
    "chunk-old-short": b"\x00" + old_chunk(presets=3, n=12, select=30),
    "preset": b"\x01" + preset(),
    "preset-other-order": b"\x01" + preset(big=True),
    "preset-reversed-command": b"\x05" + ID[::-1] + preset()[4:],
    "preset-old": b"\x01" + old_preset(),
    "preset-old-40": b"\x01" + old_preset(40),
    "bank": b"\x02" + bank(),
    "bank-other-order": b"\x02" + bank(big=True),
    "bank-old": b"\x02" + old_bank(),
    "bank-selected-22": b"\x02" + bank(selected=22),
}

if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__),
                                                              "corpus", "presets")
    os.makedirs(out, exist_ok=True)
    for key, data in SEEDS.items():
        with open(os.path.join(out, key), "wb") as f:
            f.write(data)
