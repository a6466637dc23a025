#include "system.h"

SystemInfo systemInfo;

void readSystemInfo()
{
    DWORD version = GetVersion();
    systemInfo.windows9x = (version & 0x80000000u) != 0;
    systemInfo.major = version & 0xFF;
    systemInfo.minor = (version >> 8) & 0xFF;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll"); // absent on Windows 9x
    systemInfo.wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
}

FARPROC systemProc(const char *library, const char *name)
{
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? GetProcAddress(module, name) : nullptr;
}
