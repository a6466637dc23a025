// The console's record: what the console is, as every part of it and the
// floors above read it. The window, its device context and state, the
// screen model, the cell size, the caret's height, the mouse cursor, the
// colours, the highlight and the bell. What only one part needs lives in a
// record private to that part: the renderer's drawing state (render.cpp),
// the input method's composition (ime.cpp), marking's selection
// (marking.cpp), the window's procedure switch (window.cpp). Files outside
// console/ read this record and change it only through the console's named
// functions.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "screen.h"

struct HighlightRegion {
    int32_t startRow; // first row of the inverted region (buffer row)
    int32_t startCol; // column on startRow where the inversion begins
    int32_t endRow;   // last row of the inverted region (buffer row)
    int32_t endCol;   // column on endRow where the inversion ends (exclusive)
};

struct ConsoleState {
    HWND consoleWindow;        // the console window; 0 while there is none
    HDC screenDC;              // the window's private DC, the console font selected
    int32_t windowState;       // size type of the last WM_SIZE: 0 restored, 1 minimized, 2 maximized
    int32_t showCommand;       // show command the process was started with
    int32_t hasMenu;           // size the window as one with a menu bar
    ScreenModel screen;        // buffer, view, scroll position, cursor and what changed on them
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

// Start-up records the show command the process was started with; the
// console window is first shown with it.
void recordShowCommand(int32_t show);
// Input notes the left button going down (1) inside the window and up (0).
void noteLeftButton(int32_t down);

// Packs two 16-bit quantities as the services report them: high x 65536 +
// low, added as 32-bit integers (a negative high half stays negative).
inline int32_t packPair(int32_t high, int32_t low)
{
    return static_cast<int32_t>(static_cast<uint32_t>(high) * 65536u + static_cast<uint32_t>(low));
}
