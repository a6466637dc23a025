// Shutdown, and the registry value that keeps the console window's rectangle.
#pragma once
#include <windows.h>
#include "settings_text.h"

// Runs the shutdown steps without ending the process.
void kernelShutdown();
// A fault unwound the shutdown hook: the next ExitProgram calls it again.
void shutdownHookAbandoned();

// Opens (creating it when missing) HKEY_CURRENT_USER\SOFTWARE\QUORVEN\SETTINGS;
// 0 when it cannot be opened.
HKEY openSettingsKey();

// Reads the saved console rectangle, or the default one.
ConsoleRect readSavedConsoleRect();
