#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the desktop menu's icons: a scalable SVG and PNGs drawn for each hicolor size.

The same storage box as icon 128 (make_images.py: dark casing, two drive bays, a green lamp), on
the same 16-unit grid, with what a larger size can show: rounded corners, a slot in each bay.
Each PNG is drawn at its own size, its edges on whole pixels, anti-aliased by supersampling.
Standard library only. Run from anywhere: python3 resources/tools/make_menu_icons.py
"""
import os

from make_images import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "packaging", "icons")
APP_ID = "org.halvo.Halvo"
SIZES = (16, 32, 48, 64, 128, 256)
SUPERSAMPLE = 4

CASING = (38, 70, 120)
EDGE = (20, 36, 64)
BAY = (170, 190, 215)
SLOT = (96, 118, 150)
LAMP = (60, 210, 90)


def edge_width(n):
    """The casing's rim in pixels: icon 128's one unit at 16 and 32 px, thinner above."""
    return 16.0 / n if n <= 32 else max(1.0, round(n / 24.0)) * 16.0 / n


def shapes(n):
    """(left, top, right, bottom, corner radius, colour) in grid units, painted in order."""
    e = edge_width(n) if n else 0.67
    detail = n == 0 or n >= 32
    r = 1.0 if detail else 0.0
    out = [(1, 2, 15, 14, r, EDGE), (1 + e, 2 + e, 15 - e, 14 - e, max(0.0, r - e), CASING)]
    for top in (4, 8):
        out.append((3, top, 13, top + 2, 0.3 if detail else 0.0, BAY))
        if detail:
            out.append((4, top + 0.8, 12, top + 1.2, 0.2, SLOT))
    out.append((11, 11, 13, 13 if detail else 12, 0.5 if detail else 0.0, LAMP))
    return out


def inside(px, py, shape):
    left, top, right, bottom, radius, _ = shape
    if not (left <= px < right and top <= py < bottom):
        return False
    if radius <= 0:
        return True
    cx = min(max(px, left + radius), right - radius)
    cy = min(max(py, top + radius), bottom - radius)
    return (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius


def snapped(n):
    """The shapes in pixels, each edge on a whole pixel of this size."""
    k = n / 16.0
    return [(round(l * k), round(t * k), round(r * k), round(b * k), rad * k, c)
            for (l, t, r, b, rad, c) in shapes(n)]


def write_size(path, n):
    pixels = snapped(n)
    step = 1.0 / SUPERSAMPLE
    offsets = [(i + 0.5) * step for i in range(SUPERSAMPLE)]

    def pixel(x, y, _n):
        hits = []
        for oy in offsets:
            for ox in offsets:
                colour = None
                for shape in pixels:
                    if inside(x + ox, y + oy, shape):
                        colour = shape[5]
                if colour is not None:
                    hits.append(colour)
        if not hits:
            return (0, 0, 0, 0)
        mean = [round(sum(c[i] for c in hits) / len(hits)) for i in range(3)]
        return (*mean, round(255 * len(hits) / (SUPERSAMPLE * SUPERSAMPLE)))

    write_png(path, n, pixel)


def write_svg(path):
    rows = []
    for (l, t, r, b, rad, (cr, cg, cb)) in shapes(0):
        rows.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="#%02x%02x%02x"/>'
                    % (l, t, r - l, b - t, rad, cr, cg, cb))
    with open(path, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" '
                'viewBox="0 0 16 16">\n  <title>Halvo</title>\n' + "\n".join(rows) + "\n</svg>\n")


def main():
    for n in SIZES:
        folder = os.path.join(OUT, "%dx%d" % (n, n))
        os.makedirs(folder, exist_ok=True)
        write_size(os.path.join(folder, APP_ID + ".png"), n)
    os.makedirs(os.path.join(OUT, "scalable"), exist_ok=True)
    write_svg(os.path.join(OUT, "scalable", APP_ID + ".svg"))


if __name__ == "__main__":
    main()
