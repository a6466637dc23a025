// The program's text code page and the conversions through Windows: the one
// unit that says in which code page a text is and turns it into what a call
// takes. The pure rules (which code pages, lead-byte tables, joining units)
// are common/codepage_rules.h.
//
// The code pages of texts the kernel hands to Windows. The kernel's own
// texts are GBK and go to the wide calls after an explicit conversion from
// code page 936, so that they read right whatever the system's code page.
// The program's texts are in its text code page: the one the joiner recorded
// (--code-page N), or, without one, the system's ANSI code page.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "../common/codepage_rules.h"

// The record the joiner fills: a tag it finds the record by, then N (0: the
// program's texts are in the system's ANSI code page). It lives in a
// section of its own, .qvcp, inside the kernel's 0x48000-byte image.
struct CodePageRecord {
    char tag[8];       // "QVTEXTCP"
    uint32_t codePage; // N, or 0
};

// Reads the record once at start-up; a code page this system cannot
// convert is taken as none.
void initTextCodePage();
// True when the program was joined with a text code page of its own.
bool programHasCodePage();
// True when the program's texts go to the wide calls, converted from its
// code page: a program with a code page of its own on a system whose wide
// calls work. On Windows 95, 98 and Me they are stubs; there such a
// program's names, file-dialog texts and command line go to the ANSI calls
// as they are, in the system's code page, as without the code page.
bool programTextsWide();
// The program's text code page for the conversion calls: N or CP_ACP.
UINT programCodePage();
// A lead byte of a double-byte character in the program's code page, and
// the table of them all (the console's drawing and selection read it).
bool programLeadByte(unsigned char b);
const LeadByteTable &programLeadBytes();

// Converts text (length bytes, or up to its NUL when length is -1) from
// code page cp to UTF-16 in out, which holds count units; the result is
// NUL-terminated, cut short when it does not fit. Returns out.
WCHAR *toWide(UINT cp, const char *text, int length, WCHAR *out, int count);
// Converts NUL-terminated UTF-16 text to the program's code page in out
// (size bytes, NUL-terminated, cut short when it does not fit); returns the
// length without the NUL.
int toProgramText(const WCHAR *text, char *out, int size);

// Converts NUL-terminated UTF-16 text to the system's ANSI code page in out
// (size bytes, NUL-terminated; empty when it cannot be converted): the text
// of an ANSI call made where the wide one is a stub (Windows 9x).
char *toSystemText(const WCHAR *text, char *out, int size);

// A message box whose text and caption are the kernel's own GBK texts.
int kernelMessageBox(HWND owner, const char *text, const char *caption, UINT type);
