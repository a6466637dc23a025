#include "codepage_rules.h"

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

void fillCodePage936LeadBytes(LeadByteTable &t)
{
    t = LeadByteTable{};
    for (int b = 0x81; b <= 0xFE; b++) setLeadByte(t, static_cast<unsigned char>(b));
}

int Utf16Joiner::feed(uint16_t unit, uint16_t out[2])
{
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (heldHigh) {
        uint16_t first = heldHigh;
        heldHigh = 0;
        if (low) {
            out[0] = first;
            out[1] = unit;
            return 2;
        }
        // The waiting high half goes alone; this unit starts afresh. A
        // second high half waits in its turn, so only the first is given.
        out[0] = first;
        if (high) {
            heldHigh = unit;
            return 1;
        }
        out[1] = unit;
        return 2;
    }
    if (high) {
        heldHigh = unit;
        return 0;
    }
    out[0] = unit;
    return 1;
}

int ByteJoiner::feed(uint8_t byte, bool isLeadByte, uint8_t out[2])
{
    if (heldLead) {
        uint8_t lead = heldLead;
        heldLead = 0;
        if (byte >= 0x40) {
            out[0] = lead;
            out[1] = byte;
            return 2;
        }
        out[0] = byte; // a control character: no trail byte, the lead byte is dropped
        return 1;
    }
    if (isLeadByte) {
        heldLead = byte;
        return 0;
    }
    out[0] = byte;
    return 1;
}

void mapSingleByteCase(unsigned char *text, uint32_t length, bool (*isLeadByte)(unsigned char),
                       const unsigned char map[256])
{
    for (uint32_t i = 0; i < length; i++) {
        if (isLeadByte(text[i]) && i + 1 < length) {
            i++; // the trail byte stays with its lead byte, unchanged
            continue;
        }
        text[i] = map[text[i]];
    }
}
