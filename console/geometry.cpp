// Screen geometry and scrolling: the view and the window's size, the screen
// buffer, the scroll position and the caret. The cursor rules live in the
// screen model (screen.cpp); the drawing, and the caret, belong to the
// window, which the core reaches through its front end (frontend.h).
#include "geometry.h"
#include "frontend.h"
#include "layout.h"
#include "lock.h"
#include "state.h"
#include "../platform/services.h"
#include "../platform/codepage.h"
#include <stdlib.h>
#include <string.h>

static ConsoleState &cs = consoleState;
static ScreenModel &sm = consoleState.screen;

// Both cell sizes must be positive before anything is divided by them: they
// are 0 until the window has measured its font, and SetCellSize stores
// whatever it is given.
static bool cellSizeUsable() { return cs.lineHeight > 0 && cs.charWidth > 0; }

// Allocates the screen buffer and its change record when there is none, the
// buffer filled with spaces; on failure tells the user and goes on without one.
static void ensureBuffer()
{
    if (sm.buffer) return;
    // A size past 2 GB cannot be allocated; computing it in 64 bits keeps an
    // overflowed product from allocating a buffer too small for its rows.
    uint64_t wanted = static_cast<uint64_t>(sm.bufferRows) * static_cast<uint64_t>(sm.bufferCols);
    size_t size = static_cast<size_t>(wanted);
    char *buffer = wanted <= 0x7FFFFFFFu ? static_cast<char *>(malloc(size)) : nullptr;
    CellSpan *changed = buffer ? static_cast<CellSpan *>(calloc(static_cast<size_t>(sm.bufferRows), sizeof(CellSpan)))
                               : nullptr;
    if (!changed) {
        free(buffer);
        settleScreen();
        // "不能分配屏幕内存" (cannot allocate screen memory), caption "错误" (error)
        kernelMessageBox(cs.consoleWindow, "\xB2\xBB\xC4\xDC\xB7\xD6\xC5\xE4\xC6\xC1\xC4\xBB\xC4\xDA\xB4\xE6",
                         "\xB4\xED\xCE\xF3", MB_ICONERROR);
        return;
    }
    memset(buffer, BLANK_CELL, size);
    sm.buffer = buffer;
    sm.changed = changed;
    forgetChanges(sm);
}

// Asks for the outer size that gives a client area of the view (plus the
// two-pixel margin). The style lacks WS_VSCROLL, so the scroll bar is not
// counted. A change of size refits the view through a nested WM_SIZE.
static void sizeWindowToView()
{
    RECT r = {0, 0, sm.viewCols * cs.charWidth + 2, sm.viewRows * cs.lineHeight + 2};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, cs.hasMenu != 0);
    SetWindowPos(cs.consoleWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE);
}

// The scroll position, and the scroll bar's at once.
static void setScrollBar(int32_t position)
{
    sm.scrollPos = position;
    showScrollBar(position);
}

static void updateScrollBar()
{
    SetScrollRange(cs.consoleWindow, SB_VERT, 0, sm.bufferRows - sm.viewRows, FALSE);
    setScrollBar(sm.topLine);
}

// The view changed size: the window repaints all of it (CS_HREDRAW,
// CS_VREDRAW), and the renderer draws nothing older.
static void viewChanged()
{
    forgetChanges(sm);
    sm.redrawAll = true;
}

void fitViewToClient(int height, int width)
{
    if (!cellSizeUsable()) return;
    lockScreen();
    int32_t rows = cellsThatFit(height, cs.lineHeight, sm.bufferRows);
    int32_t cols = cellsThatFit(width, cs.charWidth, sm.bufferCols);
    ensureBuffer();
    sm.viewRows = rows;
    sm.viewCols = cols;
    viewChanged();
    if (height / cs.lineHeight > sm.bufferRows || width / cs.charWidth > sm.bufferCols) sizeWindowToView();
    updateScrollBar();
    wrapModelCursor(sm);
    presentChanges();
    unlockScreen();
}

void onVerticalScroll(WPARAM wParam)
{
    int32_t target;
    if (scrollRequestTarget(static_cast<uint32_t>(wParam), sm.topLine, sm.viewRows, sm.bufferRows, &target))
        ScrollToLine(target);
}

void releaseScreenBuffer()
{
    lockScreen();
    free(sm.buffer);
    free(sm.changed);
    sm.buffer = nullptr;
    sm.changed = nullptr;
    unlockScreen();
}

extern "C" {
int32_t __stdcall FitViewToPixels(int32_t height, int32_t width)
{
    if (!cellSizeUsable()) return 0;
    lockScreen();
    int32_t rows = cellsThatFit(height, cs.lineHeight, sm.bufferRows);
    int32_t cols = cellsThatFit(width, cs.charWidth, sm.bufferCols);
    ensureBuffer();
    if (rows == sm.viewRows && cols == sm.viewCols) {
        sizeWindowToView();
        unlockScreen();
        return 0;
    }
    sm.viewRows = rows;
    sm.viewCols = cols;
    viewChanged();
    sizeWindowToView();
    updateScrollBar(); // with the view the nested WM_SIZE left
    wrapModelCursor(sm);
    presentChanges();
    unlockScreen();
    return 0;
}

int32_t __stdcall SetBufferSize(int32_t rows, int32_t columns)
{
    if (rows < 1 || columns < 1 || !cellSizeUsable()) return 0;
    lockScreen();
    sm.bufferRows = rows;
    sm.bufferCols = columns;
    free(sm.buffer);
    free(sm.changed);
    sm.buffer = nullptr;
    sm.changed = nullptr;
    FitViewToPixels(sm.viewRows * cs.lineHeight, sm.viewCols * cs.charWidth);
    SetScrollRange(cs.consoleWindow, SB_VERT, 0, sm.bufferRows, FALSE);
    setScrollBar(0);
    ClearScreen();
    unlockScreen();
    return 0;
}

int32_t __stdcall ClearScreen()
{
    if (!sm.buffer) return 0;
    lockScreen();
    clearScreenModel(sm); // the whole view is drawn again, margins included
    presentChanges();
    setScrollBar(0);
    unlockScreen();
    return 0;
}

int32_t __stdcall ScrollToLine(int32_t line)
{
    lockScreen();
    scrollModelTo(sm, line);
    presentChanges();
    unlockScreen();
    return 0;
}

// Negative coordinates count as 0, so the cursor cell stays inside the buffer.
int32_t __stdcall MoveCursor(int32_t column, int32_t row)
{
    lockScreen();
    sm.cursorCol = clampCursor(column, sm.viewCols);
    sm.cursorRow = clampCursor(row, sm.viewRows) + sm.topLine;
    presentChanges();
    unlockScreen();
    return 0;
}
}
