// Pasting through the clipboard: its text (CF_UNICODETEXT, or CF_TEXT in
// the system's code page where Windows 9x has no Unicode text) becomes the
// character events typing it would give, in the program's code page, and
// goes into the event queue as the program takes events.
#include "paste.h"
#include "event_queue.h"
#include "../console/console.h"
#include "../host/system.h"
#include "../host/textcode.h"
#include <stdlib.h>

PasteFeed pasteFeed;

// Slots the feed leaves free, for the program's own PostEvent.
static const int32_t FEED_RESERVE = 32;

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
    HANDLE data = onWindows9x() ? nullptr : GetClipboardData(CF_UNICODETEXT);
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

void feedPaste()
{
    if (!pasteFeed.pending()) return;
    for (int32_t refused = feedQueue(pasteFeed, eventQueue, FEED_RESERVE, programLeadByte); refused > 0; --refused)
        bell();
}

bool deferCharacter(int32_t code)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_CHARACTER)) bell();
    return true;
}

bool deferEvent(int32_t code)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_EVENT)) bell();
    return true;
}

bool deferMouse(int32_t code, int32_t position)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_PAIR) || !feedAppend(pasteFeed, position, FEED_EVENT)) bell();
    return true;
}
