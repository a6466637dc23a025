// The one global record of the console: window, device context, screen
// model, cell size, caret, colours, highlight, bell, and the renderer's state
// (scroll-bar throttle, advance table, deferred drawing and its thread). Static initial values; nothing initialises it as a whole.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "screen.h"
#include "selection.h"

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
    int32_t clientWidth;       // client area of the last WM_SIZE, pixels
    int32_t clientHeight;      // its height, pixels
    bool hasFocus;             // the console has the keyboard focus (WM_SETFOCUS to WM_KILLFOCUS)
    POINT caretAt;             // caret position last set; x -1 when unknown
    LeadByteTable leadBytes;   // lead bytes of the active code page, read when the window is created
    INT *cellAdvances;         // charWidth for every byte of a run, so each byte takes one cell
    int32_t advanceCount;      // entries in cellAdvances
    int32_t advanceWidth;      // the charWidth cellAdvances was filled with
    int32_t thumbPos;          // scroll-bar position last set
    DWORD thumbPaintedAt;      // tick count of the last painting of the scroll bar
    bool thumbPending;         // the scroll-bar position was set without painting it
    CRITICAL_SECTION drawLock; // held by whichever thread draws into screenDC or changes the screen
    bool drawLockReady;        // drawLock is initialised
    HANDLE drawThread;         // the thread that draws deferred output while the program runs
    HANDLE drawWake;           // auto-reset event that wakes the drawing thread
    bool drawThreadIdle;       // the drawing thread waits for drawWake without a time-out
    bool deferDrawing;         // output may be drawn later (jump scrolling); off once the DC is handed out
    bool drawPending;          // screen changes wait for the drawing thread or the next output
    bool caretHiddenForStream; // the caret is hidden while output streams or waits to be drawn
    DWORD outputAt;            // tick count of the last output call
    DWORD drawnAt;             // tick count of the last drawing of output
    bool closing;              // the window is going away: the drawing thread draws no more
    bool unicodeWindow;        // the window's class is Unicode (the program has a text code page)
    Selection selection;       // marking: the cells selected for copying, drawn inverted over the picture
    WCHAR markedCaption[128];  // the caption marking replaced, given back when it ends
    bool composing;            // an input-method composition is open (WM_IME_STARTCOMPOSITION to WM_IME_ENDCOMPOSITION)
    char composition[96];      // under Wine: the composition string in the program's code page, drawn at the cursor
    int32_t compositionLength; // its bytes; 0 while there is none to draw
    CellPos compositionAt;     // the cell it was last drawn at; row -1 when it is not on the screen
};

extern ConsoleState consoleState;

// Packs two 16-bit quantities as the services report them: high x 65536 +
// low, an addition in 32-bit arithmetic (a negative high half stays negative).
inline int32_t packPair(int32_t high, int32_t low)
{
    return static_cast<int32_t>(static_cast<uint32_t>(high) * 65536u + static_cast<uint32_t>(low));
}
