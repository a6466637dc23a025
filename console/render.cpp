// The console's renderer: turns what the screen model recorded (cells
// written, rows scrolled) into drawing on the window's private device
// context, at once or, while output streams faster than a screen can show
// it, at most every JUMP_INTERVAL_MS (jump scrolling). A drawing thread,
// started the first time output is deferred, brings deferred output onto
// the screen while the program computes without calling the kernel; it uses
// only GDI calls on the device context, under the screen lock (lock.h),
// which every drawing of the console holds. A program that never writes
// that fast never pays for the thread. The caret's place is decided here
// alone.
#include "render.h"
#include "frontend.h"
#include "ime.h"
#include "layout.h"
#include "lock.h"
#include "marking.h"
#include "state.h"
#include "../platform/codepage.h"
#include "../platform/services.h"
#include <stdlib.h>

static ConsoleState &cs = consoleState;

// The renderer's own state; nothing outside this file reads it.
static struct Renderer {
    int32_t clientWidth = 0;             // client area of the last WM_SIZE, pixels
    int32_t clientHeight = 0;            // its height, pixels
    bool hasFocus = false;               // the console has the keyboard focus (WM_SETFOCUS to WM_KILLFOCUS)
    POINT caretAt = {-1, -1};            // caret position last set; x -1 when unknown
    INT *cellAdvances = nullptr;         // charWidth for every byte of a run, so each byte takes one cell
    int32_t advanceCount = 0;            // entries in cellAdvances
    int32_t advanceWidth = 0;            // the charWidth cellAdvances was filled with
    int32_t thumbPos = 0;                // scroll-bar position last set
    DWORD thumbPaintedAt = 0;            // tick count of the last painting of the scroll bar
    bool thumbPending = false;           // the scroll-bar position was set without painting it
    HANDLE drawThread = nullptr;         // the thread that draws deferred output; made on the first deferral
    HANDLE drawWake = nullptr;           // auto-reset event that wakes the drawing thread
    bool drawThreadIdle = false;         // the drawing thread waits for drawWake without a time-out
    bool deferDrawing = false;           // output may be drawn later (jump scrolling); off once the DC is handed out
    bool drawPending = false;            // screen changes wait for the drawing thread or the next output
    bool caretHiddenForStream = false;   // the caret is hidden while output streams or waits to be drawn
    DWORD outputAt = 0;                  // tick count of the last output call
    DWORD drawnAt = 0;                   // tick count of the last drawing of output
    bool closing = false;                // the window is going away: the drawing thread draws no more
    bool opening = false;                // the window is being shown the first time: scroll-bar positions are set unpainted
} rs;

static void drawDeferredNow();

static const COLORREF INVERTED_BACK = 0x000000;
static const COLORREF INVERTED_TEXT = 0xFFFFFF;
// Output that follows a drawing sooner than this is drawn later, together.
static const DWORD JUMP_INTERVAL_MS = 25;
// Wine takes about 4 ms to paint the scroll bar, many times a scroll: its
// thumb is painted at most this often while output scrolls.
static const DWORD THUMB_INTERVAL_MS = 40;

// Advances of charWidth pixels per byte, so that every byte of a run takes
// exactly one cell whatever the font's own advance is (the stock fixed font
// that Wine substitutes advances 6 pixels while its average width is 7, so
// the cells are 8 wide). A double-byte character gets the two advances of
// its two cells. The table grows with the longest run and follows the cell
// width; it is not rebuilt per call.
static const INT *advancesFor(int32_t count)
{
    if (count > rs.advanceCount || rs.advanceWidth != cs.charWidth) {
        int32_t n = count > rs.advanceCount ? count : rs.advanceCount;
        if (n < 256) n = 256;
        INT *table = static_cast<INT *>(realloc(rs.cellAdvances, static_cast<size_t>(n) * sizeof(INT)));
        if (!table) return nullptr; // then the font's own advances
        for (int32_t i = 0; i < n; i++) table[i] = cs.charWidth;
        rs.cellAdvances = table;
        rs.advanceCount = n;
        rs.advanceWidth = cs.charWidth;
    }
    return rs.cellAdvances;
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
    RECT r = {0, top, rs.clientWidth, bottom};
    return ExtTextOutA(cs.screenDC, 0, top, ETO_OPAQUE, &r, "", 0, nullptr) != FALSE;
}

void renderColors()
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
    SelectedSpan span;
    if (!markedSpan(row, text, &span)) return true;
    int32_t a = span.first > first ? span.first : first;
    int32_t b = span.end < end ? span.end : end;
    if (a >= b) return true;
    return PatBlt(cs.screenDC, cellX(a, cs.charWidth), cellY(viewRow, cs.lineHeight), (b - a) * cs.charWidth,
                  cs.lineHeight, DSTINVERT) != FALSE;
}

// The composition string the console draws itself (under Wine), at the
// cursor on its view row, underlined, cut at the view's edge before a
// character that does not fit; the buffer is not touched.
static bool drawComposition(int32_t viewRow, const char *composition, int32_t length)
{
    const ScreenModel &m = cs.screen;
    int32_t col = m.cursorCol, room = m.viewCols - col, n = 0;
    while (n < length) {
        int32_t step = isLeadByte(programLeadBytes(), static_cast<unsigned char>(composition[n])) ? 2 : 1;
        if (n + step > room) break;
        n += step;
    }
    compositionDrawnAt(CellPos{m.cursorRow, col});
    if (n <= 0) return true;
    bool ok = drawBytes(col, viewRow, composition, n);
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
    DrawSpan d = dbcsDrawSpan(text, m.viewCols, first, end, programLeadBytes());
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
        if (runs[k].inverted) renderColors();
    }
    int32_t composed;
    const char *composition = compositionToDraw(&composed);
    if (composed && row == m.cursorRow) ok &= drawComposition(viewRow, composition, composed);
    if (markingShown()) ok &= invertSelected(row, viewRow, text, d.first, d.end);
    return ok;
}

static bool highlightShown();

// Draws whole view rows [first, last] from the buffer over their background;
// the last view row's band reaches down to the bottom of the client area.
// Blank rows are left as the fill paints them: the opening and a cleared
// screen draw one band each, not a line of blanks too.
static bool drawViewRows(int32_t first, int32_t last)
{
    const ScreenModel &m = cs.screen;
    int32_t count = rowsToPaint(m.topLine, m.viewRows, m.bufferRows);
    // A row of nothing but blanks shows only the background colour, which
    // its band's fill paints: drawing its text would change no pixel, unless
    // a highlight, the marking or the composition lies over it.
    int32_t composed;
    compositionToDraw(&composed);
    bool overlays = highlightShown() || markingShown();
    bool ok = true;
    for (int32_t v = first; v <= last; v++) {
        int32_t bottom = v == m.viewRows - 1 ? rs.clientHeight : (v + 1) * cs.lineHeight;
        if (bottom < (v + 1) * cs.lineHeight) bottom = (v + 1) * cs.lineHeight;
        ok &= fillBackground(v * cs.lineHeight, bottom);
        int32_t row = m.topLine + v;
        if (v >= count) continue;
        if (!overlays && !(composed && row == m.cursorRow) && rowIsBlank(m, row)) continue;
        ok &= drawRowSpan(row, 0, m.viewCols);
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
    RECT client = {0, 0, rs.clientWidth, rs.clientHeight};
    bool ok;
    RECT pending;
    bool windowScroll = GetUpdateRect(cs.consoleWindow, &pending, FALSE) != FALSE;
    if (windowScroll) {
        ok = ScrollWindow(cs.consoleWindow, 0, -d * lh, nullptr, nullptr) != FALSE;
        rs.caretAt.x = -1; // the system may move the caret with the pixels
    }
    else
        ok = ScrollDC(cs.screenDC, 0, -d * lh, &client, &client, nullptr, nullptr) != FALSE;
    int32_t first, last, top, bottom;
    if (d > 0) {
        top = rs.clientHeight - d * lh;
        first = m.viewRows - d;
        if (top / lh < first) first = top < 0 ? 0 : top / lh;
        last = m.viewRows - 1;
        if (top > first * lh) top = first * lh;
        bottom = rs.clientHeight;
    } else {
        first = 0;
        last = -d - 1;
        top = 0;
        bottom = -d * lh;
    }
    ok &= drawViewRows(first, last);
    if (d < 0) ok &= fillBackground(m.viewRows * lh, rs.clientHeight); // rows pushed below the last row
    if (windowScroll) {
        RECT strip = {0, top, rs.clientWidth, bottom};
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

static void paintScreen()
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

void renderRows(int32_t first, int32_t last)
{
    if (!cs.consoleWindow || !cs.screenDC) return;
    lockScreen();
    drawDeferredNow(); // the rest of the picture shows the model too
    ScreenModel &m = cs.screen;
    int32_t count = rowsToPaint(m.topLine, m.viewRows, m.bufferRows);
    if (first < m.topLine) first = m.topLine;
    if (last > m.topLine + count - 1) last = m.topLine + count - 1;
    if (first <= last && m.buffer && cs.lineHeight > 0) {
        bool caret = !rs.caretHiddenForStream && rs.hasFocus;
        if (caret) HideCaret(cs.consoleWindow);
        bool ok = true;
        for (int32_t r = first; r <= last; r++) ok &= drawRowSpan(r, 0, m.viewCols);
        if (!ok) m.redrawAll = true;
        if (caret) ShowCaret(cs.consoleWindow);
    }
    unlockScreen();
}

// Moves the caret to the cursor cell, whether or not the console has the
// focus; an open composition follows it.
static void moveCaretToCursor()
{
    const ScreenModel &m = cs.screen;
    POINT p = {cellX(m.cursorCol, cs.charWidth), caretY(m.cursorRow - m.topLine, cs.lineHeight, cs.caretHeight)};
    SetCaretPos(p.x, p.y);
    rs.caretAt = p;
    if (compositionOpen()) placeInputMethod();
}

// Moves the caret to the cursor cell when the console has the focus and the
// cursor row is in view.
static void placeCaret()
{
    const ScreenModel &m = cs.screen;
    if (!rs.hasFocus || m.cursorRow < m.topLine || m.cursorRow >= m.topLine + m.viewRows) return;
    // Streaming output leaves the caret where it was (column 0 of the last
    // row): no call then.
    if (rs.caretAt.x == cellX(m.cursorCol, cs.charWidth) &&
        rs.caretAt.y == caretY(m.cursorRow - m.topLine, cs.lineHeight, cs.caretHeight))
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
    if (pos == rs.thumbPos && !rs.thumbPending) return;
    bool paint = paintNow || now - rs.thumbPaintedAt >= THUMB_INTERVAL_MS;
    if (pos != rs.thumbPos || paint) SetScrollPos(cs.consoleWindow, SB_VERT, pos, paint);
    rs.thumbPos = pos;
    rs.thumbPending = !paint;
    if (paint) rs.thumbPaintedAt = now;
}

void renderScrollBar(int32_t position)
{
    rs.thumbPos = position;
    rs.thumbPending = false;
    rs.thumbPaintedAt = GetTickCount();
    SetScrollPos(cs.consoleWindow, SB_VERT, position, !rs.opening);
}

// The caret comes back where the cursor is: while it was hidden its position
// was not followed.
static void showCaretAgain()
{
    if (rs.caretHiddenForStream) {
        placeCaret();
        ShowCaret(cs.consoleWindow);
        rs.caretHiddenForStream = false;
    }
}

// While output streams the caret stays off the screen: it would only flicker
// there, and showing and hiding it costs Wine more than drawing a row. Its
// position is not set while it is hidden (a call to the system for every
// character written); it is set when the caret shows again, before the
// program waits for input. The cursor itself is exact after every call.
static void hideCaretForStream()
{
    if (!rs.caretHiddenForStream && rs.hasFocus) {
        HideCaret(cs.consoleWindow);
        rs.caretHiddenForStream = true;
    }
}

// GDI may hold the thread's drawing calls in a batch, and Wine copies a
// window's surface to the X server only when a thread of the process waits
// for messages; a wait that ends at once, for no kind of message, flushes
// it and handles nothing, on Windows as under Wine.
void pushToDisplay()
{
    GdiFlush();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, 0);
}

static DWORD WINAPI drawDeferred(void *);

// The drawing thread, made when output is first deferred. False when it
// cannot be: then output is drawn at once from now on.
static bool haveDrawingThread()
{
    if (rs.drawThread) return true;
    if (!rs.drawWake) rs.drawWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD id;
    // It starts in its wait without a time-out; the deferral that made it
    // wakes it.
    rs.drawThreadIdle = true;
    if (rs.drawWake) rs.drawThread = CreateThread(nullptr, 0, drawDeferred, nullptr, 0, &id);
    if (!rs.drawThread) rs.deferDrawing = false;
    return rs.drawThread != nullptr;
}

static void wakeDrawer()
{
    if (rs.drawThread && rs.drawThreadIdle) {
        rs.drawThreadIdle = false;
        SetEvent(rs.drawWake);
    }
}

// Draws what the model recorded, on the main thread, and notes when.
static void drawNow(DWORD now)
{
    drawChanges(true);
    rs.drawnAt = now;
    rs.drawPending = hasChanges(cs.screen);
}

void renderChanges()
{
    ScreenModel &m = cs.screen;
    DWORD now = GetTickCount();
    // Output that follows the previous output this soon is part of a stream;
    // the first output after a pause shows the caret again.
    bool streaming = now - rs.outputAt < JUMP_INTERVAL_MS;
    rs.outputAt = now;
    if (!hasChanges(m)) {
        // Nothing new to draw: the caret and the thumb follow. A caret shown
        // again must not be drawn over later: deferred output is drawn first.
        if (!streaming && rs.drawPending) drawNow(now);
        if (!rs.caretHiddenForStream) placeCaret();
        if (!streaming) showCaretAgain();
        updateThumb(now, false);
        return;
    }
    if (rs.deferDrawing && now - rs.drawnAt < JUMP_INTERVAL_MS && haveDrawingThread()) {
        // Output comes faster than a screen needs it: keep the state exact
        // and draw later.
        hideCaretForStream();
        if (!rs.caretHiddenForStream) placeCaret(); // no focus: nothing to hide
        rs.drawPending = true;
        wakeDrawer();
        updateThumb(now, false);
        return;
    }
    if (streaming) hideCaretForStream();
    bool bracket = !rs.caretHiddenForStream && rs.hasFocus;
    if (bracket) HideCaret(cs.consoleWindow);
    drawNow(now);
    if (!rs.caretHiddenForStream) placeCaret();
    if (bracket) ShowCaret(cs.consoleWindow);
    pushToDisplay(); // the program may compute for long after its output
    if (!streaming) showCaretAgain();
    updateThumb(now, false);
}

static void drawDeferredNow()
{
    if (!cs.consoleWindow) return;
    lockScreen();
    if (rs.drawPending || hasChanges(cs.screen)) {
        drawNow(GetTickCount());
        if (!rs.caretHiddenForStream) placeCaret();
    }
    unlockScreen();
}

void renderSettle()
{
    if (!cs.consoleWindow) return;
    lockScreen();
    drawDeferredNow();
    showCaretAgain();
    updateThumb(GetTickCount(), true);
    unlockScreen();
    GdiFlush();
}

void renderHandOutDC()
{
    if (!cs.screenDC) return;
    renderSettle();
    lockScreen();
    rs.deferDrawing = false;
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
        MsgWaitForMultipleObjects(1, &rs.drawWake, FALSE, timeout, 0);
        lockScreen();
        if (rs.closing) {
            unlockScreen();
            return 0;
        }
        DWORD now = GetTickCount();
        DWORD since = now - rs.drawnAt;
        if (rs.drawPending && rs.deferDrawing) {
            if (since >= JUMP_INTERVAL_MS) {
                if (drawChanges(false)) rs.drawPending = false;
                rs.drawnAt = now;
                GdiFlush();
                timeout = rs.drawPending ? 5 : JUMP_INTERVAL_MS; // one more wait pushes the picture out
            } else {
                timeout = JUMP_INTERVAL_MS - since;
            }
        } else if (since < 2 * JUMP_INTERVAL_MS) {
            timeout = JUMP_INTERVAL_MS; // output was drawn lately: keep pushing it out
        } else {
            timeout = INFINITE;
            rs.drawThreadIdle = true;
        }
        unlockScreen();
    }
}

void allowDeferredDrawing()
{
    rs.deferDrawing = true;
    // The opening's drawing of the whole view is not output: the program's
    // first output is drawn at once, not deferred behind it, which would
    // start the drawing thread for a program that writes a line and ends.
    rs.drawnAt = GetTickCount() - JUMP_INTERVAL_MS;
}

void renderOpening(bool opening) { rs.opening = opening; }

void stopDrawingThread()
{
    renderSettle();
    lockScreen();
    rs.closing = true;
    rs.deferDrawing = false;
    unlockScreen();
    if (!rs.drawThread) return;
    SetEvent(rs.drawWake);
    WaitForSingleObject(rs.drawThread, 1000);
}

// Deferred output is drawn first, over the whole view (which leaves nothing
// for BeginPaint to repaint); then what the system invalidated. A caret
// hidden while output streams stays hidden: a repaint shows the buffer.
void paintWindow(HWND window)
{
    lockScreen();
    if (hasChanges(cs.screen)) cs.screen.redrawAll = true;
    drawDeferredNow();
    PAINTSTRUCT ps;
    cs.screenDC = BeginPaint(window, &ps);
    paintScreen();
    EndPaint(window, &ps);
    unlockScreen();
}

void rendererSized(int32_t width, int32_t height)
{
    lockScreen();
    rs.clientWidth = width;
    rs.clientHeight = height;
    unlockScreen();
}

void caretFocus(HWND window, bool focus)
{
    renderSettle();
    rs.hasFocus = focus;
    if (focus) {
        newCaret(cs.caretHeight);
        placeInputMethod();
        return;
    }
    rs.caretHiddenForStream = false;
    rs.caretAt.x = -1;
    HideCaret(window);
    DestroyCaret();
}

void newCaret(int32_t height)
{
    renderSettle(); // no deferred drawing under the new caret
    lockScreen();
    cs.caretHeight = clampCaretHeight(height, cs.lineHeight);
    CreateCaret(cs.consoleWindow, nullptr, cs.charWidth, cs.caretHeight);
    rs.caretHiddenForStream = false;
    rs.caretAt.x = -1;
    moveCaretToCursor();
    ShowCaret(cs.consoleWindow);
    unlockScreen();
}
