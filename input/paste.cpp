// The feed of pasted text: the characters a paste gives (clipboard.cpp)
// go into the event queue as the program takes events, and what the user
// types or clicks meanwhile waits behind them.
#include "paste.h"
#include "event_queue.h"
#include "../console/output.h"
#include "../platform/codepage.h"

PasteFeed pasteFeed;

// Slots the feed leaves free, for the program's own PostEvent.
static const int32_t FEED_RESERVE = 32;

void feedPaste()
{
    if (!pasteFeed.pending()) return;
    for (int32_t refused = feedQueue(pasteFeed, eventQueue, FEED_RESERVE, programLeadByte); refused > 0; --refused)
        bell();
}

bool deferCharacter(int32_t code)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_CHARACTER)) bell();
    return true;
}

bool deferEvent(int32_t code)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_EVENT)) bell();
    return true;
}

bool deferMouse(int32_t code, int32_t position)
{
    if (!pasteFeed.pending()) return false;
    if (!feedAppend(pasteFeed, code, FEED_PAIR) || !feedAppend(pasteFeed, position, FEED_EVENT)) bell();
    return true;
}
