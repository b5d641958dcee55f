#!/usr/bin/env python3
"""Draws Brevlin's artwork and writes it in the formats the resource script uses.

Run from anywhere:  python3 resources/make_art.py          (rewrites the files)
                    python3 resources/make_art.py --check  (exit 1 if a file is stale)

Everything is drawn here from simple shapes and hand-made pixel maps; only the
Python standard library is used and the output is byte-for-byte reproducible.

Files written next to this script:
  brevlin_16.bin, brevlin_32.bin     the program icon's two images (16x16 and
                                     32x32, 24 bpp) as bare RT_ICON data
  brevlin.grp                        matching GRPICONDIR (RT_GROUP_ICON data),
                                     naming the images by their fixed ids
  help_16.bin, help_32.bin, help.grp the same for the help icon
  hand.cur                           monochrome 32x32 hand cursor, hot spot (5,0)
  donate.gif                         60x29 "PayPal / DONATE" button
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# RT_ICON ids used by brevlin.rc; resource.h carries the same numbers.
ICON_IDS = {
    "brevlin": (30001, 30002),
    "help": (30003, 30004),
}


# ---------------------------------------------------------------------------
# A tiny supersampling rasteriser.
#
# Shapes are predicates inside(x, y) over pixel coordinates (pixel (i, j)
# covers [i, i+1) x [j, j+1)).  Each pixel holds SS x SS samples; painting
# overwrites samples.  When the canvas is resolved, a pixel is opaque if at
# least half its samples were painted, and its colour is the mean of the
# painted samples, so edges towards transparency stay hard (the icon mask is
# only one bit deep) while edges between shapes are smoothed.
# ---------------------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, ss=8):
        self.w, self.h, self.ss = width, height, ss
        self.samples = [None] * (width * ss * height * ss)
        self.overrides = {}

    def paint(self, inside, colour, box=None):
        """Paint every sample inside the shape.  colour is an (r, g, b)
        tuple or a function (x, y) -> (r, g, b)."""
        ss = self.ss
        sw = self.w * ss
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        i0, j0 = max(0, int(math.floor(x0 * ss))), max(0, int(math.floor(y0 * ss)))
        i1 = min(sw, int(math.ceil(x1 * ss)))
        j1 = min(self.h * ss, int(math.ceil(y1 * ss)))
        flat = not callable(colour)
        for j in range(j0, j1):
            y = (j + 0.5) / ss
            row = j * sw
            for i in range(i0, i1):
                x = (i + 0.5) / ss
                if inside(x, y):
                    self.samples[row + i] = colour if flat else colour(x, y)

    def erase(self, inside):
        self.paint(inside, None)

    def set_pixel(self, x, y, colour):
        """Hand touch-up of a single pixel after resolving (None = clear)."""
        self.overrides[(x, y)] = colour

    def resolve(self):
        ss = self.ss
        sw = self.w * ss
        half = (ss * ss + 1) // 2
        out = []
        for py in range(self.h):
            row = []
            for px in range(self.w):
                r = g = b = n = 0
                for j in range(py * ss, py * ss + ss):
                    base = j * sw + px * ss
                    for c in self.samples[base:base + ss]:
                        if c is not None:
                            r += c[0]
                            g += c[1]
                            b += c[2]
                            n += 1
                if n >= half:
                    row.append((int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5)))
                else:
                    row.append(None)
            out.append(row)
        for (x, y), c in sorted(self.overrides.items()):
            out[y][x] = c
        return out


# Shape helpers -------------------------------------------------------------

def polygon(points):
    pts = list(points)

    def inside(x, y):
        hit = False
        n = len(pts)
        for k in range(n):
            xa, ya = pts[k]
            xb, yb = pts[(k + 1) % n]
            if (ya > y) != (yb > y):
                if x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    hit = not hit
        return hit
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    rr = r * r
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= rr


def eroded(shape, w):
    """The shape shrunk by roughly w pixels (used to leave an outline)."""
    d = w * math.sqrt(0.5)
    offsets = [(w, 0), (-w, 0), (0, w), (0, -w), (d, d), (d, -d), (-d, d), (-d, -d)]
    return lambda x, y: shape(x, y) and all(shape(x + ox, y + oy) for ox, oy in offsets)


def gear(cx, cy, r_tip, r_root, teeth, phase=0.0, land=0.34, flank=0.14):
    """A cogwheel: `land` is the share of a tooth pitch spent at the tip
    radius, `flank` the share of each sloping side."""
    pitch = 2 * math.pi / teeth

    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d > r_tip:
            return False
        if d <= r_root:
            return True
        t = ((math.atan2(dy, dx) - phase) / pitch) % 1.0
        t = abs(t - 0.5)            # 0 at the middle of a tooth
        top = land / 2
        if t <= top:
            lim = r_tip
        elif t <= top + flank:
            lim = r_tip - (r_tip - r_root) * (t - top) / flank
        else:
            lim = r_root
        return d <= lim
    return inside


def stroke(points, width):
    """Thick polyline with round joins and caps."""
    segs = list(zip(points, points[1:]))
    hw2 = (width / 2.0) ** 2

    def inside(x, y):
        for (xa, ya), (xb, yb) in segs:
            vx, vy = xb - xa, yb - ya
            ll = vx * vx + vy * vy
            t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - xa) * vx + (y - ya) * vy) / ll))
            px, py = xa + t * vx - x, ya + t * vy - y
            if px * px + py * py <= hw2:
                return True
        return False
    return inside


def arc_points(cx, cy, r, a0, a1, steps=24):
    """Points on a circular arc, angles in degrees, y axis pointing down."""
    pts = []
    for k in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * k / steps)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def vgrad(top, bottom, y0, y1):
    def colour(x, y):
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


def radial(centre, edge, cx, cy, r):
    def colour(x, y):
        t = min(1.0, math.hypot(x - cx, y - cy) / r)
        return tuple(a + (b - a) * t for a, b in zip(centre, edge))
    return colour


def hexrgb(s):
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


# ---------------------------------------------------------------------------
# Program icon: a sheet of paper with a folded corner and two cogwheels.
# ---------------------------------------------------------------------------

PAGE_EDGE = hexrgb("5b6472")
PAGE_TOP = hexrgb("ffffff")
PAGE_BOTTOM = hexrgb("e4e9f0")
FOLD = hexrgb("c9d1dc")
TEXT_LINE = hexrgb("8fa6c4")
BLUE_EDGE = hexrgb("1d3a66")
BLUE_LIGHT = hexrgb("8fb6ea")
BLUE_DARK = hexrgb("3563a6")
GOLD_EDGE = hexrgb("7a4a06")
GOLD_LIGHT = hexrgb("ffe07a")
GOLD_DARK = hexrgb("e09a1c")


def draw_page(cv, x0, y0, x1, y1, fold, edge_w, lines):
    page = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    cv.paint(page, PAGE_EDGE)
    cv.paint(eroded(page, edge_w), vgrad(PAGE_TOP, PAGE_BOTTOM, y0, y1))
    for (lx0, ly, lx1) in lines:
        cv.paint(rect(lx0, ly, lx1, ly + 1), TEXT_LINE)
    flap = polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)])
    cv.paint(flap, PAGE_EDGE)
    cv.paint(eroded(flap, edge_w * 0.9), FOLD)


def draw_gear(cv, cx, cy, r_tip, r_root, teeth, phase, hole, edge_w,
              light, dark, edge, land=0.34, flank=0.14):
    body = gear(cx, cy, r_tip, r_root, teeth, phase, land, flank)
    box = (cx - r_tip - 1, cy - r_tip - 1, cx + r_tip + 1, cy + r_tip + 1)
    cv.paint(body, edge, box)
    # lit from the upper left
    shade = radial(light, dark, cx - r_tip * 0.45, cy - r_tip * 0.45, r_tip * 1.7)
    cv.paint(eroded(body, edge_w), shade, box)
    if hole:
        cv.paint(circle(cx, cy, hole + edge_w), edge, box)
        cv.erase(circle(cx, cy, hole))


def brevlin_32():
    cv = Canvas(32, 32)
    lines = [(6, y, 19 if y < 10 else 16) for y in (6, 9, 12)] + [(6, 15, 11)]
    draw_page(cv, 2, 0, 24, 30, 7, 1.0, lines)
    draw_gear(cv, 21.5, 21.5, 10.3, 7.9, 8, math.radians(22.5), 2.6, 1.0,
              BLUE_LIGHT, BLUE_DARK, BLUE_EDGE)
    draw_gear(cv, 8.0, 24.5, 7.2, 5.2, 7, math.radians(-5), 1.7, 1.0,
              GOLD_LIGHT, GOLD_DARK, GOLD_EDGE, land=0.30, flank=0.16)
    return cv.resolve()


# At 16x16 a drawn gear turns to mush, so the small icon's cogwheels are
# pixel maps: '#' is metal, anything else is left alone (the hub hole shows
# what lies behind).  Metal next to a gap becomes outline, the rest is shaded.
SMALL_BLUE_GEAR = [
    "....##....",
    ".##.##.##.",
    ".########.",
    "..######..",
    "####..####",
    "####..####",
    "..######..",
    ".########.",
    ".##.##.##.",
    "....##....",
]

SMALL_GOLD_GEAR = [
    "...##...",
    ".######.",
    ".######.",
    "###..###",
    "###..###",
    ".######.",
    ".######.",
    "...##...",
]


def stamp_gear(pixels, rows, ox, oy, edge, light, dark):
    h, w = len(rows), len(rows[0])

    def metal(x, y):
        return 0 <= y < h and 0 <= x < w and rows[y][x] == "#"

    # light falls from the upper left
    lx, ly = w * 0.3, h * 0.3
    for y in range(h):
        for x in range(w):
            if not metal(x, y):
                continue
            if not all(metal(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                c = edge
            else:
                t = min(1.0, math.hypot(x + 0.5 - lx, y + 0.5 - ly) / (w * 0.75))
                c = tuple(int(a + (b - a) * t + 0.5) for a, b in zip(light, dark))
            pixels[oy + y][ox + x] = c


def brevlin_16():
    cv = Canvas(16, 16)
    draw_page(cv, 1, 0, 12, 15, 4, 1.0, [(3, 3, 8), (3, 5, 8), (3, 7, 6)])
    px = cv.resolve()
    stamp_gear(px, SMALL_GOLD_GEAR, 0, 8, GOLD_EDGE, GOLD_LIGHT, GOLD_DARK)
    stamp_gear(px, SMALL_BLUE_GEAR, 6, 6, BLUE_EDGE, BLUE_LIGHT, BLUE_DARK)
    return px


# ---------------------------------------------------------------------------
# Help icon: a purple book with a yellow question mark on the cover.
# ---------------------------------------------------------------------------

BOOK_EDGE = hexrgb("2e0f52")
BOOK_LIGHT = hexrgb("a565e0")
BOOK_DARK = hexrgb("5b24a0")
SPINE_LIGHT = hexrgb("6a2db3")
SPINE_DARK = hexrgb("3d1470")
LEAVES = hexrgb("f7f1e3")
LEAF_LINE = hexrgb("c9bfa8")
QM_EDGE = hexrgb("6b4700")
QM_FILL = hexrgb("ffd21f")
QM_LIGHT = hexrgb("fff09a")


def question_mark(cx, top, size):
    """Stroke path and dot for a question mark whose bowl is `size` wide."""
    r = size / 2.0
    bowl_cy = top + r
    pts = arc_points(cx, bowl_cy, r, 200, 395, 30)
    # from the right side of the bowl down into the stem
    ex, ey = pts[-1]
    pts += [(cx + r * 0.15, ey + r * 0.55), (cx, ey + r * 0.95), (cx, top + size * 1.45)]
    dot = (cx, top + size * 1.95)
    return pts, dot


def draw_book(cv, spine, x0, y0, x1, y1, leaves, edge_w):
    book = rect(x0, y0, x1, y1)
    cv.paint(book, BOOK_EDGE)
    inner = eroded(book, edge_w)
    # leaves along the bottom and right, cover over them
    cv.paint(lambda x, y: inner(x, y) and (y >= y1 - leaves - edge_w), LEAVES)
    cover = rect(x0, y0, x1 - leaves * 0.5, y1 - leaves)
    cv.paint(cover, BOOK_EDGE)
    cv.paint(eroded(cover, edge_w), vgrad(BOOK_LIGHT, BOOK_DARK, y0, y1))
    sp = rect(x0, y0, x0 + spine, y1 - leaves)
    cv.paint(sp, BOOK_EDGE)
    cv.paint(eroded(sp, edge_w), vgrad(SPINE_LIGHT, SPINE_DARK, y0, y1))


def help_32():
    cv = Canvas(32, 32)
    draw_book(cv, 6, 3, 1, 29, 31, 3, 1.0)
    cv.paint(rect(10, 29, 28, 30), LEAF_LINE)
    # small highlight band on the spine
    cv.paint(rect(5, 4, 7, 5), hexrgb("8a55cc"))
    cv.paint(rect(5, 24, 7, 25), hexrgb("8a55cc"))
    pts, (dx, dy) = question_mark(18.0, 6.0, 8.4)
    cv.paint(stroke(pts, 5.2), QM_EDGE)
    cv.paint(circle(dx, dy, 2.6), QM_EDGE)
    cv.paint(stroke(pts, 3.0), vgrad(QM_LIGHT, QM_FILL, 5, 14))
    cv.paint(circle(dx, dy, 1.5), QM_FILL)
    return cv.resolve()


def help_16():
    cv = Canvas(16, 16)
    draw_book(cv, 3, 1, 0, 15, 16, 2, 1.0)
    # at this size the question mark reads better drawn pixel by pixel
    glyph = [
        ".EEEEE.",
        "EEYYYEE",
        "EYEEEYE",
        "EEE.EYE",
        "..EEYYE",
        "..EYEEE",
        "..EYE..",
        "..EEE..",
        "..EYE..",
        "..EEE..",
    ]
    res = cv.resolve()
    colours = {"E": QM_EDGE, "Y": QM_FILL}
    for gy, line in enumerate(glyph):
        for gx, ch in enumerate(line):
            if ch in colours:
                res[2 + gy][5 + gx] = colours[ch]
    return res


# ---------------------------------------------------------------------------
# ICO / CUR writers
# ---------------------------------------------------------------------------

def bmp_info_header(width, height, bpp, image_bytes, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0,
                       image_bytes, 0, 0, colours_used, 0)


def and_mask(pixels, size, transparent):
    """1-bit mask, bottom-up, rows padded to 32 bits; bit set = transparent."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(size):
            if transparent(pixels[y][x]):
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def icon_image_24(pixels):
    """One RT_ICON payload: BITMAPINFOHEADER, 24-bit XOR image, AND mask."""
    size = len(pixels)
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            c = pixels[y][x]
            # transparent pixels are black so the XOR leaves the screen alone
            r, g, b = c if c is not None else (0, 0, 0)
            xor += bytes((b, g, r))
        xor += bytes((-len(xor)) % 4)
    mask = and_mask(pixels, size, lambda c: c is None)
    return bmp_info_header(size, size, 24, len(xor) + len(mask)) + bytes(xor) + mask


def group_icon_dir(images, ids):
    """GRPICONDIR as stored in an RT_GROUP_ICON resource."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for (size, data), rid in zip(images, ids):
        out += struct.pack("<BBBBHHIH", size % 256, size % 256, 0, 0, 1, 24,
                           len(data), rid)
    return out


def cur_file(mono, hot_x, hot_y):
    """mono: rows of 'B' (black), 'W' (white), anything else transparent."""
    size = 32
    rows = [line.ljust(size, ".") for line in mono] + ["." * size] * (size - len(mono))
    assert len(rows) == size and all(len(r) == size for r in rows)
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    # the XOR plane has the same layout as the mask; a set bit picks palette
    # entry 1 (white), a clear bit entry 0 (black, or nothing where masked)
    xor = and_mask(rows, size, lambda c: c == "W")
    mask = and_mask(rows, size, lambda c: c not in "BW")
    data = bmp_info_header(size, size, 1, len(xor) + len(mask), 2) + palette + xor + mask
    head = struct.pack("<HHH", 0, 2, 1)
    head += struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(data), 6 + 16)
    return head + data


# The hand: index finger straight up with its tip on the hot spot (5, 0).
HAND = [
    ".....BB",
    "....BWWB",
    "....BWWB",
    "....BWWB",
    "....BWWB",
    "....BWWBBB",
    "....BWWBWWBBB",
    "....BWWBWWBWWBB",
    "....BWWBWWBWWBWB",
    ".BB.BWWBWWBWWBWWB",
    "BWWBBWWWWWWWWWWWB",
    "BWWWBWWWWWWWWWWWB",
    ".BWWWBWWWWWWWWWWB",
    ".BWWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWB",
    "...BWWWWWWWWWWWB",
    "...BWWWWWWWWWWB",
    "....BWWWWWWWWWB",
    "....BWWWWWWWWWB",
    "....BBBBBBBBBBB",
]


# ---------------------------------------------------------------------------
# GIF writer (GIF89a, one image, global 256-entry palette) with LZW codec
# ---------------------------------------------------------------------------

def lzw_encode(indices, min_size):
    clear = 1 << min_size
    end = clear + 1
    out = bytearray()
    acc = nbits = 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    width = min_size + 1
    table = {}
    nxt = end + 1
    emit(clear, width)
    prefix = indices[0]
    for k in indices[1:]:
        code = table.get((prefix, k))
        if code is not None:
            prefix = code
            continue
        emit(prefix, width)
        if nxt < 4096:
            table[(prefix, k)] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = {}
            nxt = end + 1
            width = min_size + 1
        prefix = k
    emit(prefix, width)
    emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def lzw_decode(data, min_size):
    clear = 1 << min_size
    end = clear + 1
    pos = 0              # bit position
    total = len(data) * 8

    def read(width):
        nonlocal pos
        if pos + width > total:
            raise ValueError("LZW stream ends without an end code")
        v = 0
        for b in range(width):
            bit = pos + b
            v |= ((data[bit >> 3] >> (bit & 7)) & 1) << b
        pos += width
        return v

    out = []
    width = min_size + 1
    table = None
    prev = None
    while True:
        code = read(width)
        if code == clear:
            table = [(i,) for i in range(clear)] + [None, None]
            width = min_size + 1
            prev = None
            continue
        if code == end:
            return out
        if table is None:
            raise ValueError("LZW stream does not start with a clear code")
        if prev is None:
            entry = table[code]
        else:
            if code < len(table):
                entry = table[code]
                new = table[prev] + entry[:1]
            elif code == len(table):
                new = table[prev] + table[prev][:1]
                entry = new
            else:
                raise ValueError("LZW code %d out of range" % code)
            if len(table) < 4096:
                table.append(new)
                if len(table) == (1 << width) and width < 12:
                    width += 1
        if entry is None:
            raise ValueError("LZW code %d is reserved" % code)
        out.extend(entry)
        prev = code


def gif_file(pixels):
    h, w = len(pixels), len(pixels[0])
    colours = sorted({c for row in pixels for c in row})
    assert len(colours) <= 256, len(colours)
    index = {c: i for i, c in enumerate(colours)}
    table = b"".join(bytes(c) for c in colours) + bytes(3 * (256 - len(colours)))
    indices = [index[c] for row in pixels for c in row]
    data = lzw_encode(indices, 8)
    assert lzw_decode(data, 8) == indices, "LZW round trip failed"
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, 0, 0)
    out += table
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, w, h, 0)
    out += bytes((8,))
    for k in range(0, len(data), 255):
        chunk = data[k:k + 255]
        out += bytes((len(chunk),)) + chunk
    out += b"\x00\x3b"
    return bytes(out)


def gif_read(blob):
    """Decode what gif_file writes: returns rows of (r, g, b)."""
    if blob[:6] != b"GIF89a":
        raise ValueError("not a GIF89a file")
    w, h, flags, _, _ = struct.unpack_from("<HHBBB", blob, 6)
    pos = 13
    ncol = 2 << (flags & 7) if flags & 0x80 else 0
    gct = [tuple(blob[pos + 3 * i:pos + 3 * i + 3]) for i in range(ncol)]
    pos += 3 * ncol
    while blob[pos] == 0x21:                       # skip extensions
        pos += 2
        while blob[pos]:
            pos += blob[pos] + 1
        pos += 1
    if blob[pos] != 0x2C:
        raise ValueError("image descriptor expected")
    _, _, iw, ih, iflags = struct.unpack_from("<HHHHB", blob, pos + 1)
    pos += 10
    if iflags & 0xC0:
        raise ValueError("local palette / interlace not handled")
    min_size = blob[pos]
    pos += 1
    data = bytearray()
    while blob[pos]:
        data += blob[pos + 1:pos + 1 + blob[pos]]
        pos += blob[pos] + 1
    if blob[pos + 1] != 0x3B:
        raise ValueError("trailer expected")
    idx = lzw_decode(bytes(data), min_size)
    if len(idx) != iw * ih:
        raise ValueError("pixel count mismatch")
    return [[gct[i] for i in idx[y * iw:(y + 1) * iw]] for y in range(ih)]


# ---------------------------------------------------------------------------
# Donate button
# ---------------------------------------------------------------------------

# Bold pixel letters.  The value is (rows, offset of the first row from the
# cap line); 'y' hangs below the baseline.
LOGO_FONT = {
    "P": ([
        "######.",
        "##...##",
        "##...##",
        "##...##",
        "######.",
        "##.....",
        "##.....",
        "##.....",
        "##.....",
    ], 0),
    "a": ([
        ".####.",
        "....##",
        ".#####",
        "##..##",
        "##..##",
        ".#####",
    ], 3),
    "y": ([
        "##..##",
        "##..##",
        "##..##",
        "##..##",
        ".#####",
        "....##",
        "##..##",
        ".####.",
    ], 3),
    "l": ([
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
        "##",
    ], 0),
}

CAPS_FONT = {
    "D": ["####.", "##.##", "##.##", "##.##", "##.##", "##.##", "####."],
    "O": [".###.", "##.##", "##.##", "##.##", "##.##", "##.##", ".###."],
    "N": ["##..##", "###.##", "######", "##.###", "##..##", "##..##", "##..##"],
    "A": [".###.", "##.##", "##.##", "#####", "##.##", "##.##", "##.##"],
    "T": ["######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."],
    "E": ["#####", "##...", "##...", "####.", "##...", "##...", "#####"],
}

PAY_BLUE = hexrgb("0a2f7a")
PAL_BLUE = hexrgb("1f8fd8")
DONATE_INK = hexrgb("1b2f5c")
BUTTON_EDGE = hexrgb("b98a2a")
STRIPE_A = hexrgb("fff6d2")
STRIPE_B = hexrgb("ffedb3")
OUTSIDE = (255, 255, 255)


def text_width(text, font, gap, get=lambda g: g):
    return sum(len(get(font[ch])[0]) for ch in text) + gap * (len(text) - 1)


def donate_pixels():
    w, h = 60, 29
    px = [[None] * w for _ in range(h)]
    # striped background, slightly darker towards the bottom like a button
    for y in range(h):
        base = STRIPE_A if (y // 2) % 2 == 0 else STRIPE_B
        t = y / (h - 1)
        shade = 1.0 - 0.06 * t
        c = tuple(int(v * shade + 0.5) for v in base)
        for x in range(w):
            px[y][x] = c
    # border with rounded corners and a light inner bevel
    for x in range(w):
        px[0][x] = px[h - 1][x] = BUTTON_EDGE
    for y in range(h):
        px[y][0] = px[y][w - 1] = BUTTON_EDGE
    for x in range(1, w - 1):
        px[1][x] = (255, 252, 238)
        px[h - 2][x] = hexrgb("e8cf8e")
    for y in range(2, h - 2):
        px[y][1] = (255, 250, 230)
        px[y][w - 2] = hexrgb("efd9a0")
    for cx, cy, dx, dy in ((0, 0, 1, 1), (w - 1, 0, -1, 1), (0, h - 1, 1, -1), (w - 1, h - 1, -1, -1)):
        px[cy][cx] = OUTSIDE
        px[cy][cx + dx] = px[cy + dy][cx] = hexrgb("dcc28a")
        px[cy + dy][cx + dx] = BUTTON_EDGE

    def put(x, y, c):
        if 0 <= x < w and 0 <= y < h:
            px[y][x] = c

    # "PayPal" with a slight slant; shear one pixel every four rows
    cap_top = 4
    baseline = cap_top + 8
    gap = 1
    word = "PayPal"
    tw = text_width(word, LOGO_FONT, gap, lambda g: g[0]) + 2
    x = (w - tw) // 2
    for i, ch in enumerate(word):
        rows, dy = LOGO_FONT[ch]
        colour = PAY_BLUE if i < 3 else PAL_BLUE
        for ry, line in enumerate(rows):
            y = cap_top + dy + ry
            shear = (baseline - y + 2) // 4
            for rx, bit in enumerate(line):
                if bit == "#":
                    put(x + rx + shear, y, colour)
        x += len(rows[0]) + gap

    # "DONATE", with a soft highlight under each letter
    top = 17
    tw = text_width("DONATE", CAPS_FONT, gap)
    x = (w - tw) // 2
    glow = hexrgb("fffbe8")
    for ch in "DONATE":
        rows = CAPS_FONT[ch]
        for ry, line in enumerate(rows):
            for rx, bit in enumerate(line):
                if bit == "#":
                    below = rows[ry + 1][rx] if ry + 1 < len(rows) else "."
                    if below != "#":
                        put(x + rx, top + ry + 1, glow)
        x += len(rows[0]) + gap
    x = (w - tw) // 2
    for ch in "DONATE":
        rows = CAPS_FONT[ch]
        for ry, line in enumerate(rows):
            for rx, bit in enumerate(line):
                if bit == "#":
                    put(x + rx, top + ry, DONATE_INK)
        x += len(rows[0]) + gap
    return px


# ---------------------------------------------------------------------------

def build():
    files = {}
    for name, makers in (("brevlin", (brevlin_16, brevlin_32)),
                         ("help", (help_16, help_32))):
        images = []
        for size, maker in zip((16, 32), makers):
            data = icon_image_24(maker())
            assert len(data) == 40 + size * size * 3 + size * ((size + 31) // 32) * 4
            images.append((size, data))
            files["%s_%d.bin" % (name, size)] = data
        files[name + ".grp"] = group_icon_dir(images, ICON_IDS[name])
    files["hand.cur"] = cur_file(HAND, 5, 0)
    pixels = donate_pixels()
    gif = gif_file(pixels)
    assert gif_read(gif) == pixels, "GIF does not decode to what was drawn"
    files["donate.gif"] = gif
    return files


def main(argv):
    check = "--check" in argv[1:]
    stale = []
    for name, data in build().items():
        path = os.path.join(HERE, name)
        try:
            with open(path, "rb") as f:
                same = f.read() == data
        except OSError:
            same = False
        if check:
            if not same:
                stale.append(name)
        elif not same:
            with open(path, "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (name, len(data)))
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
