// The pure rules of code pages: which text code pages a program may be
// joined with and the GDI character sets that draw them (the joiner, which
// records a program's code page, and the kernel, which draws and converts in
// it, must agree on these), the lead-byte table, and the kernel's steps of
// joining characters that arrive a unit at a time. No Windows header: built
// into both and unit-tested natively. The program's own code page and the
// conversions through Windows are platform/codepage.h.
#pragma once
#include <stdint.h>

// The GDI character set whose fonts draw bytes in code page n (the value of
// GB2312_CHARSET and so on), or -1 when n is not an ANSI code page a
// program may name: 874, 932, 936, 949, 950 and 1250 to 1258. Code pages
// without such a character set (UTF-8 among them) are not accepted: the
// console draws one byte a cell, and a double-byte character two.
int32_t codePageCharset(uint32_t n);

// Parses the joiner's --code-page value: decimal digits only, an accepted
// code page. False for anything else.
bool parseCodePageOption(const char *text, uint32_t *n);

// Lead bytes of a double-byte code page, one bit per byte value.
struct LeadByteTable {
    uint32_t bits[8]; // bit (b & 31) of bits[b >> 5] is set for a lead byte b
};
inline bool isLeadByte(const LeadByteTable &t, unsigned char b) { return (t.bits[b >> 5] >> (b & 31)) & 1u; }
inline void setLeadByte(LeadByteTable &t, unsigned char b) { t.bits[b >> 5] |= 1u << (b & 31); }
// The lead bytes of code page 936 (GBK): 0x81 to 0xFE.
void fillCodePage936LeadBytes(LeadByteTable &t);

// The code page the kernel's own texts are written in (GBK).
enum : uint32_t { KERNEL_TEXT_CODE_PAGE = 936 };

// Joins the surrogate pairs of UTF-16 units that arrive one at a time (one
// WM_CHAR each): feeds one unit and returns how many units are ready in out
// to be converted together, 0 while a high surrogate waits for its low half.
// A low surrogate without its high half, or a high one followed by anything
// but a low one, is passed on as it is (the conversion then gives the code
// page's default character for it).
struct Utf16Joiner {
    uint16_t heldHigh = 0;
    int feed(uint16_t unit, uint16_t out[2]);
};

// Joins the lead and trail bytes of a double-byte character that arrive one
// at a time (one WM_CHAR each, in the system's code page on Windows 9x):
// feeds one byte and returns how many bytes are ready in out to be
// converted together, 0 while a lead byte waits. Any byte of the trail
// range 0x40 to 0xFF completes a waiting lead byte, a lead byte's value
// included (GBK and Shift-JIS trail bytes overlap their lead bytes); a byte
// below it ends the wait and goes alone, the lead byte dropped.
struct ByteJoiner {
    uint8_t heldLead = 0;
    int feed(uint8_t byte, bool isLeadByte, uint8_t out[2]);
};

// Upper- or lower-cases text in place through map, a table from each
// single-byte character to its other case; the two bytes of a double-byte
// character (a lead byte and the byte after it) are never changed.
void mapSingleByteCase(unsigned char *text, uint32_t length, bool (*isLeadByte)(unsigned char),
                       const unsigned char map[256]);
