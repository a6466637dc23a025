// The character screen's rules, free of Windows calls.
#include "screen.h"
#include "layout.h"
#include <string.h>

void markChanged(ScreenModel &s, int32_t row, int32_t first, int32_t end)
{
    if (!s.changed || row < 0 || row >= s.bufferRows || first >= end) return;
    CellSpan &span = s.changed[row];
    if (span.first >= span.end) {
        span.first = first;
        span.end = end;
    } else {
        if (first < span.first) span.first = first;
        if (end > span.end) span.end = end;
    }
    if (s.firstChanged > s.lastChanged) {
        s.firstChanged = s.lastChanged = row;
    } else {
        if (row < s.firstChanged) s.firstChanged = row;
        if (row > s.lastChanged) s.lastChanged = row;
    }
}

void forgetChanges(ScreenModel &s)
{
    if (s.changed && s.firstChanged <= s.lastChanged) {
        for (int32_t r = s.firstChanged; r <= s.lastChanged; r++) s.changed[r].first = s.changed[r].end = 0;
    }
    s.firstChanged = 0;
    s.lastChanged = -1;
    s.scrolled = 0;
    s.shifted = 0;
    s.redrawAll = false;
}

bool hasChanges(const ScreenModel &s)
{
    return s.redrawAll || s.scrolled != 0 || s.shifted != 0 || s.firstChanged <= s.lastChanged;
}

void clearScreenModel(ScreenModel &s)
{
    if (!s.buffer) return;
    memset(s.buffer, BLANK_CELL, static_cast<size_t>(s.bufferRows) * static_cast<size_t>(s.bufferCols));
    forgetChanges(s);
    s.topLine = 0;
    s.cursorRow = 0;
    s.cursorCol = 0;
    s.scrollPos = 0;
    s.redrawAll = true;
}

bool scrollModelTo(ScreenModel &s, int32_t line)
{
    int32_t old = s.topLine;
    s.topLine = clampTopLine(line, s.cursorRow);
    s.scrolled += s.topLine - old;
    if (s.topLine == old) return false;
    s.scrollPos = s.topLine;
    return true;
}

// The cursor ran past the last row: drop the oldest rows. The view moves
// with the text, so the picture does not move; the changed spans move with
// their rows. The blank rows that come in at the bottom were scrolled into
// view just before, so drawing the rows a scroll uncovers draws them.
static void shiftModel(ScreenModel &s)
{
    int32_t n = s.cursorRow - s.bufferRows + 1;
    shiftBufferUp(s.buffer, s.bufferRows, s.bufferCols, n);
    if (s.changed) {
        if (n >= s.bufferRows) {
            memset(s.changed, 0, static_cast<size_t>(s.bufferRows) * sizeof(CellSpan));
            s.redrawAll = true;
        } else {
            memmove(s.changed, s.changed + n, static_cast<size_t>(s.bufferRows - n) * sizeof(CellSpan));
            memset(s.changed + s.bufferRows - n, 0, static_cast<size_t>(n) * sizeof(CellSpan));
        }
        s.firstChanged = s.firstChanged - n < 0 ? 0 : s.firstChanged - n;
        s.lastChanged -= n;
    }
    s.topLine = s.topLine - n < 0 ? 0 : s.topLine - n;
    s.cursorRow -= n;
    s.shifted += n;
    s.shiftTotal += n;
}

void keepCursorInModel(ScreenModel &s)
{
    if (!cursorInBottomBand(s.topLine, s.viewRows, s.cursorRow)) scrollModelTo(s, s.cursorRow - s.viewRows + 1);
    if (s.buffer && s.cursorRow >= s.bufferRows) shiftModel(s);
}

void wrapModelCursor(ScreenModel &s)
{
    if (s.cursorCol >= s.viewCols) {
        s.cursorCol = 0;
        s.cursorRow++;
    }
    keepCursorInModel(s);
}

PutResult putModelByte(ScreenModel &s, unsigned char byte)
{
    keepCursorInModel(s);
    switch (byte) {
    case CHAR_BELL:
        return PutResult::Bell;
    case CHAR_BACKSPACE:
        if (s.cursorCol != 0) {
            s.cursorCol--;
        } else if (s.cursorRow != 0) {
            s.cursorRow--;
            s.cursorCol = s.viewCols - 1;
        }
        break;
    case CHAR_LINE_FEED:
        s.cursorRow++;
        wrapModelCursor(s);
        break;
    case CHAR_CARRIAGE_RETURN:
        s.cursorCol = 0;
        break;
    default:
        *screenCell(s, s.cursorRow, s.cursorCol) = static_cast<char>(byte);
        markChanged(s, s.cursorRow, s.cursorCol, s.cursorCol + 1);
        s.cursorCol++;
        wrapModelCursor(s);
        break;
    }
    return PutResult::Done;
}

void writeModelText(ScreenModel &s, const char *text, int32_t length)
{
    keepCursorInModel(s);
    while (length > 0) {
        int32_t n = pieceLength(length, s.viewCols, s.cursorCol);
        if (n <= 0) break; // a cursor outside the view (the wrap rules prevent it) leaves no room
        memcpy(screenCell(s, s.cursorRow, s.cursorCol), text, static_cast<size_t>(n));
        markChanged(s, s.cursorRow, s.cursorCol, s.cursorCol + n);
        s.cursorCol += n;
        wrapModelCursor(s);
        text += n;
        length -= n;
    }
}

bool roomRunsOut(const ScreenModel &s, int32_t count)
{
    return static_cast<int64_t>(s.cursorCol) + count >= s.viewCols;
}

bool rowIsBlank(const ScreenModel &s, int32_t row)
{
    int32_t cols = s.viewCols < s.bufferCols ? s.viewCols : s.bufferCols;
    const char *text = screenCell(s, row, 0);
    for (int32_t c = 0; c < cols; c++)
        if (text[c] != BLANK_CELL) return false;
    return true;
}

void newModelLine(ScreenModel &s)
{
    s.cursorCol = 0;
    s.cursorRow++;
    keepCursorInModel(s);
}

DrawSpan dbcsDrawSpan(const char *row, int32_t viewCols, int32_t first, int32_t end, const LeadByteTable &lead)
{
    DrawSpan d = {first, end, false};
    if (first < 0) d.first = first = 0;
    if (end > viewCols) d.end = end = viewCols;
    if (first >= end) return d;
    // Walk the characters from column 0 up to the end of the span.
    int32_t c = 0;
    while (c < end) {
        bool pair = isLeadByte(lead, static_cast<unsigned char>(row[c]));
        int32_t next = c + (pair ? 2 : 1);
        if (pair && c < first && next > first) d.first = c; // the span starts on a trail byte
        if (pair && next > end) {
            d.blankLast = true; // a lead byte whose trail lies outside the span
            break;
        }
        c = next;
    }
    return d;
}
