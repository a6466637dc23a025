/* What reaches the screen: the client area read back with BitBlt. Written
 * cells, colours, the inverted highlight, the caret and GBK text must be
 * where the cell geometry puts them. */
#include "cwin.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static HWND w;
static int cw, lh, C;

#define WHITE 0xFFFFFFu
#define BLACK 0x000000u
#define RED 0x0000FFu
#define GREEN 0x00FF00u
#define BLUE 0xFF0000u

/* Pixel boxes of cells: columns [c0, c1) of view row r. */
static int cellsColor(const Capture *cap, int r, int c0, int c1, uint32_t colour)
{
    return countColor(cap, c0 * cw + 1, r * lh, c1 * cw + 1, (r + 1) * lh, colour);
}
static int cellsOther(const Capture *cap, int r, int c0, int c1, uint32_t colour)
{
    return countOther(cap, c0 * cw + 1, r * lh, c1 * cw + 1, (r + 1) * lh, colour);
}

/* Pixels of a cell whose red channel clearly dominates. */
static int countReddish(const Capture *cap, int r, int c)
{
    int n = 0;
    for (int y = r * lh; y < (r + 1) * lh; y++)
        for (int x = c * cw + 1; x < (c + 1) * cw + 1; x++) {
            uint32_t p = pixelAt(cap, x, y);
            int red = p & 0xFF, green = (p >> 8) & 0xFF, blue = p >> 16;
            n += red > green + 60 && red > blue + 60;
        }
    return n;
}

static void settle(void)
{
    qvMoveCursor(C - 1, 20); /* the caret out of the way */
    qvPeekEvent();           /* the program waits: the screen is up to date */
    cwinPump(150);
    if (cwinArgIs("pause")) { qvtPrint("pause\n"); cwinPump(1500); }
}

/* Output left alone reaches the display: the first line after the console
 * opened, and a second one written at once after it (drawn later, with what
 * follows), while the program sleeps without calling the kernel or pumping
 * a message. Read from the display itself, not from the window's surface,
 * and compared with the picture once the program has waited for input. */
static void shownWhileSleeping(void)
{
    uint32_t back = wGetSysColor(COLOR_WINDOW);
    qvSetCaretHeight(0); /* no caret in the pictures */
    cwinPump(150);
    qvWriteText("MMMM", 4);
    qvNewLine();
    qvWriteText("WWWW", 4);
    qvtSleep(1500);
    Capture shown, settled;
    captureShown(w, &shown);
    qvPeekEvent();
    cwinPump(300);
    captureShown(w, &settled);
    int ink = cellsOther(&settled, 0, 0, 4, back) + cellsOther(&settled, 1, 0, 4, back), differ = 0;
    for (int y = 0; y < 2 * lh; y++)
        for (int x = 0; x < 4 * cw + 1; x++) differ += pixelAt(&shown, x, y) != pixelAt(&settled, x, y);
    qvtPrint("shown while the program sleeps: %d of %d pixels of ink missing or wrong\n", differ, ink);
    CHECK(ink > 0);
    CHECK_EQ(differ, 0);
    freeCapture(&shown);
    freeCapture(&settled);
    qvSetCaretHeight(2);
}

static void colours(void)
{
    /* A single -1 is masked like any colour: white background, red text. */
    qvSetColors(-1, RED);
    HBRUSH white = (HBRUSH)(uintptr_t)wGetClassLongA(w, GCL_HBRBACKGROUND);
    CHECK_EQ(wGetObjectType(white), OBJ_BRUSH);
    qvClearScreen();
    qvMoveCursor(3, 2);
    qvWriteText("MW", 2);
    settle();
    Capture cap;
    captureClient(w, &cap);
    /* Red ink (blended into white at its edges) in both cells. */
    CHECK(countReddish(&cap, 2, 3) > 0);
    CHECK(countReddish(&cap, 2, 4) > 0);
    /* Everything else on rows 0 to 11, margin column included, is white. */
    int others = countOther(&cap, 0, 0, C * cw + 1, 12 * lh, WHITE);
    CHECK_EQ(others, cellsOther(&cap, 2, 3, 5, WHITE));
    CHECK_EQ(cellsColor(&cap, 2, 3, 5, BLACK), 0);
    freeCapture(&cap);

    /* Back to the system colours: the class brush is the colour index again
     * and the white brush is gone. */
    qvSetColors(-1, -1);
    CHECK_EQ(wGetClassLongA(w, GCL_HBRBACKGROUND), COLOR_WINDOW + 1);
    CHECK_EQ(wGetObjectType(white), 0);
    settle();
    captureClient(w, &cap);
    uint32_t sysBack = wGetSysColor(COLOR_WINDOW);
    CHECK(cellsOther(&cap, 2, 3, 4, sysBack) > 0);
    CHECK_EQ(cellsOther(&cap, 1, 0, C, sysBack), 0);
    CHECK_EQ(cellsOther(&cap, 2, 0, 3, sysBack), 0);
    freeCapture(&cap);

    /* One custom pair replacing another deletes the first brush. */
    qvSetColors(GREEN, BLUE);
    HBRUSH green = (HBRUSH)(uintptr_t)wGetClassLongA(w, GCL_HBRBACKGROUND);
    qvSetColors(0xAB000000u | GREEN, 0xCD000000u | BLUE); /* top bytes dropped */
    CHECK_EQ(wGetObjectType(green), 0);
    /* Read from the window's own DC, not handed out by GetScreenDC: the
     * checks up to shapeMovesWithText see the console draw on its own. */
    CHECK_EQ(wGetBkColor(wGetDC(w)), GREEN);
    CHECK_EQ(wGetTextColor(wGetDC(w)), BLUE);
}

static void highlight(void)
{
    qvSetColors(GREEN, BLUE);
    qvClearScreen();
    qvMoveCursor(0, 3);
    qvWriteText("MM", 2);
    qvMoveCursor(0, 0);
    qvWriteText("MM", 2);
    qvSetHighlight(10, 4, 6, 2); /* end first */
    settle();
    Capture cap;
    captureClient(w, &cap);
    CHECK_EQ(cellsOther(&cap, 1, 0, C, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 2, 0, 6, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 2, 6, C, BLACK), 0);
    CHECK_EQ(cellsOther(&cap, 3, 2, C, BLACK), 0);
    CHECK(cellsOther(&cap, 3, 0, 2, BLACK) > 0); /* text on black */
    CHECK_EQ(cellsColor(&cap, 3, 0, 2, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 4, 0, 10, BLACK), 0);
    CHECK_EQ(cellsOther(&cap, 4, 10, C, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 5, 0, C, GREEN), 0);
    /* Row 0 is drawn in the console's colours, not inverted. */
    CHECK(cellsOther(&cap, 0, 0, 2, GREEN) > 0);
    CHECK_EQ(cellsColor(&cap, 0, 0, C, BLACK), 0);
    /* The one-pixel left margin: cell 6 starts at x = 6 * cw + 1. */
    CHECK_EQ(pixelAt(&cap, 6 * cw, 2 * lh + 1), GREEN);
    CHECK_EQ(pixelAt(&cap, 6 * cw + 1, 2 * lh + 1), BLACK);
    CHECK_EQ(pixelAt(&cap, 6 * cw + 1, 2 * lh - 1), GREEN);
    freeCapture(&cap);

    /* One row: columns 3 and 4. */
    qvSetHighlight(5, 2, 3, 2);
    settle();
    captureClient(w, &cap);
    CHECK_EQ(cellsOther(&cap, 2, 0, 3, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 2, 3, 5, BLACK), 0);
    CHECK_EQ(cellsOther(&cap, 2, 5, C, GREEN), 0);
    CHECK_EQ(cellsOther(&cap, 3, 2, C, GREEN), 0);
    freeCapture(&cap);

    /* Out-of-range columns are clamped to the view when drawn. */
    qvSetHighlight(0x7FFFFFFF, 3, -100000, 2);
    settle();
    captureClient(w, &cap);
    CHECK_EQ(cellsOther(&cap, 2, 0, C, BLACK), 0);
    CHECK_EQ(cellsOther(&cap, 3, 2, C, BLACK), 0);
    CHECK_EQ(cellsOther(&cap, 4, 0, C, GREEN), 0);
    freeCapture(&cap);
    qvSetHighlight(-50, 2, 500, 2);
    settle();
    captureClient(w, &cap);
    CHECK_EQ(cellsOther(&cap, 2, 0, C, GREEN), 0);
    freeCapture(&cap);
    /* Start after end: nothing inverted. */
    qvSetHighlight(3, 2, 5, 4);
    settle();
    captureClient(w, &cap);
    CHECK_EQ(countColor(&cap, 0, 0, C * cw + 1, 10 * lh, BLACK), 0);
    freeCapture(&cap);
    qvSetHighlight(0, 0, 0, 0);
}

/* The caret: a bar charWidth wide and caretHeight high over the bottom of
 * the cursor cell. It blinks, so several frames are read. The bar must be
 * one solid colour other than the background, exactly in that place. */
static void caretFrames(uint32_t back, const char *what)
{
    int withCaret = 0, without = 0, wrong = 0;
    uint32_t barColour = 0xFFFFFFFFu;
    qvPeekEvent(); /* the program waits for input: the caret is shown */
    for (int i = 0; i < 16; i++) {
        cwinPump(90);
        Capture cap;
        captureClient(w, &cap);
        uint32_t p = pixelAt(&cap, 20 * cw + 1, 9 * lh - 1);
        int bar = p == back ? 0 : countColor(&cap, 20 * cw + 1, 9 * lh - 4, 21 * cw + 1, 9 * lh, p);
        int elsewhere = countOther(&cap, 0, 0, C * cw + 1, 20 * lh, back);
        if (bar == cw * 4 && elsewhere == bar) {
            withCaret++;
            barColour = p;
        } else if (elsewhere == 0) {
            without++;
        } else {
            wrong++;
            qvtPrint("caret frame: bar %d, elsewhere %d, bar pixel 0x%06X\n", bar, elsewhere, p);
        }
        freeCapture(&cap);
    }
    qvtPrint("caret on %s: %d frames shown in 0x%06X, %d hidden, %d other\n", what, withCaret, barColour, without,
             wrong);
    CHECK(withCaret > 0);
    CHECK_EQ(wrong, 0);
}

static void caret(void)
{
    qvSetColors(GREEN, BLUE);
    qvClearScreen();
    qvSetCaretHeight(4);
    qvMoveCursor(20, 8);
    POINT p;
    wGetCaretPos(&p);
    CHECK_EQ(p.x, 20 * cw + 1);
    CHECK_EQ(p.y, 8 * lh + lh - 4);
    caretFrames(GREEN, "green");
    qvSetColors(WHITE, BLACK);
    qvClearScreen(); /* the margins take the new background at the erase */
    qvMoveCursor(20, 8);
    caretFrames(WHITE, "white");

    /* Moving the cursor moves the caret with it. */
    qvSetCaretHeight(lineHeight());
    qvMoveCursor(2, 1);
    wGetCaretPos(&p);
    CHECK_EQ(p.x, 2 * cw + 1);
    CHECK_EQ(p.y, lh);
    qvSetCaretHeight(2);
}

/* GBK text: "中文" drawn by TextOutA in code page 936 must be the CJK glyphs,
 * the same pixels as ExtTextOutW of U+4E2D U+6587 in the same font, two cells each. */
static void gbk(void)
{
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    qvMoveCursor(0, 6);
    qvWriteText("\xD6\xD0\xCE\xC4", 4);
    qvMoveCursor(0, 7);
    qvWriteText("????", 4);
    settle();
    Capture cap;
    captureClient(w, &cap);
    int ink0 = cellsOther(&cap, 6, 0, 1, WHITE), ink1 = cellsOther(&cap, 6, 1, 2, WHITE);
    int inkQ = cellsOther(&cap, 7, 0, 4, WHITE), inkCjk = cellsOther(&cap, 6, 0, 4, WHITE);
    qvtPrint("ink: cjk %d (first cells %d, %d), question marks %d\n", inkCjk, ink0, ink1, inkQ);
    CHECK(ink0 > 0 && ink1 > 0); /* one glyph over two cells */
    CHECK(inkCjk > inkQ);

    /* The reference: the same font, TextOutW, into a bitmap of its own. */
    HDC screen = wGetDC(w);
    HDC mem = wCreateCompatibleDC(screen);
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 4 * cw + 1;
    bi.bmiHeader.biHeight = -lh;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits;
    HBITMAP bmp = wCreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    wSelectObject(mem, bmp);
    /* The console's own font (the stock fixed font, or the one of the
     * program's code page): the window's private context keeps it. */
    wSelectObject(mem, ((HGDIOBJ(__attribute__((stdcall)) *)(HDC, UINT))qvtProc("gdi32.dll", "GetCurrentObject"))(
                           screen, OBJ_FONT));
    ((COLORREF(__attribute__((stdcall)) *)(HDC, COLORREF))qvtProc("gdi32.dll", "SetBkColor"))(mem, WHITE);
    ((COLORREF(__attribute__((stdcall)) *)(HDC, COLORREF))qvtProc("gdi32.dll", "SetTextColor"))(mem, BLACK);
    static const WCHAR text[] = {0x4E2D, 0x6587};
    INT dx[2] = {2 * cw, 2 * cw}; /* each character takes two cells */
    ((BOOL(__attribute__((stdcall)) *)(HDC, int, int, UINT, const RECT *, const WCHAR *, UINT, const INT *))qvtProc(
        "gdi32.dll", "ExtTextOutW"))(mem, 1, 0, 0, 0, text, 2, dx);
    wGdiFlush();
    int differ = 0;
    for (int y = 0; y < lh; y++)
        for (int x = 1; x < 4 * cw + 1; x++) {
            uint32_t ref = ((uint32_t *)bits)[y * (4 * cw + 1) + x] & 0xFFFFFF;
            uint32_t got = pixelAt(&cap, x, 6 * lh + y);
            ref = ((ref & 0xFF) << 16) | (ref & 0xFF00) | (ref >> 16);
            differ += ref != got;
        }
    qvtPrint("pixels differing from ExtTextOutW: %d\n", differ);
    CHECK_EQ(differ, 0);
    wDeleteDC(mem);
    wDeleteObject(bmp);
    freeCapture(&cap);
}

/* Columns of cells [c0, c1) of view row r with any pixel other than back. */
static int inkColumns(const Capture *cap, int r, int c0, int c1, uint32_t back)
{
    int n = 0;
    for (int x = c0 * cw + 1; x < c1 * cw + 1; x++) {
        int ink = 0;
        for (int y = r * lh; y < (r + 1) * lh; y++) ink |= pixelAt(cap, x, y) != back;
        n += ink;
    }
    return n;
}

/* The screen's DPI as the system reports it to the program. */
static int screenDpi(void)
{
    HDC dc = wGetDC(0);
    int dpi = wGetDeviceCaps(dc, LOGPIXELSY);
    wReleaseDC(0, dc);
    return dpi;
}

/* A length of the 96-DPI screen at dpi, to the nearest pixel. */
static int atDpi(int length, int dpi) { return (length * dpi * 2 + 96) / 192; }

/* At a DPI other than 96 (a prefix of its own): the cells are the 96-DPI
 * ones of the project's font, 8 x 12, scaled by DPI / 96 within a pixel;
 * the window is the size of the view; the glyphs are drawn at the pitch
 * GetCellSize gives and fill their cells (a Latin one at least 3/4 of its
 * cell's width and its height, a Chinese one 7/10 of its two cells); at a
 * whole multiple of 96 every pixel is text or background. With "default",
 * the window opened at the default rectangle scaled (no value stored). */
static void atScreenDpi(const RECT *opened)
{
    int dpi = screenDpi();
    qvtPrint("screen %d DPI, cells %d x %d, window opened at %d,%d,%d,%d\n", dpi, cw, lh, opened->left,
             opened->top, opened->right, opened->bottom);
    if (dpi == 96) return;
    CHECK(cw >= 8 * dpi / 96 - 1 && cw <= (8 * dpi + 95) / 96 + 1);
    CHECK(lh >= 12 * dpi / 96 - 1 && lh <= (12 * dpi + 95) / 96 + 1);
    if (cwinArgIs("default")) {
        CHECK_EQ(opened->left, 3);
        CHECK_EQ(opened->top, 3);
        CHECK_EQ(opened->right - opened->left, atDpi(631, dpi));
        CHECK_EQ(opened->bottom - opened->top, atDpi(471, dpi));
    }
    /* The window fits the view asked for, 25 x 80: the client area is its
     * cells and the margin, less the scroll bar (not counted when the window
     * is sized); the view then holds the columns the client area has. */
    RECT client;
    wGetClientRect(w, &client);
    CHECK_EQ(client.bottom, 25 * lh + 2);
    CHECK_EQ(client.right + wGetSystemMetrics(SM_CXVSCROLL), 80 * cw + 2);
    CHECK_EQ(viewRows(), 25);
    CHECK_EQ(viewCols(), client.right / cw);

    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    qvSetCaretHeight(0);
    char ms[20];
    for (int i = 0; i < 20; i++) ms[i] = 'M';
    qvMoveCursor(0, 1);
    qvWriteText(ms, 20);
    qvMoveCursor(0, 2);
    qvWriteText(ms, 20);
    qvMoveCursor(0, 3);
    qvWriteText("\xD6\xD0\xD6\xD0\xD6\xD0", 6); /* 中中中 */
    settle();
    Capture cap;
    captureClient(w, &cap);
    /* The pitch: every M is the first one moved by its column times the
     * cell width, each row the one above moved by the cell height, and
     * nothing is drawn past the last cell. */
    int moved = 0, ink = 0;
    for (int c = 0; c < 20; c++)
        for (int y = lh; y < 2 * lh; y++)
            for (int x = 0; x < cw; x++) {
                uint32_t first = pixelAt(&cap, 1 + x, y);
                ink += first != WHITE && c == 0;
                moved += pixelAt(&cap, 1 + c * cw + x, y) != first;
                moved += pixelAt(&cap, 1 + c * cw + x, y + lh) != first;
            }
    int beyond = countOther(&cap, 20 * cw + 1, lh, C * cw + 1, 3 * lh, WHITE);
    qvtPrint("M: %d pixels of ink; %d pixels off the pitch of %d x %d, %d past the last cell\n", ink, moved, cw, lh,
             beyond);
    CHECK(ink > 0);
    CHECK_EQ(moved, 0);
    CHECK_EQ(beyond, 0);
    /* Fill: the columns and rows with ink. */
    int mCols = inkColumns(&cap, 1, 0, 1, WHITE), zhongCols = inkColumns(&cap, 3, 0, 2, WHITE);
    int mRows = 0;
    for (int y = lh; y < 2 * lh; y++) mRows += countOther(&cap, 1, y, cw + 1, y + 1, WHITE) > 0;
    int zhongMoved = 0;
    for (int y = 3 * lh; y < 4 * lh; y++)
        for (int x = 0; x < 2 * cw; x++)
            zhongMoved += pixelAt(&cap, 1 + x, y) != pixelAt(&cap, 1 + 2 * cw + x, y) ||
                          pixelAt(&cap, 1 + x, y) != pixelAt(&cap, 1 + 4 * cw + x, y);
    qvtPrint("M inks %d of %d columns and %d of %d rows, U+4E2D %d of %d columns (%d pixels off its pitch)\n", mCols,
             cw, mRows, lh, zhongCols, 2 * cw, zhongMoved);
    CHECK(4 * mCols >= 3 * cw);
    CHECK(10 * zhongCols >= 7 * 2 * cw);
    CHECK(2 * mRows >= lh);
    CHECK_EQ(zhongMoved, 0);
    int inked = countOther(&cap, 0, lh, C * cw + 1, 4 * lh, WHITE);
    int grey = inked - countColor(&cap, 0, lh, C * cw + 1, 4 * lh, BLACK);
    qvtPrint("%d of %d inked pixels neither text nor background\n", grey, inked);
    if (dpi % 96 == 0) CHECK_EQ(grey, 0);
    freeCapture(&cap);
    qvSetCaretHeight(2);
}

/* The console font fills its cells crisply: cells of at least 8 x 12
 * pixels, M inked over 7 of its 8 columns and 中 over 11 of its 16, and
 * every pixel of printable ASCII and Chinese text in exactly the text or
 * the background colour (no grey edges). A GBK character the font lacks
 * comes from another font, not as the box of a character no font has. */
static void fontFillsCells(void)
{
    qvtPrint("cell %d x %d\n", cw, lh);
    CHECK(cw >= 8 && lh >= 12);
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    char ascii[95];
    for (int i = 0; i < 95; i++) ascii[i] = (char)(' ' + i);
    qvMoveCursor(0, 1);
    qvWriteText(ascii, 48);
    qvMoveCursor(0, 2);
    qvWriteText(ascii + 48, 47);
    qvMoveCursor(0, 3);
    qvWriteText("M\xD6\xD0\xCE\xC4\xBF\xD8\xD6\xC6\xCC\xA8\xA3\xAC\xC4\xE3\xBA\xC3", 17); /* M中文控制台，你好 */
    qvMoveCursor(0, 5);
    qvWriteText("\x86\xAA\xAA\xA1", 4); /* U+5570, beyond GB2312; a user-defined character */
    settle();
    Capture cap;
    captureClient(w, &cap);
    int fallback = 0;
    for (int y = 5 * lh; y < 6 * lh; y++)
        for (int x = 1; x < 2 * cw + 1; x++) fallback += pixelAt(&cap, x, y) != pixelAt(&cap, x + 2 * cw, y);
    qvtPrint("U+5570 and a character no font has differ in %d pixels\n", fallback);
    CHECK(fallback > 0);
    int m = inkColumns(&cap, 3, 0, 1, WHITE), zhong = inkColumns(&cap, 3, 1, 3, WHITE);
    int inked = countOther(&cap, 0, lh, C * cw + 1, 4 * lh, WHITE);
    int grey = inked - countColor(&cap, 0, lh, C * cw + 1, 4 * lh, BLACK);
    qvtPrint("M inks %d of %d columns, U+4E2D %d of %d; %d of %d inked pixels neither text nor background\n", m, cw,
             zhong, 2 * cw, grey, inked);
    CHECK(m >= 7);
    CHECK(zhong >= 11);
    CHECK(inked > 0);
    /* Between whole multiples of 96 DPI the font's pixel squares fall on
     * parts of pixels: grey edges there where text is smoothed. */
    if (screenDpi() % 96 == 0) CHECK_EQ(grey, 0);
    freeCapture(&cap);
}

/* Every byte takes one cell: a row written in one piece looks exactly like
 * the same bytes written one PutChar at a time, and a repaint draws it the
 * same way again. */
static void cellPitch(void)
{
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    const char *text = "MiW.|\xD6\xD0x";
    qvMoveCursor(0, 9);
    qvWriteText(text, 8);
    qvMoveCursor(0, 10);
    for (int i = 0; i < 8; i++) qvPutChar((unsigned char)text[i]);
    settle();
    Capture cap;
    captureClient(w, &cap);
    int differ = 0, ink = 0;
    for (int y = 0; y < lh; y++)
        for (int x = 0; x < 8 * cw + 1; x++) {
            differ += pixelAt(&cap, x, 9 * lh + y) != pixelAt(&cap, x, 10 * lh + y);
            ink += pixelAt(&cap, x, 9 * lh + y) != WHITE;
        }
    qvtPrint("pitch: %d pixels differ, ink %d\n", differ, ink);
    CHECK(ink > 0);
    /* PutChar draws a double-byte character whole once its trail byte
     * comes, exactly as WriteText draws it. */
    CHECK_EQ(differ, 0);
    freeCapture(&cap);
    /* A lead byte alone is drawn blank until its trail byte comes. */
    qvMoveCursor(3, 11);
    qvPutChar(0xD6);
    settle();
    captureClient(w, &cap);
    CHECK_EQ(cellsOther(&cap, 11, 0, C, WHITE), 0);
    freeCapture(&cap);
    qvMoveCursor(4, 11);
    qvPutChar(0xD0);
    settle();
    captureClient(w, &cap);
    CHECK(cellsOther(&cap, 11, 3, 5, WHITE) > 0);
    differ = 0;
    for (int y = 0; y < lh; y++)
        for (int x = 3 * cw + 1; x < 5 * cw + 1; x++)
            differ += pixelAt(&cap, x, 11 * lh + y) != pixelAt(&cap, x + 2 * cw, 9 * lh + y);
    CHECK_EQ(differ, 0); /* the same glyph as WriteText's at column 5 of row 9 */
    freeCapture(&cap);
    /* A full repaint gives the same pixels as the immediate drawing. */
    captureClient(w, &cap);
    Capture again;
    wInvalidateRect(w, 0, TRUE);
    wUpdateWindow(w);
    settle();
    captureClient(w, &again);
    int changed = 0;
    for (int y = 0; y < 10 * lh; y++)
        for (int x = 0; x < C * cw + 1; x++) changed += pixelAt(&cap, x, y) != pixelAt(&again, x, y);
    CHECK_EQ(changed, 0);
    freeCapture(&cap);
    freeCapture(&again);
}

/* Rows past the end of the buffer are left to the background. */
static void paintAfterScroll(void)
{
    qvSetColors(GREEN, BLUE);
    qvClearScreen();
    for (int r = 0; r < 60; r++) {
        qvPutChar('0' + r % 10);
        qvNewLine();
    }
    /* Scroll back a few rows (ScrollWindow) and a full view (repaint). */
    int top = qvGetTopLine();
    int delta[] = {3, -2, 30, -25, 1};
    for (int i = 0; i < 5; i++) {
        top = qvGetTopLine() - delta[i];
        qvScrollToLine(top);
        settle();
        top = qvGetTopLine();
        Capture cap;
        captureClient(w, &cap);
        int ok = 1;
        for (int v = 0; v < viewRows() && top + v < 61; v++) {
            unsigned char ch = cellAt(top + v, 0);
            int ink = cellsOther(&cap, v, 0, 1, GREEN);
            if ((ch != ' ') != (ink > 0)) {
                qvtPrint("after scrolling to %d, row %d ('%c') has %d blue pixels\n", top, v, ch, ink);
                ok = 0;
            }
        }
        CHECK(ok);
        freeCapture(&cap);
    }
}

/* Pixels of the client area (the columns shown, all rows) that differ
 * between two captures. */
static int picturesDiffer(const Capture *a, const Capture *b)
{
    int n = 0;
    for (int y = 0; y < a->height && y < b->height; y++)
        for (int x = 0; x < C * cw + 1; x++) n += pixelAt(a, x, y) != pixelAt(b, x, y);
    return n;
}

/* A burst of scrolling output, drawn in jumps while it streams, settles on
 * exactly the picture a full repaint from the buffer gives, highlight
 * included; the program then computes without calling the kernel and its
 * last line still reaches the screen. */
static void burstEqualsRepaint(void)
{
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    qvSetCaretHeight(0); /* no caret in the pictures */
    qvSetHighlight(30, 500, 5, 495); /* rows in view at the end; the buffer shift moves the text under them */
    char line[90];
    for (int i = 0; i < 600; i++) {
        int n = 5 + i % 70;
        for (int k = 0; k < n; k++) line[k] = (char)('A' + (i + k) % 50);
        if (i % 7 == 0) {
            qvWriteText("\xD6\xD0\xCE\xC4", 4); /* GBK, sometimes split at the edge */
        }
        qvWriteText(line, n);
        if (i % 3) qvNewLine();
    }
    qvWriteText("last", 4);
    /* Compute without calling the kernel: the drawing thread shows the end. */
    DWORD start = wGetTickCount();
    Capture cap;
    /* The drawing thread shows the end: wait until the cursor row has ink
     * and has stopped changing; the comparison with a full repaint below
     * then proves that the picture drawn without kernel calls is exact. */
    int shown = 0, last = -1, same = 0;
    while (!shown && wGetTickCount() - start < 3000) {
        qvtSleep(20); /* the capture uses the console's own context: leave the drawing thread room */
        captureClient(w, &cap);
        int r = cursorRow();
        int ink = cellsOther(&cap, r, 0, 4, WHITE) * 1000 + cellsOther(&cap, r, 4, 8, WHITE);
        same = ink == last ? same + 1 : 0;
        last = ink;
        shown = ink >= 1000 && same >= 2;
        freeCapture(&cap);
    }
    qvtPrint("last line of the burst on screen after %u ms without kernel calls\n", wGetTickCount() - start);
    CHECK(shown);
    captureClient(w, &cap);
    Capture again;
    wInvalidateRect(w, 0, TRUE);
    wUpdateWindow(w);
    captureClient(w, &again);
    int differ = picturesDiffer(&cap, &again);
    qvtPrint("burst against full repaint: %d pixels differ\n", differ);
    CHECK_EQ(differ, 0);
    CHECK(countColor(&again, 0, 0, C * cw + 1, viewRows() * lh, BLACK) > 0); /* the highlight is in view */
    freeCapture(&cap);
    freeCapture(&again);
    qvSetHighlight(0, 0, 0, 0);
    qvSetCaretHeight(2);
}

/* Output that scrolls while the caret blinks leaves no caret bar anywhere
 * but under the cursor. */
static void noCaretMarks(void)
{
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    qvSetCaretHeight(4);
    for (int i = 0; i < 60; i++) {
        qvWriteText("   ", 3);
        if (i % 2) qvNewLine();
        else qvPutChar(10);
        cwinPump(i % 5 == 0 ? 60 : 5); /* the blink comes and goes between outputs */
    }
    qvPeekEvent();
    int bad = 0;
    for (int f = 0; f < 8; f++) {
        cwinPump(70);
        Capture cap;
        captureClient(w, &cap);
        int r = cursorRow(), c = cursorCol();
        int all = countOther(&cap, 0, 0, C * cw + 1, viewRows() * lh, WHITE);
        int inCell = countOther(&cap, c * cw + 1, r * lh, (c + 1) * cw + 1, (r + 1) * lh, WHITE);
        if (all != inCell) {
            qvtPrint("frame %d: %d caret pixels outside the cursor cell\n", f, all - inCell);
            bad++;
        }
        freeCapture(&cap);
    }
    CHECK_EQ(bad, 0);
    qvSetCaretHeight(2);
}

/* Once the program has the device context, output is drawn at once and a
 * shape it drew moves with the text as the screen scrolls. */
static void shapeMovesWithText(void)
{
    qvSetColors(WHITE, BLACK);
    qvClearScreen();
    qvSetCaretHeight(0);
    HDC dc = (HDC)qvGetScreenDC();
    for (int i = 0; i < viewRows() - 1; i++) qvNewLine(); /* the cursor on the last row */
    cwinPump(100);
    RECT box = {40 * cw + 1, 10 * lh + 2, 44 * cw + 1, 11 * lh - 2};
    HBRUSH red = ((HBRUSH(__attribute__((stdcall)) *)(COLORREF))qvtProc("gdi32.dll", "CreateSolidBrush"))(RED);
    ((int(__attribute__((stdcall)) *)(HDC, const RECT *, HBRUSH))qvtProc("user32.dll", "FillRect"))(dc, &box, red);
    for (int i = 0; i < 3; i++) {
        qvWriteText("ab", 2);
        qvNewLine();
    }
    /* No message is pumped: what is on the screen was drawn by the calls. */
    Capture cap;
    captureClient(w, &cap);
    int at = countColor(&cap, 40 * cw + 1, 7 * lh, 44 * cw + 1, 8 * lh, RED);
    int before = countColor(&cap, 40 * cw + 1, 10 * lh, 44 * cw + 1, 11 * lh, RED);
    qvtPrint("shape: %d red pixels three rows up, %d where it was drawn\n", at, before);
    CHECK_EQ(at, 4 * cw * (lh - 4));
    CHECK_EQ(before, 0);
    CHECK(cellsOther(&cap, viewRows() - 2, 0, 2, WHITE) > 0);
    freeCapture(&cap);
    ((BOOL(__attribute__((stdcall)) *)(HGDIOBJ))qvtProc("gdi32.dll", "DeleteObject"))(red);
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    /* Where the window opened, before it is fitted to the view. */
    RECT opened;
    w = (HWND)qvOpenConsole();
    wGetWindowRect(w, &opened);
    w = openTestConsole(25, 80);
    cw = charWidth(), lh = lineHeight(), C = viewCols();
    /* The view may be wider than the client area (the scroll bar is not
     * counted when the window is sized); check only the columns shown. */
    RECT client;
    wGetClientRect(w, &client);
    if (C > (client.right - 1) / cw) C = (client.right - 1) / cw;
    CHECK(w != 0);
    {
        HDC dc = wGetDC(w);
        char face[64];
        TEXTMETRICA tm;
        ((int(__attribute__((stdcall)) *)(HDC, int, char *))qvtProc("gdi32.dll", "GetTextFaceA"))(dc, 64, face);
        ((BOOL(__attribute__((stdcall)) *)(HDC, TEXTMETRICA *))qvtProc("gdi32.dll", "GetTextMetricsA"))(dc, &tm);
        INT adv[2] = {0, 0};
        ((BOOL(__attribute__((stdcall)) *)(HDC, UINT, UINT, INT *))qvtProc("gdi32.dll", "GetCharWidth32A"))(dc, 'i', 'i', adv);
        ((BOOL(__attribute__((stdcall)) *)(HDC, UINT, UINT, INT *))qvtProc("gdi32.dll", "GetCharWidth32A"))(dc, 'W', 'W', adv + 1);
        qvtPrint("font: %s, charset %d, average width %d, widest %d, height %d, advances i %d W %d, cells %d x %d\n",
                 face, tm.tmCharSet, tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmHeight, adv[0], adv[1], cw, lh);
    }
    {
        /* The caption read back in UTF-16: " Win9X/NT/2K 32位Quorven核 Ver 2.00". */
        static const WCHAR want[] = {' ', 'W', 'i', 'n', '9', 'X', '/', 'N', 'T', '/', '2', 'K', ' ', '3', '2', 0x4F4D,
                                     'Q', 'u', 'o', 'r', 'v', 'e', 'n', 0x6838, ' ', 'V', 'e', 'r', ' ', '2', '.', '0', '0', 0};
        WCHAR caption[64];
        int n = ((int(__attribute__((stdcall)) *)(HWND, WCHAR *, int))qvtProc("user32.dll", "GetWindowTextW"))(w, caption, 64);
        CHECK_EQ(n, sizeof want / sizeof want[0] - 1);
        CHECK_BYTES(caption, want, sizeof want);
    }
    atScreenDpi(&opened);
    shownWhileSleeping();
    colours();
    highlight();
    caret();
    gbk();
    fontFillsCells();
    cellPitch();
    paintAfterScroll();
    burstEqualsRepaint();
    noCaretMarks();
    shapeMovesWithText(); /* the device context stays handed out from here */
    noCaretMarks();       /* again, with every output drawn at once */
    qvtFinish();
    return 0;
}
