// Routines the console's parts share with each other and with the rest of
// the kernel.
#pragma once
#include <windows.h>
#include <stdint.h>

// The console window procedure, and that of the Unicode window (a program
// with a text code page of its own), which converts typed characters.
LRESULT CALLBACK consoleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK consoleWndProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// DefWindowProcA, or DefWindowProcW for the Unicode window.
LRESULT defaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Beep(bellFrequency, bellDuration); returns when the tone has ended.
void bell();
// Redraws the visible rows inside the clipping box from the screen buffer,
// with the highlight (WM_PAINT, between BeginPaint and EndPaint).
void paintScreen();
// Moves the caret to the cursor cell when the console has the focus and the
// cursor row is in view.
void placeCaret();
// Draws buffer rows [first, last] again where the view shows them, with
// the selection over them (after any deferred drawing). Main thread.
void redrawBufferRows(int32_t first, int32_t last);
// Moves the caret to the cursor cell, whether or not the console has the focus.
void moveCaretToCursor();
// Sets the console's colours in its device context: the stored pair, or the system's.
void selectConsoleColors();

// The lock around the screen model and every drawing into the console's
// device context; the main thread and the drawing thread take it.
void lockScreen();
void unlockScreen();
// Ends a service that changed the screen model: draws the changes at once
// with one caret placement (and one caret hide/show, unless output streams
// and the caret stays hidden meanwhile), or, while output streams faster
// than a screen needs, leaves them to the next drawing. Lock held.
void presentChanges();
// Draws deferred output now; the caret stays as it is.
void drawDeferredNow();
// Brings deferred drawing, the caret and the scroll bar's thumb up to date.
// Called before anything that waits for input, shows a box or dialog,
// prints or ends the program.
void settleScreen();
// After a fault inside a console service: the lock the faulting service held
// is released, so that the drawing thread can go on.
void releaseScreenLockAfterFault();
// GetScreenDC: the program may draw into the context from now on, so output
// is drawn at once for the rest of the process.
void handOutScreenDC();
// Sets the scroll bar's position and paints it at once.
void setScrollBar(int32_t position);
// The thread that draws deferred output; started with the window, stopped
// before the window is destroyed.
void startDrawingThread();
void stopDrawingThread();

// Sets the forms of the window's input context at the caret's cell: the
// composition window there, the candidate list at that point and off that
// cell, the composition in the console's font. Nothing without imm32.
void placeInputMethod();
// Under Wine, where the input method shows no composition window, the
// console draws the composition string itself, underlined at the cursor,
// over the picture only: showComposition reads it afresh (or clears it once
// the composition ends), imeContextFlags keeps the system's own window off.
void showComposition();
LPARAM imeContextFlags(LPARAM flags);

// The Edit submenu of the system menu: its items, added to the window's
// system menu at creation; their system commands, and the mouse and the
// keys while marking (true when the message was taken), and the items'
// states when the menu opens.
void addEditMenu(HWND window);
bool editHandles(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void editMenuOpening(HWND window);

// Refits the view to a client area of height x width pixels (WM_SIZE of a
// restored or maximized window).
void fitViewToClient(int height, int width);
// Scrolls for a WM_VSCROLL request.
void onVerticalScroll(WPARAM wParam);
