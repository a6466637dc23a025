// The input subsystem's side of the console window procedure, and what the
// floors above ask of input.
#pragma once
#include <windows.h>
#include <stdint.h>

// What the window procedure does with a message after input has seen it.
enum class InputAction {
    Handled, // input took it: the procedure returns 0
    Default, // the system's default handling (Alt with a key, the system's own commands)
    PassOn,  // not an input message: the program's windowProcHook, else the default handling
};

// Takes WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR, WM_IME_CHAR, WM_COMMAND,
// WM_SYSCOMMAND, the mouse buttons and WM_MOUSEMOVE (after the window
// procedure has set the cursor) into the event queue, and says what the
// window procedure does with the message then.
InputAction handleInputMessage(UINT message, WPARAM wParam, LPARAM lParam);

// True while WaitEvent blocks in GetMessage on an empty event queue (the
// run tool's status query reads it).
bool waitingForInput();

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
