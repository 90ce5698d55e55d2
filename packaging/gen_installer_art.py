#!/usr/bin/env python3
"""Draws the picture on the left of the installer's welcome and finish pages:
the program's keyhole, white on the blue of its icon, as a 164x314 24-bit BMP
(the size those pages show without scaling).
"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from gen_icon import coverage  # noqa: E402

WIDTH, HEIGHT = 164, 314
TOP, BOTTOM = (0x3A, 0x94, 0xE0), (0x1A, 0x5C, 0xA8)
BADGE, BADGE_X, BADGE_Y = 96, 34, 56


def pixel(x, y):
    k = y / (HEIGHT - 1)
    rgb = [round(TOP[i] + (BOTTOM[i] - TOP[i]) * k) for i in range(3)]
    u, v = x - BADGE_X, y - BADGE_Y
    if 0 <= u < BADGE and 0 <= v < BADGE:
        tile, hole = coverage(u, v, BADGE)
        white = tile - hole  # a white tile with the keyhole cut out of it
        rgb = [round(c + (255 - c) * white) for c in rgb]
    return rgb


def main():
    stride = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - len(row)))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    with open(sys.argv[1], "wb") as f:
        f.write(header + info + image)


if __name__ == "__main__":
    main()
