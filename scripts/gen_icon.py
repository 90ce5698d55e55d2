#!/usr/bin/env python3
"""Draws Quillmere's icon (a light-blue tile with a white keyhole) as an .ico file.

Drawn here rather than kept as a binary so that the icon is reproducible and
its shape is readable: 16, 32, 48 and 256 pixels, 32-bit with alpha.
"""
import struct
import sys


def coverage(x, y, size):
    """Fraction of pixel (x, y) inside the tile and inside the keyhole, by 4x4 supersampling."""
    tile = hole = 0
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size
            v = (y + (sy + 0.5) / 4) / size
            r = 0.18  # corner radius
            cx = min(max(u, r + 0.04), 1 - r - 0.04)
            cy = min(max(v, r + 0.04), 1 - r - 0.04)
            if (u - cx) ** 2 + (v - cy) ** 2 <= r * r:
                tile += 1
                in_circle = (u - 0.5) ** 2 + (v - 0.40) ** 2 <= 0.15 ** 2
                in_slot = abs(u - 0.5) <= 0.07 + (v - 0.40) * 0.12 and 0.40 <= v <= 0.78
                if in_circle or in_slot:
                    hole += 1
    return tile / 16, hole / 16


def image(size):
    top, bottom = (0x6C, 0xB8, 0xF0), (0x2E, 0x86, 0xD6)  # light blue to a deeper blue
    rows = []
    for y in range(size - 1, -1, -1):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(size):
            t, h = coverage(x, y, size)
            k = y / max(size - 1, 1)
            base = [round(top[i] + (bottom[i] - top[i]) * k) for i in range(3)]
            hole = h / t if t else 0
            rgb = [round(c + (255 - c) * hole) for c in base]
            row += bytes((rgb[2], rgb[1], rgb[0], round(255 * t)))
        rows.append(bytes(row))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


def main():
    sizes = [16, 32, 48, 256]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":  # the installer's picture borrows the keyhole
    main()
