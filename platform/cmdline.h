// Command-line tail: the process command line without the program name.
// Pure logic, free of Windows, so it is unit-tested natively.
#pragma once
#include <stdint.h>

// Returns the address inside commandLine where the tail starts. A name that
// starts with a double quote runs to the next double quote, which goes with
// it (a lead byte skips its trail byte, so a trail byte of 0x22 does not end
// the name); an unquoted name runs up to the first byte of 0x20 or less. After
// the name, bytes 0x01 to 0x20 are skipped.
const char *commandLineTail(const char *commandLine, bool (*isLeadByte)(unsigned char));

// The same rule over units of any width (bytes, or UTF-16 units, which have
// no lead units): isLead(unit) says that the next unit goes with this one.
template <typename Unit, typename IsLead> const Unit *tailAfterName(const Unit *p, IsLead isLead)
{
    if (*p == '"') {
        p++;
        while (*p && *p != '"') {
            if (isLead(*p) && p[1]) p++; // the trail unit goes with its lead unit
            p++;
        }
        if (*p == '"') p++;
    } else {
        while (*p > ' ') p++;
    }
    while (*p && *p <= ' ') p++;
    return p;
}

// The tail of a UTF-16 command line: the program name removed as
// commandLineTail does for a byte string (no lead bytes in UTF-16).
const uint16_t *wideCommandLineTail(const uint16_t *commandLine);
