// Screen geometry and scrolling. Placeholders until built.
#include "../host/services.h"

extern "C" {
int32_t __stdcall FitViewToPixels(int32_t, int32_t) { return 0; }
int32_t __stdcall SetBufferSize(int32_t, int32_t) { return 0; }
int32_t __stdcall ClearScreen() { return 0; }
int32_t __stdcall ScrollToLine(int32_t) { return 0; }
int32_t __stdcall MoveCursor(int32_t, int32_t) { return 0; }
}

#include "console.h"
void placeCaret() {}
void keepCursorInView() {}
void wrapCursor() {}
