// The console record and the services that only read or set its fields.
#include "console.h"
#include "state.h"
#include "../host/services.h"

ConsoleState consoleState = {
    nullptr, nullptr, 0, 0, 0,
    {nullptr, nullptr,
     512, 128,          // buffer rows, columns
     0, 0, 0, 0, 0, 0,  // view, top line, cursor, scroll-bar position
     0, -1, 0, 0, false, 0}, // nothing changed, no rows dropped
    0, 0,               // cell size, measured when the window is created
    2,                  // caret height
    32512,              // IDC_ARROW
    0, -1, -1,          // left button, system colours
    {0, 0, 0, 0},       // empty highlight on row 0
    500, 100,           // bell
    0, 0, false,        // client area, focus
    {-1, -1},           // caret position unknown
    {{0}},              // lead bytes, read when the window is created
    nullptr, 0, 0,      // advance table
    0, 0, false,        // scroll bar
    {}, false,          // drawing lock
    nullptr, nullptr, false, false, false, false, 0, 0, false, // drawing thread and deferral
    false,              // ANSI window until OpenConsole decides
    {},                 // not marking
    {0},                // no caption put aside
    false,              // no composition
    {0}, 0, {-1, 0},    // no composition string drawn
};

extern "C" {
int32_t __stdcall GetWindowState() { return consoleState.windowState; }
int32_t __stdcall GetTopLine() { return consoleState.screen.topLine; }
int32_t __stdcall GetBufferSize() { return packPair(consoleState.screen.bufferRows, consoleState.screen.bufferCols); }
int32_t __stdcall QueryCursor() { return packPair(consoleState.screen.cursorRow - consoleState.screen.topLine, consoleState.screen.cursorCol); }
int32_t __stdcall GetCellSize() { return packPair(consoleState.charWidth, consoleState.lineHeight); }
int32_t __stdcall GetViewSize() { return packPair(consoleState.screen.viewRows, consoleState.screen.viewCols); }
// The program may draw into the context from now on: output is drawn at once.
HDC __stdcall GetScreenDC()
{
    handOutScreenDC();
    return consoleState.screenDC;
}
int32_t __stdcall GetCaretHeight() { return consoleState.caretHeight; }
char *__stdcall GetScreenBuffer() { return consoleState.screen.buffer; }

// Height first, unlike GetCellSize. Nothing is redrawn and the caret keeps its size.
int32_t __stdcall SetCellSize(int32_t height, int32_t width)
{
    settleScreen(); // deferred output is drawn in the cells it was written for
    consoleState.lineHeight = height;
    consoleState.charWidth = width;
    return 0;
}

// Takes effect the next time the window is sized to the view.
int32_t __stdcall SetMenuFlag(int32_t flag)
{
    consoleState.hasMenu = flag;
    return 0;
}
}
