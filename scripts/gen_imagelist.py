#!/usr/bin/env python3
"""Draws the category tree's pictures as two 32-bit BMP strips (16 and 32 pixels).

Usage: gen_imagelist.py OUT_DIR  ->  OUT_DIR/categories16.bmp, OUT_DIR/categories32.bmp

Every picture is laid out on a 16x16 grid so that edges on whole grid units
land on pixel edges at both sizes. Shapes are signed distance functions
(negative inside), which gives outlines of even width for free: a sample is
outline-coloured when it lies within one stroke of its shape's edge.
"""
import math
import os
import struct
import sys

# --- shapes: each maps a grid point to its signed distance from the edge ---


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def rect(x0, y0, x1, y1, r=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def poly(*pts, r=0.0):
    """Polygon; a positive r grows it outward with rounded corners."""
    def d(x, y):
        best, inside = math.inf, False
        for (ax, ay), (bx, by) in zip(pts, pts[-1:] + pts[:-1]):
            ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
            t = min(max((wx * ex + wy * ey) / (ex * ex + ey * ey), 0), 1)
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return (-best if inside else best) - r
    return d


def line(ax, ay, bx, by, width):
    """A stroke with round ends."""
    ex, ey = bx - ax, by - ay

    def d(x, y):
        t = min(max(((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey), 0), 1)
        return math.hypot(x - ax - ex * t, y - ay - ey * t) - width / 2
    return d


def ellipse_ring(cx, cy, rx, ry, width):
    # Not an exact distance, but close enough for a thin ring.
    return lambda x, y: abs((math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * min(rx, ry)) - width / 2


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def clip(f, g):
    return lambda x, y: max(f(x, y), g(x, y))


def cut(f, g):
    return lambda x, y: max(f(x, y), -g(x, y))


def along(ox, oy, angle):
    """Maps (t, s), distance along and across a direction, to grid points: for slanted pictures."""
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    return lambda t, n: (ox + c * t - s * n, oy + s * t + c * n)


# --- colours ---


def hexrgb(h):
    return tuple(int(h[i:i + 2], 16) for i in (1, 3, 5))


def darker(rgb, k=0.62):
    return tuple(round(c * k) for c in rgb)


# One grid unit: a pixel at 16 and two at 32, so outlines and strokes stay crisp at both sizes.
STROKE = 1.0

# --- the pictures: each returns layers, bottom first, as (shape, fill, outline or None) ---


def folder():
    back, front = hexrgb("#E8A92C"), hexrgb("#FFCB52")
    return [
        (union(rect(1, 2, 7, 6, 1), rect(1, 4, 15, 14, 1)), back, darker(back)),
        (rect(1, 6, 15, 14, 1), front, darker(back)),
    ]


def pencil():
    body, wood, lead, rubber = hexrgb("#F5873A"), hexrgb("#F8D9A8"), hexrgb("#3F3F46"), hexrgb("#F27C9A")
    p, h = along(1.5, 14.5, -45), 2.9
    return [
        (poly(p(0, 0), p(4.8, h), p(4.8, -h)), wood, darker(body)),
        (poly(p(0, 0), p(2, h * 0.42), p(2, -h * 0.42)), lead, None),
        (poly(p(4.8, -h), p(12.6, -h), p(12.6, h), p(4.8, h)), body, darker(body)),
        (poly(p(12.6, -h), p(15.8, -h), p(15.8, h), p(12.6, h)), rubber, darker(body)),
    ]


def bubble(x0, y0, x1, y1, tail):
    return union(rect(x0, y0, x1, y1, 3), poly(*tail))


def chat():
    green = hexrgb("#4CBF63")
    return [(bubble(1, 2, 15, 12, [(3.5, 10), (9, 10), (3, 15)]), green, darker(green))]


def forum():
    back, front = hexrgb("#F2A93B"), hexrgb("#36B7C4")
    return [
        (bubble(1, 1, 11, 9, [(2.5, 7.5), (6.5, 7.5), (1.5, 12)]), back, darker(back)),
        (bubble(5, 6, 15, 13, [(9.5, 11), (13.5, 11), (14, 15.5)]), front, darker(front)),
    ]


def globe():
    sea, grid = hexrgb("#3D95E0"), hexrgb("#D6EBFC")
    # Centred on a pixel rather than between two so the 1-pixel lines stay sharp at 16.
    c, r = 7.5, 7
    lines = union(line(0, c, 15, c, STROKE), line(c, 0, c, 15, STROKE), ellipse_ring(c, c, 3, r, STROKE))
    return [(circle(c, c, r), sea, darker(sea)), (clip(lines, circle(c, c, r - STROKE)), grid, None)]


def bank():
    stone = hexrgb("#8C99C2")
    edge = darker(stone)
    return [
        (union(poly((1, 6), (8, 1.5), (15, 6)), rect(2, 6, 14, 13), rect(1, 13, 15, 15)), stone, edge),
        (union(line(5, 7, 5, 12.5, STROKE), line(8, 7, 8, 12.5, STROKE), line(11, 7, 11, 12.5, STROKE)), edge, None),
    ]


def envelope():
    paper, ink = hexrgb("#FFFFFF"), hexrgb("#D9534F")
    return [
        (rect(1, 3, 15, 13, 1), paper, ink),
        (union(line(1.5, 3.5, 8, 9, STROKE), line(8, 9, 14.5, 3.5, STROKE)), ink, None),
    ]


def gamepad():
    shell, keys = hexrgb("#8A63D2"), hexrgb("#F3EDFD")
    return [
        (union(rect(1, 4, 15, 10.5, 3.5), line(4.5, 9, 3, 12.5, 4.6), line(11.5, 9, 13, 12.5, 4.6)), shell, darker(shell)),
        (union(rect(3, 7, 6, 8), rect(4, 6, 5, 9)), keys, None),
        (union(circle(10.5, 8.5, 0.9), circle(12.5, 6.5, 0.9)), keys, None),
    ]


def dots():
    grey = hexrgb("#97A1B0")
    return [(union(circle(3, 8, 2), circle(8, 8, 2), circle(13, 8, 2)), grey, darker(grey))]


def book():
    cover, pages = hexrgb("#2E86D6"), hexrgb("#FFFFFF")
    edge = darker(cover)
    return [
        (rect(2, 1, 14, 15, 1), cover, edge),
        (rect(4, 11, 14, 14), pages, edge),
        (rect(4, 1, 5, 11), edge, None),
        (rect(6, 3, 12, 6), hexrgb("#BFE0FA"), None),
    ]


def tag():
    red = hexrgb("#E5566B")
    p, h = along(1.8, 1.8, 45), 3.6
    body = poly(p(0, 0), p(4, h), p(14.2, h), p(14.2, -h), p(4, -h), r=0.7)
    return [(cut(body, circle(*p(4.2, 0), 1.3)), red, darker(red))]


PICTURES = [folder, pencil, chat, forum, globe, bank, envelope, gamepad, dots, book, tag]

# --- rendering ---

SUBSAMPLES = 4


def render(picture, size):
    """One picture as rows of straight-alpha BGRA pixels, top row first."""
    unit = 16 / size
    layers = picture()[::-1]  # topmost first: the first hit colours the sample
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    u = (x + (sx + 0.5) / SUBSAMPLES) * unit
                    v = (y + (sy + 0.5) / SUBSAMPLES) * unit
                    for shape, fill, outline in layers:
                        d = shape(u, v)
                        if d <= 0:
                            rgb = outline if outline and d > -STROKE else fill
                            acc = [a + c for a, c in zip(acc, rgb)]
                            hits += 1
                            break
            if hits:
                r, g, b = (round(a / hits) for a in acc)
                row += bytes((b, g, r, round(255 * hits / SUBSAMPLES ** 2)))
            else:
                row += bytes(4)
        rows.append(row)
    return rows


def write_strip(path, size):
    images = [render(p, size) for p in PICTURES]
    width = size * len(images)
    pixels = b"".join(b"".join(img[y] for img in images) for y in range(size - 1, -1, -1))
    info = struct.pack("<IiiHHIIiiII", 40, width, size, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pixels)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_strip(os.path.join(out, "categories16.bmp"), 16)
    write_strip(os.path.join(out, "categories32.bmp"), 32)
