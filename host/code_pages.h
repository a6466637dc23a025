// Text code pages: the ones a program may name for its texts, their GDI
// character sets, and the pure steps of converting program text. No
// Windows header here: the joiner and the unit tests use it natively.
#pragma once
#include <stdint.h>

// The code page the kernel's own texts are written in (GBK).
enum : uint32_t { KERNEL_TEXT_CODE_PAGE = 936 };

// The GDI character set whose fonts draw bytes in code page n (the value of
// GB2312_CHARSET and so on), or -1 when n is not an ANSI code page a
// program may name: 874, 932, 936, 949, 950 and 1250 to 1258. Code pages
// without such a character set (UTF-8 among them) are not accepted: the
// console draws one byte a cell, and a double-byte character two.
int32_t codePageCharset(uint32_t n);

// Parses the joiner's --code-page value: decimal digits only, an accepted
// code page. False for anything else.
bool parseCodePageOption(const char *text, uint32_t *n);

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

// Upper- or lower-cases text in place through map, a table from each
// single-byte character to its other case; the two bytes of a double-byte
// character (a lead byte and the byte after it) are never changed.
void mapSingleByteCase(unsigned char *text, uint32_t length, bool (*isLeadByte)(unsigned char),
                       const unsigned char map[256]);

// The tail of a UTF-16 command line: the program name removed as
// commandLineTail does for a byte string (no lead bytes in UTF-16).
const uint16_t *wideCommandLineTail(const uint16_t *commandLine);
