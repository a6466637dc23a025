// The text of the registry value that holds the console window's rectangle:
// "left,top,right,bottom" in signed decimal. Pure logic.
#pragma once

struct ConsoleRect {
    int left, top, right, bottom;
};

// The rectangle used when no usable value is stored.
constexpr ConsoleRect DEFAULT_CONSOLE_RECT = {3, 3, 634, 474};

// Parses the stored text. Falls back to DEFAULT_CONSOLE_RECT when the text
// is missing (null), yields fewer than four numbers, has a bottom of 0, or
// describes a rectangle with no width or no height (which would open an
// invisible window). `fromText`, when given, tells whether the text gave
// the rectangle (false: the default).
ConsoleRect parseConsoleRect(const char *text, bool *fromText = nullptr);

// Where a saved rectangle opens on a screen whose work area is `work`: as it
// is when it lies wholly inside the work area; otherwise moved onto it by the
// shortest way, and made smaller only where it is wider or higher than the
// work area. A window saved on a screen that is gone, or edited by hand,
// then still opens where it can be seen.
ConsoleRect placeOnWorkArea(const ConsoleRect &saved, const ConsoleRect &work);

// Formats the rectangle into buffer (at least 48 bytes); returns the length.
int formatConsoleRect(char *buffer, const ConsoleRect &rect);
