// Answers quorven-run's queries; see runwatch.h.
#include "runwatch.h"
#include "render.h"
#include "state.h"
#include "../input/event_queue.h"
#include "../input/input.h"
#include <stdlib.h>
#include <string.h>

// What the run tool's questions need kept between them.
static struct RunWatch {
    UINT queryMessage; // "QuorvenRunQuery", registered when the first registered-range message arrives
    HWND listener;     // the tool's window that receives the screen at exit; 0 without a tool
} runWatch;

bool isRegisteredRunQuery(UINT message)
{
    if (!runWatch.queryMessage) runWatch.queryMessage = RegisterWindowMessageA("QuorvenRunQuery");
    return message == runWatch.queryMessage;
}

// Sends the screen buffer, up to its last row with anything but blanks, with
// the cursor and view, to the tool's window.
static bool sendScreen(HWND to, ULONG_PTR kind)
{
    const ScreenModel &cs = consoleState.screen;
    int32_t rows = 0;
    if (cs.buffer) {
        size_t cols = static_cast<size_t>(cs.bufferCols);
        for (rows = cs.bufferRows; rows > 0; --rows) {
            const char *row = cs.buffer + static_cast<size_t>(rows - 1) * cols;
            size_t c = 0;
            while (c < cols && (row[c] == ' ' || row[c] == 0)) ++c;
            if (c < cols) break;
        }
    }
    size_t bytes = static_cast<size_t>(rows) * static_cast<size_t>(cs.bufferCols);
    RunScreen *screen = static_cast<RunScreen *>(malloc(sizeof(RunScreen) + bytes));
    if (!screen) return false;
    *screen = RunScreen{rows, cs.bufferCols, cs.cursorRow, cs.cursorCol, cs.topLine, cs.viewRows, cs.viewCols};
    if (bytes) memcpy(screen + 1, cs.buffer, bytes);
    COPYDATASTRUCT data;
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(sizeof(RunScreen) + bytes);
    data.lpData = screen;
    // The tool may hold the exit screen while it takes a screenshot; a tool
    // that stopped answering delays the program by at most this long.
    DWORD_PTR result;
    bool sent = SendMessageTimeoutA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(consoleState.consoleWindow),
                                    reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 30000, &result) != 0;
    free(screen);
    return sent;
}

LRESULT answerRunQuery(WPARAM request, LPARAM toolWindow)
{
    HWND tool = reinterpret_cast<HWND>(toolWindow);
    if (request == RUN_QUERY_SCREEN) return sendScreen(tool, RUN_SCREEN_NOW);
    runWatch.listener = tool;
    uint32_t status = RUN_STATUS_TAG | static_cast<uint32_t>(eventQueue.readIndex & 0xFF);
    if (waitingForInput()) status |= RUN_STATUS_WAITING;
    // Input, posted messages, timers or painting the loop has yet to handle.
    // The flags are named one by one from those every system the kernel runs
    // on knows: the headers' QS_INPUT carries QS_RAWINPUT (0x0400, from XP
    // on) even for the oldest targets, and an NT-family system that lacks a
    // flag fails the whole call with ERROR_INVALID_FLAGS.
    const UINT pendingFlags = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
    static_assert(pendingFlags == 0x00BF, "QS_KEY to QS_HOTKEY, the flags of Windows 95 and NT 4.0");
    if (HIWORD(GetQueueStatus(pendingFlags))) status |= RUN_STATUS_PENDING;
    return static_cast<LRESULT>(status);
}

// A program that ends before the tool's first query has no listener yet: the
// tool names its window in the environment it starts the program with.
void reportScreenAtExit()
{
    if (!consoleState.consoleWindow) return;
    HWND to = runWatch.listener;
    char text[16];
    DWORD n = to ? 0 : GetEnvironmentVariableA("QUORVEN_RUN_WINDOW", text, sizeof text);
    if (n > 0 && n < sizeof text) to = reinterpret_cast<HWND>(strtoul(text, nullptr, 16));
    if (!to || !IsWindow(to)) return;
    // The tool takes its screenshot while it holds this screen: what the
    // window drew last is put on the display first.
    pushToDisplay();
    sendScreen(to, RUN_SCREEN_AT_EXIT);
}
