// The event queue's ring arithmetic.
#include "event_queue.h"

EventQueue eventQueue;

bool EventQueue::put(int32_t code)
{
    if (full())
        return false;
    slots[writeIndex] = code;
    writeIndex = nextIndex(writeIndex);
    return true;
}

int32_t EventQueue::take()
{
    int32_t code = slots[readIndex];
    readIndex = nextIndex(readIndex);
    return code;
}

int32_t EventQueue::putCharacter(int32_t code, bool isLeadByte)
{
    int32_t refused = 0;
    if (heldLead != 0) {
        int32_t lead = heldLead;
        heldLead = 0;
        if (code >= 0x40 && code <= 0xFF) {
            if (room() < 2)
                return 2;
            put(lead);
            put(code);
            return 0;
        }
        refused = 1;
    }
    if (isLeadByte) {
        heldLead = code;
        return refused;
    }
    return refused + (put(code) ? 0 : 1);
}
