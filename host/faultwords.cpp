#include "faultwords.h"

bool regionAllowsRead(uint32_t state, uint32_t protect)
{
    const uint32_t readable = PROTECT_READONLY | PROTECT_READWRITE | PROTECT_WRITECOPY | PROTECT_EXECUTE_READ |
                              PROTECT_EXECUTE_READWRITE | PROTECT_EXECUTE_WRITECOPY;
    return state == REGION_COMMITTED && (protect & readable) && !(protect & (PROTECT_GUARD | PROTECT_NOACCESS));
}

bool wordBytes(uint32_t address, uint32_t *first, uint32_t *last)
{
    if (address > 0xFFFFFFFFu - 3) return false;
    *first = address;
    *last = address + 3;
    return true;
}

uint32_t newStackGuardPage(uint32_t frame, uint32_t allocationBase, uint32_t pageSize)
{
    const uint32_t pageOfFrame = frame & ~(pageSize - 1);
    if (pageOfFrame < allocationBase + 4 * pageSize) return 0;
    return pageOfFrame - 2 * pageSize;
}
