// The entry loop and the call into the hosted program's entry.
#pragma once
#define QUORVEN_KERNEL
#include "../sdk/quorven.h"

// The hosted program's entry: no arguments, a 32-bit result.
typedef QvWord(__stdcall *QvEntryPoint)();

// Computes the entry address by addressMode and calls it with no arguments.
extern "C" QvWord __stdcall callProgramEntry(ProgramHeader *header);

// Runs the entry under the fault guard, again after every fault the user goes
// on from; after a normal return, ends the process with the entry's result.
__attribute__((noreturn)) void runEntryLoop();
