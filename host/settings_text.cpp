#include "settings_text.h"
#include <stdio.h>

ConsoleRect parseConsoleRect(const char *text)
{
    ConsoleRect r;
    if (!text || sscanf(text, "%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom) < 4) return DEFAULT_CONSOLE_RECT;
    if (r.bottom == 0 || r.right <= r.left || r.bottom <= r.top) return DEFAULT_CONSOLE_RECT;
    return r;
}

int formatConsoleRect(char *buffer, const ConsoleRect &rect)
{
    return sprintf(buffer, "%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom);
}
