#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the program's images: icon 128 as a PNG at each size Windows asks for at 100 to 200 %
(and 256 for the shell), the wizard's side bitmap 136 at 1x and 2x.

Standard library only. Run from anywhere: python3 resources/tools/make_images.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "images")
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def write_png(path, size, pixel):
    rows = b""
    for y in range(size):
        rows += b"\x00" + b"".join(bytes(pixel(x, y, size)) for x in range(size))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def icon_pixel(x, y, n):
    """A storage box seen from the front: dark casing, two drive bays, a green lamp."""
    s = n / 16.0
    transparent = (0, 0, 0, 0)
    casing = (38, 70, 120, 255)
    edge = (20, 36, 64, 255)
    bay = (170, 190, 215, 255)
    lamp = (60, 210, 90, 255)
    left, right, top, bottom = 1 * s, 15 * s, 2 * s, 14 * s
    if not (left <= x < right and top <= y < bottom):
        return transparent
    if x < left + s or x >= right - s or y < top + s or y >= bottom - s:
        return edge
    for bay_top in (4 * s, 8 * s):
        if 3 * s <= x < 13 * s and bay_top <= y < bay_top + 2 * s:
            return bay
    if 11 * s <= x < 13 * s and 11 * s <= y < 12 * s + (s if n > 16 else 0):
        return lamp
    return casing


def write_bitmap_136(path, scale):
    """160 x 249 times `scale`, 16 colours: upper 125 rows C0C0C0, lower 124 rows 808080."""
    width, height, upper = 160 * scale, 249 * scale, 125 * scale
    palette = [(0, 0, 0), (0x80, 0x80, 0x80), (0xC0, 0xC0, 0xC0)] + [(0, 0, 0)] * 13
    stride = ((width * 4 + 31) // 32) * 4
    pixels = b""
    for row in range(height - 1, -1, -1):  # BMP rows run bottom-up
        index = 2 if row < upper else 1
        line = bytes([(index << 4) | index]) * (width // 2)
        pixels += line + b"\x00" * (stride - len(line))
    header_size = 14 + 40 + 16 * 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 3780, 3780, 16, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    head = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    with open(path, "wb") as f:
        f.write(head + info + pal + pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    for n in ICON_SIZES:
        write_png(os.path.join(OUT, "icon128_%d.png" % n), n, icon_pixel)
    write_bitmap_136(os.path.join(OUT, "bitmap136.bmp"), 1)
    write_bitmap_136(os.path.join(OUT, "bitmap136@2x.bmp"), 2)


if __name__ == "__main__":
    main()
