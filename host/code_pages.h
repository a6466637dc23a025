// The kernel's pure steps of converting program text; which code pages a
// program may name is common/code_page_rules.h. No Windows header here: the
// unit tests build it natively.
#pragma once
#include <stdint.h>
#include "../common/code_page_rules.h"

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

// The tail of a UTF-16 command line: the program name removed as
// commandLineTail does for a byte string (no lead bytes in UTF-16).
const uint16_t *wideCommandLineTail(const uint16_t *commandLine);
