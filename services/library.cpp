// Memory blocks from the C run-time's heap, dynamic libraries with lookup of
// procedures by name, and in-place case conversion. None keeps any state.
#include "../host/services.h"
#include "../host/namestring.h"
#include "service_text.h"
#include <stdlib.h>

extern "C" {
// Every block comes with 32 usable bytes beyond the size asked for. A size
// whose margin does not fit in 32 bits gets no block at all.
void *__stdcall AllocMemory(uint32_t size)
{
    uint32_t request;
    return marginedSize(size, &request) ? malloc(request) : nullptr;
}

int32_t __stdcall FreeMemory(void *block)
{
    free(block);
    return 0;
}

// Exactly the size asked for: a resized block has no margin. A null block
// allocates; a size of 0 frees and gives 0.
void *__stdcall ReallocMemory(void *block, uint32_t size)
{
    return realloc(block, size);
}

HMODULE __stdcall LoadLibraryByName(const char *name, uint32_t nameLength)
{
    char text[NAME_BUFFER_SIZE];
    return LoadLibraryA(copyNameString(text, name, nameLength));
}

BOOL __stdcall FreeLibraryHandle(HMODULE module)
{
    return FreeLibrary(module);
}

// The name as given first; when it is not found, its ANSI form with "A"
// appended, which is why the name is cut to 254 bytes.
FARPROC __stdcall GetProcByName(const char *name, uint32_t nameLength, HMODULE module)
{
    char text[NAME_BUFFER_SIZE];
    copyNameString(text, name, nameLength, PROC_NAME_LIMIT);
    if (FARPROC found = GetProcAddress(module, text)) return found;
    appendAnsiSuffix(text);
    return GetProcAddress(module, text);
}

int32_t __stdcall UpperCase(char *text, int32_t length)
{
    return static_cast<int32_t>(CharUpperBuffA(text, static_cast<DWORD>(length)));
}

int32_t __stdcall LowerCase(char *text, int32_t length)
{
    return static_cast<int32_t>(CharLowerBuffA(text, static_cast<DWORD>(length)));
}
}
