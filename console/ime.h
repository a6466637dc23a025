// The input method at the cursor (ime.cpp): the forms of the console
// window's input context, and under Wine the composition string the console
// draws itself. Its composition state is its own; the window procedure
// reports the composition's messages, the renderer asks what to draw.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "selection.h"

// Sets the forms of the window's input context at the caret's cell: the
// composition window there, the candidate list at that point and off that
// cell, the composition in the console's font. Nothing without imm32.
void placeInputMethod();
// WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION.
void compositionStarted();
void compositionChanged();
void compositionEnded();
// WM_IME_SETCONTEXT: under Wine, where the input method shows no
// composition window, the console draws the composition string itself,
// underlined at the cursor, over the picture only, and keeps the system's
// own window off.
LPARAM imeContextFlags(LPARAM flags);
// A composition is open: the input method's forms follow the caret.
bool compositionOpen();
// For the renderer: the composition string to draw at the cursor (*length 0
// when there is none), and the cell it was drawn at.
const char *compositionToDraw(int32_t *length);
void compositionDrawnAt(CellPos at);
