#!/usr/bin/env python3
"""Writes copies of target.exe whose resource directory is damaged, for the RSRC cases that
check that both programs refuse such a file with one box and leave it as it was.
    make-damaged.py [FOLDER]   (default tests/rsrc/samples; reads FOLDER/target.exe)
damaged-loop.exe: the root's first entry leads back to the root.
damaged-past-end.exe: the root's first entry leads past the end of the file.
damaged-count.exe: the root claims 65,535 entries.
"""

import struct
import sys
from pathlib import Path

folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent / "samples")
image = (folder / "target.exe").read_bytes()


def u16(at):
    return struct.unpack_from("<H", image, at)[0]


def u32(at):
    return struct.unpack_from("<I", image, at)[0]


# The file offset of the resource directory: its RVA in the section that holds it.
pe = u32(0x3C)
optional = pe + 24
directories = optional + (96 if u16(optional) == 0x10B else 112)
rva = u32(directories + 8 * 2)
table = optional + u16(pe + 20)
root = None
for i in range(u16(pe + 6)):
    header = table + 40 * i
    virtual_address, raw_size, raw_pointer = u32(header + 12), u32(header + 16), u32(header + 20)
    if virtual_address <= rva < virtual_address + raw_size:
        root = raw_pointer + rva - virtual_address
if root is None or u32(root + 20) & 0x80000000 == 0:
    sys.exit("make-damaged.py: target.exe has no resource directory with a subdirectory")

for name, at, fmt, value in [("damaged-loop", root + 20, "<I", 0x80000000),
                             ("damaged-past-end", root + 20, "<I", 0x80000000 | len(image)),
                             ("damaged-count", root + 14, "<H", 0xFFFF)]:
    damaged = bytearray(image)
    struct.pack_into(fmt, damaged, at, value)
    (folder / (name + ".exe")).write_bytes(damaged)
