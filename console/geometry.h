// Screen geometry and scrolling (geometry.cpp): the view and the window's
// size, the screen buffer and the scroll position.
#pragma once
#include <windows.h>

// Refits the view to a client area of height x width pixels (WM_SIZE of a
// restored or maximized window).
void fitViewToClient(int height, int width);
// Scrolls for a WM_VSCROLL request.
void onVerticalScroll(WPARAM wParam);
// Frees the screen buffer and its change record (the console closes).
void releaseScreenBuffer();
