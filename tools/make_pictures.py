#!/usr/bin/env python3
"""Draws every icon and picture of Corvallo.exe into ui/resources/.

Plain Python 3, no packages: shapes are distance functions, edges are anti-aliased by supersampling
the pixels a shape's edge crosses, and the ICO (32-bit BGRA plus AND mask), BMP and preview PNG files
are written here byte by byte. The output is committed; the build does not run this script.

    tools/make_pictures.py                  write the pictures into ui/resources/
    tools/make_pictures.py --check          exit 1 if a committed picture differs from what this draws
    tools/make_pictures.py --preview DIR    also write enlarged PNG sheets into DIR, to look at them
"""

import argparse
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.normpath(os.path.join(HERE, "..", "ui", "resources"))

# ---------------------------------------------------------------------------------------------------
# Shapes. Each is a signed distance in pixels (negative inside) that never overstates the true
# distance, so a pixel whose centre is more than half a diagonal away from the edge is wholly in
# or out and only the pixels along an edge need supersampling.


class Shape:
    def __init__(self, d, bbox):
        self.d = d          # (x, y) -> signed distance
        self.bbox = bbox    # (x0, y0, x1, y1), or None for unbounded


def _bbox_union(boxes):
    if any(b is None for b in boxes):
        return None
    return (min(b[0] for b in boxes), min(b[1] for b in boxes),
            max(b[2] for b in boxes), max(b[3] for b in boxes))


def _bbox_intersection(boxes):
    boxes = [b for b in boxes if b is not None]
    if not boxes:
        return None
    return (max(b[0] for b in boxes), max(b[1] for b in boxes),
            min(b[2] for b in boxes), min(b[3] for b in boxes))


def _grow(bbox, r):
    if bbox is None:
        return None
    return (bbox[0] - r, bbox[1] - r, bbox[2] + r, bbox[3] + r)


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    # The ellipse's own norm scaled by its short radius: exact on the axes, an underestimate elsewhere.
    m = min(rx, ry)

    def d(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * m
    return Shape(d, (cx - rx, cy - ry, cx + rx, cy + ry))


def box(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius
    return Shape(d, (x0, y0, x1, y1))


def above(y0):
    """Everything above the line y = y0 (y grows downwards)."""
    return Shape(lambda x, y: y - y0, None)


def polygon(points):
    pts = list(points)
    n = len(pts)

    def d(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            dx, dy = wx - ex * t, wy - ey * t
            best = min(best, dx * dx + dy * dy)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        dist = math.sqrt(best)
        return -dist if inside else dist
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(d, (min(xs), min(ys), max(xs), max(ys)))


def segment(ax, ay, bx, by, width):
    r = width / 2
    ex, ey = bx - ax, by - ay
    ll = ex * ex + ey * ey

    def d(x, y):
        wx, wy = x - ax, y - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / ll))
        return math.hypot(wx - ex * t, wy - ey * t) - r
    return Shape(d, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r))


def polyline(points, width):
    return union(*[segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)])


def union(*shapes):
    ds = [s.d for s in shapes]
    return Shape(lambda x, y: min(f(x, y) for f in ds), _bbox_union([s.bbox for s in shapes]))


def intersection(*shapes):
    ds = [s.d for s in shapes]
    return Shape(lambda x, y: max(f(x, y) for f in ds), _bbox_intersection([s.bbox for s in shapes]))


def minus(a, b):
    da, db = a.d, b.d
    return Shape(lambda x, y: max(da(x, y), -db(x, y)), a.bbox)


def grown(s, r):
    """The shape widened by r pixels (rounds its corners); negative r shrinks it."""
    f = s.d
    return Shape(lambda x, y: f(x, y) - r, _grow(s.bbox, max(r, 0.0)))


def rotated(s, cx, cy, deg):
    c, sn = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    f = s.d

    def d(x, y):
        dx, dy = x - cx, y - cy
        return f(cx + dx * c + dy * sn, cy - dx * sn + dy * c)
    if s.bbox is None:
        return Shape(d, None)
    x0, y0, x1, y1 = s.bbox
    reach = max(math.hypot(px - cx, py - cy) for px in (x0, x1) for py in (y0, y1))
    return Shape(d, (cx - reach, cy - reach, cx + reach, cy + reach))


# ---------------------------------------------------------------------------------------------------
# Colours and paints. Colours are (r, g, b, a) in 0..1, straight alpha, sRGB.


def rgb(hexcode, alpha=1.0):
    h = hexcode.lstrip("#")
    return (int(h[0:2], 16) / 255, int(h[2:4], 16) / 255, int(h[4:6], 16) / 255, alpha)


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vertical(y0, c0, y1, c1):
    return lambda x, y: mix(c0, c1, (y - y0) / (y1 - y0))


def horizontal(x0, c0, x1, c1):
    return lambda x, y: mix(c0, c1, (x - x0) / (x1 - x0))


def stops(coord, points):
    """A gradient along one coordinate through several (position, colour) stops."""
    def paint(x, y):
        v = x if coord == "x" else y
        if v <= points[0][0]:
            return points[0][1]
        for (p0, c0), (p1, c1) in zip(points, points[1:]):
            if v <= p1:
                return mix(c0, c1, (v - p0) / (p1 - p0))
        return points[-1][1]
    return paint


# ---------------------------------------------------------------------------------------------------
# Canvas: premultiplied RGBA floats.

SUPERSAMPLE = 6
_OFFSETS = [(i + 0.5) / SUPERSAMPLE for i in range(SUPERSAMPLE)]
_HALF_DIAGONAL = 0.7072


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def _pixels(self, shape):
        if shape.bbox is None:
            x0, y0, x1, y1 = 0, 0, self.w, self.h
        else:
            x0 = max(0, int(math.floor(shape.bbox[0])) - 1)
            y0 = max(0, int(math.floor(shape.bbox[1])) - 1)
            x1 = min(self.w, int(math.ceil(shape.bbox[2])) + 1)
            y1 = min(self.h, int(math.ceil(shape.bbox[3])) + 1)
        d = shape.d
        for j in range(y0, y1):
            for i in range(x0, x1):
                dc = d(i + 0.5, j + 0.5)
                if dc >= _HALF_DIAGONAL:
                    continue
                if dc <= -_HALF_DIAGONAL:
                    yield i, j, 1.0
                    continue
                hits = 0
                for oy in _OFFSETS:
                    for ox in _OFFSETS:
                        if d(i + ox, j + oy) < 0:
                            hits += 1
                if hits:
                    yield i, j, hits / (SUPERSAMPLE * SUPERSAMPLE)

    def fill(self, shape, paint, opacity=1.0):
        constant = paint if isinstance(paint, tuple) else None
        for i, j, cov in self._pixels(shape):
            r, g, b, a = constant or paint(i + 0.5, j + 0.5)
            sa = a * cov * opacity
            p = self.px[j * self.w + i]
            k = 1.0 - sa
            p[0] = r * sa + p[0] * k
            p[1] = g * sa + p[1] * k
            p[2] = b * sa + p[2] * k
            p[3] = sa + p[3] * k

    def erase(self, shape):
        for i, j, cov in self._pixels(shape):
            p = self.px[j * self.w + i]
            k = 1.0 - cov
            p[0] *= k
            p[1] *= k
            p[2] *= k
            p[3] *= k

    def map(self, fn):
        """Replaces every pixel's straight colour by fn(r, g, b, a)."""
        for p in self.px:
            a = p[3]
            if a <= 0.0:
                continue
            r, g, b, a = fn(p[0] / a, p[1] / a, p[2] / a, a)
            p[0], p[1], p[2], p[3] = r * a, g * a, b * a, a

    def straight_bytes(self, dither=False):
        """Rows top to bottom of (r, g, b, a) bytes, straight alpha."""
        out = []
        for j in range(self.h):
            row = []
            for i in range(self.w):
                r, g, b, a = self.px[j * self.w + i]
                bias = (_BAYER[j % 4][i % 4] - 7.5) / 16.0 if dither else 0.0
                if a <= 1e-9:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(_byte(c / a * 255 + bias) for c in (r, g, b)) + (_byte(a * 255),))
            out.append(row)
        return out


_BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def _byte(v):
    return max(0, min(255, int(math.floor(v + 0.5))))


# ---------------------------------------------------------------------------------------------------
# File formats.


def ico_bytes(canvases):
    """An ICO file holding one 32-bit BGRA image per canvas, each with its AND mask."""
    images = []
    for cv in canvases:
        rows = cv.straight_bytes()
        xor = bytearray()
        for row in reversed(rows):  # bottom-up
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((cv.w + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            line = bytearray(mask_stride)
            for i, (_, _, _, a) in enumerate(row):
                if a < 128:  # what a mask-only renderer should leave transparent
                    line[i // 8] |= 0x80 >> (i % 8)
            mask += line
        header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 32, 0, len(xor) + len(mask),
                             0, 0, 0, 0)
        images.append((cv.w, cv.h, header + bytes(xor) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def bmp_bytes(cv):
    """A 24-bit BMP of an opaque canvas, dithered so that soft gradients show no bands."""
    rows = cv.straight_bytes(dither=True)
    stride = (cv.w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def png_bytes(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = bytearray()
    for row in rgba_rows:
        raw.append(0)
        for px in row:
            raw += bytes(px)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------------
# Palette.

SLATE_TOP = rgb("#c9d6e3")
SLATE_RIM = rgb("#a9bbcd")
SLATE_LIGHT = rgb("#7d98b3")
SLATE = rgb("#5f7c99")
SLATE_DARK = rgb("#46607a")

GREY_TOP = rgb("#d5dadf")
GREY_RIM = rgb("#b9c0c7")
GREY_LIGHT = rgb("#9aa3ad")
GREY = rgb("#818b96")
GREY_DARK = rgb("#66707b")

GREEN_LIGHT = rgb("#3fc46e")
GREEN = rgb("#27a859")
GREEN_DARK = rgb("#1d8a47")
RED_LIGHT = rgb("#f0605a")
RED = rgb("#dc3d38")
RED_DARK = rgb("#bb2d29")
AMBER_LIGHT = rgb("#ffc04d")
AMBER_DARK = rgb("#d4820a")
INK = rgb("#3a4653")
WHITE = rgb("#ffffff")

# ---------------------------------------------------------------------------------------------------
# Motifs.


def cylinder(cv, lay, colours):
    """A storage cylinder of stacked disks; the gaps between the disks follow their lower rims."""
    face, rim, light, body, dark = colours
    cx, rx, ry, top, bottom = lay["cx"], lay["rx"], lay["ry"], lay["top"], lay["bottom"]
    silhouette = union(ellipse(cx, top, rx, ry), box(cx - rx, top, cx + rx, bottom),
                       ellipse(cx, bottom, rx, ry))
    cv.fill(silhouette, stops("x", [(cx - rx, body), (cx - rx * 0.45, light), (cx + rx * 0.2, body),
                                    (cx + rx, dark)]))
    for gap_top in lay["gaps"]:
        y = gap_top - ry
        upper = union(ellipse(cx, y, rx, ry), above(y))
        lower = union(ellipse(cx, y + lay["gap"], rx, ry), above(y + lay["gap"]))
        cv.erase(minus(lower, upper))
    cv.fill(ellipse(cx, top, rx, ry), rim)
    inset = max(0.75, ry * 0.22)
    cv.fill(ellipse(cx, top + inset * 0.35, rx - inset * 1.4, ry - inset), face)


# Storage motif per size: cylinder centre and radii, top face and lowest rim centres, the top of each
# gap at the centre line, and the badge in the lower right. Edges of the small sizes sit on pixels.
STORAGE = {
    16: dict(cx=7, rx=6, ry=2, top=3, bottom=12, gaps=(8, 11), gap=1, bx=12, by=12, br=4, bgap=1),
    20: dict(cx=8.5, rx=7.5, ry=3, top=4, bottom=15, gaps=(11, 14), gap=1, bx=15, by=15, br=5, bgap=1),
    24: dict(cx=10, rx=9, ry=3.5, top=4.5, bottom=17.5, gaps=(12, 17), gap=1, bx=18, by=18, br=6,
             bgap=1),
    32: dict(cx=13, rx=11, ry=4.5, top=6.5, bottom=24.5, gaps=(17, 23), gap=1, bx=24, by=24, br=8,
             bgap=1.5),
    48: dict(cx=19.5, rx=16.5, ry=6.5, top=9.5, bottom=36.5, gaps=(25, 34), gap=1.5, bx=36, by=36,
             br=12, bgap=2),
    256: dict(cx=104, rx=88, ry=36, top=52, bottom=196, gaps=(136, 184), gap=7, bx=190, by=190,
              br=62, bgap=10),
}


def badge_disc(cv, cx, cy, r, gap, colours):
    light, _, dark = colours
    if gap:
        cv.erase(circle(cx, cy, r + gap))
    cv.fill(circle(cx, cy, r), vertical(cy - r, light, cy + r, dark))


def _even(v):
    """v rounded to an even whole number of at least 2, so that a stroke centred on a whole-pixel
    centre line of the badge has both its edges on pixel boundaries."""
    return max(2, 2 * round(v / 2))


def glyph_minus(cx, cy, r):
    half, h = round(r * 0.65 + 0.01), _even(r * 0.38)
    return box(cx - half, cy - h / 2, cx + half, cy + h / 2, h * 0.12)


def glyph_arrow_down(cx, cy, r):
    """A bold arrow pointing down into the storage."""
    shaft, head = _even(r * 0.38), round(r * 0.7)
    tip, shaft_top = cy + round(r * 0.7), cy - round(r * 0.66)
    head_top = tip - head
    return union(box(cx - shaft / 2, shaft_top, cx + shaft / 2, head_top + 0.5, shaft * 0.12),
                 polygon([(cx - head, head_top), (cx + head, head_top), (cx, tip)]))


def glyph_check(cx, cy, r):
    return polyline([(cx - r * 0.46, cy + r * 0.02), (cx - r * 0.13, cy + r * 0.34),
                     (cx + r * 0.48, cy - r * 0.32)], r * 0.24)


GLYPHS = {"arrow": glyph_arrow_down, "minus": glyph_minus, "check": glyph_check}


def badge(cv, cx, cy, r, gap, colours, kind):
    badge_disc(cv, cx, cy, r, gap, colours)
    cv.fill(GLYPHS[kind](cx, cy, r), WHITE)


SLATE_SET = (SLATE_TOP, SLATE_RIM, SLATE_LIGHT, SLATE, SLATE_DARK)
GREY_SET = (GREY_TOP, GREY_RIM, GREY_LIGHT, GREY, GREY_DARK)
GREEN_SET = (GREEN_LIGHT, GREEN, GREEN_DARK)
RED_SET = (RED_LIGHT, RED, RED_DARK)


def draw_storage(size, colours, badge_colours, kind):
    cv = Canvas(size, size)
    lay = STORAGE[size]
    cylinder(cv, lay, colours)
    badge(cv, lay["bx"], lay["by"], lay["br"], lay["bgap"], badge_colours, kind)
    return cv


def draw_program(size):
    return draw_storage(size, SLATE_SET, GREEN_SET, "arrow")


def draw_tray(size, kind):
    return draw_storage(size, GREY_SET, GREEN_SET if kind == "arrow" else RED_SET, kind)


def draw_start(size=32):
    cv = Canvas(size, size)
    tri = polygon([(10, 6.5), (10, 25.5), (25.5, 16)])
    cv.fill(grown(tri, 2.2), vertical(4, GREEN_LIGHT, 28, GREEN_DARK))
    return cv


def draw_stop(size=32):
    cv = Canvas(size, size)
    cv.fill(box(6, 6, 26, 26, 3.5), vertical(6, RED_LIGHT, 26, RED_DARK))
    return cv


def gear(cx, cy, outer, inner, hole, teeth):
    tooth_w = outer * 0.42
    parts = [circle(cx, cy, inner)]
    for k in range(teeth):
        t = box(cx - tooth_w / 2, cy - outer, cx + tooth_w / 2, cy, tooth_w * 0.18)
        parts.append(rotated(t, cx, cy, k * 360.0 / teeth))
    return minus(union(*parts), circle(cx, cy, hole))


def draw_options(size=32):
    cv = Canvas(size, size)
    g = gear(16, 16, 13, 10, 4.2, 8)
    cv.fill(g, vertical(3, SLATE_LIGHT, 29, SLATE_DARK))
    return cv


def greyed(cv):
    """The disabled look of a toolbar picture: grey, light and half transparent."""
    out = Canvas(cv.w, cv.h)
    out.px = [list(p) for p in cv.px]

    def fn(r, g, b, a):
        lum = 0.299 * r + 0.587 * g + 0.114 * b
        v = 0.55 + lum * 0.35
        return v, v, v, a * 0.6
    out.map(fn)
    return out


def draw_status(kind, size=32):
    cv = Canvas(size, size)
    colours = GREEN_SET if kind == "check" else RED_SET
    badge(cv, 16, 16, 14, 0, colours, kind)
    return cv


def _stopwatch_button(cx, cy, reach, scale, deg):
    """A stem and cap standing out of the watch's rim, turned deg clockwise from 12 o'clock."""
    cap_w, cap_h, stem_w = 7 * scale, 4.5 * scale, 3 * scale
    y = cy - reach
    shape = union(box(cx - cap_w / 2, y, cx + cap_w / 2, y + cap_h, 1.5 * scale),
                  box(cx - stem_w / 2, y + cap_h - 1, cx + stem_w / 2, y + cap_h + 5 * scale))
    return rotated(shape, cx, cy, deg) if deg else shape


def draw_countdown(size=48):
    cv = Canvas(size, size)
    cx, cy, r = 24, 27, 17.5
    cv.fill(_stopwatch_button(cx, cy, 24.5, 1.0, 0), INK)
    cv.fill(_stopwatch_button(cx, cy, 23, 0.85, 45), INK)
    cv.fill(circle(cx, cy, r), vertical(cy - r, AMBER_LIGHT, cy + r, AMBER_DARK))
    cv.fill(circle(cx, cy, r - 3.5), WHITE)
    # The time still to run, as a wedge from 12 o'clock to the hand.
    sweep, rr = 130.0, r - 6
    pts = [(cx, cy)] + [(cx + rr * 1.5 * math.cos(math.radians(-90 + sweep * i / 12)),
                         cy + rr * 1.5 * math.sin(math.radians(-90 + sweep * i / 12)))
                        for i in range(13)]
    cv.fill(intersection(circle(cx, cy, rr), polygon(pts)), rgb("#ffd68a"))
    for k in range(12):
        a = math.radians(k * 30)
        r0 = r - 5.2 if k % 3 else r - 6.5
        cv.fill(segment(cx + r0 * math.cos(a), cy + r0 * math.sin(a),
                        cx + (r - 4.2) * math.cos(a), cy + (r - 4.2) * math.sin(a),
                        1.6 if k % 3 == 0 else 1.0), INK)
    a = math.radians(-90 + sweep)
    cv.fill(segment(cx, cy, cx + (rr - 0.5) * math.cos(a), cy + (rr - 0.5) * math.sin(a), 2.2), INK)
    cv.fill(circle(cx, cy, 2.2), INK)
    return cv


def draw_countdown_background(w=300, h=200):
    cv = Canvas(w, h)
    cv.fill(box(0, 0, w, h), vertical(0, rgb("#fdfeff"), h, rgb("#e4eaf1")))
    # A slim accent along the top edge: the window has no title bar of its own.
    cv.fill(box(0, 0, w, 4), horizontal(0, SLATE, w, SLATE_LIGHT))
    # A quiet band behind the buttons.
    cv.fill(box(1, 146, w - 1, h - 1), rgb("#dfe6ee"), 0.55)
    cv.fill(box(1, 146, w - 1, 147), rgb("#c9d3de"))
    cv.fill(box(1, 147, w - 1, 148), WHITE, 0.8)
    # Frame: a slate outer line and a white inner line.
    cv.fill(minus(box(0, 0, w, h), box(1, 1, w - 1, h - 1)), rgb("#8ea0b3"))
    cv.fill(minus(box(1, 1, w - 1, h - 1), box(2, 2, w - 2, h - 2)), WHITE, 0.9)
    return cv


# ---------------------------------------------------------------------------------------------------
# What goes where.

PROGRAM_SIZES = (16, 24, 32, 48, 256)
TRAY_SIZES = (16, 20, 24, 32)


def pictures():
    """(file name, list of canvases) for every picture file."""
    out = [
        ("corvallo.ico", [draw_program(s) for s in PROGRAM_SIZES]),
        ("tray_idle.ico", [draw_tray(s, "minus") for s in TRAY_SIZES]),
        ("tray_active.ico", [draw_tray(s, "arrow") for s in TRAY_SIZES]),
    ]
    for name, draw in (("start", draw_start), ("stop", draw_stop), ("options", draw_options)):
        cv = draw()
        out.append(("toolbar_%s.ico" % name, [cv]))
        out.append(("toolbar_%s_disabled.ico" % name, [greyed(cv)]))
    out += [
        ("status_running.ico", [draw_status("check")]),
        ("status_stopped.ico", [draw_status("minus")]),
        ("countdown.ico", [draw_countdown()]),
        ("countdown_background.bmp", [draw_countdown_background()]),
    ]
    return out


def encode(name, canvases):
    return bmp_bytes(canvases[0]) if name.endswith(".bmp") else ico_bytes(canvases)


def preview(name, canvases, folder):
    """One PNG per picture: each size enlarged on a checkerboard, then actual size on light and dark."""
    zoom_for = {256: 1}
    tiles = []
    for cv in canvases:
        z = zoom_for.get(cv.w, 2 if cv.w > 64 else 8)
        tiles.append((cv, z))
    gap = 8
    width = gap + sum(cv.w * z + gap for cv, z in tiles) + 2 * (max(cv.w for cv, _ in tiles) + gap)
    height = gap + max(max(cv.h * z for cv, z in tiles), sum(cv.h + gap for cv, _ in tiles)) + gap
    sheet = [[(128, 128, 128, 255)] * width for _ in range(height)]

    def put(cv, ox, oy, zoom, background):
        rows = cv.straight_bytes()
        for j in range(cv.h * zoom):
            for i in range(cv.w * zoom):
                r, g, b, a = rows[j // zoom][i // zoom]
                br, bg, bb = background(i, j)
                t = a / 255
                sheet[oy + j][ox + i] = (round(r * t + br * (1 - t)), round(g * t + bg * (1 - t)),
                                         round(b * t + bb * (1 - t)), 255)

    def checker(i, j):
        return (255, 255, 255) if ((i // 8) + (j // 8)) % 2 else (214, 214, 214)

    x = gap
    for cv, z in tiles:
        put(cv, x, gap, z, checker)
        x += cv.w * z + gap
    # Actual size, largest first, on a light and a dark taskbar colour.
    y = gap
    for cv, _ in sorted(tiles, key=lambda t: -t[0].w):
        put(cv, x, y, 1, lambda i, j: (243, 243, 243))
        put(cv, x + cv.w + gap, y, 1, lambda i, j: (32, 32, 32))
        y += cv.h + gap
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name.rsplit(".", 1)[0] + ".png"), "wb") as f:
        f.write(png_bytes(width, height, sheet))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare with the committed files only")
    parser.add_argument("--preview", metavar="DIR", help="also write enlarged PNG sheets into DIR")
    parser.add_argument("--out", default=RESOURCES, help="folder of the pictures (default ui/resources)")
    args = parser.parse_args()

    stale = []
    for name, canvases in pictures():
        data = encode(name, canvases)
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
        if args.preview:
            preview(name, canvases, args.preview)
    if stale:
        print("out of date (run tools/make_pictures.py): " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
