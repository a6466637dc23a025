// Reading input: WaitEvent and PeekEvent, which are also the kernel's message
// loops, and ReadLine, the edited line input with echo.
#include "event_codes.h"
#include "event_queue.h"
#include "../console/console.h"
#include "../host/services.h"
#include "../host/startup.h"
#include "../host/runwatch.h"

typedef void(__stdcall *MessageHook)(MSG *);

// Hands one retrieved message to the hosted program's messageHook, which
// then translates and dispatches as it likes, or translates and dispatches
// it here. The hook was read from the header for this message.
static void handleMessage(MSG *msg, QvWord hook)
{
    if (hook != 0) {
        reinterpret_cast<MessageHook>(static_cast<uintptr_t>(hook))(msg);
    } else {
        TranslateMessage(msg);
        DispatchMessageA(msg);
    }
}

extern "C" {
// Returns the oldest event, pumping one message at a time while the queue is
// empty. Pending events are returned without retrieving any message.
int32_t __stdcall WaitEvent()
{
    while (eventQueue.empty()) {
        QvWord hook = programHeader->messageHook;
        MSG msg;
        runWatch.waiting = 1; // blocked on input, for quorven-run's status query
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        runWatch.waiting = 0;
        if (got == 0)
            ExitProgram(0); // WM_QUIT: its exit code is not used
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
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        QvWord hook = programHeader->messageHook;
        if (msg.message == WM_QUIT)
            ExitProgram(0);
        handleMessage(&msg, hook);
    }
    return eventQueue.empty() ? 0 : eventQueue.head();
}

// Reads a line into buffer (at most maxLength bytes, no terminator) with
// echo through PutChar; Backspace erases, Enter ends with a blank echoed.
int32_t __stdcall ReadLine(char *buffer, int32_t maxLength)
{
    int32_t count = 0;
    for (;;) {
        int32_t event = WaitEvent();
        switch (lineAction(event, count, maxLength)) {
        case LineAction::Finish:
            PutChar(' ');
            return count;
        case LineAction::Erase:
            PutChar(8);
            PutChar(' ');
            PutChar(8);
            --count;
            break;
        case LineAction::Store:
            PutChar(event & 0xFF);
            buffer[count++] = static_cast<char>(event & 0xFF);
            break;
        case LineAction::Refuse:
            bell();
            break;
        }
    }
}
}
