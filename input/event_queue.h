// The event queue: a fixed ring of 256 event codes that holds at most 255,
// one slot always staying empty so that "empty" and "full" differ. Pure logic.
#pragma once
#include <stdint.h>

enum : int32_t { EVENT_QUEUE_SLOTS = 256 };

struct EventQueue {
    int32_t slots[EVENT_QUEUE_SLOTS]; // the event codes
    int32_t writeIndex;               // slot that receives the next event
    int32_t readIndex;                // slot of the oldest unread event
    int32_t heldLead;                 // lead byte of a character whose trail byte has not come yet; 0 when none

    bool empty() const { return writeIndex == readIndex; }
    bool full() const { return nextIndex(writeIndex) == readIndex; }
    // How many more events fit: 255 when empty, 0 when full.
    int32_t room() const { return (readIndex - writeIndex - 1 + EVENT_QUEUE_SLOTS) % EVENT_QUEUE_SLOTS; }
    // Stores code at the write slot; false (nothing stored) when full.
    bool put(int32_t code);
    // The oldest code, left in place; the queue must not be empty.
    int32_t head() const { return slots[readIndex]; }
    // Removes and returns the oldest code; the queue must not be empty.
    int32_t take();

    // Adds a character or command code. A lead byte is held back until its
    // trail byte (a character of 0x40..0xFF) arrives; the two then go in
    // together when two slots are free and are both refused otherwise, so
    // that a reader never finds half a character. A held lead byte followed
    // by anything else is refused. Returns how many entries were refused,
    // each of which the caller answers with the bell.
    int32_t putCharacter(int32_t code, bool isLeadByte);

    static int32_t nextIndex(int32_t index) { return (index + 1) % EVENT_QUEUE_SLOTS; }
};

// The kernel's one queue, empty at process start and never cleared.
extern EventQueue eventQueue;
