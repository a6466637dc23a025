#include "entry.h"
#include "faultguard.h"
#include "../platform/process.h"
#include "../platform/services.h"

extern "C" QvWord __stdcall callProgramEntry(ProgramHeader *header)
{
    QvWord address = header->addressMode == 0 ? reinterpret_cast<uintptr_t>(header) + header->entryPoint
                                              : header->entryPoint;
    return reinterpret_cast<QvEntryPoint>(address)();
}

// Runs the entry and, after a normal return, ends the process with its result
// while still under the guard, so that a fault in the shutdown hook on this
// path is reported like any other.
static QvWord __stdcall enterProgram(void *header)
{
    ExitProgram(static_cast<int32_t>(callProgramEntry(static_cast<ProgramHeader *>(header))));
}

void runEntryLoop()
{
    // A guarded run comes back only after a fault the user goes on from:
    // the entry runs again with all state kept.
    for (;;) runGuarded(enterProgram, programHeader);
}
