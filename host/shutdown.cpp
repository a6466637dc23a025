// ExitProgram and the shutdown steps; the writer and the reader of the
// "Console" registry value stand side by side here.
#include "shutdown.h"
#include "startup.h"
#include "services.h"
#include "../console/console.h"
#include "runwatch.h"
#include "../console/state.h"
#include <stdlib.h>

static const char settingsKeyName[] = "SOFTWARE\\QUORVEN\\SETTINGS";
static const char consoleValueName[] = "Console";

HKEY openSettingsKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, settingsKeyName, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// Stores the window's outer rectangle unless the window is minimized.
static void saveConsoleRect(HWND window)
{
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement) || placement.showCmd == SW_SHOWMINIMIZED) return;
    RECT r;
    GetWindowRect(window, &r);
    char text[512];
    int length = formatConsoleRect(text, ConsoleRect{r.left, r.top, r.right, r.bottom});
    HKEY key = openSettingsKey();
    if (!key) return;
    RegSetValueExA(key, consoleValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), length + 1);
    RegCloseKey(key);
}

ConsoleRect readSavedConsoleRect()
{
    char text[512];
    DWORD size = 500;
    LONG status = ERROR_FILE_NOT_FOUND;
    HKEY key = openSettingsKey();
    if (key) {
        status = RegQueryValueExA(key, consoleValueName, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) return parseConsoleRect(nullptr);
    text[size < sizeof text ? size : sizeof text - 1] = 0; // a value stored without its NUL
    return parseConsoleRect(text);
}

// Set while the shutdown hook runs. A hook that ends the process itself
// through ExitProgram, as a program's clean-up naturally may, must not be
// called again by that inner call: the inner call skips it and finishes the
// shutdown with the hook's exit code.
static bool hookRunning;

void shutdownHookAbandoned() { hookRunning = false; }

void kernelShutdown()
{
    // Deferred output onto the screen, and no more drawing from another
    // thread: what the hook writes is drawn at once.
    stopDrawingThread();
    // The hosted program's last word, while window and buffer still exist. A
    // program that left the hook at 0 is not called at address 0.
    QvWord hook = programHeader->shutdownHook;
    if (hook && !hookRunning) {
        hookRunning = true;
        reinterpret_cast<void(__stdcall *)()>(hook)();
        hookRunning = false;
    }

    if (HWND window = consoleState.consoleWindow) {
        reportScreenAtExit(); // to quorven-run, when it watches this run
        saveConsoleRect(window);
        DestroyWindow(window);
        consoleState.consoleWindow = nullptr;
    }
    if (consoleState.screen.buffer) {
        free(consoleState.screen.buffer);
        free(consoleState.screen.changed);
        consoleState.screen.buffer = nullptr;
        consoleState.screen.changed = nullptr;
    }
}

extern "C" void __stdcall ExitProgram(int32_t code)
{
    kernelShutdown();
    exit(code); // runs the C run-time's exit routines and flushes every open stream
}
