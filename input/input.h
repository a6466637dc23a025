// The input subsystem's side of the console window procedure.
#pragma once
#include <windows.h>
#include <stdint.h>

// Handles WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR, WM_IME_CHAR, WM_COMMAND, WM_SYSCOMMAND, the
// mouse buttons and WM_MOUSEMOVE (after the window procedure has set the
// cursor). Returns true when the message is one of these, with the window
// procedure's result in *result; false for any other message.
bool handleInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result);

// Adds a code to the event queue unchanged; the bell when the queue is full.
void enqueueEvent(int32_t code);
