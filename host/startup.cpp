// Start-up: records the start values, fills the kernel's fields of the program
// header and enters the entry loop.
#include "startup.h"
#include "entry.h"
#include "service_table.h"
#include "../platform/cmdline.h"
#include "../platform/codepage.h"
#include "../platform/process.h"
#include "../platform/services.h"
#include "../platform/system.h"
#include "../console/state.h"
#include "../console/window.h"

int WINAPI kernelStartup(HINSTANCE instance, HINSTANCE previous, const char *tail, int show)
{
    instanceHandle = instance;
    prevInstance = previous;
    recordShowCommand(show);
    installProgramEnd(ExitProgram);
    installConsoleWindow();
    commandTail = tail;

    ProgramHeader *h = reinterpret_cast<ProgramHeader *>(reinterpret_cast<uintptr_t>(instance) + QV_HEADER_OFFSET);
    programHeader = h;
    h->serviceTable = reinterpret_cast<uintptr_t>(ServiceTable);
    h->instanceHandle = reinterpret_cast<uintptr_t>(instance);
    h->commandLength = static_cast<QvWord>(lstrlenA(tail));
    if (h->addressMode == 0)
        h->commandLine = static_cast<QvWord>(reinterpret_cast<uintptr_t>(tail) - reinterpret_cast<uintptr_t>(h));
    else
        h->commandLine = reinterpret_cast<uintptr_t>(tail);
    h->faultOwner = 0;
    h->faultCode = 0;
    h->faultContext = 0;
    h->windowProcHook = 0;
    h->messageHook = 0;

    runEntryLoop();
}

static bool isLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != 0; }

// The tail of a program with a text code page of its own comes from the
// UTF-16 command line, converted to that code page (the ANSI command line
// holds it in the system's code page, with '?' for what that cannot hold).
// Windows 9x keeps no other command line than the ANSI one.
static const char *programCommandTail()
{
    if (!programTextsWide()) return commandLineTail(GetCommandLineA(), isLeadByte);
    const WCHAR *tail = reinterpret_cast<const WCHAR *>(
        wideCommandLineTail(reinterpret_cast<const uint16_t *>(GetCommandLineW())));
    int size = WideCharToMultiByte(programCodePage(), 0, tail, -1, nullptr, 0, nullptr, nullptr);
    char *text = size > 0 ? static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, size)) : nullptr;
    if (!text) return "";
    toProgramText(tail, text, size);
    return text;
}

// The C run-time's start-up calls WinMain. Its own tail and show command are
// not trusted: the tail follows the kernel's rule and the show command comes
// from the start-up information.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    readSystemInfo();
    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    initTextCodePage();
    return kernelStartup(GetModuleHandleA(nullptr), nullptr, programCommandTail(), show);
}
