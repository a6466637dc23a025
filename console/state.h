// The one global record of the console: window, device context, screen
// buffer, view, scroll position, cursor, cell size, caret, colours, highlight
// and bell. Static initial values; nothing initialises it as a whole.
#pragma once
#include <windows.h>
#include <stdint.h>

struct HighlightRegion {
    int32_t startRow; // first row of the inverted region (buffer row)
    int32_t startCol; // column on startRow where the inversion begins
    int32_t endRow;   // last row of the inverted region (buffer row)
    int32_t endCol;   // column on endRow where the inversion ends (exclusive)
};

struct ConsoleState {
    HWND consoleWindow;        // the console window; 0 while there is none
    HDC screenDC;              // the window's private DC, stock fixed font selected
    int32_t windowState;       // size type of the last WM_SIZE: 0 restored, 1 minimized, 2 maximized
    int32_t showCommand;       // show command the process was started with
    int32_t hasMenu;           // size the window as one with a menu bar
    char *screenBuffer;        // bufferRows x bufferCols cells, row after row; 0 until allocated
    int32_t bufferRows;        // rows of the screen buffer
    int32_t bufferCols;        // columns of the screen buffer (length of one row)
    int32_t viewRows;          // rows visible in the window
    int32_t viewCols;          // columns visible in the window; output wraps here
    int32_t topLine;           // buffer row shown in the window's top text row
    int32_t cursorRow;         // text cursor row, from buffer row 0
    int32_t cursorCol;         // text cursor column
    int32_t lineHeight;        // pixel height of a text row
    int32_t charWidth;         // pixel width of a character cell
    int32_t caretHeight;       // height of the caret bar at the bottom of the cursor cell
    int32_t mouseCursorId;     // system cursor shown over the client area
    int32_t leftDown;          // left button pressed inside the window and not yet released
    int32_t backColor;         // background 0x00BBGGRR, or -1 for the system window colour
    int32_t textColor;         // text 0x00BBGGRR, or -1 for the system window-text colour
    HighlightRegion highlight; // the inverted region, in reading order
    int32_t bellFrequency;     // tone of the bell, hertz
    int32_t bellDuration;      // length of the bell, milliseconds
};

extern ConsoleState consoleState;

// Packs two 16-bit quantities as the services report them: high x 65536 +
// low, an addition in 32-bit arithmetic (a negative high half stays negative).
inline int32_t packPair(int32_t high, int32_t low)
{
    return static_cast<int32_t>(static_cast<uint32_t>(high) * 65536u + static_cast<uint32_t>(low));
}
