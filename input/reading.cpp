// Reading input: WaitEvent and PeekEvent, which are also the kernel's message
// loops, and ReadLine, the edited line input with echo.
#include "event_codes.h"
#include "event_queue.h"
#include "input.h"
#include "paste.h"
#include "../console/frontend.h"
#include "../console/output.h"
#include "../platform/codepage.h"
#include "../platform/process.h"
#include "../platform/services.h"

// Set while WaitEvent blocks in GetMessage on an empty event queue.
static bool blockedOnInput;

bool waitingForInput() { return blockedOnInput; }

typedef void(__stdcall *MessageHook)(MSG *);

// Hands one retrieved message to the hosted program's messageHook, which
// then translates and dispatches as it likes, or translates and dispatches
// it here. The hook was read from the header for this message.
// A program with a text code page of its own has its messages fetched in
// UTF-16 (the system's ANSI form would read characters in its own code
// page); its hook sees character messages converted to its code page. On
// Windows 9x, which has no Unicode windows, they are fetched in the system's
// code page and converted from it.
static void handleMessage(MSG *msg, QvWord hook)
{
    bool wide = programTextsWide();
    endByteWindow();
    if (hook != 0) {
        MessageHook routine = reinterpret_cast<MessageHook>(static_cast<uintptr_t>(hook));
        bool character = isCharacterMessage(msg->message);
        if (wide && character)
            handCharacterToHook(msg, routine);
        else if (character && programHasCodePage())
            handSystemCharacterToHook(msg, routine); // Windows 9x: no Unicode window
        else
            routine(msg);
    } else {
        TranslateMessage(msg);
        if (wide)
            DispatchMessageW(msg);
        else
            DispatchMessageA(msg);
    }
}

extern "C" {
// Returns the oldest event, pumping one message at a time while the queue is
// empty. Pending events are returned without retrieving any message.
int32_t __stdcall WaitEvent()
{
    feedPaste(); // a paste goes in as the queue drains
    // Deferred output, the caret and the scroll bar before the wait; an
    // event already queued (typed ahead, pasted) is returned at once, with
    // the caret left hidden while the echo of such events streams.
    if (eventQueue.empty()) settleScreen();
    while (eventQueue.empty()) {
        QvWord hook = programHeader->messageHook;
        MSG msg;
        blockedOnInput = true; // for quorven-run's status query
        BOOL got = programTextsWide() ? GetMessageW(&msg, nullptr, 0, 0) : GetMessageA(&msg, nullptr, 0, 0);
        blockedOnInput = false;
        if (got == 0)
            endProgram(0); // WM_QUIT: its exit code is not used
        if (got == -1)
            continue; // nothing was retrieved; the record holds no message
        handleMessage(&msg, hook);
    }
    return eventQueue.take();
}

// Handles every waiting message, then reports the oldest event without
// removing it; 0 when the queue is empty. Never blocks.
int32_t __stdcall PeekEvent()
{
    settleScreen();
    MSG msg;
    while (programTextsWide() ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)
                                : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        QvWord hook = programHeader->messageHook;
        if (msg.message == WM_QUIT)
            endProgram(0);
        handleMessage(&msg, hook);
    }
    feedPaste();
    return eventQueue.empty() ? 0 : eventQueue.head();
}

static bool isLeadByte(uint8_t byte) { return programLeadByte(byte); }

// Echoes back, blank, back over n cells: the erased character's cells.
static void eraseCells(int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        PutChar(8);
    for (int32_t i = 0; i < n; i++)
        PutChar(' ');
    for (int32_t i = 0; i < n; i++)
        PutChar(8);
}

// Reads a line into buffer (at most maxLength bytes, no terminator) with
// echo through PutChar; Backspace erases, Enter ends with a blank echoed.
// A double-byte character is one unit: stored and echoed only whole, and
// erased whole by one Backspace.
int32_t __stdcall ReadLine(char *buffer, int32_t maxLength)
{
    uint8_t *text = reinterpret_cast<uint8_t *>(buffer);
    LineState line = {0, 0, false};
    for (;;) {
        int32_t event = WaitEvent();
        bool leadDropped;
        LineAction action = lineStep(line, event, maxLength, isLeadByte, &leadDropped);
        if (leadDropped)
            bell(); // a lead byte without its trail byte is refused
        switch (action) {
        case LineAction::Finish:
            PutChar(' ');
            return line.count;
        case LineAction::Erase: {
            int32_t start = lastCharStart(text, line.count, isLeadByte);
            eraseCells(line.count - start);
            line.count = start;
            break;
        }
        case LineAction::Store:
            PutChar(event & 0xFF);
            text[line.count++] = static_cast<uint8_t>(event);
            break;
        case LineAction::Hold:
            break;
        case LineAction::StorePair:
            PutChar(line.heldLead);
            PutChar(event);
            text[line.count++] = static_cast<uint8_t>(line.heldLead);
            text[line.count++] = static_cast<uint8_t>(event);
            line.heldLead = 0;
            break;
        case LineAction::Refuse:
            bell();
            break;
        }
    }
}
}
