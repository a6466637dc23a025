// Memory blocks from the C run-time's heap, dynamic libraries with lookup of
// procedures by name, and in-place case conversion. None keeps any state.
#include "../platform/services.h"
#include "../platform/namestring.h"
#include "service_text.h"
#include "../platform/codepage.h"
#include "../platform/system.h"
#include <stdlib.h>

// The other case of one character. Windows 9x only stubs CharUpperW and
// CharLowerW (they give 0); there the character changes case as the system's
// code page has it, where that code page holds it, and stays as it is where
// not. Never 0 for a character that is not 0.
static WCHAR otherCase(WCHAR c, bool upper)
{
    if (wideCallsWork()) {
        LPWSTR asPointer = reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c));
        WCHAR other = static_cast<WCHAR>(reinterpret_cast<uintptr_t>(upper ? CharUpperW(asPointer) : CharLowerW(asPointer)));
        return other ? other : c;
    }
    char bytes[2];
    BOOL lost = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, &c, 1, bytes, sizeof bytes, nullptr, &lost) != 1 || lost) return c;
    if (upper)
        CharUpperBuffA(bytes, 1);
    else
        CharLowerBuffA(bytes, 1);
    WCHAR other;
    return MultiByteToWideChar(CP_ACP, 0, bytes, 1, &other, 1) == 1 && other ? other : c;
}

// The other case of every single-byte character of the program's code page
// (itself when it has none, or none that is one byte); built on first use.
static const unsigned char *caseTable(bool upper)
{
    static unsigned char tables[2][256];
    static bool built[2];
    unsigned char *table = tables[upper];
    if (built[upper]) return table;
    for (int b = 0; b < 256; b++) {
        table[b] = static_cast<unsigned char>(b);
        char in = static_cast<char>(b);
        WCHAR wide;
        if (programLeadByte(static_cast<unsigned char>(b)) ||
            MultiByteToWideChar(programCodePage(), MB_ERR_INVALID_CHARS, &in, 1, &wide, 1) != 1)
            continue;
        WCHAR other = otherCase(wide, upper);
        char out[4];
        BOOL lost = FALSE;
        if (WideCharToMultiByte(programCodePage(), 0, &other, 1, out, sizeof out, nullptr, &lost) == 1 && !lost &&
            (out[0] || !b))
            table[b] = static_cast<unsigned char>(out[0]);
    }
    built[upper] = true;
    return table;
}

// A program with a text code page of its own: its single-byte characters
// change case as that code page has them; double-byte characters stay as
// they are, whatever the system's code page would make of their bytes.
static int32_t changeCase(char *text, int32_t length, bool upper)
{
    mapSingleByteCase(reinterpret_cast<unsigned char *>(text), static_cast<uint32_t>(length), programLeadByte,
                      caseTable(upper));
    return length;
}

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
    copyNameString(text, name, nameLength);
    if (!programTextsWide()) return LoadLibraryA(text);
    WCHAR wide[NAME_BUFFER_SIZE];
    return LoadLibraryW(toWide(programCodePage(), text, -1, wide, NAME_BUFFER_SIZE));
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

// A negative length converts nothing and gives 0: taken as unsigned it would
// name gigabytes, and the conversion would run over whatever memory follows
// the text until it faulted.
int32_t __stdcall UpperCase(char *text, int32_t length)
{
    if (length <= 0) return 0;
    if (programHasCodePage()) return changeCase(text, length, true);
    return static_cast<int32_t>(CharUpperBuffA(text, static_cast<DWORD>(length)));
}

int32_t __stdcall LowerCase(char *text, int32_t length)
{
    if (length <= 0) return 0;
    if (programHasCodePage()) return changeCase(text, length, false);
    return static_cast<int32_t>(CharLowerBuffA(text, static_cast<DWORD>(length)));
}
}
