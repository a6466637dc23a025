#include "namestring.h"
#include <string.h>

char *copyNameString(char *dest, const char *source, uint32_t length, uint32_t limit)
{
    if (length > limit) length = limit;
    memcpy(dest, source, length);
    dest[length] = 0;
    return dest;
}
