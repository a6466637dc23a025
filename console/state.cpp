// The console record and the services that only read or set its fields.
#include "state.h"
#include "frontend.h"
#include "../platform/services.h"

static constexpr ConsoleState initialConsoleState()
{
    ConsoleState s = {};
    s.screen.bufferRows = 512;
    s.screen.bufferCols = 128;
    s.screen.lastChanged = -1; // nothing changed
    s.caretHeight = 2;
    s.mouseCursorId = 32512; // IDC_ARROW
    s.backColor = -1;        // the system's colours
    s.textColor = -1;
    s.bellFrequency = 500;
    s.bellDuration = 100;
    return s; // no window, no buffer, cell size 0 until the font is measured
}

ConsoleState consoleState = initialConsoleState();

void recordShowCommand(int32_t show) { consoleState.showCommand = show; }
void noteLeftButton(int32_t down) { consoleState.leftDown = down; }

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
