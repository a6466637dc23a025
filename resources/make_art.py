#!/usr/bin/env python3
"""Draws the kernel's icons, cursors and splash bitmap and writes them as
.ico, .cur and .bmp files. Everything is drawn here from shapes and a small
pixel font, so the artwork has no other source.

usage: make_art.py OUTDIR
"""
import os
import struct
import sys

# The standard 16-colour VGA palette (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = -1  # transparent pixel in icons and cursors

# 5x7 pixel font for the few letters the splash needs.
FONT = {
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    ' ': ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.set(x, y0, c)
            self.set(x, y1 - 1, c)
        for y in range(y0, y1):
            self.set(x0, y, c)
            self.set(x1 - 1, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def polygon(self, pts, c):
        """Fills a polygon by the even-odd rule at pixel centres."""
        for y in range(self.h):
            yc = y + 0.5
            xs = []
            for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(a + 0.5), int(b + 0.5)):
                    self.set(x, y, c)

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '1':
                        self.rect(x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, c)
            x += 6 * scale


def dib_4bpp(cv, with_mask):
    """BITMAPINFOHEADER + palette + 4-bit rows (+ AND mask for icons)."""
    w, h = cv.w, cv.h
    height = h * 2 if with_mask else h
    xor_stride = ((w * 4 + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, w, height, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(xor_stride)
        for x in range(w):
            c = cv.px[y][x]
            c = 0 if c == CLEAR else c
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += row
    mask = bytearray()
    if with_mask:
        for y in range(h - 1, -1, -1):
            row = bytearray(and_stride)
            for x in range(w):
                if cv.px[y][x] == CLEAR:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
    return header + pal + bytes(xor) + bytes(mask)


def dib_mono_cursor(cv):
    """Monochrome cursor image: XOR plane (white where set) and AND plane."""
    w, h = cv.w, cv.h
    stride = ((w + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    pal = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    xor, andm = bytearray(), bytearray()
    for y in range(h - 1, -1, -1):
        xr, ar = bytearray(stride), bytearray(stride)
        for x in range(w):
            c = cv.px[y][x]
            if c == CLEAR:
                ar[x // 8] |= 0x80 >> (x % 8)
            elif c == WHITE:
                xr[x // 8] |= 0x80 >> (x % 8)
        xor += xr
        andm += ar
    return header + pal + bytes(xor) + bytes(andm)


def write_ico(path, cv):
    img = dib_4bpp(cv, True)
    data = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', cv.w, cv.h, 16, 0, 1, 4, len(img), 22) + img
    with open(path, 'wb') as f:
        f.write(data)


def write_cur(path, cv, hot):
    img = dib_mono_cursor(cv)
    data = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', cv.w, cv.h, 2, 0, hot[0], hot[1], len(img), 22) + img
    with open(path, 'wb') as f:
        f.write(data)


def write_bmp(path, cv):
    dib = dib_4bpp(cv, False)
    offset = 14 + 40 + 64
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, offset) + dib)


def console_icon():
    """Icon 100: a console window with a prompt and a caret."""
    cv = Canvas(32, 32, CLEAR)
    cv.rect(2, 4, 30, 28, SILVER)
    cv.frame(2, 4, 30, 28, BLACK)
    cv.rect(3, 5, 29, 9, NAVY)
    cv.rect(25, 6, 28, 8, SILVER)
    cv.rect(4, 10, 28, 26, BLACK)
    cv.text(6, 12, 'Q', LIME)
    cv.rect(12, 18, 14, 19, LIME)
    cv.rect(15, 23, 20, 25, WHITE)
    return cv


def program_icon():
    """Icon 101: a page of a program with a folded corner and code lines."""
    cv = Canvas(32, 32, CLEAR)
    cv.polygon([(6, 2), (21, 2), (27, 8), (27, 30), (6, 30)], WHITE)
    cv.line(6, 2, 21, 2, BLACK)
    cv.line(21, 2, 27, 8, BLACK)
    cv.line(27, 8, 27, 30, BLACK)
    cv.line(6, 30, 27, 30, BLACK)
    cv.line(6, 2, 6, 30, BLACK)
    cv.polygon([(21, 2), (21, 8), (27, 8)], SILVER)
    for i, (x, n, c) in enumerate([(9, 10, NAVY), (12, 9, TEAL), (12, 11, TEAL), (9, 6, NAVY), (12, 12, MAROON)]):
        cv.rect(x, 11 + i * 4, x + n, 13 + i * 4, c)
    return cv


def arrow_cursor():
    """Cursor 114: a slim arrow with a white edge."""
    cv = Canvas(32, 32, CLEAR)
    pts = [(0, 0), (0, 17), (4, 13), (7, 20), (10, 19), (7, 12), (12, 12)]
    cv.polygon([(x - 0.5, y - 0.5) for x, y in [(0, 0), (0, 18), (4, 14), (7, 21), (11, 20), (8, 13), (13, 13)]], WHITE)
    cv.polygon([(x + 0.6, y + 1.2) for x, y in pts[:1]] + [(0.6, 15), (4, 11.5), (7.5, 18.5), (8.8, 18), (5.5, 10.5), (9.5, 10.5)], BLACK)
    return cv, (0, 0)


def cross_cursor():
    """Cursor 115: a thin cross with a hollow centre."""
    cv = Canvas(32, 32, CLEAR)
    for c, d in ((WHITE, 1), (BLACK, 0)):
        cv.rect(15 - d, 2 - d, 17 + d, 13 + d, c)
        cv.rect(15 - d, 19 - d, 17 + d, 30 + d, c)
        cv.rect(2 - d, 15 - d, 13 + d, 17 + d, c)
        cv.rect(19 - d, 15 - d, 30 + d, 17 + d, c)
    return cv, (16, 16)


def beam_cursor():
    """Cursor 116: a text I-beam."""
    cv = Canvas(32, 32, CLEAR)
    for c, d in ((WHITE, 1), (BLACK, 0)):
        cv.rect(15 - d, 6 - d, 17 + d, 26 + d, c)
        cv.rect(11 - d, 5 - d, 21 + d, 7 + d, c)
        cv.rect(11 - d, 25 - d, 21 + d, 27 + d, c)
    return cv, (16, 16)


def hand_cursor():
    """Cursor 119: a pointing hand."""
    cv = Canvas(32, 32, CLEAR)
    for c, d in ((BLACK, 1), (WHITE, 0)):
        cv.rect(9 - d, 1 - d, 13 + d, 16 + d, c)   # finger
        cv.rect(9 - d, 12 - d, 23 + d, 26 + d, c)  # palm
        cv.rect(4 - d, 15 - d, 9 + d, 20 + d, c)   # thumb
        cv.rect(11 - d, 26 - d, 21 + d, 30 + d, c) # wrist
    return cv, (11, 1)


def glass_cursor():
    """Cursor 120: an hourglass."""
    cv = Canvas(32, 32, CLEAR)
    cv.polygon([(6, 2), (26, 2), (26, 5), (17.5, 16), (26, 27), (26, 30), (6, 30), (6, 27), (14.5, 16), (6, 5)], BLACK)
    cv.polygon([(9, 5), (23, 5), (16, 14)], WHITE)
    cv.polygon([(16, 20), (23, 27), (9, 27)], WHITE)
    return cv, (16, 16)


def splash():
    """Bitmap 122: 443 x 269, 16 colours: a console on a banded backdrop."""
    w, h = 443, 269
    cv = Canvas(w, h, NAVY)
    bands = [NAVY, BLUE, TEAL, AQUA]
    for y in range(h):
        for x in range(w):
            t = (x + 2 * y) / (w + 2 * h) * (len(bands) - 1)
            i = int(t)
            frac = t - i
            # ordered dither between neighbouring bands
            threshold = ((x % 4) * 4 + (y % 4) * 3 + (x + y) % 2) / 16.0
            cv.px[y][x] = bands[min(i + (1 if frac > threshold else 0), len(bands) - 1)]
    cv.rect(40, 40, 403, 229, SILVER)
    cv.frame(40, 40, 403, 229, BLACK)
    cv.rect(41, 41, 402, 57, NAVY)
    cv.rect(384, 44, 398, 54, SILVER)
    cv.rect(46, 62, 397, 224, BLACK)
    cv.text(70, 80, 'QUORVEN', YELLOW, scale=5)
    cv.text(70, 130, 'V2.00', LIME, scale=3)
    for i, n in enumerate([28, 40, 18]):
        cv.rect(70, 170 + i * 12, 70 + n * 6, 176 + i * 12, GREY)
    cv.rect(70 + 19 * 6, 194, 70 + 20 * 6, 200, WHITE)
    return cv


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, 'console.ico'), console_icon())
    write_ico(os.path.join(out, 'program.ico'), program_icon())
    for name, (cv, hot) in [('arrow', arrow_cursor()), ('cross', cross_cursor()), ('beam', beam_cursor()),
                            ('hand', hand_cursor()), ('glass', glass_cursor())]:
        write_cur(os.path.join(out, name + '.cur'), cv, hot)
    write_bmp(os.path.join(out, 'splash.bmp'), splash())


if __name__ == '__main__':
    main()
