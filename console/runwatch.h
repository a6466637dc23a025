// The run tool's window into a running program (quorven-run): a registered
// window message answered by the console window procedure, which reports
// whether the program waits for input and sends the screen buffer by
// WM_COPYDATA. Without the tool nothing here runs: no message of the range
// is sent, no listener is set, and the output path is never touched.
#pragma once
#include <windows.h>
#include <stdint.h>

// The query's requests (wParam); lParam is the tool's window.
enum : WPARAM {
    RUN_QUERY_STATUS = 0, // answer the status word; makes lParam the listener
    RUN_QUERY_SCREEN = 1, // send the screen to lParam now
};
// dwData of the WM_COPYDATA that carries the screen.
enum : ULONG_PTR { RUN_SCREEN_NOW = 1, RUN_SCREEN_AT_EXIT = 2 };
// The status word: read index of the event queue (bits 0-7), waiting (bit 8),
// messages pending in the thread's queue (bit 9), and this tag in bits 16-31
// so that the tool can tell the kernel's answer from a default 0.
enum : uint32_t {
    RUN_STATUS_WAITING = 0x100,
    RUN_STATUS_PENDING = 0x200,
    RUN_STATUS_TAG = 0x51560000,
};

// Header of the screen that WM_COPYDATA carries; rows x cols bytes follow,
// row after row, up to the last row that holds anything but blanks.
struct RunScreen {
    int32_t rows;      // rows that follow
    int32_t cols;      // bytes per row (the buffer's columns)
    int32_t cursorRow; // text cursor, from buffer row 0
    int32_t cursorCol;
    int32_t topLine;   // buffer row in the window's top text row
    int32_t viewRows;  // rows and columns visible in the window
    int32_t viewCols;
};
static_assert(sizeof(RunScreen) == 28, "the tool reads this layout");

// True when message is the tool's query; registers it on first use. Only
// messages of the registered range (0xC000 and up) get as far as the call.
bool isRegisteredRunQuery(UINT message);
inline bool isRunQuery(UINT message) { return message >= 0xC000 && isRegisteredRunQuery(message); }
// Answers the query (console window procedure).
LRESULT answerRunQuery(WPARAM request, LPARAM toolWindow);
// At shutdown, before the window goes: hands the final screen to the tool,
// the window that last queried or the one QUORVEN_RUN_WINDOW names (hex).
// Without the tool neither exists and nothing is sent.
void reportScreenAtExit();
