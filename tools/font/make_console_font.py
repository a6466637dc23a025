#!/usr/bin/python3
"""Makes the console's font: a TrueType font whose glyphs are squares of
pixels, drawn from two of Debian's bitmap fonts.

The console draws with the stock fixed font, which Wine asks for as
"Courier" with a cell height of 12 pixels. This font answers that request
with glyphs that land on whole pixels: 1200 units to the em, 100 units to a
pixel, 1000 above the baseline and 200 below, so at a cell height of 12 one
font pixel is one screen pixel. Each glyph is its bitmap, every row's run of
pixels one rectangle (half the size of one square per pixel).

- Latin (the printable characters of code page 1252): the X fixed font
  8x13 (xfonts-base), 8 pixels wide; its top row, blank in all of those
  characters, is dropped to make 12 rows. Advance 8 pixels, one cell.
- Chinese (every character of GB2312 not drawn above): WenQuanYi Bitmap
  Song at 12 pixels (xfonts-wqy), whose 12 x 12 em box fills the cell's
  height. Advance 16 pixels, two cells: the 12 columns are stretched to 16
  by drawing four of them twice, one out of each group of three, chosen so
  that vertical strokes stay one pixel thick. GB2312's half-width pinyin
  letters, narrower in WenQuanYi, come from the Latin font (8 pixels).

The fonts are read with FreeType and written with fontTools. The output is
the same bytes on every run: fixed timestamps, sorted glyphs, no names that
depend on the machine.

It also writes OUT.reg beside the font (the same name, .reg): the registry
values that make the font Wine's "Courier" in a prefix and link it to a
fallback font, for `wine regedit`.

usage: make_console_font.py OUT.ttf [--latin PCF] [--chinese PCF]
"""
import os
import sys

FAMILY = 'Quorven Console'
UNITS_PER_EM = 1200
PIXEL = 100                  # font units per pixel
ROWS = 12                    # cell height in pixels
ASCENT_ROWS = 10             # rows above the baseline
LATIN_WIDTH = 8
CHINESE_WIDTH = 16
SOURCE_CHINESE_WIDTH = 12
# 2026-01-01 00:00:00 UTC in seconds since 1904-01-01, the font's epoch
# (44561 days).
TIMESTAMP = 3850070400
LATIN_FONT = '/usr/share/fonts/X11/misc/8x13.pcf.gz'
CHINESE_FONT = '/usr/share/fonts/X11/misc/wenquanyi_9pt.pcf'


# Wine asks for the stock fixed font by the name "Courier", which no font
# in a Wine prefix has; a replacement gives that name to this font. Wine
# takes a character the selected font lacks only from the fonts linked to
# it: GBK beyond GB2312 (and the rest) come from WenQuanYi Micro Hei, the
# font Wine picked for "Courier" before (the link is skipped where it is
# not installed).
FALLBACK = 'wqy-microhei.ttc,WenQuanYi Micro Hei Mono'


def registry_file():
    """The registry values in regedit's ANSI format (REGEDIT4: a
    REG_MULTI_SZ is its ANSI bytes, each string ended by a zero)."""
    multi = ','.join('%02x' % b for b in (FALLBACK + '\0\0').encode('ascii'))
    return ('''REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Courier"="%s"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"%s"=hex(7):%s
''' % (FAMILY, FAMILY, multi))


class FontError(Exception):
    pass


def cp1252_characters():
    """Every printable character of code page 1252, space included."""
    chars = set()
    for b in list(range(0x20, 0x7F)) + list(range(0x80, 0x100)):
        try:
            chars.add(bytes([b]).decode('cp1252'))
        except UnicodeDecodeError:
            pass
    return chars


def gb2312_characters():
    """(GB2312's characters, further ones code page 936 gives the same
    rows): a few places differ between the two tables (0xA1A4 is U+30FB or
    U+00B7), and 936 fills some free places (small Roman numerals)."""
    gb2312, cp936 = set(), set()
    for lead in range(0xA1, 0xF8):
        for trail in range(0xA1, 0xFF):
            for codec, chars in (('gb2312', gb2312), ('gbk', cp936)):
                try:
                    chars.add(bytes([lead, trail]).decode(codec))
                except UnicodeDecodeError:
                    pass
    return sorted(gb2312), sorted(cp936 - gb2312)


class BitmapFont:
    """A bitmap font read with FreeType at its one pixel size."""

    def __init__(self, path):
        import freetype
        self.ft = freetype
        if not os.path.exists(path):
            raise FontError('%s is missing' % path)
        try:
            self.face = freetype.Face(path)
        except freetype.FT_Exception as e:
            raise FontError('cannot read %s: %s' % (path, e))
        if not self.face.available_sizes:
            raise FontError('%s has no bitmap strike' % path)
        self.path = path
        size = self.face.available_sizes[0]
        self.face.set_pixel_sizes(0, size.y_ppem // 64)
        self.ascent = self.face.size.ascender // 64

    def has(self, ch):
        return self.face.get_char_index(ch) != 0

    def glyph(self, ch):
        """(advance, ink): ink is a set of (x, y) pixels, x from the pen
        position, y in rows down from the font's ascent line."""
        self.face.load_char(ch, self.ft.FT_LOAD_RENDER | self.ft.FT_LOAD_TARGET_MONO)
        g = self.face.glyph
        bm = g.bitmap
        if bm.pixel_mode != self.ft.FT_PIXEL_MODE_MONO:
            raise FontError('%s: U+%04X is not a one-bit bitmap' % (self.path, ord(ch)))
        ink = set()
        buf = bm.buffer
        for r in range(bm.rows):
            for x in range(bm.width):
                if buf[r * bm.pitch + (x >> 3)] & (0x80 >> (x & 7)):
                    ink.add((g.bitmap_left + x, self.ascent - g.bitmap_top + r))
        return g.advance.x // 64, ink


def place(ink, width, top_row, what):
    """The glyph as a set of cell pixels: source row top_row becomes cell
    row 0. A glyph whose ink leaves the cell is moved in when it fits (a
    few source glyphs sit a pixel off their em box); otherwise refused."""
    cells = {(x, y - top_row) for x, y in ink}
    if not cells:
        return cells
    x0 = min(x for x, _ in cells)
    x1 = max(x for x, _ in cells) + 1
    y0 = min(y for _, y in cells)
    y1 = max(y for _, y in cells) + 1
    if x1 - x0 > width or y1 - y0 > ROWS:
        raise FontError('%s is %d x %d pixels, larger than its %d x %d cell' % (what, x1 - x0, y1 - y0, width, ROWS))
    dx = -x0 if x0 < 0 else min(0, width - x1)
    dy = -y0 if y0 < 0 else min(0, ROWS - y1)
    return {(x + dx, y + dy) for x, y in cells}


def stretch_columns(cells):
    """12 columns to 16: in each group of three columns one is drawn twice.
    The one chosen has the fewest pixels that stand alone in their row (a
    vertical stroke would become two pixels thick), then lies inside the
    glyph's ink (so the glyph widens with its cells), then is the middle."""
    xs = [x for x, _ in cells]
    lo, hi = (min(xs), max(xs)) if xs else (0, -1)
    doubled = []
    for group in range(0, SOURCE_CHINESE_WIDTH, 3):
        def cost(x):
            alone = sum(1 for (cx, y) in cells if cx == x and (x - 1, y) not in cells and (x + 1, y) not in cells)
            return (alone, not lo <= x <= hi, abs(x - (group + 1)), x)
        doubled.append(min(range(group, group + 3), key=cost))
    out = set()
    for x, y in cells:
        shift = sum(1 for d in doubled if d < x)
        out.add((x + shift, y))
        if x in doubled:
            out.add((x + shift + 1, y))
    return out


def rectangles(cells):
    """One rectangle per run of pixels in a row, in font units:
    (x0, y0, x1, y1) with y up from the baseline."""
    rects = []
    for y in sorted({y for _, y in cells}):
        xs = sorted(x for x, cy in cells if cy == y)
        start = prev = xs[0]
        for x in xs[1:] + [None]:
            if x is not None and x == prev + 1:
                prev = x
                continue
            top = (ASCENT_ROWS - y) * PIXEL
            rects.append((start * PIXEL, top - PIXEL, (prev + 1) * PIXEL, top))
            if x is not None:
                start = prev = x
    return rects


def draw(rects):
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    pen = TTGlyphPen(None)
    for x0, y0, x1, y1 in rects:
        # Clockwise, as TrueType fills outer contours.
        pen.moveTo((x0, y0))
        pen.lineTo((x0, y1))
        pen.lineTo((x1, y1))
        pen.lineTo((x1, y0))
        pen.closePath()
    return pen.glyph()


def collect(latin_path, chinese_path):
    """{code point: (advance in pixels, cell pixels)}"""
    latin = BitmapFont(latin_path)
    chinese = BitmapFont(chinese_path)
    # The Latin font's cell has one row more than ours, at the top.
    latin_top = latin.ascent - ASCENT_ROWS
    glyphs = {}

    def from_latin(ch):
        advance, ink = latin.glyph(ch)
        if advance != LATIN_WIDTH:
            raise FontError('%s: U+%04X advances %d pixels, not %d' % (latin_path, ord(ch), advance, LATIN_WIDTH))
        cut = [p for p in ink if p[1] < latin_top]
        if cut:
            raise FontError('%s: U+%04X has ink in the row that is dropped' % (latin_path, ord(ch)))
        return LATIN_WIDTH, place(ink, LATIN_WIDTH, latin_top, 'U+%04X' % ord(ch))

    for ch in sorted(cp1252_characters()):
        if not latin.has(ch):
            raise FontError('%s has no glyph for U+%04X' % (latin_path, ord(ch)))
        glyphs[ord(ch)] = from_latin(ch)
    # WenQuanYi's 12-pixel em box runs from its ascent line less one row.
    chinese_top = chinese.ascent - 11
    required, further = gb2312_characters()
    for ch in sorted(required + further):
        if ord(ch) in glyphs or (ch in further and not chinese.has(ch)):
            continue
        if not chinese.has(ch):
            # GB2312's 0xA1AA is U+2015 in one table and U+2014 (a
            # character of code page 1252, drawn above) in code page 936.
            if ch == '\u2015' and ord('\u2014') in glyphs:
                glyphs[ord(ch)] = glyphs[ord('\u2014')]
                continue
            raise FontError('%s has no glyph for U+%04X' % (chinese_path, ord(ch)))
        advance, ink = chinese.glyph(ch)
        if advance != SOURCE_CHINESE_WIDTH and latin.has(ch):
            glyphs[ord(ch)] = from_latin(ch)
            continue
        if advance != SOURCE_CHINESE_WIDTH:
            raise FontError('%s: U+%04X is %d pixels wide and not in %s' % (chinese_path, ord(ch), advance, latin_path))
        cells = place(ink, SOURCE_CHINESE_WIDTH, chinese_top, 'U+%04X' % ord(ch))
        glyphs[ord(ch)] = CHINESE_WIDTH, stretch_columns(cells)
    return glyphs


def build(glyphs):
    from fontTools.fontBuilder import FontBuilder
    from fontTools.ttLib import newTable
    from fontTools.ttLib.tables.ttProgram import Program
    order = ['.notdef'] + ['uni%04X' % cp for cp in sorted(glyphs)]
    outlines = {}
    metrics = {}
    # .notdef: an empty box one cell wide.
    box = {(x, y) for x in range(1, 7) for y in (1, 9)} | {(x, y) for x in (1, 6) for y in range(2, 9)}
    outlines['.notdef'] = draw(rectangles(box))
    metrics['.notdef'] = (LATIN_WIDTH * PIXEL, PIXEL)
    drawn = {}
    for cp in sorted(glyphs):
        name = 'uni%04X' % cp
        width, cells = glyphs[cp]
        rects = rectangles(cells)
        outlines[name] = draw(rects)
        metrics[name] = (width * PIXEL, min((r[0] for r in rects), default=0))
        drawn[cp] = name

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.updateHead(created=TIMESTAMP, modified=TIMESTAMP, fontRevision=1.0, lowestRecPPEM=12)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(drawn)
    fb.setupGlyf(outlines)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT_ROWS * PIXEL, descent=-(ROWS - ASCENT_ROWS) * PIXEL, lineGap=0)
    source_note = ('Latin: X misc-fixed 8x13 (public domain). Chinese: WenQuanYi Bitmap Song 12px, '
                   'Copyright (C) 2004-2007 WenQuanYi Board of Trustees and Qianqian Fang, '
                   'GPL v2 with font embedding exception.')
    fb.setupNameTable({
        'copyright': source_note,
        'familyName': FAMILY,
        'styleName': 'Regular',
        'uniqueFontIdentifier': FAMILY + ' Regular 1.0',
        'fullName': FAMILY,
        'version': 'Version 1.0',
        'psName': FAMILY.replace(' ', '') + '-Regular',
        'description': 'The Quorven console font: 8 x 12 pixel cells, Chinese in two cells.',
        'licenseDescription': 'GPL v2 with font embedding exception (from WenQuanYi Bitmap Song).',
    })
    fb.setupOS2(
        version=4, xAvgCharWidth=LATIN_WIDTH * PIXEL, usWeightClass=400, usWidthClass=5, fsType=0,
        sTypoAscender=ASCENT_ROWS * PIXEL, sTypoDescender=-(ROWS - ASCENT_ROWS) * PIXEL, sTypoLineGap=0,
        usWinAscent=ASCENT_ROWS * PIXEL, usWinDescent=(ROWS - ASCENT_ROWS) * PIXEL,
        sxHeight=6 * PIXEL, sCapHeight=9 * PIXEL, usDefaultChar=0, usBreakChar=32, usMaxContext=0,
        # Code pages 1252 (bit 0) and 936 (bit 18): ANSI_CHARSET and GB2312_CHARSET.
        ulCodePageRange1=(1 << 0) | (1 << 18), ulCodePageRange2=0,
        achVendID='QVRN', fsSelection=0x40,
        # Monospaced (proportion 9) and not bold, in the Latin text family.
        panose=_panose())
    fb.font['OS/2'].recalcUnicodeRanges(fb.font)
    fb.setupPost(keepGlyphNames=False, isFixedPitch=1, underlinePosition=-100, underlineThickness=PIXEL)
    # A font without any hinting program is drawn by FreeType's auto-hinter,
    # which moves the squares' edges off the pixel grid (grey pixels,
    # strokes drawn twice). This control program only switches dropout
    # control on, as is usual for unhinted fonts; with it the glyphs are
    # drawn as they are.
    prep = newTable('prep')
    prep.program = Program()
    prep.program.fromAssembly(['PUSHW[ ]', '511', 'SCANCTRL[ ]', 'PUSHB[ ]', '4', 'SCANTYPE[ ]'])
    fb.font['prep'] = prep
    # A pixel font is drawn in two colours at every size.
    gasp = newTable('gasp')
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0}
    fb.font['gasp'] = gasp
    return fb


def _panose():
    from fontTools.ttLib.tables.O_S_2f_2 import Panose
    p = Panose()
    p.bFamilyType = 2
    p.bSerifStyle = 0
    p.bWeight = 5
    p.bProportion = 9
    p.bContrast = 0
    p.bStrokeVariation = 0
    p.bArmStyle = 0
    p.bLetterForm = 0
    p.bMidline = 0
    p.bXHeight = 0
    return p


def main(argv):
    args = list(argv)
    latin_path, chinese_path = LATIN_FONT, CHINESE_FONT
    out = None
    while args:
        a = args.pop(0)
        if a in ('--latin', '--chinese') and args:
            if a == '--latin':
                latin_path = args.pop(0)
            else:
                chinese_path = args.pop(0)
        elif a.startswith('-') or out:
            sys.stderr.write('usage: make_console_font.py OUT.ttf [--latin PCF] [--chinese PCF]\n')
            return 2
        else:
            out = a
    if not out:
        sys.stderr.write('usage: make_console_font.py OUT.ttf [--latin PCF] [--chinese PCF]\n')
        return 2
    try:
        import freetype  # noqa: F401
        import fontTools  # noqa: F401
    except ImportError as e:
        sys.stderr.write('make_console_font: %s (python3-freetype and python3-fonttools; scripts/setup.sh '
                         'installs them)\n' % e)
        return 1
    reg = os.path.splitext(out)[0] + '.reg'
    temps = [out + '.part', reg + '.part']
    try:
        fb = build(collect(latin_path, chinese_path))
        os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
        fb.save(temps[0])
        with open(temps[1], 'w', newline='\r\n') as f:
            f.write(registry_file())
        os.replace(temps[0], out)
        os.replace(temps[1], reg)
    except (FontError, OSError) as e:
        for t in temps:
            if os.path.exists(t):
                os.remove(t)
        sys.stderr.write('make_console_font: %s\n' % e)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
