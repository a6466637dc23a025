#!/usr/bin/python3
"""The console font made by the build (tools/font/make_console_font.py),
read back with fontTools and drawn with FreeType as Wine draws it:

- its metrics put one font pixel on one screen pixel at Wine's cell height
  of 12, it is marked fixed pitch and for code pages 1252 and 936;
- every printable character of code page 1252 is one cell (8 pixels) wide,
  every character of GB2312 is in it, and every glyph is one or two cells;
- every glyph, drawn at 12 pixels in grey levels and in black and white,
  is exactly two-coloured, and it is its source bitmap: the Latin ones the
  X fixed 8x13 font's (its blank top row dropped), the Chinese ones
  WenQuanYi Bitmap Song's 12 columns with four of them drawn twice;
- a second run of the generator gives the same bytes, and a missing source
  font is refused with one line and no output file.
usage: console_font_test.py FONT.ttf"""
import os
import subprocess
import sys
import tempfile

import freetype
from fontTools.ttLib import TTFont

font_path = sys.argv[1]
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
generator = os.path.join(root, 'tools', 'font', 'make_console_font.py')
LATIN = '/usr/share/fonts/X11/misc/8x13.pcf.gz'
CHINESE = '/usr/share/fonts/X11/misc/wenquanyi_9pt.pcf'
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print('FAIL ' + what)


def chars_of(encoding, pairs):
    out = set()
    for b in pairs:
        try:
            out.add(b.decode(encoding))
        except UnicodeDecodeError:
            pass
    return out


cp1252 = chars_of('cp1252', [bytes([b]) for b in range(0x20, 0x100) if b != 0x7F])
gb2312 = chars_of('gb2312', [bytes([a, b]) for a in range(0xA1, 0xF8) for b in range(0xA1, 0xFF)])
hanzi = chars_of('gb2312', [bytes([a, b]) for a in range(0xB0, 0xF8) for b in range(0xA1, 0xFF)])

# ---- Tables -------------------------------------------------------------------
tt = TTFont(font_path)
upem = tt['head'].unitsPerEm
os2, hhea, hmtx = tt['OS/2'], tt['hhea'], tt['hmtx']
pixel = upem // 12
check(os2.usWinAscent + os2.usWinDescent == upem, 'win ascent + descent %d + %d is not the em %d'
      % (os2.usWinAscent, os2.usWinDescent, upem))
check(os2.usWinAscent % pixel == 0, 'the ascent is not whole pixels')
check(os2.xAvgCharWidth == 8 * pixel, 'average width %d, not 8 pixels' % os2.xAvgCharWidth)
check(os2.ulCodePageRange1 & 1 and os2.ulCodePageRange1 & (1 << 18), 'code pages 1252 and 936 not both marked')
check(tt['post'].isFixedPitch == 1, 'not marked fixed pitch')
check(hhea.ascent == os2.usWinAscent and hhea.descent == -os2.usWinDescent, 'hhea and OS/2 metrics differ')
cmap = tt.getBestCmap()
advances = {hmtx[name][0] for name in tt.getGlyphOrder()}
check(advances <= {8 * pixel, 16 * pixel}, 'advances other than one and two cells: %s' % sorted(advances))
missing = sorted(c for c in cp1252 | gb2312 if ord(c) not in cmap and c != '\u2015')
check(not missing, 'characters missing: %s' % ''.join(missing[:20]))
wide = [c for c in cp1252 if ord(c) in cmap and hmtx[cmap[ord(c)]][0] != 8 * pixel]
check(not wide, 'code page 1252 characters not one cell wide: %s' % ''.join(wide))
narrow = [c for c in hanzi if ord(c) in cmap and hmtx[cmap[ord(c)]][0] != 16 * pixel]
check(not narrow, 'Chinese characters not two cells wide: %s' % ''.join(narrow[:20]))
print('%d glyphs, %d characters (%d of code page 1252, %d of GB2312)'
      % (len(tt.getGlyphOrder()), len(cmap), len(cp1252), len(gb2312)))


# ---- Drawing ------------------------------------------------------------------
def bitmap_ink(face, ch, flags, mode, ascent, grey_seen):
    """(advance in pixels, set of inked (x, y) with y in rows down from the
    ascent line); counts pixels that are neither 0 nor full in grey_seen."""
    face.load_char(ch, flags)
    g = face.glyph
    g.render(mode)
    b = g.bitmap
    ink = set()
    for r in range(b.rows):
        for x in range(b.width):
            if b.pixel_mode == freetype.FT_PIXEL_MODE_MONO:
                v = 255 if b.buffer[r * b.pitch + (x >> 3)] & (0x80 >> (x & 7)) else 0
            else:
                v = b.buffer[r * b.pitch + x]
                grey_seen[0] += v not in (0, 255)
            if v:
                ink.add((g.bitmap_left + x, ascent - g.bitmap_top + r))
    return g.advance.x // 64, ink


def columns(ink, width):
    return [frozenset(y for x, y in ink if x == c) for c in range(width)]


def stretched_from(drawn, source):
    """Whether the 16 drawn columns are the 12 source columns in order, each
    once or twice."""
    memo = {}

    def match(i, j):
        if (i, j) not in memo:
            if j == len(source):
                memo[i, j] = i == len(drawn)
            else:
                memo[i, j] = (i < len(drawn) and drawn[i] == source[j] and
                              (match(i + 1, j + 1) or (i + 1 < len(drawn) and drawn[i + 1] == source[j]
                                                       and match(i + 2, j + 1))))
        return memo[i, j]
    return match(0, 0)


def shifted(ink, dx, dy):
    return {(x + dx, y + dy) for x, y in ink}


face = freetype.Face(font_path)
face.set_pixel_sizes(0, 12)
check(face.size.ascender + (-face.size.descender) == 12 * 64, 'not 12 pixels high at 12 pixels')
ascent = face.size.ascender // 64
latin = freetype.Face(LATIN)
latin.set_pixel_sizes(0, latin.available_sizes[0].y_ppem // 64)
chinese = freetype.Face(CHINESE)
chinese.set_pixel_sizes(0, 12)
mono_load = freetype.FT_LOAD_RENDER | freetype.FT_LOAD_TARGET_MONO
grey = [0]
wrong = []
moved = []
drawn12 = {}
for cp in sorted(cmap):
    ch = chr(cp)
    # Wine's two ways: hinting left on, grey levels or black and white.
    adv, ink = bitmap_ink(face, ch, freetype.FT_LOAD_DEFAULT, freetype.FT_RENDER_MODE_NORMAL, ascent, grey)
    adv_mono, ink_mono = bitmap_ink(face, ch, freetype.FT_LOAD_DEFAULT | freetype.FT_LOAD_TARGET_MONO,
                                    freetype.FT_RENDER_MODE_MONO, ascent, grey)
    if ink != ink_mono or adv != adv_mono:
        wrong.append((ch, 'grey and black-and-white drawings differ'))
        continue
    drawn12[cp] = (adv, ink)
    if any(not (0 <= x < adv and 0 <= y < 12) for x, y in ink):
        wrong.append((ch, 'ink outside its cells'))
        continue
    if adv == 8 and latin.get_char_index(ch):
        _, src = bitmap_ink(latin, ch, mono_load, freetype.FT_RENDER_MODE_MONO, latin.size.ascender // 64, grey)
        if ink != shifted(src, 0, 12 - latin.size.height // 64):
            wrong.append((ch, 'not the 8x13 glyph'))
    elif adv == 16 and chinese.get_char_index(ch):
        src_adv, src = bitmap_ink(chinese, ch, mono_load, freetype.FT_RENDER_MODE_MONO,
                                  chinese.size.ascender // 64, grey)
        # WenQuanYi's 12 x 12 em box starts a row below its ascent line; a
        # glyph drawn off that box is moved into the cell.
        src = shifted(src, 0, -(chinese.size.ascender // 64 - 11))
        at = [(0, 0)]
        if any(not (0 <= x < 12 and 0 <= y < 12) for x, y in src):
            moved.append(ch)
            at = [(dx, dy) for dx in range(-4, 5) for dy in range(-2, 3)]
        if src_adv != 12 or not any(stretched_from(columns(ink, 16), columns(shifted(src, dx, dy), 12))
                                    for dx, dy in at):
            wrong.append((ch, 'not the WenQuanYi glyph stretched'))
    elif ch != '\u2015':  # drawn as U+2014, which WenQuanYi has in its place
        wrong.append((ch, 'from neither source'))
check(grey[0] == 0, '%d grey pixels' % grey[0])
for ch, why in wrong[:10]:
    check(False, 'U+%04X: %s' % (ord(ch), why))
check(not wrong, '%d glyphs wrong' % len(wrong))
print('drawn at 12 pixels: %d glyphs compared with their bitmaps, %d moved into their cells (%s)'
      % (len(cmap), len(moved), ''.join(moved)))

# ---- At the screen's DPI -------------------------------------------------------
# At 192 DPI the console asks for the font at 24 pixels: 100 units are two
# pixels, so every glyph is its 12-pixel drawing with each pixel a 2 x 2
# square, in exactly two colours. At 144 DPI, 18 pixels: 100 units are 1.5
# pixels, the squares' edges fall inside pixels (grey there), but every
# glyph stays inside its one or two cells of 12 x 18.
def doubled(ink):
    return {(2 * x + dx, 2 * y + dy) for x, y in ink for dx in (0, 1) for dy in (0, 1)}


for size, cell, whole in ((24, 16, True), (18, 12, False)):
    face.set_pixel_sizes(0, size)
    check(face.size.ascender + (-face.size.descender) == size * 64, 'not %d pixels high at %d pixels' % (size, size))
    ascent = face.size.ascender // 64
    grey = [0]
    wrong = []
    for cp, (adv12, ink12) in sorted(drawn12.items()):
        ch = chr(cp)
        adv, ink = bitmap_ink(face, ch, freetype.FT_LOAD_DEFAULT, freetype.FT_RENDER_MODE_NORMAL, ascent, grey)
        if adv != adv12 // 8 * cell:
            wrong.append((ch, 'advance %d at %d pixels' % (adv, size)))
        elif any(not (0 <= x < adv and 0 <= y < size) for x, y in ink):
            wrong.append((ch, 'ink outside its cells at %d pixels' % size))
        elif whole and ink != doubled(ink12):
            wrong.append((ch, 'not its 12-pixel drawing doubled'))
    if whole:
        check(grey[0] == 0, '%d grey pixels at %d pixels' % (grey[0], size))
    for ch, why in wrong[:10]:
        check(False, 'U+%04X: %s' % (ord(ch), why))
    check(not wrong, '%d glyphs wrong at %d pixels' % (len(wrong), size))
    print('drawn at %d pixels: %d glyphs inside their cells%s; %d grey pixels' % (
        size, len(drawn12) - len(wrong), ', each its 12-pixel drawing doubled' if whole else '', grey[0]))

# ---- The generator ------------------------------------------------------------
with tempfile.TemporaryDirectory() as d:
    again = os.path.join(d, 'again.ttf')
    r = subprocess.run([sys.executable, generator, again], capture_output=True, text=True)
    check(r.returncode == 0, 'the generator failed: %s' % r.stderr.strip())
    with open(font_path, 'rb') as a, open(again, 'rb') as b:
        check(a.read() == b.read(), 'a second run gives other bytes')
    bad = os.path.join(d, 'bad.ttf')
    r = subprocess.run([sys.executable, generator, bad, '--latin', os.path.join(d, 'none.pcf.gz')],
                       capture_output=True, text=True)
    check(r.returncode == 1 and r.stderr.count('\n') == 1 and 'none.pcf.gz' in r.stderr,
          'a missing source font: exit %d, %r' % (r.returncode, r.stderr))
    check(sorted(os.listdir(d)) == ['again.reg', 'again.ttf'], 'files left behind: %s' % os.listdir(d))

if failures:
    print('%d checks failed' % len(failures))
    sys.exit(1)
print('console font: all checks passed')
