// The character screen apart from the window: the buffer, the view, the
// scroll position and the cursor, the rules of wrapping, scrolling, the
// buffer shift and the control bytes, and a record of what each operation
// changed (cells written, rows scrolled) for the renderer to draw. Pure
// logic, no Windows header, unit-tested natively.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "../common/codepage_rules.h"

// Control bytes PutChar acts on; every other byte is stored and drawn.
const unsigned char CHAR_BELL = 7;
const unsigned char CHAR_BACKSPACE = 8;
const unsigned char CHAR_LINE_FEED = 10;
const unsigned char CHAR_CARRIAGE_RETURN = 13;
const char BLANK_CELL = ' ';

// Columns [first, end) of one buffer row changed since the picture was last
// drawn; first >= end when none did.
struct CellSpan {
    int32_t first; // first changed column
    int32_t end;   // one past the last changed column
};

struct ScreenModel {
    char *buffer;       // bufferRows x bufferCols cells, row after row; 0 until allocated
    CellSpan *changed;  // one span per buffer row, moved with the buffer shift; 0 until allocated
    int32_t bufferRows; // rows of the screen buffer
    int32_t bufferCols; // columns of the screen buffer (length of one row)
    int32_t viewRows;   // rows visible in the window
    int32_t viewCols;   // columns visible in the window; output wraps here
    int32_t topLine;    // buffer row shown in the window's top text row
    int32_t cursorRow;  // text cursor row, from buffer row 0
    int32_t cursorCol;  // text cursor column
    int32_t scrollPos;  // scroll-bar position: topLine as of the last scroll (the buffer shift leaves it)
    int32_t firstChanged; // lowest buffer row that may hold a changed span
    int32_t lastChanged;  // highest such row; below firstChanged when there is none
    int32_t scrolled;   // rows the drawn picture must move up (down when negative) to show topLine
    int32_t shifted;    // rows the buffer shift dropped since the picture was last drawn
    bool redrawAll;     // the whole view must be drawn again from the buffer
    int32_t shiftTotal; // rows the buffer shift has dropped since the start, never reset (a selection follows it)
};

// Cell (row, col) of the buffer.
inline char *screenCell(const ScreenModel &s, int32_t row, int32_t col)
{
    return s.buffer + static_cast<size_t>(row) * static_cast<size_t>(s.bufferCols) + col;
}

// Records that columns [first, end) of buffer row `row` changed.
void markChanged(ScreenModel &s, int32_t row, int32_t first, int32_t end);
// Forgets every recorded change: the picture now shows the model.
void forgetChanges(ScreenModel &s);
// Whether anything waits to be drawn.
bool hasChanges(const ScreenModel &s);

// Blanks the whole buffer and puts the view and the cursor at row 0.
void clearScreenModel(ScreenModel &s);
// Makes `line` the top row, never past the cursor row nor below 0, and
// records the scroll. Returns whether the top row changed.
bool scrollModelTo(ScreenModel &s, int32_t line);
// Scrolls so that the cursor row lies in the view's bottom band, then drops
// the oldest rows when the cursor is past the last buffer row.
void keepCursorInModel(ScreenModel &s);
// Moves a cursor past the right edge to the next row, then keeps it in view.
void wrapModelCursor(ScreenModel &s);

// What PutChar did with its byte.
enum class PutResult {
    Done, // stored or acted on; the cursor may have moved
    Bell, // the bell byte: nothing changed, the caller sounds the bell
};
// One byte at the cursor: a control byte acts, any other is stored.
PutResult putModelByte(ScreenModel &s, unsigned char byte);
// The bytes at the cursor, all stored as they are, wrapping at the right
// edge; a length of 0 or less writes nothing (the cursor is still kept in view).
void writeModelText(ScreenModel &s, const char *text, int32_t length);
// The cursor to column 0 of the next row.
void newModelLine(ScreenModel &s);
// Whether `count` more cells from the cursor reach the view's right edge
// (EnsureRoom then starts a new row). Counted in 64 bits: a huge count
// reaches the edge, a negative one never does.
bool roomRunsOut(const ScreenModel &s, int32_t count);
// Whether the view's columns of buffer row `row` hold nothing but blanks.
bool rowIsBlank(const ScreenModel &s, int32_t row);


// How a changed span of a row is drawn so that a double-byte character is
// always drawn whole: columns [first, end), widened to the left by the lead
// byte of a character whose trail byte starts the span; when the span ends
// with a lead byte whose trail byte lies outside it (not yet written, or past
// the view's edge), that last cell is drawn blank.
struct DrawSpan {
    int32_t first;  // first column drawn
    int32_t end;    // one past the last column drawn
    bool blankLast; // draw the last cell as a blank instead of its lone lead byte
};
// Pairs the bytes of `row` (viewCols cells) from column 0 to find the
// character boundaries around [first, end).
DrawSpan dbcsDrawSpan(const char *row, int32_t viewCols, int32_t first, int32_t end, const LeadByteTable &lead);
