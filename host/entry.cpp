#include "entry.h"
#include "startup.h"
#include "services.h"

extern "C" QvWord __stdcall callProgramEntry(ProgramHeader *header)
{
    QvWord address = header->addressMode == 0 ? reinterpret_cast<uintptr_t>(header) + header->entryPoint
                                              : header->entryPoint;
    return reinterpret_cast<QvEntryPoint>(address)();
}

void runEntryLoop()
{
    for (;;) {
        QvWord result;
        // The guarded run ends the process itself after a normal return (its
        // ExitProgram stays under the guard); it comes back here only after a
        // fault the user goes on from, to run the entry again with all state
        // kept.
        if (runEntryGuarded(programHeader, &result)) ExitProgram(static_cast<int32_t>(result));
    }
}
