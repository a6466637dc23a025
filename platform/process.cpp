#include "process.h"

HINSTANCE instanceHandle;
HINSTANCE prevInstance;
const char *commandTail;
ProgramHeader *programHeader;

static ProgramEnd programEnd; // ExitProgram, installed at start-up

void installProgramEnd(ProgramEnd end) { programEnd = end; }

void endProgram(int32_t code)
{
    if (programEnd) programEnd(code);
    ExitProcess(static_cast<UINT>(code)); // nothing installed (not reached once started)
}
