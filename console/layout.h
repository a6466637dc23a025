// The console's arithmetic: cells that fit, scroll margins, caret position,
// highlight runs, scroll-bar targets and the buffer shift. Pure logic, no
// Windows header, so it is unit-tested natively.
#pragma once
#include <stdint.h>

// Rows or columns of `cell` pixels that fit in `pixels`: at least 1, at most
// `limit`. The caller makes sure `cell` is positive.
int32_t cellsThatFit(int32_t pixels, int32_t cell, int32_t limit);

// Rows of the bottom band of the view in which the cursor may stay without
// scrolling: viewRows / 4 + 1, at most 3.
int32_t scrollMargin(int32_t viewRows);

// Whether the cursor row lies in the bottom band of the view.
bool cursorInBottomBand(int32_t topLine, int32_t viewRows, int32_t cursorRow);

// The top line ScrollToLine settles on: the smaller of line and the cursor
// row, never below 0.
int32_t clampTopLine(int32_t line, int32_t cursorRow);

// The caret height SetCaretHeight keeps: at most lineHeight, a negative
// height becomes 1, 0 stays 0.
int32_t clampCaretHeight(int32_t height, int32_t lineHeight);

// A cursor coordinate MoveCursor keeps: at most limit - 1, never below 0.
int32_t clampCursor(int32_t value, int32_t limit);

// Pixel positions of cells and of the caret in the client area.
inline int32_t cellX(int32_t col, int32_t charWidth) { return col * charWidth + 1; }
inline int32_t cellY(int32_t viewRow, int32_t lineHeight) { return viewRow * lineHeight; }
inline int32_t caretY(int32_t viewRow, int32_t lineHeight, int32_t caretHeight)
{
    return viewRow * lineHeight + lineHeight - caretHeight;
}

// The largest size the user may drag the window to: cell sizes of 8 or less
// count as 8 (before the font is measured both are 0).
void maxTrackSize(int32_t bufferRows, int32_t bufferCols, int32_t lineHeight, int32_t charWidth,
                  int32_t *x, int32_t *y);

// The target row of a scroll-bar request; false for a request that does not
// scroll (SB_ENDSCROLL and unknown codes).
bool scrollRequestTarget(uint32_t wParam, int32_t topLine, int32_t viewRows, int32_t bufferRows,
                         int32_t *target);

// One piece of a painted row: columns [start, start + count) in the console's
// colours or inverted.
struct PaintRun {
    int32_t start;
    int32_t count;
    bool inverted;
};

// Splits buffer row `row` into the runs paintScreen draws, at most three, in
// drawing order. Every run lies inside columns 0 to viewCols, whatever the
// highlight values are; runs of no width are dropped. Returns the count.
int highlightRuns(int32_t row, int32_t viewCols, int32_t startRow, int32_t startCol, int32_t endRow,
                  int32_t endCol, PaintRun runs[3]);

// Rows of the view paintScreen draws: viewRows, cut at the end of the buffer.
int32_t rowsToPaint(int32_t topLine, int32_t viewRows, int32_t bufferRows);

// View rows that meet the pixel band [top, bottom): first and last, which
// leave first > last when none does.
void clipRows(int32_t top, int32_t bottom, int32_t lineHeight, int32_t *first, int32_t *last);

// Drops the oldest `n` rows of the buffer: rows n.. move up to row 0 and the
// last n rows are blanked. A shift of `rows` rows or more blanks the whole
// buffer. Nothing outside rows x cols bytes is touched.
void shiftBufferUp(char *buffer, int32_t rows, int32_t cols, int32_t n);

// Bytes of a WriteText piece: the smaller of the bytes left and the room left
// in the row.
inline int32_t pieceLength(int32_t left, int32_t viewCols, int32_t cursorCol)
{
    int32_t room = viewCols - cursorCol;
    return left < room ? left : room;
}
