// What the console's core, and the floors above it that are not the window,
// ask of the console window: to show what the screen model recorded, to
// bring the picture up to date, and to switch the window's procedure for a
// messageHook. The window (window.cpp, with its renderer) installs its
// routines at start-up, in the manner of a terminal's front end; the core
// never calls the window's files itself. Until they are installed every
// request does nothing but what the model itself keeps.
#pragma once
#include <windows.h>
#include <stdint.h>

struct ConsoleFrontEnd {
    void (*present)();                               // draw what the model recorded (screen lock held)
    void (*settle)();                                // deferred drawing, caret and scroll bar up to date
    void (*redrawRows)(int32_t first, int32_t last); // draw buffer rows again where the view shows them
    void (*scrollBarTo)(int32_t position);           // the scroll bar's position, painted at once
    void (*colorsChanged)();                         // select the console's colours into its context
    void (*handOutDC)();                             // GetScreenDC: draw every output at once from now on
    bool (*byteProcedure)(HWND window);              // the Unicode window takes its byte procedure; true when it did
    void (*unicodeProcedure)();                      // and takes its Unicode procedure back
};

void installFrontEnd(const ConsoleFrontEnd &frontEnd);

// Ends a service that changed the screen model: the changes are drawn at
// once, or, while output streams faster than a screen needs, soon after.
// Screen lock held.
void presentChanges();
// Brings deferred drawing, the caret and the scroll bar's thumb up to date.
// Called before anything that waits for input, shows a box or dialog,
// prints or ends the program.
void settleScreen();
// Draws buffer rows [first, last] again where the view shows them (after
// any deferred drawing). Main thread.
void redrawBufferRows(int32_t first, int32_t last);
// The scroll bar shows position (the model's scrollPos), painted at once.
void showScrollBar(int32_t position);
// Sets the console's colours in its device context: the stored pair, or the system's.
void selectConsoleColors();
// GetScreenDC: the program may draw into the context from now on, so output
// is drawn at once for the rest of the process.
void handOutScreenDC();
// While a messageHook handles a character message in the program's bytes,
// the console window (when it is the Unicode window) takes its byte
// procedure: true when window is the console and it switched.
bool useByteProcedure(HWND window);
// The Unicode procedure comes back.
void useUnicodeProcedure();
