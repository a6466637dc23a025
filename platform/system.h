// Which Windows the kernel runs on, read once at start-up. Windows 95, 98
// and Me export most wide ("W") calls only as stubs that fail, and lack
// message-only windows; NT 4.0 lacks message-only windows and the monitor
// calls; Wine implements everything on every version but does not apply
// Windows' first-show rule. The kernel asks here before such a call.
#pragma once
#include <windows.h>

struct SystemInfo {
    bool windows9x; // Windows 95, 98 or Me (GetVersion's high bit): no working wide calls but a few
    DWORD major;    // major version GetVersion reports: 4 for 95, 98, Me and NT 4.0; 5 for 2000
    DWORD minor;    // minor version: 0 for 95 and NT 4.0, 10 for 98, 90 for Me
    bool wine;      // running under Wine (its ntdll exports wine_get_version)
};

extern SystemInfo systemInfo;

// Fills systemInfo; called first thing at start-up.
void readSystemInfo();

inline bool onWindows9x() { return systemInfo.windows9x; }
// The one decision between a wide ("W") call and its ANSI form: the wide
// calls work on every NT; Windows 95, 98 and Me only stub most of them, so
// there the ANSI form gets the text in the system's code page.
inline bool wideCallsWork() { return !systemInfo.windows9x; }
// Message-only windows (HWND_MESSAGE) exist from Windows 2000 on.
inline bool hasMessageOnlyWindows() { return !systemInfo.windows9x && systemInfo.major >= 5; }

// A function of a system library that not every target has, or that a
// target may lack outside some regions (imm32, the monitor calls): looked up
// by name, the library loaded once and kept. 0 when it is not there.
FARPROC systemProc(const char *library, const char *name);
// The same as a function of type Fn (through void (*)(), which the compiler
// takes for a function of any type).
template <typename Fn> Fn systemFunction(const char *library, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(systemProc(library, name)));
}
