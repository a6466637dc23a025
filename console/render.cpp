// The console's renderer: turns what the screen model recorded (cells
// written, rows scrolled) into drawing on the window's private device
// context, at once or, while output streams faster than a screen can show
// it, at most every JUMP_INTERVAL_MS (jump scrolling). A drawing thread
// brings deferred output onto the screen while the program computes without
// calling the kernel; it uses only GDI calls on the device context, under
// drawLock, which every drawing of the console holds.
#include "console.h"
#include "layout.h"
#include "state.h"
#include <stdlib.h>

static ConsoleState &cs = consoleState;

static const COLORREF INVERTED_BACK = 0x000000;
static const COLORREF INVERTED_TEXT = 0xFFFFFF;
// Output that follows a drawing sooner than this is drawn later, together.
static const DWORD JUMP_INTERVAL_MS = 25;
// Wine takes about 4 ms to paint the scroll bar, many times a scroll: its
// thumb is painted at most this often while output scrolls.
static const DWORD THUMB_INTERVAL_MS = 40;

void lockScreen()
{
    if (!cs.drawLockReady) {
        InitializeCriticalSection(&cs.drawLock);
        cs.drawLockReady = true;
    }
    EnterCriticalSection(&cs.drawLock);
}

void unlockScreen() { LeaveCriticalSection(&cs.drawLock); }

void releaseScreenLockAfterFault()
{
    if (!cs.drawLockReady) return;
    DWORD self = GetCurrentThreadId();
    while (reinterpret_cast<DWORD>(cs.drawLock.OwningThread) == self && cs.drawLock.RecursionCount > 0)
        LeaveCriticalSection(&cs.drawLock);
}

// Advances of charWidth pixels per byte, so that every byte of a run takes
// exactly one cell whatever the font's own advance is (the stock fixed font
// that Wine substitutes advances 6 pixels while its average width is 7, so
// the cells are 8 wide). A double-byte character gets the two advances of
// its two cells. The table grows with the longest run and follows the cell
// width; it is not rebuilt per call.
static const INT *advancesFor(int32_t count)
{
    if (count > cs.advanceCount || cs.advanceWidth != cs.charWidth) {
        int32_t n = count > cs.advanceCount ? count : cs.advanceCount;
        if (n < 256) n = 256;
        INT *table = static_cast<INT *>(realloc(cs.cellAdvances, static_cast<size_t>(n) * sizeof(INT)));
        if (!table) return nullptr; // then the font's own advances
        for (int32_t i = 0; i < n; i++) table[i] = cs.charWidth;
        cs.cellAdvances = table;
        cs.advanceCount = n;
        cs.advanceWidth = cs.charWidth;
    }
    return cs.cellAdvances;
}

// Draws count bytes from column col of a view row, background included, in
// the font and colours selected into the console's device context. False
// when GDI refused (another thread of the program held the context).
static bool drawBytes(int32_t col, int32_t viewRow, const char *bytes, int32_t count)
{
    if (count <= 0) return true;
    return ExtTextOutA(cs.screenDC, cellX(col, cs.charWidth), cellY(viewRow, cs.lineHeight), 0, nullptr, bytes,
                       static_cast<UINT>(count), advancesFor(count)) != FALSE;
}

// Fills a band of the client area with the console's background colour, as
// the window's background brush erases it.
static bool fillBackground(int32_t top, int32_t bottom)
{
    if (bottom <= top) return true;
    RECT r = {0, top, cs.clientWidth, bottom};
    return ExtTextOutA(cs.screenDC, 0, top, ETO_OPAQUE, &r, "", 0, nullptr) != FALSE;
}

void selectConsoleColors()
{
    if (cs.backColor == -1 && cs.textColor == -1) {
        SetBkColor(cs.screenDC, GetSysColor(COLOR_WINDOW));
        SetTextColor(cs.screenDC, GetSysColor(COLOR_WINDOWTEXT));
    } else {
        SetBkColor(cs.screenDC, cs.backColor);
        SetTextColor(cs.screenDC, cs.textColor);
    }
}

// Inverts the selected cells among columns [first, end) of buffer row
// `row`, just drawn: the selection shows over the picture and never enters
// the buffer or the program's highlight. Its rows first follow the buffer's
// shift.
static bool invertSelected(int32_t row, int32_t viewRow, const char *text, int32_t first, int32_t end)
{
    Selection &sel = cs.selection;
    followShift(sel, cs.screen.shiftTotal);
    SelectedSpan span;
    if (!selectedSpan(sel, row, text, cs.screen.viewCols, cs.leadBytes, &span)) return true;
    int32_t a = span.first > first ? span.first : first;
    int32_t b = span.end < end ? span.end : end;
    if (a >= b) return true;
    return PatBlt(cs.screenDC, cellX(a, cs.charWidth), cellY(viewRow, cs.lineHeight), (b - a) * cs.charWidth,
                  cs.lineHeight, DSTINVERT) != FALSE;
}

// The composition string the console draws itself (under Wine), at the
// cursor on its view row, underlined, cut at the view's edge before a
// character that does not fit; the buffer is not touched.
static bool drawComposition(int32_t viewRow)
{
    const ScreenModel &m = cs.screen;
    int32_t col = m.cursorCol, room = m.viewCols - col, n = 0;
    while (n < cs.compositionLength) {
        int32_t step = isLeadByte(cs.leadBytes, static_cast<unsigned char>(cs.composition[n])) ? 2 : 1;
        if (n + step > room) break;
        n += step;
    }
    cs.compositionAt.row = m.cursorRow;
    cs.compositionAt.col = col;
    if (n <= 0) return true;
    bool ok = drawBytes(col, viewRow, cs.composition, n);
    COLORREF back = GetBkColor(cs.screenDC);
    SetBkColor(cs.screenDC, GetTextColor(cs.screenDC));
    RECT line = {cellX(col, cs.charWidth), cellY(viewRow, cs.lineHeight) + cs.lineHeight - 1,
                 cellX(col + n, cs.charWidth), cellY(viewRow, cs.lineHeight) + cs.lineHeight};
    ok &= ExtTextOutA(cs.screenDC, line.left, line.top, ETO_OPAQUE, &line, "", 0, nullptr) != FALSE;
    SetBkColor(cs.screenDC, back);
    return ok;
}

// Draws columns [first, end) of buffer row `row` where the view shows it:
// inverted where the highlight covers them, a double-byte character always
// whole (a lead byte still waiting for its trail byte is drawn blank).
static bool drawRowSpan(int32_t row, int32_t first, int32_t end)
{
    const ScreenModel &m = cs.screen;
    const char *text = screenCell(m, row, 0);
    DrawSpan d = dbcsDrawSpan(text, m.viewCols, first, end, cs.leadBytes);
    if (d.first >= d.end) return true;
    const HighlightRegion &h = cs.highlight;
    PaintRun runs[3];
    int n = highlightRuns(row, m.viewCols, h.startRow, h.startCol, h.endRow, h.endCol, runs);
    int32_t viewRow = row - m.topLine;
    bool ok = true;
    for (int k = 0; k < n; k++) {
        int32_t a = runs[k].start > d.first ? runs[k].start : d.first;
        int32_t b = runs[k].start + runs[k].count < d.end ? runs[k].start + runs[k].count : d.end;
        if (a >= b) continue;
        if (runs[k].inverted) {
            SetBkColor(cs.screenDC, INVERTED_BACK);
            SetTextColor(cs.screenDC, INVERTED_TEXT);
        }
        if (d.blankLast && b == d.end) {
            ok &= drawBytes(a, viewRow, text + a, b - 1 - a);
            ok &= drawBytes(b - 1, viewRow, " ", 1);
        } else {
            ok &= drawBytes(a, viewRow, text + a, b - a);
        }
        if (runs[k].inverted) selectConsoleColors();
    }
    if (cs.compositionLength && row == m.cursorRow) ok &= drawComposition(viewRow);
    if (cs.selection.marking) ok &= invertSelected(row, viewRow, text, d.first, d.end);
    return ok;
}

// Draws whole view rows [first, last] from the buffer over their background;
// the last view row's band reaches down to the bottom of the client area.
static bool drawViewRows(int32_t first, int32_t last)
{
    const ScreenModel &m = cs.screen;
    int32_t count = rowsToPaint(m.topLine, m.viewRows, m.bufferRows);
    bool ok = true;
    for (int32_t v = first; v <= last; v++) {
        int32_t bottom = v == m.viewRows - 1 ? cs.clientHeight : (v + 1) * cs.lineHeight;
        if (bottom < (v + 1) * cs.lineHeight) bottom = (v + 1) * cs.lineHeight;
        ok &= fillBackground(v * cs.lineHeight, bottom);
        if (v < count) ok &= drawRowSpan(m.topLine + v, 0, m.viewCols);
    }
    return ok;
}

static bool highlightShown()
{
    const HighlightRegion &h = cs.highlight;
    return h.startRow < h.endRow || (h.startRow == h.endRow && h.startCol < h.endCol);
}

// Moves the picture up by d rows (down when negative) and draws the rows
// that came into view. Main thread only: when the window has an area still
// waiting for WM_PAINT, ScrollWindow moves that area along with the pixels.
static bool scrollPicture(int32_t d)
{
    const ScreenModel &m = cs.screen;
    int32_t lh = cs.lineHeight;
    RECT client = {0, 0, cs.clientWidth, cs.clientHeight};
    bool ok;
    RECT pending;
    bool windowScroll = GetUpdateRect(cs.consoleWindow, &pending, FALSE) != FALSE;
    if (windowScroll) {
        ok = ScrollWindow(cs.consoleWindow, 0, -d * lh, nullptr, nullptr) != FALSE;
        cs.caretAt.x = -1; // the system may move the caret with the pixels
    }
    else
        ok = ScrollDC(cs.screenDC, 0, -d * lh, &client, &client, nullptr, nullptr) != FALSE;
    int32_t first, last, top, bottom;
    if (d > 0) {
        top = cs.clientHeight - d * lh;
        first = m.viewRows - d;
        if (top / lh < first) first = top < 0 ? 0 : top / lh;
        last = m.viewRows - 1;
        if (top > first * lh) top = first * lh;
        bottom = cs.clientHeight;
    } else {
        first = 0;
        last = -d - 1;
        top = 0;
        bottom = -d * lh;
    }
    ok &= drawViewRows(first, last);
    if (d < 0) ok &= fillBackground(m.viewRows * lh, cs.clientHeight); // rows pushed below the last row
    if (windowScroll) {
        RECT strip = {0, top, cs.clientWidth, bottom};
        ValidateRect(cs.consoleWindow, &strip);
    }
    return ok;
}

// Draws what the model recorded since the picture was last drawn. The main
// thread moves the picture for a scroll of less than a view; the drawing
// thread, which makes no window calls, redraws the view instead. A drawing
// that GDI refused leaves a full redraw pending.
static bool drawChanges(bool mainThread)
{
    ScreenModel &m = cs.screen;
    if (!m.buffer || !cs.screenDC || m.viewRows <= 0 || cs.lineHeight <= 0 || cs.charWidth <= 0) {
        forgetChanges(m);
        return true;
    }
    int32_t d = m.scrolled;
    bool full = m.redrawAll || (m.shifted != 0 && highlightShown()) ||
                (d != 0 && (!mainThread || d >= m.viewRows || -d >= m.viewRows));
    bool ok = true;
    if (full) {
        ok = drawViewRows(0, m.viewRows - 1);
        if (ok && mainThread) ValidateRect(cs.consoleWindow, nullptr);
    } else {
        if (d != 0) ok = scrollPicture(d);
        int32_t last = m.lastChanged < m.topLine + m.viewRows - 1 ? m.lastChanged : m.topLine + m.viewRows - 1;
        for (int32_t r = m.firstChanged > m.topLine ? m.firstChanged : m.topLine; r <= last; r++) {
            const CellSpan &s = m.changed[r];
            if (s.first < s.end) ok &= drawRowSpan(r, s.first, s.end);
        }
    }
    forgetChanges(m);
    if (!ok) m.redrawAll = true;
    return ok;
}

void paintScreen()
{
    const ScreenModel &m = cs.screen;
    if (!m.buffer) return;
    int32_t count = rowsToPaint(m.topLine, m.viewRows, m.bufferRows);
    // Rows outside the clipping box would draw nothing visible; skipping them
    // makes the repaint of a strip cost one row, not all.
    int32_t first = 0, last = count - 1;
    RECT clip;
    if (GetClipBox(cs.screenDC, &clip) != ERROR && cs.lineHeight > 0) {
        clipRows(clip.top, clip.bottom, cs.lineHeight, &first, &last);
        if (last > count - 1) last = count - 1;
    }
    for (int32_t i = first; i <= last; i++) drawRowSpan(m.topLine + i, 0, m.viewCols);
}

void redrawBufferRows(int32_t first, int32_t last)
{
    if (!cs.consoleWindow || !cs.screenDC) return;
    lockScreen();
    drawDeferredNow(); // the rest of the picture shows the model too
    ScreenModel &m = cs.screen;
    int32_t count = rowsToPaint(m.topLine, m.viewRows, m.bufferRows);
    if (first < m.topLine) first = m.topLine;
    if (last > m.topLine + count - 1) last = m.topLine + count - 1;
    if (first <= last && m.buffer && cs.lineHeight > 0) {
        bool caret = !cs.caretHiddenForStream && cs.hasFocus;
        if (caret) HideCaret(cs.consoleWindow);
        bool ok = true;
        for (int32_t r = first; r <= last; r++) ok &= drawRowSpan(r, 0, m.viewCols);
        if (!ok) m.redrawAll = true;
        if (caret) ShowCaret(cs.consoleWindow);
    }
    unlockScreen();
}

void placeCaret()
{
    const ScreenModel &m = cs.screen;
    if (!cs.hasFocus || m.cursorRow < m.topLine || m.cursorRow >= m.topLine + m.viewRows) return;
    // Streaming output leaves the caret where it was (column 0 of the last
    // row): no call then.
    if (cs.caretAt.x == cellX(m.cursorCol, cs.charWidth) &&
        cs.caretAt.y == caretY(m.cursorRow - m.topLine, cs.lineHeight, cs.caretHeight))
        return;
    moveCaretToCursor();
}

// The scroll bar's position follows the model at once (GetScrollPos is
// exact); its thumb is painted at most every THUMB_INTERVAL_MS, and a
// position set without painting is painted when the program next waits or
// at the next output after the interval.
static void updateThumb(DWORD now, bool paintNow)
{
    int32_t pos = cs.screen.scrollPos;
    if (pos == cs.thumbPos && !cs.thumbPending) return;
    bool paint = paintNow || now - cs.thumbPaintedAt >= THUMB_INTERVAL_MS;
    if (pos != cs.thumbPos || paint) SetScrollPos(cs.consoleWindow, SB_VERT, pos, paint);
    cs.thumbPos = pos;
    cs.thumbPending = !paint;
    if (paint) cs.thumbPaintedAt = now;
}

void setScrollBar(int32_t position)
{
    cs.screen.scrollPos = position;
    cs.thumbPos = position;
    cs.thumbPending = false;
    cs.thumbPaintedAt = GetTickCount();
    SetScrollPos(cs.consoleWindow, SB_VERT, position, TRUE);
}

// The caret comes back where the cursor is: while it was hidden its position
// was not followed.
static void showCaretAgain()
{
    if (cs.caretHiddenForStream) {
        placeCaret();
        ShowCaret(cs.consoleWindow);
        cs.caretHiddenForStream = false;
    }
}

// While output streams the caret stays off the screen: it would only flicker
// there, and showing and hiding it costs Wine more than drawing a row. Its
// position is not set while it is hidden (a call to the system for every
// character written); it is set when the caret shows again, before the
// program waits for input. The cursor itself is exact after every call.
static void hideCaretForStream()
{
    if (!cs.caretHiddenForStream && cs.hasFocus) {
        HideCaret(cs.consoleWindow);
        cs.caretHiddenForStream = true;
    }
}

static void wakeDrawer()
{
    if (cs.drawThread && cs.drawThreadIdle) {
        cs.drawThreadIdle = false;
        SetEvent(cs.drawWake);
    }
}

// Draws what the model recorded, on the main thread, and notes when.
static void drawNow(DWORD now)
{
    drawChanges(true);
    cs.drawnAt = now;
    cs.drawPending = hasChanges(cs.screen);
}

void presentChanges()
{
    ScreenModel &m = cs.screen;
    DWORD now = GetTickCount();
    // Output that follows the previous output this soon is part of a stream;
    // the first output after a pause shows the caret again.
    bool streaming = now - cs.outputAt < JUMP_INTERVAL_MS;
    cs.outputAt = now;
    if (!hasChanges(m)) {
        // Nothing new to draw: the caret and the thumb follow. A caret shown
        // again must not be drawn over later: deferred output is drawn first.
        if (!streaming && cs.drawPending) drawNow(now);
        if (!cs.caretHiddenForStream) placeCaret();
        if (!streaming) showCaretAgain();
        updateThumb(now, false);
        return;
    }
    if (cs.deferDrawing && cs.drawThread && now - cs.drawnAt < JUMP_INTERVAL_MS) {
        // Output comes faster than a screen needs it: keep the state exact
        // and draw later.
        hideCaretForStream();
        if (!cs.caretHiddenForStream) placeCaret(); // no focus: nothing to hide
        cs.drawPending = true;
        wakeDrawer();
        updateThumb(now, false);
        return;
    }
    if (streaming) hideCaretForStream();
    bool bracket = !cs.caretHiddenForStream && cs.hasFocus;
    if (bracket) HideCaret(cs.consoleWindow);
    drawNow(now);
    wakeDrawer(); // it brings the picture onto the display while output goes on
    if (!cs.caretHiddenForStream) placeCaret();
    if (bracket) ShowCaret(cs.consoleWindow);
    if (!streaming) showCaretAgain();
    updateThumb(now, false);
}

void drawDeferredNow()
{
    if (!cs.consoleWindow) return;
    lockScreen();
    if (cs.drawPending || hasChanges(cs.screen)) {
        drawNow(GetTickCount());
        if (!cs.caretHiddenForStream) placeCaret();
    }
    unlockScreen();
}

void settleScreen()
{
    if (!cs.consoleWindow) return;
    lockScreen();
    drawDeferredNow();
    showCaretAgain();
    updateThumb(GetTickCount(), true);
    unlockScreen();
    GdiFlush();
}

void handOutScreenDC()
{
    if (!cs.screenDC) return;
    settleScreen();
    lockScreen();
    cs.deferDrawing = false;
    unlockScreen();
}

// The drawing thread: sleeps until output is deferred, then draws it once
// JUMP_INTERVAL_MS have passed since the last drawing. Under Wine its wait
// also pushes every window surface of the process to the X server, so what
// the main thread drew reaches the display while the program computes.
static DWORD WINAPI drawDeferred(void *)
{
    DWORD timeout = INFINITE;
    for (;;) {
        MsgWaitForMultipleObjects(1, &cs.drawWake, FALSE, timeout, 0);
        lockScreen();
        if (cs.closing) {
            unlockScreen();
            return 0;
        }
        DWORD now = GetTickCount();
        DWORD since = now - cs.drawnAt;
        if (cs.drawPending && cs.deferDrawing) {
            if (since >= JUMP_INTERVAL_MS) {
                if (drawChanges(false)) cs.drawPending = false;
                cs.drawnAt = now;
                GdiFlush();
                timeout = cs.drawPending ? 5 : JUMP_INTERVAL_MS; // one more wait pushes the picture out
            } else {
                timeout = JUMP_INTERVAL_MS - since;
            }
        } else if (since < 2 * JUMP_INTERVAL_MS) {
            timeout = JUMP_INTERVAL_MS; // output was drawn lately: keep pushing it out
        } else {
            timeout = INFINITE;
            cs.drawThreadIdle = true;
        }
        unlockScreen();
    }
}

void startDrawingThread()
{
    if (cs.drawThread) return;
    lockScreen();
    unlockScreen();
    cs.drawWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!cs.drawWake) return;
    cs.deferDrawing = true;
    cs.drawThreadIdle = true; // it starts in its wait without a time-out: the first output wakes it
    DWORD id;
    cs.drawThread = CreateThread(nullptr, 0, drawDeferred, nullptr, 0, &id);
    if (!cs.drawThread) cs.deferDrawing = false;
}

void stopDrawingThread()
{
    if (!cs.drawThread) return;
    settleScreen();
    lockScreen();
    cs.closing = true;
    cs.deferDrawing = false;
    unlockScreen();
    SetEvent(cs.drawWake);
    WaitForSingleObject(cs.drawThread, 1000);
}
