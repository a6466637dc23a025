// The clipboard both ways (clipboard.cpp): copying and pasting text.
#pragma once
#include <windows.h>
#include <stdint.h>

// Puts n bytes of text in the program's code page on the clipboard, as
// CF_UNICODETEXT and as CF_TEXT in the system's code page.
void copyToClipboard(HWND window, const char *bytes, int32_t n);
// Reads the clipboard's text and queues it as typed characters (the feed
// of paste.h).
void pasteClipboard(HWND window);
