// The kernel's registry settings: the key
// HKEY_CURRENT_USER\SOFTWARE\QUORVEN\SETTINGS and its "Console" value, the
// console window's rectangle. The value's text is settings_text.h.
#pragma once
#include <windows.h>
#include "settings_text.h"

// Opens (creating it when missing) the settings key; 0 when it cannot be opened.
HKEY openSettingsKey();
// Reads the saved console rectangle, or the default one; *saved (when
// given) says whether a usable value was stored.
ConsoleRect readSavedConsoleRect(bool *saved = nullptr);
// Stores the window's outer rectangle unless the window is minimized.
void saveConsoleRect(HWND window);
