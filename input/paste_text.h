// Pasting apart from the clipboard: what a pasted text becomes (the
// character events typing it would give), and the feed that hands those
// events to the event queue as it drains, with whatever the user types
// meanwhile waiting behind them. Pure logic, no Windows header, unit-tested
// natively.
#pragma once
#include <stdint.h>
#include "event_queue.h"

// Converts one character, one UTF-16 unit or a surrogate pair (count 1 or
// 2), to the program's code page in out; returns the bytes written, 0 when
// the code page cannot hold the character.
typedef int (*CharacterBytes)(const uint16_t *units, int count, unsigned char out[8], void *context);

struct PasteBytes {
    int32_t length; // bytes written
    bool leftOut;   // a character the code page cannot hold was left out
};

// The bytes of a pasted text, as typing it would give them: CR LF, CR and
// LF each one Enter (13), Tab kept, every other control character (below
// 32, DEL and 0x80 to 0x9F) dropped, every other character converted; a
// character the code page cannot hold, and a surrogate without its other
// half, left out. Reads count units or up to a NUL; out holds at least
// 2 x count + 8 bytes.
PasteBytes pasteBytes(const uint16_t *text, int32_t count, CharacterBytes convert, void *context,
                      unsigned char *out);

// How an entry of the feed goes into the event queue.
enum FeedKind : int32_t {
    FEED_CHARACTER = 0, // a character or command: EventQueue::putCharacter (a lead byte waits for its trail)
    FEED_EVENT = 1,     // any other code, as it is
    FEED_PAIR = 2,      // a mouse code whose position is the next entry: the two go in together
};

struct FeedEntry {
    int32_t code;
    int32_t kind; // FeedKind
};

// The events still to be queued, oldest first: entries[head] to entries[count - 1].
struct PasteFeed {
    FeedEntry *entries; // grown as needed; 0 until the first paste
    int32_t head;       // the next entry to be queued
    int32_t count;      // entries stored
    int32_t capacity;   // entries allocated

    bool pending() const { return head < count; }
};

// The most entries the feed holds: a longer text is cut there.
enum : int32_t { FEED_LIMIT = 1 << 20 };

// Appends an entry; false (nothing stored) when the feed is full or memory
// runs out.
bool feedAppend(PasteFeed &feed, int32_t code, FeedKind kind);
// Moves entries into the queue, oldest first, while more than `reserve`
// slots are free (so that the program's own PostEvent still finds room); a
// mouse pair goes in only whole. Returns how many entries the queue refused
// (each answered with the bell). The feed is emptied in place once drained.
int32_t feedQueue(PasteFeed &feed, EventQueue &queue, int32_t reserve, bool (*isLeadByte)(unsigned char));
