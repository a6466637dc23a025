#include "code_pages.h"
#include "cmdline.h"

int Utf16Joiner::feed(uint16_t unit, uint16_t out[2])
{
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (heldHigh) {
        uint16_t first = heldHigh;
        heldHigh = 0;
        if (low) {
            out[0] = first;
            out[1] = unit;
            return 2;
        }
        // The waiting high half goes alone; this unit starts afresh. A
        // second high half waits in its turn, so only the first is given.
        out[0] = first;
        if (high) {
            heldHigh = unit;
            return 1;
        }
        out[1] = unit;
        return 2;
    }
    if (high) {
        heldHigh = unit;
        return 0;
    }
    out[0] = unit;
    return 1;
}

int ByteJoiner::feed(uint8_t byte, bool isLeadByte, uint8_t out[2])
{
    if (heldLead) {
        uint8_t lead = heldLead;
        heldLead = 0;
        if (byte >= 0x40) {
            out[0] = lead;
            out[1] = byte;
            return 2;
        }
        out[0] = byte; // a control character: no trail byte, the lead byte is dropped
        return 1;
    }
    if (isLeadByte) {
        heldLead = byte;
        return 0;
    }
    out[0] = byte;
    return 1;
}

void mapSingleByteCase(unsigned char *text, uint32_t length, bool (*isLeadByte)(unsigned char),
                       const unsigned char map[256])
{
    for (uint32_t i = 0; i < length; i++) {
        if (isLeadByte(text[i]) && i + 1 < length) {
            i++; // the trail byte stays with its lead byte, unchanged
            continue;
        }
        text[i] = map[text[i]];
    }
}

const uint16_t *wideCommandLineTail(const uint16_t *p)
{
    return tailAfterName(p, [](uint16_t) { return false; });
}
