/* Screen geometry and scrolling under Wine: fitting the view and the
 * window, the buffer, the bottom-band scrolling, ScrollToLine and the
 * scroll bar, MoveCursor, the buffer shift, and the refused cell sizes and
 * buffer sizes. */
#include "cwin.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static HWND w;

static void checkScrollBar(int lo, int hi, int pos)
{
    int a = -1, b = -1;
    wGetScrollRange(w, SB_VERT, &a, &b);
    CHECK_EQ(a, lo);
    CHECK_EQ(b, hi);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), pos);
}

/* The view follows the client area the system actually gave. */
static void checkViewMatchesClient(void)
{
    RECT c;
    wGetClientRect(w, &c);
    int rows = c.bottom / lineHeight(), cols = c.right / charWidth();
    CHECK_EQ(viewRows(), rows > 512 ? 512 : rows);
    CHECK_EQ(viewCols(), cols > 128 ? 128 : cols);
}

static void fitting(void)
{
    int cw = charWidth(), lh = lineHeight();
    CHECK(qvGetScreenBuffer() != 0);
    qvFitViewToPixels(25 * lh, 80 * cw);
    /* The outer size is that of a 80 x 25 client area plus the margin,
     * computed without the scroll bar; the view then follows the client. */
    RECT want = {0, 0, 80 * cw + 2, 25 * lh + 2}, r;
    wAdjustWindowRect(&want, WS_OVERLAPPEDWINDOW, FALSE);
    wGetWindowRect(w, &r);
    CHECK_EQ(r.right - r.left, want.right - want.left);
    CHECK_EQ(r.bottom - r.top, want.bottom - want.top);
    CHECK_EQ(viewRows(), 25);
    /* The window already had this size, so no WM_SIZE refitted the view: it
     * keeps the 80 columns asked for, although the scroll bar covers part of
     * the last ones. */
    CHECK_EQ(viewCols(), 80);
    RECT c;
    wGetClientRect(w, &c);
    qvtPrint("view %dx%d, client %dx%d, scroll bar %d\n", viewRows(), viewCols(), c.right, c.bottom,
             wGetSystemMetrics(SM_CXVSCROLL));
    CHECK_EQ(c.right, 80 * cw + 2 - wGetSystemMetrics(SM_CXVSCROLL));
    checkScrollBar(0, 512 - 25, qvGetTopLine());

    /* A tiny request: the window cannot get that small; the nested WM_SIZE
     * refits the view to the client area actually obtained. */
    qvFitViewToPixels(5, 5);
    checkViewMatchesClient();
    /* Back to 80 x 25: this time the size changes, and the nested WM_SIZE
     * leaves the columns that the narrower client area holds. */
    qvFitViewToPixels(25 * lh, 80 * cw);
    CHECK_EQ(viewRows(), 25);
    checkViewMatchesClient();

    /* WM_SIZE of a minimized window keeps the view. */
    int view = qvGetViewSize();
    wSendMessageA(w, WM_SIZE, SIZE_MINIMIZED, 0);
    CHECK_EQ(qvGetWindowState(), SIZE_MINIMIZED);
    CHECK_EQ(qvGetViewSize(), view);
    wSendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    CHECK_EQ(qvGetWindowState(), SIZE_RESTORED);
    CHECK_EQ(qvGetViewSize(), view);
}

/* Cell sizes of 0 or less, and buffer sizes below 1, are refused. */
static void refusals(void)
{
    int cw = charWidth(), lh = lineHeight();
    int view = qvGetViewSize();
    unsigned char *buffer = qvGetScreenBuffer();
    RECT r0, r;
    wGetWindowRect(w, &r0);
    int cells[][2] = {{0, cw}, {lh, 0}, {-3, cw}, {lh, -8}};
    for (int i = 0; i < 4; i++) {
        qvSetCellSize(cells[i][0], cells[i][1]);
        qvFitViewToPixels(300, 300);
        CHECK_EQ(qvSetBufferSize(100, 60), 0);
        wSendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 300));
        CHECK_EQ(qvGetViewSize(), view);
        CHECK_EQ(qvGetBufferSize(), 0x02000080);
        CHECK_EQ(qvGetScreenBuffer(), buffer);
    }
    qvSetCellSize(lh, cw);
    wGetWindowRect(w, &r);
    CHECK_BYTES(&r, &r0, sizeof r);

    int sizes[][2] = {{0, 80}, {100, 0}, {-1, -1}, {-5, 80}, {1, -100}};
    for (int i = 0; i < 5; i++) {
        CHECK_EQ(qvSetBufferSize(sizes[i][0], sizes[i][1]), 0);
        CHECK_EQ(qvGetBufferSize(), 0x02000080);
        CHECK_EQ(qvGetScreenBuffer(), buffer);
    }
}

static void bufferSize(void)
{
    int cw = charWidth(), lh = lineHeight();
    qvWriteText("text", 4);
    qvSetBufferSize(1000, 200);
    CHECK_EQ(qvGetBufferSize(), (1000 << 16) + 200);
    CHECK_EQ(qvQueryCursor(), 0);
    CHECK_EQ(qvGetTopLine(), 0);
    CHECK_EQ(cellAt(0, 0), ' ');
    CHECK_EQ(cellAt(999, 199), ' ');
    checkScrollBar(0, 1000, 0);
    CHECK_EQ(viewRows(), 25);

    /* A buffer smaller than the view: the view and the window shrink to it.
     * The cursor, 100 rows down, lies past the new buffer's end when the
     * view is refitted: the shift of more rows than the buffer has blanks
     * it instead of moving memory outside it. */
    for (int i = 0; i < 100; i++) qvNewLine();
    CHECK_EQ(qvGetTopLine() + cursorRow(), 100);
    qvSetBufferSize(10, 20);
    CHECK_EQ(qvQueryCursor(), 0);
    CHECK_EQ(qvGetTopLine(), 0);
    CHECK_EQ(viewRows(), 10);
    CHECK(viewCols() <= 20);
    RECT c;
    wGetClientRect(w, &c);
    CHECK_EQ(c.bottom, 10 * lh + 2);
    /* A cursor left far below by the smaller buffer is brought back inside. */
    qvMoveCursor(0, 9);
    qvPutChar('z');
    CHECK_EQ(cellAt(9, 0), 'z');

    qvSetBufferSize(512, 128);
    qvFitViewToPixels(25 * lh, 80 * cw);
    CHECK_EQ(viewRows(), 25);
    CHECK_EQ(qvGetBufferSize(), 0x02000080);
}

static void scrolling(void)
{
    int V = viewRows(), C = viewCols();
    qvClearScreen();
    CHECK_EQ(qvGetTopLine(), 0);

    /* MoveCursor limits from above and, for negative values, from below. */
    qvMoveCursor(200, 3);
    CHECK_EQ(qvQueryCursor(), (3 << 16) + C - 1);
    qvMoveCursor(-5, -7);
    CHECK_EQ(qvQueryCursor(), 0);
    qvMoveCursor(5, 999);
    CHECK_EQ(qvQueryCursor(), ((V - 1) << 16) + 5);

    /* The bottom band: no scrolling while the cursor row is in the last
     * margin rows of the view. */
    qvMoveCursor(0, V - 3);
    qvPutChar('a');
    CHECK_EQ(qvGetTopLine(), 0);
    qvMoveCursor(0, V - 1);
    qvPutChar('b');
    CHECK_EQ(qvGetTopLine(), 0);
    qvPutChar(10);
    CHECK_EQ(qvGetTopLine(), 1);
    CHECK_EQ(cursorRow(), V - 1);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), 1);

    /* Above the band: the cursor row becomes the last row of the window,
     * or the top stays at 0. */
    qvClearScreen();
    qvMoveCursor(0, 10);
    qvPutChar('x');
    CHECK_EQ(qvGetTopLine(), 0);
    for (int i = 0; i < 90; i++) qvNewLine();
    CHECK_EQ(qvGetTopLine(), 100 - V + 1);
    CHECK_EQ(cursorRow(), V - 1);

    /* ScrollToLine never passes the cursor row nor goes below 0. */
    qvScrollToLine(1000);
    CHECK_EQ(qvGetTopLine(), 100);
    qvScrollToLine(-5);
    CHECK_EQ(qvGetTopLine(), 0);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), 0);
    qvScrollToLine(40);
    CHECK_EQ(qvGetTopLine(), 40);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), 40);

    /* From top 100, a cursor put on window row 5 is brought back into the
     * bottom band by the next output. */
    qvScrollToLine(100);
    qvMoveCursor(0, 5);
    CHECK_EQ(qvQueryCursor(), 5 << 16);
    qvPutChar('y');
    CHECK_EQ(qvGetTopLine(), 105 - V + 1);
    CHECK_EQ(cellAt(105, 0), 'y');

    /* Every scroll-bar request, with the cursor on row 105. */
    struct { WPARAM code; int from, want; } req[] = {
        {SB_PAGEDOWN, 0, V - 1},
        {SB_LINEDOWN, 10, 11},
        {SB_LINEUP, 10, 9},
        {SB_LINEUP, 0, 0},
        {SB_PAGEUP, 50, 50 - (V - 1)},
        {SB_PAGEUP, 5, 0},
        {SB_THUMBPOSITION | (50 << 16), 0, 50},
        {SB_THUMBTRACK | (60 << 16), 0, 60},
        {SB_THUMBTRACK | (0xFFFFu << 16), 0, 105}, /* unsigned: stops at the cursor */
        {SB_TOP, 70, 0},
        {SB_BOTTOM, 0, 105},
        {SB_ENDSCROLL, 33, 33},
        {SB_PAGEDOWN, 100, 105},
    };
    for (unsigned i = 0; i < sizeof req / sizeof req[0]; i++) {
        qvScrollToLine(req[i].from);
        wSendMessageA(w, WM_VSCROLL, req[i].code, 0);
        if (qvGetTopLine() != req[i].want)
            qvtPrint("request %d from %d: top %d, expected %d\n", (int)(req[i].code & 0xFFFF), req[i].from,
                     qvGetTopLine(), req[i].want);
        CHECK_EQ(qvGetTopLine(), req[i].want);
        CHECK_EQ(wGetScrollPos(w, SB_VERT), req[i].want);
    }
}

/* 511 line feeds reach the last buffer row; the next drops row 0. */
static void bufferShift(void)
{
    int V = viewRows();
    qvClearScreen();
    qvWriteText("row0", 4);
    qvNewLine();
    qvWriteText("row1", 4);
    qvMoveCursor(0, 0);
    for (int i = 0; i < 511; i++) qvPutChar(10);
    CHECK_EQ(qvGetTopLine(), 511 - V + 1);
    CHECK_EQ(cursorRow(), V - 1);
    qvWriteText("last", 4);
    CHECK_EQ(cellAt(0, 0), 'r');
    CHECK_EQ(cellAt(0, 3), '0');
    qvMoveCursor(0, V - 1);
    qvPutChar(10);
    CHECK_EQ(qvGetTopLine(), 511 - V + 1);
    CHECK_EQ(cursorRow(), V - 1);
    CHECK_EQ(cellAt(0, 3), '1');   /* row 1 moved up to row 0 */
    CHECK_EQ(cellAt(510, 0), 'l'); /* the last row moved up one */
    for (int c = 0; c < 128; c++)
        if (cellAt(511, c) != ' ') {
            CHECK_EQ(cellAt(511, c), ' ');
            break;
        }
    CHECK_EQ(cellAt(1, 0), ' ');
    /* Many more lines keep the cursor on the last row. */
    for (int i = 0; i < 600; i++) qvNewLine();
    CHECK_EQ(qvGetTopLine(), 511 - V + 1);
    CHECK_EQ(cursorRow(), V - 1);
    qvClearScreen();
}

static void clearing(void)
{
    qvWriteText("abc", 3);
    for (int i = 0; i < 40; i++) qvNewLine();
    qvClearScreen();
    CHECK_EQ(qvGetTopLine(), 0);
    CHECK_EQ(qvQueryCursor(), 0);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), 0);
    unsigned char *b = qvGetScreenBuffer();
    int spaces = 0;
    for (int i = 0; i < 512 * 128; i++) spaces += b[i] == ' ';
    CHECK_EQ(spaces, 512 * 128);
}

/* The scroll bar's pixels, read from the window's whole-window context. */
static int scrollBarPixels(uint32_t *out, int max)
{
    SCROLLBARINFO sbi;
    memset(&sbi, 0, sizeof sbi);
    sbi.cbSize = sizeof sbi;
    ((BOOL(__attribute__((stdcall)) *)(HWND, LONG, SCROLLBARINFO *))qvtProc("user32.dll", "GetScrollBarInfo"))(
        w, OBJID_VSCROLL, &sbi);
    RECT wr;
    wGetWindowRect(w, &wr);
    int x0 = sbi.rcScrollBar.left - wr.left, y0 = sbi.rcScrollBar.top - wr.top;
    int width = sbi.rcScrollBar.right - sbi.rcScrollBar.left, height = sbi.rcScrollBar.bottom - sbi.rcScrollBar.top;
    HDC dc = ((HDC(__attribute__((stdcall)) *)(HWND))qvtProc("user32.dll", "GetWindowDC"))(w);
    typedef COLORREF(__attribute__((stdcall)) * GetPixel_t)(HDC, int, int);
    GetPixel_t getPixel = (GetPixel_t)qvtProc("gdi32.dll", "GetPixel");
    int n = 0;
    for (int y = 0; y < height; y += 2)
        for (int x = 0; x < width; x += 3)
            if (n < max) out[n++] = getPixel(dc, x0 + x, y0 + y);
    wReleaseDC(w, dc);
    return n;
}

/* Fast scrolling paints the scroll bar at most every few tens of
 * milliseconds; once the program waits for input the bar shows the final
 * position, the same pixels as a full repaint of the frame. */
static void scrollBarCatchesUp(void)
{
    static uint32_t before[4000], after[4000];
    qvClearScreen();
    cwinPump(100);
    for (int i = 0; i < 60; i++) qvNewLine();
    CHECK_EQ(wGetScrollPos(w, SB_VERT), qvGetTopLine());
    qvPeekEvent();
    cwinPump(100);
    int n = scrollBarPixels(before, 4000);
    ((BOOL(__attribute__((stdcall)) *)(HWND, const RECT *, HRGN, UINT))qvtProc("user32.dll", "RedrawWindow"))(
        w, 0, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    int m = scrollBarPixels(after, 4000);
    CHECK(n > 100);
    CHECK_EQ(n, m);
    int differ = 0;
    for (int i = 0; i < n && i < m; i++) differ += before[i] != after[i];
    CHECK_EQ(differ, 0);
    qvClearScreen();
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    w = openTestConsole(25, 80);
    CHECK(w != 0);
    fitting();
    refusals();
    bufferSize();
    scrolling();
    bufferShift();
    clearing();
    scrollBarCatchesUp();
    qvtFinish();
    return 0;
}
