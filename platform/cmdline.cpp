#include "cmdline.h"

const char *commandLineTail(const char *commandLine, bool (*isLeadByte)(unsigned char))
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(commandLine);
    return reinterpret_cast<const char *>(tailAfterName(p, isLeadByte));
}

const uint16_t *wideCommandLineTail(const uint16_t *p)
{
    return tailAfterName(p, [](uint16_t) { return false; });
}
