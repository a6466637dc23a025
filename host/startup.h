// Process start values and the program header, recorded once at start-up.
#pragma once
#include <windows.h>
#define QUORVEN_KERNEL
#include "../sdk/quorven.h"

extern HINSTANCE instanceHandle;   // the executable's module handle (its load address)
extern HINSTANCE prevInstance;     // always null on 32-bit Windows; handed to window creation
extern const char *commandTail;    // the command-line tail, NUL-terminated, in place
extern ProgramHeader *programHeader; // load address + 0x48000, for the life of the process

// The windowed program's main routine; never returns.
int WINAPI kernelStartup(HINSTANCE instance, HINSTANCE previous, const char *tail, int show);
