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
