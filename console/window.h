// The console window (window.cpp): what the life cycle asks of it.
#pragma once
#include <windows.h>

// The console window procedure, and that of the Unicode window (a program
// with a text code page of its own), which converts typed characters.
LRESULT CALLBACK consoleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK consoleWndProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Installs the console's front end (frontend.h): the renderer's routines
// and the window's procedure switch. Start-up, before the program runs.
void installConsoleWindow();
// The console closes at shutdown: the final screen goes to the run tool
// when it watches, the window's rectangle is saved, the window destroyed
// and the screen buffer freed.
void closeConsole();
