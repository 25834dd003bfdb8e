#!/usr/bin/env python3
"""Draws the module's bitmaps (resources/bitmaps/*.png) and the application's icon
(resources/icons/velogram_<size>.png) with the standard library alone.

Run from anywhere: python3 scripts/make_bitmaps.py. The files are committed; run this again
only after changing a drawing here. Every bitmap is drawn on a pixel grid without smoothing,
so each pixel colour is exact (the error icons rely on their corner colour being transparent,
and the marker and cursor bitmaps are combined with the screen by AND and XOR). The icon is
the one smoothed drawing: its shapes are distance functions in a unit square, so every size is
drawn from the same shapes, with edges one pixel soft.
"""

import os
import struct
import zlib

import math

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
OUT = os.path.join(RESOURCES, "bitmaps")
ICONS = os.path.join(RESOURCES, "icons")

BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
FACE = (192, 192, 192, 255)      # button face
SHADOW = (128, 128, 128, 255)    # button shadow
KEY_GREEN = (0, 255, 0, 255)     # transparent corner colour of the error icons
RED = (220, 30, 30, 255)
BLUE = (30, 80, 220, 255)
CLEAR = (0, 0, 0, 0)


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def write_png(name, pixels, alpha=False, folder=OUT):
    h = len(pixels)
    w = len(pixels[0])
    rows = bytearray()
    for row in pixels:
        rows.append(0)  # filter: none
        for r, g, b, a in row:
            rows.extend((r, g, b, a) if alpha else (r, g, b))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(png)


def inside(poly, x, y):
    """Even-odd test of the point (x, y) against a polygon of (x, y) corners."""
    hit = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                hit = not hit
    return hit


def fill_polygon(pixels, poly, colour, dx=0, dy=0):
    moved = [(x + dx, y + dy) for x, y in poly]
    for y, row in enumerate(pixels):
        for x in range(len(row)):
            if inside(moved, x + 0.5, y + 0.5):
                row[x] = colour


def fill_rect(pixels, x0, y0, x1, y1, colour):
    """Fills columns x0..x1-1 of rows y0..y1-1."""
    for y in range(y0, y1):
        for x in range(x0, x1):
            pixels[y][x] = colour


# An arrow pointing right inside a 16 x 16 cell: a shaft and a head.
RIGHT_ARROW = [(3, 7), (8, 7), (8, 3), (13, 8), (8, 13), (8, 9), (3, 9)]
# The same pointing left (mirrored).
LEFT_ARROW = [(16 - x, y) for x, y in RIGHT_ARROW]
# Pointing down onto a line at the bottom, and up from under a line at the top.
DOWN_ARROW = [(7, 1), (9, 1), (9, 6), (13, 6), (8, 11), (3, 6), (7, 6)]
UP_ARROW = [(x, 16 - y) for x, y in DOWN_ARROW]


def button(pressed):
    """Bitmaps 324 and 325: a black arrow on a button face; pressed shifts it by one pixel
    and shades the top and left edges."""
    p = canvas(16, 16, FACE)
    if pressed:
        fill_rect(p, 0, 0, 16, 1, SHADOW)
        fill_rect(p, 0, 0, 1, 16, SHADOW)
    fill_polygon(p, RIGHT_ARROW, BLACK, *((1, 1) if pressed else (0, 0)))
    return p


def marker(poly, line_row=None):
    """Bitmaps 326 to 328: monochrome, combined with the screen by AND, so white keeps the
    screen and black draws."""
    p = canvas(16, 16, WHITE)
    fill_polygon(p, poly, BLACK)
    if line_row is not None:
        fill_rect(p, 2, line_row, 14, line_row + 1, BLACK)
    return p


def cursor():
    """Bitmap 100: the graph cursor, drawn with XOR: black leaves the screen alone, white
    inverts. A cross through the hot spot (8, 8) with a gap around it."""
    p = canvas(16, 16, BLACK)
    for i in range(16):
        if abs(i - 8) > 1:
            p[8][i] = WHITE
            p[i][8] = WHITE
    return p


def error_icon(disc):
    """Bitmaps 206 and 207: 12 x 12, a disc with a white exclamation mark on green."""
    p = canvas(12, 12, KEY_GREEN)
    for y in range(12):
        for x in range(12):
            if (x + 0.5 - 6) ** 2 + (y + 0.5 - 6) ** 2 <= 5.8 ** 2:
                p[y][x] = disc
    fill_rect(p, 5, 2, 7, 7, WHITE)
    fill_rect(p, 5, 8, 7, 10, WHITE)
    return p


def row_arrow():
    """Icon 304: the arrow between the raw and the calibrated value of a row."""
    p = canvas(16, 16, CLEAR)
    fill_polygon(p, [(1, 7), (9, 7), (9, 3), (15, 8), (9, 13), (9, 9), (1, 9)], (40, 40, 40, 255))
    return p


# The application icon: a calibration curve through reference points on a graticule, on a
# rounded tile. Coordinates are in the unit square, y downwards; each shape is a signed
# distance (negative inside).
ICON_TILE_TOP = (38, 92, 140)
ICON_TILE_BOTTOM = (20, 52, 88)
ICON_GRID = (255, 255, 255, 70)
ICON_AXES = (235, 240, 245, 255)
ICON_CURVE = (250, 166, 35, 255)
ICON_POINT = (255, 255, 255, 255)


def rounded_rect_distance(x, y, x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    qx = abs(x - cx) - ((x1 - x0) / 2 - radius)
    qy = abs(y - cy) - ((y1 - y0) / 2 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def icon_curve_y(t):
    """The curve over the plot, t from 0 (left) to 1 (right): a cubic that rises, flattens
    and rises again, as a transducer's calibration does."""
    v = 0.08 + 2.1 * t - 2.9 * t * t + 1.62 * t ** 3
    return 0.80 - 0.56 * v


def over(dst, colour, coverage):
    """Composites colour (straight alpha) with the given coverage over dst."""
    r, g, b, a = colour
    sa = a / 255 * coverage
    if sa <= 0:
        return dst
    dr, dg, db, da = dst
    da /= 255
    oa = sa + da * (1 - sa)
    mix = lambda s_, d_: (s_ * sa + d_ * da * (1 - sa)) / oa
    return (mix(r, dr), mix(g, dg), mix(b, db), oa * 255)


def app_icon(size):
    px = 1.0 / size
    cover = lambda d: max(0.0, min(1.0, 0.5 - d / px))
    left, right, top, bottom = 0.20, 0.84, 0.18, 0.80
    xs = [left + (right - left) * i / 48 for i in range(49)]
    curve = [(x, icon_curve_y((x - left) / (right - left))) for x in xs]
    segments = list(zip(curve, curve[1:]))
    points = [(x, icon_curve_y((x - left) / (right - left))) for x in (0.26, 0.42, 0.58, 0.78)]
    grid_lines = [((left, y), (right, y)) for y in (0.33, 0.49, 0.64)]
    grid_lines += [((x, top), (x, bottom)) for x in (0.36, 0.52, 0.68)]
    axes = [((left, top - 0.02), (left, bottom)), ((left, bottom), (right + 0.02, bottom))]
    grid_width = max(0.012, px)
    pixels = canvas(size, size, CLEAR)
    for j in range(size):
        y = (j + 0.5) * px
        for i in range(size):
            x = (i + 0.5) * px
            tile = cover(rounded_rect_distance(x, y, 0.06, 0.06, 0.94, 0.94, 0.17))
            if tile <= 0:
                continue
            shade = (y - 0.06) / 0.88
            base = tuple(round(t + (b - t) * shade) for t, b in zip(ICON_TILE_TOP, ICON_TILE_BOTTOM))
            c = (0, 0, 0, 0)
            c = over(c, base + (255,), tile)
            for a, b in grid_lines:
                c = over(c, ICON_GRID, cover(segment_distance(x, y, a, b) - grid_width / 2))
            for a, b in axes:
                c = over(c, ICON_AXES, cover(segment_distance(x, y, a, b) - 0.014))
            d = min(segment_distance(x, y, a, b) for a, b in segments)
            c = over(c, ICON_CURVE, cover(d - 0.03))
            for cx, cy in points:
                d = math.hypot(x - cx, y - cy)
                c = over(c, ICON_CURVE, cover(d - 0.058))
                c = over(c, ICON_POINT, cover(d - 0.036))
            pixels[j][i] = tuple(int(round(v)) for v in c)
    return pixels


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png("100.png", cursor())
    write_png("206.png", error_icon(RED))
    write_png("207.png", error_icon(BLUE))
    write_png("304.png", row_arrow(), alpha=True)
    write_png("324.png", button(False))
    write_png("325.png", button(True))
    write_png("326.png", marker(LEFT_ARROW))
    write_png("327.png", marker(DOWN_ARROW, line_row=13))
    write_png("328.png", marker(UP_ARROW, line_row=2))
    os.makedirs(ICONS, exist_ok=True)
    for size in (48, 256):
        write_png("velogram_%d.png" % size, app_icon(size), alpha=True, folder=ICONS)


if __name__ == "__main__":
    main()
