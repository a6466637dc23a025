// The paste's conversion rules and its feed, free of Windows calls.
#include "paste_text.h"
#include <stdlib.h>

static bool isHighSurrogate(uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
static bool isLowSurrogate(uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
static bool isControl(uint16_t u) { return u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F); }

PasteBytes pasteBytes(const uint16_t *text, int32_t count, CharacterBytes convert, void *context,
                      unsigned char *out)
{
    PasteBytes r = {0, false};
    for (int32_t i = 0; i < count && text[i]; i++) {
        uint16_t u = text[i];
        if (u == '\r' || u == '\n') {
            out[r.length++] = 13;
            if (u == '\r' && i + 1 < count && text[i + 1] == '\n') i++; // CR LF is one Enter
            continue;
        }
        if (u == '\t') {
            out[r.length++] = 9;
            continue;
        }
        if (isControl(u)) continue;
        int units = 1;
        if (isHighSurrogate(u) && i + 1 < count && isLowSurrogate(text[i + 1])) {
            units = 2;
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            r.leftOut = true; // half a character
            continue;
        }
        unsigned char bytes[8];
        int n = convert(text + i, units, bytes, context);
        i += units - 1;
        if (n <= 0) {
            r.leftOut = true;
            continue;
        }
        for (int k = 0; k < n; k++) out[r.length++] = bytes[k];
    }
    return r;
}

bool feedAppend(PasteFeed &feed, int32_t code, FeedKind kind)
{
    if (feed.head == feed.count) feed.head = feed.count = 0; // drained: start at the front again
    if (feed.count == feed.capacity) {
        if (feed.head > 0) { // move the waiting entries to the front first
            int32_t n = feed.count - feed.head;
            for (int32_t i = 0; i < n; i++) feed.entries[i] = feed.entries[feed.head + i];
            feed.head = 0;
            feed.count = n;
        }
        if (feed.count == feed.capacity) {
            if (feed.capacity >= FEED_LIMIT) return false;
            int32_t grown = feed.capacity ? feed.capacity * 2 : 1024;
            if (grown > FEED_LIMIT) grown = FEED_LIMIT;
            FeedEntry *entries = static_cast<FeedEntry *>(realloc(feed.entries, static_cast<size_t>(grown) * sizeof(FeedEntry)));
            if (!entries) return false;
            feed.entries = entries;
            feed.capacity = grown;
        }
    }
    feed.entries[feed.count].code = code;
    feed.entries[feed.count].kind = kind;
    feed.count++;
    return true;
}

int32_t feedQueue(PasteFeed &feed, EventQueue &queue, int32_t reserve, bool (*isLeadByte)(unsigned char))
{
    int32_t refused = 0;
    // A lead byte stays held in the queue until its trail byte: room for
    // both is needed before it goes.
    while (feed.pending() && queue.room() > reserve + 1) {
        const FeedEntry &e = feed.entries[feed.head];
        if (e.kind == FEED_PAIR) {
            if (feed.head + 1 >= feed.count) { // its position never came: neither goes
                feed.head = feed.count;
                break;
            }
            queue.put(e.code);
            queue.put(feed.entries[feed.head + 1].code);
            feed.head += 2;
        } else if (e.kind == FEED_EVENT) {
            if (!queue.put(e.code)) refused++;
            feed.head++;
        } else {
            bool lead = e.code >= 0x80 && e.code <= 0xFF && isLeadByte(static_cast<unsigned char>(e.code));
            refused += queue.putCharacter(e.code, lead);
            feed.head++;
        }
    }
    if (!feed.pending()) feed.head = feed.count = 0;
    return refused;
}
