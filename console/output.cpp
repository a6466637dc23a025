// Text output and painting: characters into the screen buffer and onto the
// screen at once, the repaint from the buffer with the inverted highlight,
// the colours, the bell and the message box.
#include "console.h"
#include "layout.h"
#include "state.h"
#include "../host/namestring.h"
#include "../host/services.h"
#include <stdlib.h>
#include <string.h>

static ConsoleState &cs = consoleState;

static const COLORREF INVERTED_BACK = 0x000000;
static const COLORREF INVERTED_TEXT = 0xFFFFFF;

static char *cell(int32_t row, int32_t col)
{
    return cs.screenBuffer + static_cast<size_t>(row) * static_cast<size_t>(cs.bufferCols) + col;
}

// Advances of charWidth pixels per byte, so that every byte of a run takes
// exactly one cell whatever the font's own advance is (the stock fixed font
// that Wine substitutes advances 6 pixels while its average width is 7, so
// the cells are 8 wide). A double-byte character gets the two advances of
// its two cells. The table grows with the longest run and follows the cell
// width; it is not rebuilt per call.
static INT *cellAdvances;
static int32_t advanceCount;
static int32_t advanceWidth;

static const INT *advancesFor(int32_t count)
{
    if (count > advanceCount || advanceWidth != cs.charWidth) {
        int32_t n = count > advanceCount ? count : advanceCount;
        if (n < 256) n = 256;
        INT *table = static_cast<INT *>(realloc(cellAdvances, static_cast<size_t>(n) * sizeof(INT)));
        if (!table) return nullptr; // then the font's own advances
        for (int32_t i = 0; i < n; i++) table[i] = cs.charWidth;
        cellAdvances = table;
        advanceCount = n;
        advanceWidth = cs.charWidth;
    }
    return cellAdvances;
}

// Draws count bytes from column col of a view row, background included, in
// the font and colours selected into the console's device context.
static void drawCells(int32_t col, int32_t viewRow, const char *bytes, int32_t count)
{
    if (count <= 0) return;
    ExtTextOutA(cs.screenDC, cellX(col, cs.charWidth), cellY(viewRow, cs.lineHeight), 0, nullptr, bytes,
                static_cast<UINT>(count), advancesFor(count));
}

// The colours the console draws in: the stored pair, or the system's.
static void selectConsoleColors()
{
    if (cs.backColor == -1 && cs.textColor == -1) {
        SetBkColor(cs.screenDC, GetSysColor(COLOR_WINDOW));
        SetTextColor(cs.screenDC, GetSysColor(COLOR_WINDOWTEXT));
    } else {
        SetBkColor(cs.screenDC, cs.backColor);
        SetTextColor(cs.screenDC, cs.textColor);
    }
}

void bell() { Beep(cs.bellFrequency, cs.bellDuration); }

void paintScreen()
{
    if (!cs.screenBuffer) return;
    int32_t count = rowsToPaint(cs.topLine, cs.viewRows, cs.bufferRows);
    // Rows outside the clipping box would draw nothing visible; skipping them
    // makes the repaint of the strip a scroll uncovers cost one row, not all.
    int32_t first = 0, last = count - 1;
    RECT clip;
    if (GetClipBox(cs.screenDC, &clip) != ERROR && cs.lineHeight > 0) {
        clipRows(clip.top, clip.bottom, cs.lineHeight, &first, &last);
        if (last > count - 1) last = count - 1;
    }
    const HighlightRegion &h = cs.highlight;
    for (int32_t i = first; i <= last; i++) {
        int32_t row = cs.topLine + i;
        PaintRun runs[3];
        int n = highlightRuns(row, cs.viewCols, h.startRow, h.startCol, h.endRow, h.endCol, runs);
        for (int k = 0; k < n; k++) {
            if (runs[k].inverted) {
                SetBkColor(cs.screenDC, INVERTED_BACK);
                SetTextColor(cs.screenDC, INVERTED_TEXT);
            }
            drawCells(runs[k].start, i, cell(row, runs[k].start), runs[k].count);
            if (runs[k].inverted) selectConsoleColors();
        }
    }
}

// Redraws outside WM_PAINT; the caret is kept off the screen meanwhile so
// that the drawing does not cut into its inverted bar.
static void repaintNow()
{
    HideCaret(cs.consoleWindow);
    paintScreen();
    ShowCaret(cs.consoleWindow);
}

extern "C" {
int32_t __stdcall PutChar(int32_t character)
{
    if (!cs.screenBuffer) return 0;
    keepCursorInView();
    unsigned char c = static_cast<unsigned char>(character);
    switch (c) {
    case 7:
        bell();
        return 0;
    case 8:
        if (cs.cursorCol != 0) {
            cs.cursorCol--;
        } else if (cs.cursorRow != 0) {
            cs.cursorRow--;
            cs.cursorCol = cs.viewCols - 1;
        }
        break;
    case 10:
        cs.cursorRow++;
        wrapCursor();
        break;
    case 13:
        cs.cursorCol = 0;
        break;
    default: {
        char byte = static_cast<char>(c);
        HideCaret(cs.consoleWindow);
        drawCells(cs.cursorCol, cs.cursorRow - cs.topLine, &byte, 1);
        ShowCaret(cs.consoleWindow);
        *cell(cs.cursorRow, cs.cursorCol) = byte;
        cs.cursorCol++;
        wrapCursor();
        break;
    }
    }
    placeCaret();
    return 0;
}

// A negative length writes nothing, like 0; the cursor is still kept in view.
int32_t __stdcall WriteText(const char *text, int32_t length)
{
    if (!cs.screenBuffer) return 0;
    keepCursorInView();
    HideCaret(cs.consoleWindow);
    while (length > 0) {
        int32_t n = pieceLength(length, cs.viewCols, cs.cursorCol);
        if (n <= 0) break; // a cursor outside the view (the wrap rules prevent it) leaves no room
        drawCells(cs.cursorCol, cs.cursorRow - cs.topLine, text, n);
        memcpy(cell(cs.cursorRow, cs.cursorCol), text, static_cast<size_t>(n));
        cs.cursorCol += n;
        wrapCursor(); // may scroll and repaint; the piece is already stored
        text += n;
        length -= n;
    }
    placeCaret();
    ShowCaret(cs.consoleWindow);
    return 0;
}

int32_t __stdcall NewLine()
{
    if (!cs.screenBuffer) return 0;
    cs.cursorCol = 0;
    cs.cursorRow++;
    keepCursorInView();
    placeCaret();
    return 0;
}

int32_t __stdcall EnsureRoom(int32_t count)
{
    if (cs.cursorCol + count >= cs.viewCols) NewLine();
    return 0;
}

int32_t __stdcall ShowMessage(const char *text, uint32_t length)
{
    char buffer[NAME_BUFFER_SIZE];
    copyNameString(buffer, text, length);
    MessageBoxA(cs.consoleWindow, buffer, "\xD0\xC5\xCF\xA2\xBF\xF2", MB_OK); // "信息框" (message box)
    return 0;
}

// The end of the region comes first in the argument list.
int32_t __stdcall SetHighlight(int32_t endCol, int32_t endRow, int32_t startCol, int32_t startRow)
{
    cs.highlight.startRow = startRow;
    cs.highlight.startCol = startCol;
    cs.highlight.endRow = endRow;
    cs.highlight.endCol = endCol;
    repaintNow();
    return 0;
}

int32_t __stdcall SetColors(int32_t background, int32_t text)
{
    bool wasSystem = cs.backColor == -1 && cs.textColor == -1;
    HWND w = cs.consoleWindow;
    if (background == -1 && text == -1) {
        cs.backColor = -1;
        cs.textColor = -1;
        selectConsoleColors();
        // COLOR_WINDOW + 1 names a system colour, not an object: never deleted.
        LONG previous = wasSystem ? 0 : static_cast<LONG>(GetClassLongA(w, GCL_HBRBACKGROUND));
        SetClassLongA(w, GCL_HBRBACKGROUND, COLOR_WINDOW + 1);
        if (previous) DeleteObject(reinterpret_cast<HGDIOBJ>(previous));
    } else {
        cs.backColor = background & 0xFFFFFF;
        cs.textColor = text & 0xFFFFFF;
        selectConsoleColors();
        HBRUSH brush = CreateSolidBrush(cs.backColor);
        LONG previous = wasSystem ? 0 : static_cast<LONG>(GetClassLongA(w, GCL_HBRBACKGROUND));
        SetClassLongA(w, GCL_HBRBACKGROUND, reinterpret_cast<LONG>(brush));
        if (previous) DeleteObject(reinterpret_cast<HGDIOBJ>(previous));
    }
    repaintNow();
    return 0;
}

int32_t __stdcall BeepTone(int32_t frequency, int32_t duration)
{
    Beep(frequency, duration);
    return 0;
}

int32_t __stdcall SetBellTone(int32_t frequency, int32_t duration)
{
    cs.bellFrequency = frequency;
    cs.bellDuration = duration;
    return 0;
}
}
