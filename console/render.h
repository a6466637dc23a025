// The console's renderer (render.cpp): the window's side of the console's
// front end (frontend.h), installed by the window, and what the window
// procedure hands it: painting, the client area's size, the focus and the
// caret, and the drawing thread.
#pragma once
#include <windows.h>
#include <stdint.h>

// The front end's drawing routines (frontend.h names what each does).
void renderChanges();
void renderSettle();
void renderRows(int32_t first, int32_t last);
void renderScrollBar(int32_t position);
void renderColors();
void renderHandOutDC();

// WM_PAINT: deferred output first, then what the system invalidated.
void paintWindow(HWND window);
// WM_SIZE: the client area the renderer fills, pixels.
void rendererSized(int32_t width, int32_t height);
// WM_SETFOCUS (true) and WM_KILLFOCUS (false): the caret is made at the
// cursor with the focus and destroyed without it.
void caretFocus(HWND window, bool focus);
// SetCaretHeight: creates the caret anew at that height (clamped to the
// cell), focus or not, and shows it at the cursor.
void newCaret(int32_t height);
// Jump scrolling, allowed once the window exists; the thread that draws
// deferred output starts with the first deferral. stopDrawingThread draws
// what is deferred and ends deferring (and the thread, if it was made)
// before the window is destroyed.
void allowDeferredDrawing();
// While the window is shown the first time, the scroll bar's position is set
// without painting it: the show paints it, and the console paints it again
// after the show only when that picture differs from the final range's.
// Each painting costs some twenty lookups of the display's state under Wine.
void renderOpening(bool opening);
// What this thread drew goes onto the display now, not when the program
// next waits for messages.
void pushToDisplay();
void stopDrawingThread();
