// Copy and paste through the system menu's "编辑" (Edit) submenu, and
// marking (marking.cpp). The selection is marking's own; the renderer asks
// for the span of a row to invert.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "selection.h"

// The Edit submenu of the system menu: its items, added to the window's
// system menu at creation; their system commands, and the mouse and the
// keys while marking (true when the message was taken), and the items'
// states when the menu opens.
void addEditMenu(HWND window);
bool editHandles(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void editMenuOpening(HWND window);

// Marking is on: the selection shows over the picture.
bool markingShown();
// The selected columns of buffer row `row` (text: its cells), after the
// selection followed the buffer shift; false when none are.
bool markedSpan(int32_t row, const char *text, SelectedSpan *span);
