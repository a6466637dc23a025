#include "code_page_rules.h"

namespace {
struct CodePageCharset {
    uint16_t codePage;
    uint8_t charset;
};
// The ANSI code pages and the character sets of the fonts that draw them.
const CodePageCharset charsets[] = {
    {874, 222},  // THAI_CHARSET
    {932, 128},  // SHIFTJIS_CHARSET
    {936, 134},  // GB2312_CHARSET
    {949, 129},  // HANGUL_CHARSET
    {950, 136},  // CHINESEBIG5_CHARSET
    {1250, 238}, // EASTEUROPE_CHARSET
    {1251, 204}, // RUSSIAN_CHARSET
    {1252, 0},   // ANSI_CHARSET
    {1253, 161}, // GREEK_CHARSET
    {1254, 162}, // TURKISH_CHARSET
    {1255, 177}, // HEBREW_CHARSET
    {1256, 178}, // ARABIC_CHARSET
    {1257, 186}, // BALTIC_CHARSET
    {1258, 163}, // VIETNAMESE_CHARSET
};
} // namespace

int32_t codePageCharset(uint32_t n)
{
    for (const CodePageCharset &c : charsets)
        if (c.codePage == n) return c.charset;
    return -1;
}

bool parseCodePageOption(const char *text, uint32_t *n)
{
    uint32_t value = 0;
    if (!text || !*text) return false;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || p - text >= 5) return false;
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    if (codePageCharset(value) < 0) return false;
    *n = value;
    return true;
}
