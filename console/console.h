// Routines the console's parts share with each other and with the rest of
// the kernel.
#pragma once
#include <windows.h>

// The console window procedure.
LRESULT CALLBACK consoleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Beep(bellFrequency, bellDuration); returns when the tone has ended.
void bell();
// Redraws the visible rows from the screen buffer, with the highlight.
void paintScreen();
// Moves the caret to the cursor cell when the console has the focus.
void placeCaret();
// Moves the caret to the cursor cell, whether or not the console has the focus.
void moveCaretToCursor();
// Scrolls so that the cursor row is in the view's bottom band; shifts the
// buffer when the cursor is past its last row.
void keepCursorInView();
// Moves a cursor past the view's right edge to the next row, then keeps it in view.
void wrapCursor();

// Refits the view to a client area of height x width pixels (WM_SIZE of a
// restored or maximized window).
void fitViewToClient(int height, int width);
// Scrolls for a WM_VSCROLL request.
void onVerticalScroll(WPARAM wParam);
