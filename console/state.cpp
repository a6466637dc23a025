// The console record and the services that only read or set its fields.
#include "state.h"
#include "../host/services.h"

ConsoleState consoleState = {
    nullptr, nullptr, 0, 0, 0, nullptr,
    512, 128,           // buffer rows, columns
    0, 0, 0, 0, 0,      // view, top line, cursor
    0, 0,               // cell size, measured when the window is created
    2,                  // caret height
    32512,              // IDC_ARROW
    0, -1, -1,          // left button, system colours
    {0, 0, 0, 0},       // empty highlight on row 0
    500, 100,           // bell
};

extern "C" {
int32_t __stdcall GetWindowState() { return consoleState.windowState; }
int32_t __stdcall GetTopLine() { return consoleState.topLine; }
int32_t __stdcall GetBufferSize() { return packPair(consoleState.bufferRows, consoleState.bufferCols); }
int32_t __stdcall QueryCursor() { return packPair(consoleState.cursorRow - consoleState.topLine, consoleState.cursorCol); }
int32_t __stdcall GetCellSize() { return packPair(consoleState.charWidth, consoleState.lineHeight); }
int32_t __stdcall GetViewSize() { return packPair(consoleState.viewRows, consoleState.viewCols); }
HDC __stdcall GetScreenDC() { return consoleState.screenDC; }
int32_t __stdcall GetCaretHeight() { return consoleState.caretHeight; }
char *__stdcall GetScreenBuffer() { return consoleState.screenBuffer; }

// Height first, unlike GetCellSize. Nothing is redrawn and the caret keeps its size.
int32_t __stdcall SetCellSize(int32_t height, int32_t width)
{
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
