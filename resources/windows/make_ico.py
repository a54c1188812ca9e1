#!/usr/bin/env python3
"""Writes ZemYNote.ico, the Windows edition's application icon, from the PNG images that
resources/icons/make_icons.py draws: one directory entry per size, each image stored as its
PNG file, which Windows has read in icons since Vista.

Run from anywhere after make_icons.py: python3 resources/windows/make_ico.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS = os.path.join(os.path.dirname(HERE), "icons")
SIZES = [256, 128, 48, 32, 24, 16]


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    images = []
    for size in SIZES:
        with open(os.path.join(ICONS, "zemynote-%d.png" % size), "rb") as f:
            data = f.read()
        if png_size(data) != (size, size):
            raise ValueError("zemynote-%d.png is not %d pixels square" % (size, size))
        images.append((size, data))
    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 = icon, count
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, data in images:
        # A width or height of 256 is written as 0; 32 bits per pixel, one plane.
        side = size % 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, "ZemYNote.ico"), "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main()
