#include "namestring.h"
#include <string.h>

char *copyNameString(char *dest, const char *source, uint32_t length, uint32_t limit)
{
    if (length > limit) length = limit;
    // Up to the first NUL only: it ends the name anyway, and a name that
    // ends with its NUL is then read no further, whatever length came with
    // it (a length of -1 counts as 255, which may reach past the text into
    // memory that cannot be read).
    uint32_t n = 0;
    while (n < length && source[n]) {
        dest[n] = source[n];
        n++;
    }
    dest[n] = 0;
    return dest;
}
