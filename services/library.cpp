// Libraries, memory and text case. Placeholders until built.
#include "../host/services.h"

extern "C" {
void *__stdcall AllocMemory(uint32_t) { return nullptr; }
int32_t __stdcall FreeMemory(void *) { return 0; }
void *__stdcall ReallocMemory(void *, uint32_t) { return nullptr; }
HMODULE __stdcall LoadLibraryByName(const char *, uint32_t) { return nullptr; }
BOOL __stdcall FreeLibraryHandle(HMODULE) { return 0; }
FARPROC __stdcall GetProcByName(const char *, uint32_t, HMODULE) { return nullptr; }
int32_t __stdcall UpperCase(char *, int32_t) { return 0; }
int32_t __stdcall LowerCase(char *, int32_t) { return 0; }
}
