#include "settings_text.h"
#include <stdint.h>
#include <stdio.h>

ConsoleRect parseConsoleRect(const char *text, bool *fromText)
{
    ConsoleRect r;
    if (fromText) *fromText = false;
    if (!text || sscanf(text, "%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom) < 4) return DEFAULT_CONSOLE_RECT;
    if (r.bottom == 0 || r.right <= r.left || r.bottom <= r.top) return DEFAULT_CONSOLE_RECT;
    if (fromText) *fromText = true;
    return r;
}

// One edge pair along one axis: [start, start + length) onto [low, high).
static void fitSpan(int64_t start, int64_t length, int64_t low, int64_t high, int *first, int *end)
{
    if (length > high - low) length = high - low;
    if (start + length > high) start = high - length;
    if (start < low) start = low;
    *first = static_cast<int>(start);
    *end = static_cast<int>(start + length);
}

ConsoleRect placeOnWorkArea(const ConsoleRect &saved, const ConsoleRect &work)
{
    if (saved.left >= work.left && saved.top >= work.top && saved.right <= work.right && saved.bottom <= work.bottom)
        return saved;
    ConsoleRect r;
    // 64 bits: a hand-edited value may span more than an int holds.
    fitSpan(saved.left, int64_t(saved.right) - saved.left, work.left, work.right, &r.left, &r.right);
    fitSpan(saved.top, int64_t(saved.bottom) - saved.top, work.top, work.bottom, &r.top, &r.bottom);
    return r;
}

int formatConsoleRect(char *buffer, const ConsoleRect &rect)
{
    return sprintf(buffer, "%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom);
}
