// The hosted programs' library sdk/qvlib.c and sdk/qvmem.c, built natively
// (the memory functions under other names, beside the C library's).
#include "sdk/qvlib.h"
#include <gtest/gtest.h>
#include <stdint.h>
#include <string>

namespace {
// Formats with a buffer of 32 bytes and returns the text, or "<-1>".
template <typename F> std::string text(F format)
{
    char buffer[32];
    for (char &c : buffer) c = 'x';
    int32_t n = format(buffer, (int32_t)sizeof buffer);
    if (n < 0) return "<-1>";
    EXPECT_EQ(buffer[n], 0) << "no NUL after the text";
    return std::string(buffer, (size_t)n);
}
} // namespace

TEST(QvlFormat, IntegersWidthsAndAlignment)
{
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, 0, 0, QVL_RIGHT); }), "0");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, -42, 0, QVL_RIGHT); }), "-42");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, INT32_MIN, 0, QVL_RIGHT); }), "-2147483648");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, INT32_MAX, 0, QVL_RIGHT); }), "2147483647");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatUnsigned(b, s, UINT32_MAX, 0, QVL_RIGHT); }),
              "4294967295");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, 42, 5, QVL_RIGHT); }), "   42");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, 42, 5, QVL_LEFT); }), "42   ");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, -42, 5, QVL_ZEROS); }), "-0042");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, -42, 5, QVL_RIGHT); }), "  -42");
    // A width narrower than the number does not cut it.
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatInt(b, s, 12345, 2, QVL_RIGHT); }), "12345");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatHex(b, s, 0xC0000094u, 0, QVL_RIGHT); }), "C0000094");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatHex(b, s, 0xAu, 4, QVL_ZEROS); }), "000A");
}

TEST(QvlFormat, FixedPoint)
{
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, 753, 1, 0, QVL_RIGHT); }), "75.3");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, -1234, 2, 0, QVL_RIGHT); }), "-12.34");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, 5, 2, 0, QVL_RIGHT); }), "0.05");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, -5, 1, 0, QVL_RIGHT); }), "-0.5");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, 7, 0, 0, QVL_RIGHT); }), "7");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, INT32_MIN, 9, 0, QVL_RIGHT); }),
              "-2.147483648");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, 1250, 2, 8, QVL_RIGHT); }), "   12.50");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, -1250, 2, 8, QVL_ZEROS); }), "-0012.50");
    EXPECT_EQ(text([](char *b, int32_t s) { return qvlFormatFixed(b, s, 1, 10, 0, QVL_RIGHT); }), "<-1>");
}

TEST(QvlFormat, TooSmallABufferGivesMinusOneAndAnEmptyText)
{
    char b[6] = "zzzzz";
    EXPECT_EQ(qvlFormatInt(b, 6, 12345, 0, QVL_RIGHT), 5); // exactly fits with its NUL
    EXPECT_STREQ(b, "12345");
    EXPECT_EQ(qvlFormatInt(b, 6, -12345, 0, QVL_RIGHT), -1);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(qvlFormatInt(b, 6, 1, 6, QVL_RIGHT), -1); // the width does not fit
    EXPECT_EQ(qvlFormatFixed(b, 4, 1234, 1, 0, QVL_RIGHT), -1);
    EXPECT_EQ(qvlFormatInt(b, 0, 1, 0, QVL_RIGHT), -1);
}

TEST(QvlParse, NumbersWithBlanksAndSigns)
{
    int32_t v = 0;
    uint32_t u = 0;
    EXPECT_EQ(qvlParseInt("  95 ", 5, &v), QVL_OK);
    EXPECT_EQ(v, 95);
    EXPECT_EQ(qvlParseInt("-2147483648", 11, &v), QVL_OK);
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_EQ(qvlParseInt("+2147483647", 11, &v), QVL_OK);
    EXPECT_EQ(v, INT32_MAX);
    EXPECT_EQ(qvlParseUnsigned("4294967295", 10, &u), QVL_OK);
    EXPECT_EQ(u, UINT32_MAX);
    // Only the length counts: "123" of "12345".
    EXPECT_EQ(qvlParseInt("12345", 3, &v), QVL_OK);
    EXPECT_EQ(v, 123);
}

TEST(QvlParse, BadTextFailsClearlyAndLeavesTheValue)
{
    int32_t v = 7;
    uint32_t u = 7;
    EXPECT_EQ(qvlParseInt("", 0, &v), QVL_EMPTY);
    EXPECT_EQ(qvlParseInt(" \t ", 3, &v), QVL_EMPTY);
    EXPECT_EQ(qvlParseInt("12a", 3, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseInt("12 3", 4, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseInt("-", 1, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseInt("1.5", 3, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseUnsigned("-1", 2, &u), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseInt("2147483648", 10, &v), QVL_OVERFLOW);
    EXPECT_EQ(qvlParseInt("-2147483649", 11, &v), QVL_OVERFLOW);
    EXPECT_EQ(qvlParseUnsigned("4294967296", 10, &u), QVL_OVERFLOW);
    EXPECT_EQ(qvlParseUnsigned("99999999999999999999", 20, &u), QVL_OVERFLOW);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(u, 7u);
}

TEST(QvlParse, FixedPoint)
{
    int32_t v = 0;
    EXPECT_EQ(qvlParseFixed("12.5", 4, 2, &v), QVL_OK);
    EXPECT_EQ(v, 1250);
    EXPECT_EQ(qvlParseFixed("-0.05", 5, 2, &v), QVL_OK);
    EXPECT_EQ(v, -5);
    EXPECT_EQ(qvlParseFixed(" 12 ", 4, 1, &v), QVL_OK);
    EXPECT_EQ(v, 120);
    EXPECT_EQ(qvlParseFixed("-2.147483648", 12, 9, &v), QVL_OK);
    EXPECT_EQ(v, INT32_MIN);
    v = 7;
    EXPECT_EQ(qvlParseFixed("12.345", 6, 2, &v), QVL_TOO_MANY_DECIMALS);
    EXPECT_EQ(qvlParseFixed("12.", 3, 2, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseFixed(".5", 2, 2, &v), QVL_NOT_A_NUMBER);
    EXPECT_EQ(qvlParseFixed("1.2.3", 5, 2, &v), QVL_NOT_A_NUMBER);
    // 21474837 units of 1/100 is 2147483.7 too many: the scaling overflows.
    EXPECT_EQ(qvlParseFixed("21474837", 8, 2, &v), QVL_OVERFLOW);
    EXPECT_EQ(qvlParseFixed("21474836.48", 11, 2, &v), QVL_OVERFLOW);
    EXPECT_EQ(v, 7);
}

TEST(QvlText, GbkCharactersAreCountedAndNeverSplit)
{
    ASSERT_EQ(qvlCodePage(), 936u); // GBK until the program says otherwise
    // "a" + 中 (D6 D0) + "b" + 文 (CE C4)
    const char t[] = "a\xD6\xD0" "b\xCE\xC4";
    EXPECT_EQ(qvlCharCount(t, 6), 4);
    EXPECT_EQ(qvlCharsToBytes(t, 6, 2), 3);
    EXPECT_EQ(qvlCharsToBytes(t, 6, 9), 6);
    EXPECT_EQ(qvlCutText(t, 6, 2), 1); // would split 中
    EXPECT_EQ(qvlCutText(t, 6, 3), 3);
    EXPECT_EQ(qvlCutText(t, 6, 5), 4);
    EXPECT_EQ(qvlCutText(t, 6, 99), 6);
    EXPECT_EQ(qvlCutText(t, 6, 0), 0);
    // A trail byte in the ASCII range (GBK's 0x40 to 0x7E) stays with its lead byte.
    const char u[] = "\x81\x40\x81\x40";
    EXPECT_EQ(qvlCharCount(u, 4), 2);
    EXPECT_EQ(qvlCutText(u, 4, 3), 2);
    // A lead byte at the very end is one character.
    EXPECT_EQ(qvlCharCount("a\xD6", 2), 2);
    EXPECT_EQ(qvlCutText("a\xD6", 2, 2), 2);
}

TEST(QvlText, FitTextCutsAndFillsToCells)
{
    char b[16];
    const char t[] = "\xD6\xD0\xCE\xC4"; // 中文: four cells
    EXPECT_EQ(qvlFitText(b, 16, t, 4, 6, QVL_LEFT), 6);
    EXPECT_STREQ(b, "\xD6\xD0\xCE\xC4  ");
    EXPECT_EQ(qvlFitText(b, 16, t, 4, 3, QVL_LEFT), 3);
    EXPECT_STREQ(b, "\xD6\xD0 "); // the cut-off half is a blank
    EXPECT_EQ(qvlFitText(b, 16, t, 4, 3, QVL_RIGHT), 3);
    EXPECT_STREQ(b, " \xD6\xD0");
    EXPECT_EQ(qvlFitText(b, 4, t, 4, 4, QVL_LEFT), -1); // no room for the NUL
    EXPECT_EQ(b[0], 0);
}

TEST(QvlText, CodePages)
{
    // Shift-JIS leads: 81-9F and E0-FC; A1-DF are one-byte katakana.
    ASSERT_EQ(qvlSetCodePage(932), 0);
    EXPECT_TRUE(qvlIsLeadByte(0x81));
    EXPECT_FALSE(qvlIsLeadByte(0xB1));
    EXPECT_TRUE(qvlIsLeadByte(0xE0));
    EXPECT_FALSE(qvlIsLeadByte(0xFD));
    EXPECT_EQ(qvlCharCount("\xB1\xB2\x82\xA0", 4), 3);
    // A single-byte page has no lead bytes.
    ASSERT_EQ(qvlSetCodePage(1252), 0);
    EXPECT_EQ(qvlCharCount("\xD6\xD0", 2), 2);
    // Longer characters are refused and the code page stays.
    EXPECT_EQ(qvlSetCodePage(54936), -1);
    EXPECT_EQ(qvlSetCodePage(65001), -1);
    EXPECT_EQ(qvlCodePage(), 1252u);
    ASSERT_EQ(qvlSetCodePage(936), 0);
    EXPECT_EQ(qvlLength("abc"), 3);
}

TEST(QvlMemory, FillCopyMoveCompare)
{
    unsigned char b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(qvlNative_memset(b, 0x1FF, 3), b); // the value is taken as a byte
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[2], 0xFF);
    EXPECT_EQ(b[3], 4);
    unsigned char c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    qvlNative_memmove(c + 2, c, 5); // overlapping, upwards
    const unsigned char up[8] = {1, 2, 1, 2, 3, 4, 5, 8};
    EXPECT_EQ(qvlNative_memcmp(c, up, 8), 0);
    unsigned char d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    qvlNative_memmove(d, d + 2, 5); // overlapping, downwards
    const unsigned char down[8] = {3, 4, 5, 6, 7, 6, 7, 8};
    EXPECT_EQ(qvlNative_memcmp(d, down, 8), 0);
    unsigned char e[4];
    EXPECT_EQ(qvlNative_memcpy(e, "\x80xyz", 4), e);
    // Bytes compare as unsigned: 0x80 is greater than 'x'.
    EXPECT_GT(qvlNative_memcmp(e, "xxyz", 4), 0);
    EXPECT_LT(qvlNative_memcmp("xxyz", e, 4), 0);
    EXPECT_EQ(qvlNative_memcmp(e, "\x80xyq", 3), 0);
}
