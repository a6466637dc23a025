// The selection's rules, free of Windows calls.
#include "selection.h"

static int32_t smaller(int32_t a, int32_t b) { return a < b ? a : b; }
static int32_t larger(int32_t a, int32_t b) { return a > b ? a : b; }
static int32_t clampTo(int32_t v, int32_t limit) { return v < 0 ? 0 : v >= limit ? (limit > 0 ? limit - 1 : 0) : v; }

void startMarking(Selection &s, CellPos at, int32_t shiftTotal)
{
    s.marking = true;
    s.extended = false;
    s.dragging = false;
    s.anchor = s.point = at;
    s.shiftSeen = shiftTotal;
}

void selectCells(Selection &s, CellPos anchor, CellPos point)
{
    s.anchor = anchor;
    s.point = point;
    s.extended = true;
}

void followShift(Selection &s, int32_t shiftTotal)
{
    int32_t n = shiftTotal - s.shiftSeen;
    s.shiftSeen = shiftTotal;
    if (n <= 0) return;
    s.anchor.row = larger(s.anchor.row - n, 0);
    s.point.row = larger(s.point.row - n, 0);
}

void moveMark(Selection &s, int32_t dRow, int32_t dCol, bool extend, int32_t rows, int32_t cols)
{
    if (extend && !s.extended) s.anchor = s.point; // the rectangle starts at the mark cursor
    s.point.row = clampTo(s.point.row + dRow, rows);
    s.point.col = clampTo(s.point.col + dCol, cols);
    if (extend) {
        s.extended = true;
    } else {
        s.extended = false;
        s.anchor = s.point;
    }
}

void selectionRows(const Selection &s, int32_t *first, int32_t *last)
{
    if (!s.marking) {
        *first = 0;
        *last = -1;
        return;
    }
    *first = smaller(s.anchor.row, s.point.row);
    *last = larger(s.anchor.row, s.point.row);
}

bool selectedSpan(const Selection &s, int32_t row, const char *rowText, int32_t viewCols,
                  const LeadByteTable &lead, SelectedSpan *span)
{
    int32_t first, last;
    selectionRows(s, &first, &last);
    if (row < first || row > last || viewCols <= 0) return false;
    int32_t a = smaller(s.anchor.col, s.point.col), b = larger(s.anchor.col, s.point.col) + 1;
    if (a < 0) a = 0;
    if (b > viewCols) b = viewCols;
    if (a >= b) return false;
    // Walk the characters from column 0: a character that starts before the
    // span and reaches into it, or starts inside it and reaches past it, is
    // taken whole.
    span->first = a;
    span->end = b;
    span->loneLead = false;
    int32_t c = 0;
    while (c < b) {
        bool pair = isLeadByte(lead, static_cast<unsigned char>(rowText[c]));
        int32_t next = c + (pair ? 2 : 1);
        if (pair && next > viewCols) { // a lead byte in the last column: drawn blank
            span->loneLead = true;
            break;
        }
        if (c < a && next > a) span->first = c;
        if (next > b) span->end = next;
        c = next;
    }
    return true;
}

int32_t selectedTextSize(const Selection &s, int32_t viewCols)
{
    int32_t first, last;
    selectionRows(s, &first, &last);
    if (last < first) return 0;
    return (last - first + 1) * (larger(viewCols, 0) + 2);
}

int32_t selectedText(const Selection &s, const ScreenModel &m, const LeadByteTable &lead, char *out)
{
    if (!s.extended || !m.buffer) return 0;
    int32_t first, last;
    selectionRows(s, &first, &last);
    if (first < 0) first = 0;
    if (last > m.bufferRows - 1) last = m.bufferRows - 1;
    int32_t cols = smaller(m.viewCols, m.bufferCols);
    int32_t n = 0;
    for (int32_t row = first; row <= last; row++) {
        if (row > first) {
            out[n++] = '\r';
            out[n++] = '\n';
        }
        const char *text = screenCell(m, row, 0);
        SelectedSpan span;
        if (!selectedSpan(s, row, text, cols, lead, &span)) continue;
        int32_t end = span.loneLead ? span.end - 1 : span.end;
        int32_t start = n;
        for (int32_t c = span.first; c < end; c++) {
            unsigned char b = static_cast<unsigned char>(text[c]);
            out[n++] = b < 0x20 ? BLANK_CELL : static_cast<char>(b);
        }
        while (n > start && out[n - 1] == BLANK_CELL) n--;
    }
    return n;
}

int32_t lastWrittenRow(const ScreenModel &m)
{
    if (!m.buffer) return 0;
    for (int32_t row = m.bufferRows - 1; row > 0; row--)
        if (!rowIsBlank(m, row)) return row;
    return 0;
}
