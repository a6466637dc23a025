// The writer and the reader of the "Console" registry value stand side by side.
#include "settings.h"

static const char settingsKeyName[] = "SOFTWARE\\QUORVEN\\SETTINGS";
static const char consoleValueName[] = "Console";

HKEY openSettingsKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, settingsKeyName, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

void saveConsoleRect(HWND window)
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

ConsoleRect readSavedConsoleRect(bool *saved)
{
    if (saved) *saved = false;
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
    return parseConsoleRect(text, saved);
}
