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

// The Unicode window (a program with a text code page of its own): a
// WM_CHAR or WM_IME_CHAR unit of UTF-16, queued as the program's bytes,
// lead then trail.
void takeWideCharacter(WPARAM unit);
// WM_CHAR, WM_IME_CHAR, WM_SYSCHAR, WM_DEADCHAR and WM_SYSDEADCHAR.
bool isCharacterMessage(UINT message);
// Hands a character message fetched in UTF-16 to the program's messageHook
// as it would come on a system whose code page is the program's: a message
// per byte, lead then trail (WM_IME_CHAR: one message, lead byte high).
void handCharacterToHook(MSG *msg, void(__stdcall *hook)(MSG *));
// Windows 9x, a program with a code page of its own: a character message
// fetched in the system's code page, handed to the messageHook in the
// program's bytes as handCharacterToHook does.
void handSystemCharacterToHook(MSG *msg, void(__stdcall *hook)(MSG *));
// Ends what a messageHook that handled a character message left, when a
// fault left the hook: the Unicode window gets its Unicode procedure back,
// and the window reads characters in the system's code page again.
void endByteWindow();
