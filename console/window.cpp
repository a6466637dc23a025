// The console window: class, creation, window procedure and window services.
// Placeholders until the console window is built: each returns 0 and removes
// exactly its own arguments.
#include "../host/services.h"

extern "C" {
HWND __stdcall OpenConsole() { return nullptr; }
int32_t __stdcall RestoreConsole() { return 0; }
int32_t __stdcall HideConsole() { return 0; }
int32_t __stdcall ShowConsole() { return 0; }
int32_t __stdcall MoveConsole(int32_t, int32_t) { return 0; }
HWND __stdcall FocusWindow(HWND) { return nullptr; }
int32_t __stdcall SetMouseCursor(int32_t) { return 0; }
int32_t __stdcall SetCaretHeight(int32_t) { return 0; }
}

#include "console.h"
LRESULT CALLBACK consoleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
