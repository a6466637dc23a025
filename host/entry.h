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

// One guarded run of the entry. After a normal return of the entry it ends
// the process itself, through ExitProgram with the entry's result and still
// under the guard, so that a fault in the shutdown hook on that path is
// reported like any other. After a fault it reports it in the fault box and
// returns when the user goes on (OK, or a box that could not be shown);
// Cancel ends the process.
void runEntryGuarded(ProgramHeader *header);
