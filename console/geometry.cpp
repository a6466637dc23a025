// Screen geometry and scrolling: the view and the window's size, the screen
// buffer, the scroll position, the cursor-keeping routines and the caret.
#include "console.h"
#include "layout.h"
#include "state.h"
#include "../host/services.h"
#include <stdlib.h>
#include <string.h>

static ConsoleState &cs = consoleState;

// Both cell sizes must be positive before anything is divided by them: they
// are 0 until the window has measured its font, and SetCellSize stores
// whatever it is given.
static bool cellSizeUsable() { return cs.lineHeight > 0 && cs.charWidth > 0; }

// Allocates the screen buffer when there is none, filled with spaces; on
// failure tells the user and goes on without one.
static void ensureBuffer()
{
    if (cs.screenBuffer) return;
    // A size past 2 GB cannot be allocated; computing it in 64 bits keeps an
    // overflowed product from allocating a buffer too small for its rows.
    uint64_t wanted = static_cast<uint64_t>(cs.bufferRows) * static_cast<uint64_t>(cs.bufferCols);
    size_t size = static_cast<size_t>(wanted);
    char *buffer = wanted <= 0x7FFFFFFFu ? static_cast<char *>(malloc(size)) : nullptr;
    if (!buffer) {
        // "不能分配屏幕内存" (cannot allocate screen memory), caption "错误" (error)
        MessageBoxA(cs.consoleWindow, "\xB2\xBB\xC4\xDC\xB7\xD6\xC5\xE4\xC6\xC1\xC4\xBB\xC4\xDA\xB4\xE6",
                    "\xB4\xED\xCE\xF3", MB_ICONERROR);
        return;
    }
    memset(buffer, ' ', size);
    cs.screenBuffer = buffer;
}

// Asks for the outer size that gives a client area of the view (plus the
// two-pixel margin). The style lacks WS_VSCROLL, so the scroll bar is not
// counted. A change of size refits the view through a nested WM_SIZE.
static void sizeWindowToView()
{
    RECT r = {0, 0, cs.viewCols * cs.charWidth + 2, cs.viewRows * cs.lineHeight + 2};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, cs.hasMenu != 0);
    SetWindowPos(cs.consoleWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE);
}

static void updateScrollBar()
{
    SetScrollRange(cs.consoleWindow, SB_VERT, 0, cs.bufferRows - cs.viewRows, FALSE);
    SetScrollPos(cs.consoleWindow, SB_VERT, cs.topLine, TRUE);
}

void fitViewToClient(int height, int width)
{
    if (!cellSizeUsable()) return;
    int32_t rows = cellsThatFit(height, cs.lineHeight, cs.bufferRows);
    int32_t cols = cellsThatFit(width, cs.charWidth, cs.bufferCols);
    ensureBuffer();
    cs.viewRows = rows;
    cs.viewCols = cols;
    if (height / cs.lineHeight > cs.bufferRows || width / cs.charWidth > cs.bufferCols) sizeWindowToView();
    updateScrollBar();
    wrapCursor();
}

void onVerticalScroll(WPARAM wParam)
{
    int32_t target;
    if (scrollRequestTarget(static_cast<uint32_t>(wParam), cs.topLine, cs.viewRows, cs.bufferRows, &target))
        ScrollToLine(target);
}

void moveCaretToCursor()
{
    SetCaretPos(cellX(cs.cursorCol, cs.charWidth), caretY(cs.cursorRow - cs.topLine, cs.lineHeight, cs.caretHeight));
}

void placeCaret()
{
    if (GetFocus() == cs.consoleWindow) moveCaretToCursor();
}

void wrapCursor()
{
    if (cs.cursorCol >= cs.viewCols) {
        cs.cursorCol = 0;
        cs.cursorRow++;
    }
    keepCursorInView();
}

void keepCursorInView()
{
    if (!cursorInBottomBand(cs.topLine, cs.viewRows, cs.cursorRow)) {
        ScrollToLine(cs.cursorRow - cs.viewRows + 1);
        placeCaret();
    }
    if (cs.screenBuffer && cs.cursorRow >= cs.bufferRows) {
        // The cursor ran past the last row: drop the oldest rows. The view
        // moves with the text, so nothing needs redrawing.
        int32_t n = cs.cursorRow - cs.bufferRows + 1;
        shiftBufferUp(cs.screenBuffer, cs.bufferRows, cs.bufferCols, n);
        cs.topLine = cs.topLine - n < 0 ? 0 : cs.topLine - n;
        cs.cursorRow -= n;
    }
}

// The scroll bar's thumb follows topLine on every scroll, but Wine takes
// about 4 ms to paint the bar, twenty times what the scroll itself costs. So
// while output scrolls quickly the bar is painted at most every
// SCROLL_BAR_PAINT_MS; a position set without painting is painted by a timer
// as soon as the program lets messages through. GetScrollPos is exact at once.
static const UINT SCROLL_BAR_PAINT_MS = 40;
static const UINT_PTR SCROLL_BAR_TIMER = 0x5142; // 'QB'
static DWORD scrollBarPaintedAt;
static bool scrollBarPending;

static void CALLBACK paintScrollBarLater(HWND window, UINT, UINT_PTR id, DWORD)
{
    KillTimer(window, id);
    scrollBarPending = false;
    SetScrollPos(cs.consoleWindow, SB_VERT, cs.topLine, TRUE);
    scrollBarPaintedAt = GetTickCount();
}

static void moveScrollThumb()
{
    DWORD now = GetTickCount();
    if (now - scrollBarPaintedAt >= SCROLL_BAR_PAINT_MS) {
        SetScrollPos(cs.consoleWindow, SB_VERT, cs.topLine, TRUE);
        scrollBarPaintedAt = now;
        if (scrollBarPending) {
            KillTimer(cs.consoleWindow, SCROLL_BAR_TIMER);
            scrollBarPending = false;
        }
        return;
    }
    SetScrollPos(cs.consoleWindow, SB_VERT, cs.topLine, FALSE);
    if (!scrollBarPending && SetTimer(cs.consoleWindow, SCROLL_BAR_TIMER, SCROLL_BAR_PAINT_MS, paintScrollBarLater))
        scrollBarPending = true;
}

extern "C" {
int32_t __stdcall FitViewToPixels(int32_t height, int32_t width)
{
    if (!cellSizeUsable()) return 0;
    int32_t rows = cellsThatFit(height, cs.lineHeight, cs.bufferRows);
    int32_t cols = cellsThatFit(width, cs.charWidth, cs.bufferCols);
    ensureBuffer();
    if (rows == cs.viewRows && cols == cs.viewCols) {
        sizeWindowToView();
        return 0;
    }
    cs.viewRows = rows;
    cs.viewCols = cols;
    sizeWindowToView();
    updateScrollBar(); // with the view the nested WM_SIZE left
    wrapCursor();
    return 0;
}

int32_t __stdcall SetBufferSize(int32_t rows, int32_t columns)
{
    if (rows < 1 || columns < 1 || !cellSizeUsable()) return 0;
    cs.bufferRows = rows;
    cs.bufferCols = columns;
    free(cs.screenBuffer);
    cs.screenBuffer = nullptr;
    FitViewToPixels(cs.viewRows * cs.lineHeight, cs.viewCols * cs.charWidth);
    SetScrollRange(cs.consoleWindow, SB_VERT, 0, cs.bufferRows, FALSE);
    SetScrollPos(cs.consoleWindow, SB_VERT, 0, TRUE);
    ClearScreen();
    return 0;
}

int32_t __stdcall ClearScreen()
{
    if (!cs.screenBuffer) return 0;
    memset(cs.screenBuffer, ' ', static_cast<size_t>(cs.bufferRows) * static_cast<size_t>(cs.bufferCols));
    cs.topLine = 0;
    cs.cursorRow = 0;
    cs.cursorCol = 0;
    placeCaret();
    InvalidateRect(cs.consoleWindow, nullptr, TRUE);
    UpdateWindow(cs.consoleWindow);
    SetScrollPos(cs.consoleWindow, SB_VERT, 0, TRUE);
    return 0;
}

int32_t __stdcall ScrollToLine(int32_t line)
{
    int32_t old = cs.topLine;
    cs.topLine = clampTopLine(line, cs.cursorRow);
    if (cs.topLine != old) {
        int32_t delta = old - cs.topLine;
        if (delta < cs.viewRows && -delta < cs.viewRows) {
            // Move what is drawn; repaint only the rows that came into view.
            ScrollWindow(cs.consoleWindow, 0, delta * cs.lineHeight, nullptr, nullptr);
            RECT strip;
            strip.left = 0;
            strip.right = cs.viewCols * cs.charWidth;
            if (delta < 0) {
                strip.top = (cs.viewRows + delta) * cs.lineHeight;
                strip.bottom = cs.viewRows * cs.lineHeight;
            } else {
                strip.top = cs.viewRows * cs.lineHeight;
                strip.bottom = (cs.viewRows + 1) * cs.lineHeight;
            }
            InvalidateRect(cs.consoleWindow, &strip, FALSE);
        } else {
            InvalidateRect(cs.consoleWindow, nullptr, FALSE);
        }
        UpdateWindow(cs.consoleWindow);
        moveScrollThumb();
    }
    if (cs.topLine <= cs.cursorRow && cs.cursorRow < cs.topLine + cs.viewRows) placeCaret();
    return 0;
}

// Negative coordinates count as 0, so the cursor cell stays inside the buffer.
int32_t __stdcall MoveCursor(int32_t column, int32_t row)
{
    cs.cursorCol = clampCursor(column, cs.viewCols);
    cs.cursorRow = clampCursor(row, cs.viewRows) + cs.topLine;
    placeCaret();
    return 0;
}
}
