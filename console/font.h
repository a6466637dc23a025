// The console's font at the screen's DPI (font.cpp).
#pragma once
#include <windows.h>
#include <stdint.h>
#include "../platform/settings_text.h"

// The DPI the system reports for the screen (LOGPIXELSY of its device
// context), as the console sizes itself for it: 96 at 96 or below.
int32_t consoleScreenDpi(HDC dc);

// Selects the console's font into the window's device context and sets the
// cell size: `base` (the stock fixed font, or the console's font of the
// program's code page) with its own cell where the screen is at 96 DPI or
// the stock font follows the DPI; otherwise the same face at the size that
// fills the 96-DPI cell scaled by DPI / 96.
void selectConsoleFont(HDC dc, HGDIOBJ base);

// The floor of 8 pixels that the tracking limit gives cells not yet
// measured, at the screen's DPI.
int32_t cellFloorAtScreenDpi();

// The window's rectangle when no saved one exists, at the screen's DPI.
ConsoleRect defaultConsoleRect();
