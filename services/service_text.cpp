#include "service_text.h"
#include <string.h>

int32_t lineReadResult(const char *line, bool atEnd)
{
    if (!line) return atEnd ? -1 : -2;
    size_t n = strlen(line);
    if (n > 0 && line[n - 1] == '\n') return static_cast<int32_t>(n - 1);
    return static_cast<int32_t>(n);
}

char *textOpenMode(char mode[4], bool update)
{
    mode[0] = 'r';
    mode[1] = 't';
    mode[2] = 0;
    mode[3] = 0;
    if (update) mode[2] = '+';
    return mode;
}

void convertFilterText(char *filter, bool (*isLeadByte)(unsigned char))
{
    for (char *p = filter; *p; ++p) {
        if (isLeadByte(static_cast<unsigned char>(*p))) {
            if (!p[1]) break; // a lone lead byte before the end
            ++p;              // its trail byte stays as it is
        } else if (*p == '|') {
            *p = 0;
        }
    }
}

unsigned char *finishCountedString(unsigned char *result, bool chosen)
{
    // The dialogs allow at most 253 bytes of text, so the length fits a byte.
    result[0] = chosen ? static_cast<unsigned char>(strlen(reinterpret_cast<char *>(result + 1))) : 0;
    return result;
}

bool marginedSize(uint32_t size, uint32_t *request)
{
    if (size > UINT32_MAX - MEMORY_MARGIN) return false;
    *request = size + MEMORY_MARGIN;
    return true;
}

void appendAnsiSuffix(char *name)
{
    size_t n = strlen(name);
    name[n] = 'A';
    name[n + 1] = 0;
}
