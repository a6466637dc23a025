// The print-dialog record's reset rule and the DEVNAMES lookup.
#include "record.h"
#include <string.h>

DroppedBlocks resetPrintRecord(PrintRecord &record, uint32_t owner)
{
    DroppedBlocks dropped = {record.hDevMode, record.hDevNames};
    memset(&record, 0, sizeof record);
    record.lStructSize = sizeof record;
    record.hwndOwner = owner;
    record.nMinPage = 1;
    record.nMaxPage = 999;
    record.nFromPage = 1;
    record.nToPage = 999;
    record.nCopies = 1;
    return dropped;
}

const char *devNamesString(const void *block, unsigned index)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(block);
    uint16_t offset;
    memcpy(&offset, bytes + 2 * index, sizeof offset);
    return reinterpret_cast<const char *>(bytes + offset);
}
