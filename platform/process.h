// The process's start values and the program header, recorded once at
// start-up by the life cycle (host/startup.cpp), and the routine that ends
// the program. Every floor above reads them; only start-up writes them.
#pragma once
#include <windows.h>
#include <stdint.h>
#define QUORVEN_KERNEL
#include "../sdk/quorven.h"

extern HINSTANCE instanceHandle;     // the executable's module handle (its load address)
extern HINSTANCE prevInstance;       // always null on 32-bit Windows; handed to window creation
extern const char *commandTail;      // the command-line tail, NUL-terminated, in place
extern ProgramHeader *programHeader; // load address + 0x48000, for the life of the process

// Ends the program as ExitProgram does: its shutdown, then the process. The
// console window (WM_CLOSE) and the reading services (WM_QUIT) end the
// program from below the life cycle, which installs the routine at start-up.
typedef void(__stdcall *ProgramEnd)(int32_t code);
void installProgramEnd(ProgramEnd end);
__attribute__((noreturn)) void endProgram(int32_t code);
