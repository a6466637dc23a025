#include "settings_text.h"
#include <stdint.h>

// The value is read and written by hand, as the C library's "%d,%d,%d,%d"
// would: every start reads it and every exit writes it, and the library's
// scanf and printf engines are large code to load and run for four numbers.

// One number as "%d" reads it: blanks skipped, an optional sign, at least
// one digit; more digits than an int holds wrap as the library's do.
// Returns the text after it, or 0 when no number starts there.
static const char *readNumber(const char *p, int *value)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    if (*p < '0' || *p > '9') return 0;
    uint32_t n = 0;
    for (; *p >= '0' && *p <= '9'; p++) n = n * 10 + static_cast<uint32_t>(*p - '0');
    *value = static_cast<int>(negative ? 0u - n : n);
    return p;
}

// The four numbers, a comma right after each of the first three.
static bool readRect(const char *p, ConsoleRect *r)
{
    int *fields[4] = {&r->left, &r->top, &r->right, &r->bottom};
    for (int i = 0; i < 4; i++) {
        if (i > 0 && *p++ != ',') return false;
        p = readNumber(p, fields[i]);
        if (!p) return false;
    }
    return true;
}

ConsoleRect parseConsoleRect(const char *text, bool *fromText)
{
    ConsoleRect r;
    if (fromText) *fromText = false;
    if (!text || !readRect(text, &r)) return DEFAULT_CONSOLE_RECT;
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

// Writes value in signed decimal at p; returns the end.
static char *writeNumber(char *p, int value)
{
    uint32_t n = static_cast<uint32_t>(value);
    if (value < 0) {
        *p++ = '-';
        n = 0u - n;
    }
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    while (count) *p++ = digits[--count];
    return p;
}

int formatConsoleRect(char *buffer, const ConsoleRect &rect)
{
    const int values[4] = {rect.left, rect.top, rect.right, rect.bottom};
    char *p = buffer;
    for (int i = 0; i < 4; i++) {
        if (i > 0) *p++ = ',';
        p = writeNumber(p, values[i]);
    }
    *p = 0;
    return static_cast<int>(p - buffer);
}
