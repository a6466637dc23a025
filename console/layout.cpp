// The console's arithmetic, free of Windows calls.
#include "layout.h"
#include <string.h>

int32_t cellsThatFit(int32_t pixels, int32_t cell, int32_t limit)
{
    int32_t n = pixels / cell;
    if (n > limit) n = limit;
    if (n < 1) n = 1;
    return n;
}

int32_t scrollMargin(int32_t viewRows)
{
    int32_t m = viewRows / 4 + 1;
    return m > 3 ? 3 : m;
}

bool cursorInBottomBand(int32_t topLine, int32_t viewRows, int32_t cursorRow)
{
    int32_t bottom = topLine + viewRows;
    return bottom - scrollMargin(viewRows) <= cursorRow && cursorRow <= bottom - 1;
}

int32_t clampTopLine(int32_t line, int32_t cursorRow)
{
    int32_t top = line < cursorRow ? line : cursorRow;
    return top <= 0 ? 0 : top;
}

int32_t clampCaretHeight(int32_t height, int32_t lineHeight)
{
    if (height > lineHeight) height = lineHeight;
    if (height < 0) height = 1;
    return height;
}

int32_t clampCursor(int32_t value, int32_t limit)
{
    if (value > limit - 1) value = limit - 1;
    return value < 0 ? 0 : value;
}

void maxTrackSize(int32_t bufferRows, int32_t bufferCols, int32_t lineHeight, int32_t charWidth,
                  int32_t *x, int32_t *y)
{
    int32_t w = charWidth <= 8 ? 8 : charWidth;
    int32_t h = lineHeight <= 8 ? 8 : lineHeight;
    *x = (bufferCols + 2) * w;
    *y = (bufferRows + 4) * h;
}

bool scrollRequestTarget(uint32_t wParam, int32_t topLine, int32_t viewRows, int32_t bufferRows,
                         int32_t *target)
{
    switch (wParam & 0xFFFF) {
    case 0: *target = topLine - 1; return true;                // SB_LINEUP
    case 1: *target = topLine + 1; return true;                // SB_LINEDOWN
    case 2: *target = topLine - (viewRows - 1); return true;   // SB_PAGEUP
    case 3: *target = topLine + viewRows - 1; return true;     // SB_PAGEDOWN
    case 4:                                                    // SB_THUMBPOSITION
    case 5: *target = static_cast<int32_t>(wParam >> 16); return true; // SB_THUMBTRACK
    case 6: *target = 0; return true;                          // SB_TOP
    case 7: *target = bufferRows; return true;                 // SB_BOTTOM
    default: return false;                                     // SB_ENDSCROLL
    }
}

static int32_t clampColumn(int32_t c, int32_t viewCols)
{
    if (c < 0) return 0;
    return c > viewCols ? viewCols : c;
}

int highlightRuns(int32_t row, int32_t viewCols, int32_t startRow, int32_t startCol, int32_t endRow,
                  int32_t endCol, PaintRun runs[3])
{
    if (viewCols < 0) viewCols = 0;
    int32_t sc = clampColumn(startCol, viewCols);
    int32_t ec = clampColumn(endCol, viewCols);
    // Boundaries and colours of up to three consecutive pieces, as drawn.
    int32_t from[3], to[3];
    bool inv[3];
    int pieces;
    if (row < startRow || row > endRow) {
        from[0] = 0, to[0] = viewCols, inv[0] = false;
        pieces = 1;
    } else if (row == startRow && startRow == endRow) {
        if (ec < sc) ec = sc; // an end before the start inverts nothing; draw each cell once
        from[0] = 0, to[0] = sc, inv[0] = false;
        from[1] = sc, to[1] = ec, inv[1] = true;
        from[2] = ec, to[2] = viewCols, inv[2] = false;
        pieces = 3;
    } else if (row == startRow) {
        from[0] = 0, to[0] = sc, inv[0] = false;
        from[1] = sc, to[1] = viewCols, inv[1] = true;
        pieces = 2;
    } else if (row == endRow) {
        from[0] = 0, to[0] = ec, inv[0] = true;
        from[1] = ec, to[1] = viewCols, inv[1] = false;
        pieces = 2;
    } else {
        from[0] = 0, to[0] = viewCols, inv[0] = true;
        pieces = 1;
    }
    int n = 0;
    for (int i = 0; i < pieces; i++) {
        if (to[i] <= from[i]) continue;
        runs[n].start = from[i];
        runs[n].count = to[i] - from[i];
        runs[n].inverted = inv[i];
        n++;
    }
    return n;
}

int32_t rowsToPaint(int32_t topLine, int32_t viewRows, int32_t bufferRows)
{
    int32_t count = viewRows;
    if (topLine + count > bufferRows) count = bufferRows - topLine;
    return count < 0 ? 0 : count;
}

void shiftBufferUp(char *buffer, int32_t rows, int32_t cols, int32_t n)
{
    if (n <= 0 || rows <= 0 || cols <= 0) return;
    size_t rowBytes = static_cast<size_t>(cols);
    if (n >= rows) {
        memset(buffer, ' ', static_cast<size_t>(rows) * rowBytes);
        return;
    }
    memmove(buffer, buffer + static_cast<size_t>(n) * rowBytes, static_cast<size_t>(rows - n) * rowBytes);
    memset(buffer + static_cast<size_t>(rows - n) * rowBytes, ' ', static_cast<size_t>(n) * rowBytes);
}

void clipRows(int32_t top, int32_t bottom, int32_t lineHeight, int32_t *first, int32_t *last)
{
    if (top < 0) top = 0;
    *first = top / lineHeight;
    *last = bottom <= 0 ? -1 : (bottom - 1) / lineHeight;
}
