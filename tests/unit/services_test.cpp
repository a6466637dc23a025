// Result shaping and in-place rewrites of the file, dialog and memory services.
#include "services/service_text.h"
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <string>

namespace {
bool gbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool noLead(unsigned char) { return false; }
std::string bytes(const char *p, size_t n) { return std::string(p, n); }
} // namespace

TEST(LineReadResult, FinalLineFeedIsNotCounted)
{
    EXPECT_EQ(lineReadResult("abc\n", false), 3);
    EXPECT_EQ(lineReadResult("xyz", true), 3); // last line without a line end
    EXPECT_EQ(lineReadResult("\n", false), 0);  // an empty line
    EXPECT_EQ(lineReadResult("", false), 0);    // a size-1 buffer's empty piece
    // A piece of a long line keeps its full length; only a final '\n' is left out.
    EXPECT_EQ(lineReadResult("abcd", false), 4);
    EXPECT_EQ(lineReadResult("a\nb", false), 3);
}

TEST(LineReadResult, NoLineIsEndOfFileOrError)
{
    EXPECT_EQ(lineReadResult(nullptr, true), -1);
    EXPECT_EQ(lineReadResult(nullptr, false), -2);
}

TEST(TextOpenMode, ExactModeStringsInFourBytes)
{
    char mode[4];
    memset(mode, 'x', sizeof mode);
    EXPECT_EQ(bytes(textOpenMode(mode, false), 4), std::string("rt\0\0", 4));
    memset(mode, 'x', sizeof mode);
    EXPECT_EQ(bytes(textOpenMode(mode, true), 4), std::string("rt+\0", 4));
}

TEST(ConvertFilterText, BarsBecomeNulsUpToTheFirstNul)
{
    char filter[] = "Text (*.txt)|*.txt|All (*.*)|*.*|\0|after";
    convertFilterText(filter, gbkLead);
    EXPECT_EQ(bytes(filter, sizeof filter),
              std::string("Text (*.txt)\0*.txt\0All (*.*)\0*.*\0\0|after", sizeof filter));
}

TEST(ConvertFilterText, SecondConversionChangesNothing)
{
    char filter[] = "A|*.a|B|*.b|";
    convertFilterText(filter, gbkLead);
    std::string once = bytes(filter, sizeof filter);
    convertFilterText(filter, gbkLead);
    EXPECT_EQ(bytes(filter, sizeof filter), once);
    EXPECT_EQ(once, std::string("A\0*.a\0B\0*.b\0", sizeof filter));
}

TEST(ConvertFilterText, TrailByteBarOfDoubleByteCharacterStays)
{
    // 0x81 0x7C is one double-byte character in code page 936.
    char filter[] = "\x81|x|*.x|";
    convertFilterText(filter, gbkLead);
    EXPECT_EQ(bytes(filter, sizeof filter), std::string("\x81|x\0*.x\0", sizeof filter));
    // Without lead bytes every bar goes.
    char plain[] = "\x81|x|*.x|";
    convertFilterText(plain, noLead);
    EXPECT_EQ(bytes(plain, sizeof plain), std::string("\x81\0x\0*.x\0", sizeof plain));
}

TEST(ConvertFilterText, LoneLeadByteBeforeTheEndStopsTheWalk)
{
    char filter[] = "a|\x81\0|";
    convertFilterText(filter, gbkLead);
    EXPECT_EQ(bytes(filter, sizeof filter), std::string("a\0\x81\0|", sizeof filter));
}

TEST(FinishCountedString, LengthOfChosenNameInByteZero)
{
    unsigned char result[255];
    memset(result, 0xEE, sizeof result);
    const char path[] = "C:\\dir\\file0001.txt"; // 19 bytes
    memcpy(result + 1, path, sizeof path);
    EXPECT_EQ(finishCountedString(result, true), result);
    EXPECT_EQ(result[0], 19);
    EXPECT_EQ(result[20], 0);

    // The longest text the dialogs allow: 253 bytes.
    memset(result + 1, 'n', 253);
    result[254] = 0;
    finishCountedString(result, true);
    EXPECT_EQ(result[0], 253);
}

TEST(FinishCountedString, CancelLeavesTheTextAreaAlone)
{
    unsigned char result[8] = {0x55, 'a', 'b', 0, 'z', 0, 0, 0};
    EXPECT_EQ(finishCountedString(result, false), result);
    EXPECT_EQ(result[0], 0);
    EXPECT_EQ(memcmp(result + 1, "ab\0z", 4), 0);
}

TEST(MarginedSize, AddsThirtyTwoBytes)
{
    uint32_t request = 7;
    ASSERT_TRUE(marginedSize(0, &request));
    EXPECT_EQ(request, 32u);
    ASSERT_TRUE(marginedSize(100, &request));
    EXPECT_EQ(request, 132u);
    ASSERT_TRUE(marginedSize(UINT32_MAX - 32, &request));
    EXPECT_EQ(request, UINT32_MAX);
}

TEST(MarginedSize, RefusesASumBeyondThirtyTwoBits)
{
    uint32_t request = 7;
    EXPECT_FALSE(marginedSize(UINT32_MAX - 31, &request));
    EXPECT_FALSE(marginedSize(UINT32_MAX, &request));
    EXPECT_FALSE(marginedSize(0xFFFFFFF0u, &request));
    EXPECT_EQ(request, 7u); // left alone
}

TEST(AppendAnsiSuffix, AfterTheLongestName)
{
    char name[256];
    memset(name, 'p', 254);
    name[254] = 0;
    name[255] = 'x';
    appendAnsiSuffix(name);
    EXPECT_EQ(name[254], 'A');
    EXPECT_EQ(name[255], 0);
    char shortName[256] = "MessageBox";
    appendAnsiSuffix(shortName);
    EXPECT_STREQ(shortName, "MessageBoxA");
}
