// Command-line tail, NameString copy and the stored rectangle's text.
#include "host/cmdline.h"
#include "host/namestring.h"
#include "host/settings_text.h"
#include <gtest/gtest.h>
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
}

TEST(ConsoleRectText, UnusableTextGivesTheDefault)
{
    for (const char *bad : {"3,3,634,0", "10,20", "", "x,1,2,3", "10,10,300,0", "100,50,100,530", "100,50,740,40"}) {
        ConsoleRect r = parseConsoleRect(bad);
        EXPECT_EQ(r.left, 3) << bad;
        EXPECT_EQ(r.top, 3) << bad;
        EXPECT_EQ(r.right, 634) << bad;
        EXPECT_EQ(r.bottom, 474) << bad;
    }
    EXPECT_EQ(parseConsoleRect(nullptr).right, 634);
    ConsoleRect r = parseConsoleRect("100,50,740,530");
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
}
