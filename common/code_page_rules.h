// The text code pages a program may be joined with, and the GDI character
// sets that draw them: the rules the joiner (which records a program's code
// page) and the kernel (which draws and converts in it) must agree on. Pure
// logic with no Windows header, built into both and unit-tested natively.
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
