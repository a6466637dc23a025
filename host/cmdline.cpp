#include "cmdline.h"

const char *commandLineTail(const char *commandLine, bool (*isLeadByte)(unsigned char))
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(commandLine);
    if (*p == '"') {
        p++;
        while (*p && *p != '"') {
            if (isLeadByte(*p) && p[1]) p++; // the trail byte goes with its lead byte
            p++;
        }
        if (*p == '"') p++;
    } else {
        while (*p > ' ') p++;
    }
    while (*p && *p <= ' ') p++;
    return reinterpret_cast<const char *>(p);
}
