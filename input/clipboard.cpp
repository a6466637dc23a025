// The clipboard, both ways: copying the console's text onto it (marking's
// "复制") and pasting its text into the program (the "粘贴" item). Text goes
// on as CF_UNICODETEXT converted from the program's code page, with CF_TEXT
// in the system's; it comes off as CF_UNICODETEXT, or CF_TEXT in the
// system's code page where Windows 9x has no Unicode text, and becomes the
// character events typing it would give, in the program's code page.
#include "clipboard.h"
#include "paste.h"
#include "../console/output.h"
#include "../platform/codepage.h"
#include "../platform/system.h"
#include <stdlib.h>
#include <string.h>

// One character in the program's code page, or 0 when the code page
// cannot hold it: what converts must convert back to the same character
// (a best-fit substitute or the default character does not).
static int programCharacter(const uint16_t *units, int count, unsigned char out[8], void *)
{
    const WCHAR *wide = reinterpret_cast<const WCHAR *>(units);
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(programCodePage(), 0, wide, count, reinterpret_cast<char *>(out), 8, nullptr,
                                &usedDefault);
    if (n <= 0 || usedDefault) return 0;
    WCHAR back[4];
    int m = MultiByteToWideChar(programCodePage(), 0, reinterpret_cast<char *>(out), n, back, 4);
    if (m != count || back[0] != wide[0] || (count == 2 && back[1] != wide[1])) return 0;
    return n;
}

// The clipboard's text as UTF-16 in a block the caller frees; 0 when it
// holds none. *count gets its length in units.
static WCHAR *clipboardText(HWND window, int32_t *count)
{
    if (!OpenClipboard(window)) return nullptr;
    WCHAR *text = nullptr;
    HANDLE data = wideCallsWork() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data) {
        const WCHAR *p = static_cast<const WCHAR *>(GlobalLock(data));
        if (p) {
            int32_t limit = static_cast<int32_t>(GlobalSize(data) / sizeof(WCHAR)), n = 0;
            while (n < limit && p[n]) n++;
            text = static_cast<WCHAR *>(malloc((static_cast<size_t>(n) + 1) * sizeof(WCHAR)));
            if (text) {
                memcpy(text, p, static_cast<size_t>(n) * sizeof(WCHAR));
                *count = n;
            }
            GlobalUnlock(data);
        }
    } else if ((data = GetClipboardData(CF_TEXT)) != nullptr) {
        const char *p = static_cast<const char *>(GlobalLock(data));
        if (p) {
            int32_t limit = static_cast<int32_t>(GlobalSize(data)), n = 0;
            while (n < limit && p[n]) n++;
            text = static_cast<WCHAR *>(malloc((static_cast<size_t>(n) + 1) * sizeof(WCHAR)));
            if (text) *count = n ? MultiByteToWideChar(CP_ACP, 0, p, n, text, n) : 0;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void pasteClipboard(HWND window)
{
    int32_t count = 0;
    WCHAR *text = clipboardText(window, &count);
    if (!text) return;
    unsigned char *bytes = static_cast<unsigned char *>(malloc(static_cast<size_t>(count) * 2 + 8));
    bool lost = false;
    if (bytes) {
        PasteBytes r = pasteBytes(reinterpret_cast<const uint16_t *>(text), count, programCharacter, nullptr, bytes);
        lost = r.leftOut;
        for (int32_t i = 0; i < r.length; i++) {
            if (!feedAppend(pasteFeed, bytes[i], FEED_CHARACTER)) {
                lost = true; // longer than the feed holds
                break;
            }
        }
        free(bytes);
    }
    free(text);
    if (lost) bell(); // once for the whole paste
    feedPaste();
}

static HGLOBAL globalCopy(const void *data, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    void *p = block ? GlobalLock(block) : nullptr;
    if (!p) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    memcpy(p, data, size);
    GlobalUnlock(block);
    return block;
}

void copyToClipboard(HWND window, const char *bytes, int32_t n)
{
    int units = n ? MultiByteToWideChar(programCodePage(), 0, bytes, n, nullptr, 0) : 0;
    WCHAR *wide = static_cast<WCHAR *>(malloc((static_cast<size_t>(units) + 1) * sizeof(WCHAR)));
    char *ansi = nullptr;
    int ansiSize = 0;
    if (wide) {
        if (units) MultiByteToWideChar(programCodePage(), 0, bytes, n, wide, units);
        wide[units] = 0;
        ansiSize = WideCharToMultiByte(CP_ACP, 0, wide, units + 1, nullptr, 0, nullptr, nullptr);
        ansi = ansiSize > 0 ? static_cast<char *>(malloc(static_cast<size_t>(ansiSize))) : nullptr;
        if (ansi) WideCharToMultiByte(CP_ACP, 0, wide, units + 1, ansi, ansiSize, nullptr, nullptr);
    }
    HGLOBAL wideBlock = wide ? globalCopy(wide, (static_cast<size_t>(units) + 1) * sizeof(WCHAR)) : nullptr;
    HGLOBAL ansiBlock = ansi ? globalCopy(ansi, static_cast<size_t>(ansiSize)) : nullptr;
    if ((wideBlock || ansiBlock) && OpenClipboard(window)) {
        EmptyClipboard();
        if (wideBlock && SetClipboardData(CF_UNICODETEXT, wideBlock)) wideBlock = nullptr; // the clipboard's now
        if (ansiBlock && SetClipboardData(CF_TEXT, ansiBlock)) ansiBlock = nullptr;
        CloseClipboard();
    }
    if (wideBlock) GlobalFree(wideBlock);
    if (ansiBlock) GlobalFree(ansiBlock);
    free(ansi);
    free(wide);
}
