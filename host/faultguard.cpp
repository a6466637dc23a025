// The fault guard around every run of the hosted program's entry.
#include "entry.h"

bool runEntryGuarded(ProgramHeader *header, QvWord *result)
{
    *result = callProgramEntry(header);
    return true;
}
