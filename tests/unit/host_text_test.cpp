// Command-line tail, NameString copy and the stored rectangle's text.
#include "platform/cmdline.h"
#include "platform/namestring.h"
#include "platform/settings_text.h"
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#include <string>

namespace {
bool gbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
std::string tail(const char *cmd) { return commandLineTail(cmd, gbkLead); }
} // namespace

TEST(CommandLineTail, QuotedNameWithBlanksThenBlanks)
{
    EXPECT_EQ(tail("\"C:\\My Programs\\app.exe\"   abc def"), "abc def");
}

TEST(CommandLineTail, UnquotedNameThenTab)
{
    EXPECT_EQ(tail("app.exe\tword"), "word");
    // Any byte of 0x20 or less ends an unquoted name, not only blanks.
    EXPECT_EQ(tail("app.exe\x01x"), "x");
}

TEST(CommandLineTail, EmptyTailPointsAtTheTerminator)
{
    const char *cmd = "app.exe   ";
    const char *t = commandLineTail(cmd, gbkLead);
    EXPECT_EQ(t, cmd + 10);
    EXPECT_EQ(*t, 0);
    EXPECT_EQ(tail("\"app.exe\""), "");
    EXPECT_EQ(tail(""), "");
}

TEST(CommandLineTail, LeadByteTakesItsTrailByteInAQuotedName)
{
    // 0x81 0x22 is one double-byte character: its trail byte is not the closing quote.
    EXPECT_EQ(tail("\"a\x81\"b\" rest"), "rest");
    // Without the lead-byte rule the same bytes end the name early.
    EXPECT_STREQ(commandLineTail("\"a\x81\"b\" rest", [](unsigned char) { return false; }), "b\" rest");
}

TEST(CommandLineTail, UnclosedQuoteTakesEverything)
{
    EXPECT_EQ(tail("\"app.exe abc"), "");
}

TEST(CommandLineTail, OnlyBytesUpToBlankAreSkippedAfterTheName)
{
    EXPECT_EQ(tail("app \x01\x1f \x7f x"), "\x7f x");
}

TEST(NameString, ClampsAsUnsigned)
{
    char source[400], dest[NAME_BUFFER_SIZE];
    for (int i = 0; i < 400; i++) source[i] = char('a' + i % 26);
    EXPECT_EQ(strlen(copyNameString(dest, source, 300)), 255u);
    EXPECT_EQ(strlen(copyNameString(dest, source, uint32_t(-1))), 255u);
    EXPECT_EQ(strlen(copyNameString(dest, source, 255, PROC_NAME_LIMIT)), 254u);
    EXPECT_EQ(strlen(copyNameString(dest, source, 10)), 10u);
    EXPECT_EQ(std::string(copyNameString(dest, source, 0)), "");
}

// A name ended by its NUL right before memory that cannot be read, with a
// length past it: the copy stops at the NUL.
TEST(NameString, ReadsNoFurtherThanItsNul)
{
    long pageSize = sysconf(_SC_PAGESIZE);
    char *pages = static_cast<char *>(mmap(nullptr, 2 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + pageSize, pageSize, PROT_NONE), 0);
    char *name = pages + pageSize - 4;
    memcpy(name, "abc", 4);
    char dest[NAME_BUFFER_SIZE];
    EXPECT_EQ(std::string(copyNameString(dest, name, uint32_t(-1))), "abc");
    EXPECT_EQ(std::string(copyNameString(dest, name, 300, PROC_NAME_LIMIT)), "abc");
    munmap(pages, 2 * pageSize);
}

TEST(NameString, EmbeddedNulEndsTheName)
{
    char dest[NAME_BUFFER_SIZE];
    EXPECT_STREQ(copyNameString(dest, "ab\0cd", 5), "ab");
}

TEST(ConsoleRectText, RoundTrip)
{
    char text[64];
    EXPECT_EQ(formatConsoleRect(text, {10, 20, 650, 500}), 13);
    EXPECT_STREQ(text, "10,20,650,500");
    formatConsoleRect(text, {-8, -8, 1032, 776});
    EXPECT_STREQ(text, "-8,-8,1032,776");
    ConsoleRect r = parseConsoleRect(text);
    EXPECT_EQ(r.left, -8);
    EXPECT_EQ(r.bottom, 776);
    formatConsoleRect(text, {-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1});
    EXPECT_EQ(strlen(text), 47u);
    EXPECT_EQ(formatConsoleRect(text, {-2147483647 - 1, 0, 2147483647, 10}), 27);
    EXPECT_STREQ(text, "-2147483648,0,2147483647,10");
    r = parseConsoleRect(text);
    EXPECT_EQ(r.left, -2147483647 - 1);
    EXPECT_EQ(r.right, 2147483647);
}

// Read as the C library's "%d,%d,%d,%d" reads it: blanks before a number
// and a sign are taken, anything after the fourth number is left; a comma
// must follow each number at once; digits past an int wrap.
TEST(ConsoleRectText, ReadAsTheLibrarysScanDoes)
{
    ConsoleRect r = parseConsoleRect(" 10,\t+20, 650,500 junk");
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 650);
    EXPECT_EQ(r.bottom, 500);
    bool fromText = true;
    for (const char *bad : {"10 ,20,650,500", "10,20,650,", "10,-,650,500", "10;20;650;500"}) {
        parseConsoleRect(bad, &fromText);
        EXPECT_FALSE(fromText) << bad;
    }
    r = parseConsoleRect("4294967306,20,650,500"); // 2^32 + 10
    EXPECT_EQ(r.left, 10);
}

TEST(ConsoleRectText, UnusableTextGivesTheDefault)
{
    for (const char *bad : {"3,3,634,0", "10,20", "", "x,1,2,3", "10,10,300,0", "100,50,100,530", "100,50,740,40"}) {
        bool fromText = true;
        ConsoleRect r = parseConsoleRect(bad, &fromText);
        EXPECT_FALSE(fromText) << bad; // the default, which grows with the DPI
        EXPECT_EQ(r.left, 3) << bad;
        EXPECT_EQ(r.top, 3) << bad;
        EXPECT_EQ(r.right, 634) << bad;
        EXPECT_EQ(r.bottom, 474) << bad;
    }
    EXPECT_EQ(parseConsoleRect(nullptr).right, 634);
    // A saved value equal to the default is still a saved one: it opens as saved.
    bool fromText = false;
    parseConsoleRect("3,3,634,474", &fromText);
    EXPECT_TRUE(fromText);
    ConsoleRect r = parseConsoleRect("100,50,740,530");
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
}

// A saved rectangle opens where it can be seen (a 1280 x 1024 work area).
TEST(ConsoleRectText, PlacedOnTheWorkArea)
{
    const ConsoleRect work = {0, 0, 1280, 1024};
    auto placed = [&](ConsoleRect r) {
        ConsoleRect p = placeOnWorkArea(r, work);
        return std::to_string(p.left) + "," + std::to_string(p.top) + "," + std::to_string(p.right) + "," +
               std::to_string(p.bottom);
    };
    EXPECT_EQ(placed({100, 50, 740, 530}), "100,50,740,530");          // on the screen: as saved
    EXPECT_EQ(placed({0, 0, 1280, 1024}), "0,0,1280,1024");            // exactly the work area
    EXPECT_EQ(placed({5000, 4000, 5640, 4480}), "640,544,1280,1024");  // far off: nearest corner
    EXPECT_EQ(placed({-3000, -2000, -2360, -1520}), "0,0,640,480");
    EXPECT_EQ(placed({1000, 900, 1640, 1380}), "640,544,1280,1024");   // half off: moved, not shrunk
    EXPECT_EQ(placed({-8, 100, 632, 580}), "0,100,640,580");           // only the edge that is off moves
    EXPECT_EQ(placed({-100, -50, 3000, 2000}), "0,0,1280,1024");       // larger: shrunk to the work area
    EXPECT_EQ(placed({300, 10, 700, 3000}), "300,0,700,1024");         // taller only: width kept
    EXPECT_EQ(placed({-2147483647 - 1, 0, 2147483647, 480}), "0,0,1280,480"); // wider than an int spans
    const ConsoleRect second = {1280, 0, 2560, 1024};                  // a work area right of the origin
    ConsoleRect p = placeOnWorkArea({10, 20, 650, 500}, second);
    EXPECT_EQ(p.left, 1280);
    EXPECT_EQ(p.top, 20);
    EXPECT_EQ(p.right - p.left, 640);
}

// Text code pages: the joiner's option, surrogate pairs, case conversion
// that leaves double-byte characters alone, the UTF-16 command-line tail.
#include "common/codepage_rules.h"

TEST(CodePages, OptionTakesAnsiCodePagesOnly)
{
    uint32_t n = 0;
    EXPECT_TRUE(parseCodePageOption("936", &n));
    EXPECT_EQ(n, 936u);
    EXPECT_TRUE(parseCodePageOption("1252", &n));
    EXPECT_EQ(n, 1252u);
    for (const char *bad : {"", "65001", "437", "0", "-936", "936 ", "0936x", "1e3", "000000936", "4294968232"})
        EXPECT_FALSE(parseCodePageOption(bad, &n)) << bad;
    EXPECT_EQ(codePageCharset(936), 134);  // GB2312_CHARSET
    EXPECT_EQ(codePageCharset(932), 128);  // SHIFTJIS_CHARSET
    EXPECT_EQ(codePageCharset(1252), 0);   // ANSI_CHARSET
    EXPECT_EQ(codePageCharset(65001), -1);
}

TEST(CodePages, SurrogatePairsJoinAcrossMessages)
{
    Utf16Joiner j;
    uint16_t out[2];
    ASSERT_EQ(j.feed(0x4E2D, out), 1);
    EXPECT_EQ(out[0], 0x4E2D);
    EXPECT_EQ(j.feed(0xD840, out), 0); // waits for its low half
    ASSERT_EQ(j.feed(0xDC00, out), 2);
    EXPECT_EQ(out[0], 0xD840);
    EXPECT_EQ(out[1], 0xDC00);
    EXPECT_EQ(j.feed(0xD840, out), 0);
    ASSERT_EQ(j.feed('a', out), 2); // a lone high half goes on with the next unit
    EXPECT_EQ(out[0], 0xD840);
    EXPECT_EQ(out[1], 'a');
    ASSERT_EQ(j.feed(0xDC00, out), 1); // a lone low half goes alone
    EXPECT_EQ(j.feed(0xD800, out), 0);
    ASSERT_EQ(j.feed(0xD801, out), 1); // a second high half waits in its turn
    EXPECT_EQ(out[0], 0xD800);
    EXPECT_EQ(j.heldHigh, 0xD801);
}

// Windows 9x: a double-byte character typed in the system's code page comes
// as two WM_CHARs, lead then trail.
TEST(CodePages, LeadAndTrailBytesJoinAcrossMessages)
{
    ByteJoiner j;
    uint8_t out[2];
    ASSERT_EQ(j.feed('a', false, out), 1);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(j.feed(0x92, true, out), 0); // Shift-JIS for a CJK character: waits
    ASSERT_EQ(j.feed(0x86, false, out), 2);
    EXPECT_EQ(out[0], 0x92);
    EXPECT_EQ(out[1], 0x86);
    EXPECT_EQ(j.feed(0x81, true, out), 0);
    ASSERT_EQ(j.feed(0x40, false, out), 2); // an ASCII-range trail byte stays with its lead byte
    EXPECT_EQ(out[1], 0x40);
    EXPECT_EQ(j.feed(0xD6, true, out), 0);
    ASSERT_EQ(j.feed(0xD0, true, out), 2); // GBK 中: its trail byte is a lead byte's value too
    EXPECT_EQ(out[0], 0xD6);
    EXPECT_EQ(out[1], 0xD0);
    EXPECT_EQ(j.feed(0x92, true, out), 0);
    ASSERT_EQ(j.feed(13, false, out), 1); // Enter ends the wait: the lone lead byte is dropped
    EXPECT_EQ(out[0], 13);
    ASSERT_EQ(j.feed('b', false, out), 1);
    EXPECT_EQ(out[0], 'b');
}

TEST(CodePages, CaseSkipsDoubleByteCharacters)
{
    unsigned char upper[256];
    for (int b = 0; b < 256; b++) upper[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    // 中 is D6 D0 and 文 CE C4; a trail byte may be a letter (GBK 0x40..0x7E): 丂 is 81 40,
    // and 乣 is 81 63 ('c'), which must stay.
    unsigned char text[] = "ab\xD6\xD0x\x81\x63y\xCE\xC4z";
    mapSingleByteCase(text, sizeof text - 1, gbkLead, upper);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(text)), "AB\xD6\xD0X\x81\x63Y\xCE\xC4Z");
    // A lead byte at the very end has no trail byte: it is mapped like any byte.
    unsigned char end[] = "q\x81";
    upper[0x81] = 0x82;
    mapSingleByteCase(end, 2, gbkLead, upper);
    EXPECT_EQ(end[0], 'Q');
    EXPECT_EQ(end[1], 0x82);
}

TEST(CodePages, WideCommandLineTail)
{
    auto tailOf = [](const std::u16string &cmd) {
        const uint16_t *p = reinterpret_cast<const uint16_t *>(cmd.c_str());
        return std::u16string(reinterpret_cast<const char16_t *>(wideCommandLineTail(p)));
    };
    EXPECT_EQ(tailOf(u"\"C:\\qv dir\\p.exe\"   \u4E2D\u6587 x"), u"\u4E2D\u6587 x");
    EXPECT_EQ(tailOf(u"p.exe\t\u4E2D"), u"\u4E2D");
    EXPECT_EQ(tailOf(u"p.exe"), u"");
    EXPECT_EQ(tailOf(u"\"C:\\\u4E2D\u6587\\p.exe\"x"), u"x");
}
