// Marking apart from the window: the rectangle of cells the user selects
// for copying, its double-byte edges, the mark cursor's moves and the text a
// copy takes. The selection lives in buffer rows, so it stays on its text
// when the view scrolls, and moves up with it when the buffer drops its
// oldest rows. It is never written into the screen buffer. Pure logic, no
// Windows header, unit-tested natively.
#pragma once
#include <stdint.h>
#include "screen.h"

struct CellPos {
    int32_t row; // buffer row
    int32_t col; // column
};

struct Selection {
    bool marking;      // the console is marking: the mouse and the keys select instead of reaching the program
    bool extended;     // a rectangle is selected; otherwise only the mark cursor's cell is shown
    bool dragging;     // the left button went down while marking and has not come up
    CellPos anchor;    // the corner where the selection began
    CellPos point;     // the corner that moves: the mark cursor
    int32_t shiftSeen; // the screen model's shiftTotal the rows were last moved for
};

// Starts marking with the mark cursor at `at` and nothing selected.
void startMarking(Selection &s, CellPos at, int32_t shiftTotal);
// Selects the rectangle between two corners (both included).
void selectCells(Selection &s, CellPos anchor, CellPos point);
// Moves the rows up by the rows the buffer dropped since shiftSeen (the
// model's shiftTotal now); a corner whose row was dropped stays on row 0.
void followShift(Selection &s, int32_t shiftTotal);
// Moves the mark cursor by rows and columns, kept inside rows [0, rows) and
// columns [0, cols). With extend the anchor stays and the rectangle between
// them is selected; without, the selection collapses to the mark cursor.
void moveMark(Selection &s, int32_t dRow, int32_t dCol, bool extend, int32_t rows, int32_t cols);

// Buffer rows the selection shows or selects: first > last when not marking.
void selectionRows(const Selection &s, int32_t *first, int32_t *last);

// The columns a selection covers on one row: [first, end), widened so that
// a double-byte character is never split (an edge inside one takes both
// halves). The row's bytes are paired from column 0 as the renderer pairs
// them; a lead byte in the last column whose trail byte lies past the view
// is drawn blank, and is covered but copied as nothing (loneLead).
struct SelectedSpan {
    int32_t first; // first column covered
    int32_t end;   // one past the last column covered
    bool loneLead; // the last column covered holds a lead byte without its trail byte
};
// False when the selection does not reach `row` (or covers nothing there).
bool selectedSpan(const Selection &s, int32_t row, const char *rowText, int32_t viewCols,
                  const LeadByteTable &lead, SelectedSpan *span);

// Bytes selectedText writes at most (no terminator).
int32_t selectedTextSize(const Selection &s, int32_t viewCols);
// The selected cells as text: each row's covered bytes with trailing blanks
// trimmed (control bytes the buffer may hold copied as blanks), rows joined
// by CR LF. Nothing when nothing is selected (only the mark cursor shown).
// Returns the length written to out.
int32_t selectedText(const Selection &s, const ScreenModel &m, const LeadByteTable &lead, char *out);

// The last buffer row that holds anything but blanks within the view's
// columns; 0 when every row is blank.
int32_t lastWrittenRow(const ScreenModel &m);
