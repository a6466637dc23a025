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
    // A guarded run comes back only after a fault the user goes on from:
    // the entry runs again with all state kept.
    for (;;) runEntryGuarded(programHeader);
}
