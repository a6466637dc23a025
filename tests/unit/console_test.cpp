// The console's arithmetic: fitting, margins, clamps, scroll requests,
// highlight runs and the buffer shift.
#include "console/layout.h"
#include "console/cellscale.h"
#include "console/screen.h"
#include "console/selection.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(CellsThatFit, DividesAndClampsToOneAndTheLimit)
{
    EXPECT_EQ(cellsThatFit(400, 16, 512), 25);
    EXPECT_EQ(cellsThatFit(640, 8, 128), 80);
    EXPECT_EQ(cellsThatFit(5, 16, 512), 1);   // less than a cell still gives one
    EXPECT_EQ(cellsThatFit(-40, 16, 512), 1); // a negative size too
    EXPECT_EQ(cellsThatFit(2000, 16, 100), 100);
    EXPECT_EQ(cellsThatFit(639, 8, 128), 79);
}

TEST(ScrollMargin, GrowsWithTheViewUpToThree)
{
    EXPECT_EQ(scrollMargin(1), 1);
    EXPECT_EQ(scrollMargin(3), 1);
    EXPECT_EQ(scrollMargin(4), 2);
    EXPECT_EQ(scrollMargin(7), 2);
    EXPECT_EQ(scrollMargin(8), 3);
    EXPECT_EQ(scrollMargin(25), 3);
}

TEST(BottomBand, OnlyTheLastMarginRowsOfTheViewKeepTheCursor)
{
    // 25 rows from top 0: rows 22..24 stay.
    EXPECT_FALSE(cursorInBottomBand(0, 25, 21));
    EXPECT_TRUE(cursorInBottomBand(0, 25, 22));
    EXPECT_TRUE(cursorInBottomBand(0, 25, 24));
    EXPECT_FALSE(cursorInBottomBand(0, 25, 25));
    EXPECT_TRUE(cursorInBottomBand(100, 25, 124));
    EXPECT_FALSE(cursorInBottomBand(100, 25, 105));
}

TEST(Clamps, TopLineCaretAndCursor)
{
    EXPECT_EQ(clampTopLine(1000, 40), 40);
    EXPECT_EQ(clampTopLine(-5, 40), 0);
    EXPECT_EQ(clampTopLine(10, 0), 0);
    EXPECT_EQ(clampTopLine(10, 40), 10);

    EXPECT_EQ(clampCaretHeight(100, 16), 16);
    EXPECT_EQ(clampCaretHeight(-5, 16), 1);
    EXPECT_EQ(clampCaretHeight(0, 16), 0);
    EXPECT_EQ(clampCaretHeight(5, 16), 5);

    EXPECT_EQ(clampCursor(200, 80), 79);
    EXPECT_EQ(clampCursor(-3, 80), 0);
    EXPECT_EQ(clampCursor(5, 0), 0); // no view yet: still a cell inside the buffer
}

TEST(Geometry, CellAndCaretPositions)
{
    EXPECT_EQ(cellX(0, 8), 1);
    EXPECT_EQ(cellX(10, 8), 81);
    EXPECT_EQ(cellY(3, 16), 48);
    EXPECT_EQ(caretY(3, 16, 2), 62);
    EXPECT_EQ(caretY(0, 16, 16), 0);
}

TEST(MaxTrackSize, FloorsCellSizesAtEight)
{
    int32_t x, y;
    maxTrackSize(512, 128, 0, 0, &x, &y);
    EXPECT_EQ(x, 1040);
    EXPECT_EQ(y, 4128);
    maxTrackSize(512, 128, 16, 9, &x, &y);
    EXPECT_EQ(x, 130 * 9);
    EXPECT_EQ(y, 516 * 16);
}

TEST(ScrollRequests, EveryCode)
{
    int32_t t = -99;
    EXPECT_TRUE(scrollRequestTarget(0, 10, 25, 512, &t)); EXPECT_EQ(t, 9);
    EXPECT_TRUE(scrollRequestTarget(1, 10, 25, 512, &t)); EXPECT_EQ(t, 11);
    EXPECT_TRUE(scrollRequestTarget(2, 30, 25, 512, &t)); EXPECT_EQ(t, 6);
    EXPECT_TRUE(scrollRequestTarget(3, 0, 25, 512, &t)); EXPECT_EQ(t, 24);
    EXPECT_TRUE(scrollRequestTarget(4 | (40000u << 16), 0, 25, 512, &t)); EXPECT_EQ(t, 40000); // unsigned
    EXPECT_TRUE(scrollRequestTarget(5 | (7u << 16), 0, 25, 512, &t)); EXPECT_EQ(t, 7);
    EXPECT_TRUE(scrollRequestTarget(6, 50, 25, 512, &t)); EXPECT_EQ(t, 0);
    EXPECT_TRUE(scrollRequestTarget(7, 50, 25, 512, &t)); EXPECT_EQ(t, 512);
    t = -99;
    EXPECT_FALSE(scrollRequestTarget(8, 50, 25, 512, &t));
    EXPECT_FALSE(scrollRequestTarget(0x1234, 50, 25, 512, &t));
    EXPECT_EQ(t, -99);
}

// Renders the runs of a row as a string: '.' normal, '#' inverted, ' ' not drawn.
static std::string runsOf(int32_t row, int32_t viewCols, int32_t sr, int32_t sc, int32_t er, int32_t ec)
{
    PaintRun runs[3];
    int n = highlightRuns(row, viewCols, sr, sc, er, ec, runs);
    std::string s(static_cast<size_t>(viewCols), ' ');
    int32_t next = 0;
    for (int i = 0; i < n; i++) {
        EXPECT_GE(runs[i].start, 0);
        EXPECT_GT(runs[i].count, 0);
        EXPECT_LE(runs[i].start + runs[i].count, viewCols);
        EXPECT_GE(runs[i].start, next) << "runs overlap or go backwards";
        next = runs[i].start + runs[i].count;
        for (int32_t c = runs[i].start; c < next; c++) s[static_cast<size_t>(c)] = runs[i].inverted ? '#' : '.';
    }
    return s;
}

TEST(HighlightRuns, RegionsInReadingOrder)
{
    // One row: columns 3 and 4 of row 2.
    EXPECT_EQ(runsOf(2, 10, 2, 3, 2, 5), "...##.....");
    EXPECT_EQ(runsOf(1, 10, 2, 3, 2, 5), "..........");
    // Rows 2..4 from column 6 to column 9.
    EXPECT_EQ(runsOf(2, 10, 2, 6, 4, 10), "......####");
    EXPECT_EQ(runsOf(3, 10, 2, 6, 4, 10), "##########");
    EXPECT_EQ(runsOf(4, 10, 2, 6, 4, 10), "##########");
    EXPECT_EQ(runsOf(4, 12, 2, 6, 4, 10), "##########..");
    // The initial all-zero region is empty on row 0.
    EXPECT_EQ(runsOf(0, 10, 0, 0, 0, 0), "..........");
    // Start after end: nothing inverted anywhere.
    for (int32_t r = 0; r < 6; r++) EXPECT_EQ(runsOf(r, 10, 4, 2, 2, 5), "..........");
}

TEST(HighlightRuns, OutOfRangeColumnsStayInsideTheRow)
{
    EXPECT_EQ(runsOf(2, 10, 2, -5, 2, 500), "##########");
    EXPECT_EQ(runsOf(2, 10, 2, 8, 2, 3), "..........");   // end before start on one row
    EXPECT_EQ(runsOf(2, 10, 2, 500, 3, -7), "..........");
    EXPECT_EQ(runsOf(3, 10, 2, 500, 3, -7), "..........");
    EXPECT_EQ(runsOf(3, 10, 2, 0, 3, 1000), "##########");
    EXPECT_EQ(runsOf(2, 10, 2, -1000, 4, 0), "##########");
    PaintRun runs[3];
    EXPECT_EQ(highlightRuns(0, 0, 0, 0, 0, 0, runs), 0); // no view: nothing drawn
}

TEST(RowsToPaint, CutAtTheEndOfTheBuffer)
{
    EXPECT_EQ(rowsToPaint(0, 25, 512), 25);
    EXPECT_EQ(rowsToPaint(500, 25, 512), 12);
    EXPECT_EQ(rowsToPaint(600, 25, 512), 0);
}

static std::vector<char> numberedRows(int32_t rows, int32_t cols)
{
    std::vector<char> b(static_cast<size_t>(rows * cols) + 8, '!'); // guard bytes after the buffer
    for (int32_t r = 0; r < rows; r++)
        for (int32_t c = 0; c < cols; c++) b[static_cast<size_t>(r * cols + c)] = static_cast<char>('a' + r);
    return b;
}

TEST(BufferShift, DropsTheOldestRowsAndBlanksTheNewOnes)
{
    auto b = numberedRows(4, 3);
    shiftBufferUp(b.data(), 4, 3, 1);
    EXPECT_EQ(std::string(b.data(), 12), "bbbcccddd   ");
    b = numberedRows(4, 3);
    shiftBufferUp(b.data(), 4, 3, 3);
    EXPECT_EQ(std::string(b.data(), 12), "ddd         ");
    EXPECT_EQ(std::string(b.data() + 12, 8), "!!!!!!!!");
}

TEST(BufferShift, ShiftOfTheWholeBufferOrMoreBlanksItAndStaysInside)
{
    for (int32_t n : {4, 5, 1000}) {
        auto b = numberedRows(4, 3);
        shiftBufferUp(b.data(), 4, 3, n);
        EXPECT_EQ(std::string(b.data(), 12), std::string(12, ' ')) << n;
        EXPECT_EQ(std::string(b.data() + 12, 8), "!!!!!!!!") << n;
    }
    auto b = numberedRows(4, 3);
    shiftBufferUp(b.data(), 4, 3, 0);
    EXPECT_EQ(std::string(b.data(), 12), "aaabbbcccddd");
}

TEST(PieceLength, CutsAtTheRightEdge)
{
    EXPECT_EQ(pieceLength(200, 80, 70), 10);
    EXPECT_EQ(pieceLength(5, 80, 70), 5);
    EXPECT_EQ(pieceLength(10, 80, 70), 10);
}

TEST(ClipRows, RowsMeetingAPixelBand)
{
    int32_t first, last;
    clipRows(0, 277, 11, &first, &last); // the whole client area
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 25);
    clipRows(264, 275, 11, &first, &last); // exactly row 24
    EXPECT_EQ(first, 24);
    EXPECT_EQ(last, 24);
    clipRows(263, 265, 11, &first, &last); // the boundary of rows 23 and 24
    EXPECT_EQ(first, 23);
    EXPECT_EQ(last, 24);
    clipRows(0, 0, 11, &first, &last); // empty
    EXPECT_GT(first, last);
    clipRows(-20, 5, 11, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
}

// The screen model: a buffer of `rows` x `cols` seen through a view of
// viewRows x viewCols, with its change record.
struct Screen {
    std::vector<char> cells;
    std::vector<CellSpan> spans;
    ScreenModel m{};
    Screen(int32_t rows, int32_t cols, int32_t viewRows, int32_t viewCols)
        : cells(static_cast<size_t>(rows * cols), ' '), spans(static_cast<size_t>(rows))
    {
        m.buffer = cells.data();
        m.changed = spans.data();
        m.bufferRows = rows;
        m.bufferCols = cols;
        m.viewRows = viewRows;
        m.viewCols = viewCols;
        forgetChanges(m);
    }
    std::string row(int32_t r, int32_t n) const { return std::string(&cells[static_cast<size_t>(r * m.bufferCols)], n); }
    CellSpan span(int32_t r) const { return spans[static_cast<size_t>(r)]; }
};

TEST(ScreenModel, StreamingLinesRecordsCellsScrollsAndTheShift)
{
    // 8 buffer rows, a view of 4 rows (margin 2) by 5 columns.
    Screen s(8, 6, 4, 5);
    writeModelText(s.m, "abcdefg", 7); // wraps after 5
    EXPECT_EQ(s.row(0, 5), "abcde");
    EXPECT_EQ(s.row(1, 2), "fg");
    EXPECT_EQ(s.m.cursorRow, 1);
    EXPECT_EQ(s.m.cursorCol, 2);
    EXPECT_EQ(s.span(0).first, 0);
    EXPECT_EQ(s.span(0).end, 5);
    EXPECT_EQ(s.span(1).end, 2);
    EXPECT_EQ(s.m.scrolled, 0);
    EXPECT_EQ(s.row(0, 6), "abcde "); // the column past the view is never written

    forgetChanges(s.m);
    EXPECT_FALSE(hasChanges(s.m));
    newModelLine(s.m);
    newModelLine(s.m); // row 3: the last view row, in the band
    EXPECT_EQ(s.m.topLine, 0);
    newModelLine(s.m); // row 4: scrolls by one
    EXPECT_EQ(s.m.topLine, 1);
    EXPECT_EQ(s.m.scrolled, 1);
    EXPECT_EQ(s.m.scrollPos, 1);

    // Down to the last buffer row and past it: the oldest row is dropped, the
    // view moves with the text (no further scroll of the picture), the span
    // moves with its row and the scroll-bar position stays where the last
    // scroll left it.
    forgetChanges(s.m);
    for (int i = 0; i < 3; i++) newModelLine(s.m); // cursor on row 7, top 4
    writeModelText(s.m, "xy", 2);
    EXPECT_EQ(s.m.topLine, 4);
    EXPECT_EQ(s.m.scrolled, 3);
    newModelLine(s.m); // row 8 does not exist
    EXPECT_EQ(s.m.cursorRow, 7);
    EXPECT_EQ(s.m.topLine, 4);
    EXPECT_EQ(s.m.scrolled, 4);
    EXPECT_EQ(s.m.shifted, 1);
    EXPECT_EQ(s.m.scrollPos, 5);
    EXPECT_EQ(s.row(6, 2), "xy");
    EXPECT_EQ(s.span(6).first, 0);
    EXPECT_EQ(s.span(6).end, 2);
    EXPECT_EQ(s.span(7).end, 0);
    EXPECT_EQ(s.row(0, 2), "fg"); // row 1 moved up
    EXPECT_EQ(s.m.firstChanged, 6);
    EXPECT_EQ(s.m.lastChanged, 6);

    // A span on row 0 is dropped with its row by the next shift.
    forgetChanges(s.m);
    markChanged(s.m, 0, 1, 3);
    newModelLine(s.m);
    EXPECT_EQ(s.span(0).end, 0);
    EXPECT_GT(s.m.firstChanged, s.m.lastChanged);
}

TEST(ScreenModel, RoomRunsOutAtTheEdgeWithoutOverflow)
{
    Screen s(8, 10, 4, 10);
    s.m.cursorCol = 5;
    EXPECT_FALSE(roomRunsOut(s.m, 4));
    EXPECT_TRUE(roomRunsOut(s.m, 5));
    EXPECT_TRUE(roomRunsOut(s.m, 0x7FFFFFFF)); // 5 + count does not fit in 32 bits
    EXPECT_FALSE(roomRunsOut(s.m, INT32_MIN));
    EXPECT_FALSE(roomRunsOut(s.m, -1));
    s.m.cursorCol = 0x7FFFFFF0; // a cursor no service leaves, still no overflow
    EXPECT_TRUE(roomRunsOut(s.m, 0x7FFFFFFF));
}

TEST(ScreenModel, PutByteControlBytesAndTheBell)
{
    Screen s(10, 8, 5, 8);
    s.m.cursorRow = 3;
    s.m.cursorCol = 4;
    EXPECT_EQ(putModelByte(s.m, CHAR_BELL), PutResult::Bell);
    EXPECT_EQ(s.m.cursorCol, 4);
    EXPECT_FALSE(hasChanges(s.m));
    putModelByte(s.m, CHAR_LINE_FEED); // the column stays
    EXPECT_EQ(s.m.cursorRow, 4);
    EXPECT_EQ(s.m.cursorCol, 4);
    putModelByte(s.m, CHAR_CARRIAGE_RETURN);
    EXPECT_EQ(s.m.cursorCol, 0);
    putModelByte(s.m, CHAR_BACKSPACE); // to the end of the row above; nothing erased
    EXPECT_EQ(s.m.cursorRow, 3);
    EXPECT_EQ(s.m.cursorCol, 7);
    EXPECT_FALSE(hasChanges(s.m));
    putModelByte(s.m, '\t'); // stored and drawn like any byte; the last column wraps
    EXPECT_EQ(s.cells[3 * 8 + 7], '\t');
    EXPECT_EQ(s.span(3).first, 7);
    EXPECT_EQ(s.span(3).end, 8);
    EXPECT_EQ(s.m.cursorRow, 4);
    EXPECT_EQ(s.m.cursorCol, 0);
    s.m.cursorRow = 0;
    putModelByte(s.m, CHAR_BACKSPACE); // top-left corner: nothing
    EXPECT_EQ(s.m.cursorRow, 0);
    EXPECT_EQ(s.m.cursorCol, 0);
}

TEST(ScreenModel, DoubleByteCharactersAreDrawnWhole)
{
    LeadByteTable gbk;
    fillCodePage936LeadBytes(gbk);
    EXPECT_TRUE(isLeadByte(gbk, 0x81));
    EXPECT_TRUE(isLeadByte(gbk, 0xFE));
    EXPECT_FALSE(isLeadByte(gbk, 0x80));
    EXPECT_FALSE(isLeadByte(gbk, 0xFF));
    EXPECT_FALSE(isLeadByte(gbk, 'A'));
    // "a中文b" then a lead byte alone at the edge of a 7-column view.
    const char row[] = "a\xD6\xD0\xCE\xC4" "b\xB0";
    DrawSpan d = dbcsDrawSpan(row, 7, 2, 3, gbk); // the trail byte of 中
    EXPECT_EQ(d.first, 1);
    EXPECT_EQ(d.end, 3);
    EXPECT_FALSE(d.blankLast);
    d = dbcsDrawSpan(row, 7, 1, 2, gbk); // its lead byte alone: drawn blank
    EXPECT_EQ(d.first, 1);
    EXPECT_EQ(d.end, 2);
    EXPECT_TRUE(d.blankLast);
    d = dbcsDrawSpan(row, 7, 0, 7, gbk); // the whole row: the lead byte at the edge is blank
    EXPECT_EQ(d.first, 0);
    EXPECT_EQ(d.end, 7);
    EXPECT_TRUE(d.blankLast);
    d = dbcsDrawSpan(row, 7, 4, 6, gbk); // starts on 文's trail byte (0xC4 also a lead value)
    EXPECT_EQ(d.first, 3);
    EXPECT_EQ(d.end, 6);
    EXPECT_FALSE(d.blankLast);
    // The same bytes shifted by one: 0xD0 0xCE pair up instead.
    const char odd[] = "\xD0\xCE\xC4" "a";
    d = dbcsDrawSpan(odd, 4, 2, 3, gbk); // 0xC4 is now a lead byte with 'a' as its trail
    EXPECT_EQ(d.first, 2);
    EXPECT_TRUE(d.blankLast);
}

// ---- The selection -------------------------------------------------------

static std::string copied(const Selection &sel, const Screen &s, const LeadByteTable &lead)
{
    std::vector<char> out(static_cast<size_t>(selectedTextSize(sel, s.m.viewCols)) + 1);
    return std::string(out.data(), static_cast<size_t>(selectedText(sel, s.m, lead, out.data())));
}

TEST(Selection, CopiesTheRectangleTrimmedAndJoinedByCrLf)
{
    LeadByteTable gbk;
    fillCodePage936LeadBytes(gbk);
    Screen s(6, 12, 4, 10);
    writeModelText(s.m, "ab\xD6\xD0" "cd  x", 9); // ab中cd  x
    newModelLine(s.m);
    writeModelText(s.m, "12 ", 3);
    newModelLine(s.m);
    writeModelText(s.m, "\x01wxyz", 5); // a control byte in the buffer
    Selection sel{};
    startMarking(sel, CellPos{0, 0}, 0);
    EXPECT_EQ(copied(sel, s, gbk), ""); // only the mark cursor: nothing selected
    // Columns 3 to 7 of rows 0..2 (the corners in either order): the left
    // edge falls on the trail byte of 中, which comes whole; row 0's
    // trailing blanks, row 1's blanks and row 2's end are trimmed.
    selectCells(sel, CellPos{2, 7}, CellPos{0, 3});
    EXPECT_EQ(copied(sel, s, gbk), "\xD6\xD0" "cd\r\n\r\nyz");
    // The right edge on the lead byte takes the trail byte too.
    selectCells(sel, CellPos{0, 0}, CellPos{0, 2});
    EXPECT_EQ(copied(sel, s, gbk), "ab\xD6\xD0");
    SelectedSpan span;
    ASSERT_TRUE(selectedSpan(sel, 0, s.row(0, 10).c_str(), 10, gbk, &span));
    EXPECT_EQ(span.first, 0);
    EXPECT_EQ(span.end, 4);
    EXPECT_FALSE(selectedSpan(sel, 1, s.row(1, 10).c_str(), 10, gbk, &span));
    // Control bytes come as blanks (one that leads the row stays as one).
    selectCells(sel, CellPos{2, 0}, CellPos{2, 9});
    EXPECT_EQ(copied(sel, s, gbk), " wxyz");
}

TEST(Selection, LeadByteInTheLastColumnIsCoveredButNotCopied)
{
    LeadByteTable gbk;
    fillCodePage936LeadBytes(gbk);
    Screen s(4, 8, 4, 6);
    writeModelText(s.m, "abcde\xD6\xD0", 7); // 中 split by the wrap: its lead in column 5
    Selection sel{};
    startMarking(sel, CellPos{0, 0}, 0);
    selectCells(sel, CellPos{0, 4}, CellPos{1, 5});
    SelectedSpan span;
    ASSERT_TRUE(selectedSpan(sel, 0, s.row(0, 6).c_str(), 6, gbk, &span));
    EXPECT_EQ(span.first, 4);
    EXPECT_EQ(span.end, 6);
    EXPECT_TRUE(span.loneLead);
    EXPECT_EQ(copied(sel, s, gbk), "e\r\n");
}

TEST(Selection, MarkCursorMovesWithinTheBufferAndFollowsTheShift)
{
    Selection sel{};
    startMarking(sel, CellPos{5, 3}, 7);
    moveMark(sel, 0, 1, true, 10, 8); // Shift+Right: anchor stays
    moveMark(sel, 2, 0, true, 10, 8);
    EXPECT_TRUE(sel.extended);
    EXPECT_EQ(sel.anchor.row, 5);
    EXPECT_EQ(sel.anchor.col, 3);
    EXPECT_EQ(sel.point.row, 7);
    EXPECT_EQ(sel.point.col, 4);
    moveMark(sel, 50, 50, true, 10, 8); // kept inside the buffer and the view's columns
    EXPECT_EQ(sel.point.row, 9);
    EXPECT_EQ(sel.point.col, 7);
    moveMark(sel, -1, 0, false, 10, 8); // without Shift the selection collapses
    EXPECT_FALSE(sel.extended);
    EXPECT_EQ(sel.anchor.row, 8);
    EXPECT_EQ(sel.anchor.col, 7);
    // The buffer dropped 6 rows since: the rows move up, never below 0.
    selectCells(sel, CellPos{2, 0}, CellPos{8, 1});
    followShift(sel, 13);
    EXPECT_EQ(sel.anchor.row, 0);
    EXPECT_EQ(sel.point.row, 2);
    followShift(sel, 13);
    EXPECT_EQ(sel.point.row, 2);
    int32_t first, last;
    selectionRows(sel, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 2);
    sel.marking = false;
    selectionRows(sel, &first, &last);
    EXPECT_GT(first, last);
}

TEST(Selection, LastWrittenRowLooksOnlyInsideTheView)
{
    Screen s(6, 12, 4, 10);
    EXPECT_EQ(lastWrittenRow(s.m), 0);
    s.cells[static_cast<size_t>(4 * 12 + 11)] = 'x'; // past the view's columns
    EXPECT_EQ(lastWrittenRow(s.m), 0);
    EXPECT_TRUE(rowIsBlank(s.m, 4));
    s.cells[static_cast<size_t>(3 * 12 + 9)] = 'y';
    EXPECT_EQ(lastWrittenRow(s.m), 3);
    EXPECT_FALSE(rowIsBlank(s.m, 3));
    EXPECT_TRUE(rowIsBlank(s.m, 0));
}

// The project's pixel font as Wine measures it at 96 DPI (8 x 12 cells, the
// Chinese glyphs two cells wide), Wine's fallback WenQuanYi Micro Hei Mono
// (average 7, height 11), and Windows's raster Courier (8 x 13).
static const FontMetrics PIXEL_FONT = {12, 0, 8, 16};
static const FontMetrics MICRO_HEI = {11, 0, 7, 14};
static const FontMetrics RASTER_COURIER = {13, 0, 8, 8};

TEST(ConsoleDpi, NinetySixAndBelowChangeNothing)
{
    EXPECT_EQ(consoleDpi(96), 96);
    EXPECT_EQ(consoleDpi(72), 96);
    EXPECT_EQ(consoleDpi(0), 96);
    EXPECT_EQ(consoleDpi(-5), 96);
    EXPECT_EQ(consoleDpi(144), 144);
    EXPECT_EQ(consoleDpi(100000), 960);
    EXPECT_EQ(scaleToDpi(12, 144), 18);
    EXPECT_EQ(scaleToDpi(13, 144), 20); // 19.5 rounds up
    EXPECT_EQ(scaleToDpi(8, 120), 10);
    EXPECT_EQ(scaleToDpi(631, 192), 1262);
}

TEST(ConsoleFont, AtNinetySixTheStockFontAndItsCell)
{
    ConsoleFontChoice c = chooseConsoleFont(96, MICRO_HEI);
    EXPECT_TRUE(c.useStock);
    EXPECT_EQ(c.cell.width, 8); // average 7 counts as 8
    EXPECT_EQ(c.cell.height, 11);
    c = chooseConsoleFont(96, FontMetrics{16, 2, 9, 9});
    EXPECT_TRUE(c.useStock);
    EXPECT_EQ(c.cell.width, 9);
    EXPECT_EQ(c.cell.height, 18);
}

TEST(ConsoleFont, WholeMultiplesTakeTheFontAtThatMultiple)
{
    for (int k = 2; k <= 3; k++) {
        ConsoleFontChoice c = chooseConsoleFont(96 * k, PIXEL_FONT);
        EXPECT_FALSE(c.useStock);
        EXPECT_EQ(c.fontHeight, 12 * k);
        EXPECT_EQ(c.cell.width, 8 * k);
        EXPECT_EQ(c.cell.height, 12 * k);
        c = chooseConsoleFont(96 * k, RASTER_COURIER);
        EXPECT_EQ(c.fontHeight, 13 * k);
        EXPECT_EQ(c.cell.height, 13 * k);
    }
}

TEST(ConsoleFont, BetweenMultiplesTheLargestHeightWhoseGlyphsStayInTheCell)
{
    ConsoleFontChoice c = chooseConsoleFont(144, PIXEL_FONT);
    EXPECT_FALSE(c.useStock);
    EXPECT_EQ(c.fontHeight, 18); // advance 12, Chinese 24: exactly the cells
    EXPECT_EQ(c.cell.width, 12);
    EXPECT_EQ(c.cell.height, 18);
    c = chooseConsoleFont(120, PIXEL_FONT);
    EXPECT_EQ(c.fontHeight, 15);
    EXPECT_EQ(c.cell.width, 10);
    // Where the cell's width rounds down, the font shrinks below the scaled
    // height: advance 9 at 12 pixels, at 120 DPI a cell of 11 x 15; at 15
    // pixels the advance would be 11.25, at 14 it is 10.5.
    c = chooseConsoleFont(120, FontMetrics{12, 0, 9, 18});
    EXPECT_FALSE(c.useStock);
    EXPECT_EQ(c.cell.width, 11);
    EXPECT_EQ(c.cell.height, 15);
    EXPECT_EQ(c.fontHeight, 14);
    c = chooseConsoleFont(120, FontMetrics{12, 0, 9, 9}); // the Latin advance alone holds it back
    EXPECT_EQ(c.fontHeight, 14);
    c = chooseConsoleFont(144, FontMetrics{12, 0, 9, 18}); // 13.5 rounds up to 14: 18 fits
    EXPECT_EQ(c.cell.width, 14);
    EXPECT_EQ(c.fontHeight, 18);
    c = chooseConsoleFont(168, FontMetrics{12, 0, 9, 9}); // cell 16 x 21; 9 x 21 / 12 = 15.75 fits
    EXPECT_EQ(c.fontHeight, 21);
    // External leading counts into the cell's height.
    c = chooseConsoleFont(144, FontMetrics{10, 2, 8, 8}); // cell 12 x 18
    EXPECT_EQ(c.cell.height, 18);
    EXPECT_EQ(c.fontHeight, 15); // 15 + 3 = 18
    // The Latin advance decides where it rounds past the cell: width 7 at
    // 11 counts as an 8-wide cell; at 132 DPI the cell is 11, and heights
    // up to 15 keep 7 x h / 11 within it.
    c = chooseConsoleFont(132, MICRO_HEI);
    EXPECT_EQ(c.cell.width, 11);
    EXPECT_EQ(c.cell.height, 15);
    EXPECT_EQ(c.fontHeight, 15);
    c = chooseConsoleFont(132, FontMetrics{11, 0, 8, 16}); // 8 x 15 / 11 = 10.9 <= 11
    EXPECT_EQ(c.fontHeight, 15);
    c = chooseConsoleFont(150, FontMetrics{10, 0, 8, 16}); // cell 13 x 16 (12.5 rounds up); 8 x 16 / 10 = 12.8
    EXPECT_EQ(c.cell.width, 13);
    EXPECT_EQ(c.fontHeight, 16);
}

TEST(ConsoleFont, AWidestGlyphBeyondTwoCellsDoesNotHoldTheFontBack)
{
    ConsoleFontChoice c = chooseConsoleFont(192, FontMetrics{12, 0, 8, 40});
    EXPECT_FALSE(c.useStock);
    EXPECT_FALSE(c.limitWidest);
    EXPECT_EQ(c.fontHeight, 24);
    EXPECT_TRUE(fontFitsCell(FontMetrics{24, 0, 16, 80}, c));
    // Where the stock keeps its widest glyph in two cells, so must the font.
    c = chooseConsoleFont(192, PIXEL_FONT);
    EXPECT_TRUE(c.limitWidest);
    EXPECT_TRUE(fontFitsCell(FontMetrics{24, 0, 16, 32}, c));
    EXPECT_FALSE(fontFitsCell(FontMetrics{24, 0, 16, 33}, c));
    EXPECT_FALSE(fontFitsCell(FontMetrics{24, 0, 17, 32}, c));
    EXPECT_FALSE(fontFitsCell(FontMetrics{24, 1, 16, 32}, c));
    EXPECT_FALSE(fontFitsCell(FontMetrics{0, 0, 0, 0}, c));
}

TEST(ConsoleFont, AStockFontThatFollowsTheDpiIsUsedAsItIs)
{
    // Halfway between 12 and 12 scaled: at 120, 13.5.
    EXPECT_FALSE(stockFollowsDpi(12, 120));
    EXPECT_FALSE(stockFollowsDpi(13, 120)); // Windows's 96-DPI Courier
    EXPECT_TRUE(stockFollowsDpi(14, 120));
    EXPECT_TRUE(stockFollowsDpi(16, 120)); // the 120-DPI Courier
    EXPECT_FALSE(stockFollowsDpi(17, 192));
    EXPECT_TRUE(stockFollowsDpi(18, 192));
    ConsoleFontChoice c = chooseConsoleFont(120, FontMetrics{16, 0, 10, 10});
    EXPECT_TRUE(c.useStock);
    EXPECT_EQ(c.cell.width, 10);
    EXPECT_EQ(c.cell.height, 16);
    // A font too odd to scale (no height at all) stays the stock.
    c = chooseConsoleFont(192, FontMetrics{0, 0, 0, 0});
    EXPECT_TRUE(c.useStock);
}

TEST(ConsoleFont, DefaultRectangleGrowsFromItsCorner)
{
    DefaultRect r = scaleDefaultRect(DefaultRect{3, 3, 634, 474}, 96);
    EXPECT_EQ(r.right, 634);
    EXPECT_EQ(r.bottom, 474);
    r = scaleDefaultRect(DefaultRect{3, 3, 634, 474}, 192);
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.top, 3);
    EXPECT_EQ(r.right, 3 + 1262);
    EXPECT_EQ(r.bottom, 3 + 942);
    r = scaleDefaultRect(DefaultRect{3, 3, 634, 474}, 144);
    EXPECT_EQ(r.right, 3 + 947); // 946.5 rounds up
    EXPECT_EQ(r.bottom, 3 + 707); // 706.5
}
