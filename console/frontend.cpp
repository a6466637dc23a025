#include "frontend.h"

static ConsoleFrontEnd installed; // all 0 until the window installs its routines

void installFrontEnd(const ConsoleFrontEnd &frontEnd) { installed = frontEnd; }

void presentChanges()
{
    if (installed.present) installed.present();
}

void settleScreen()
{
    if (installed.settle) installed.settle();
}

void redrawBufferRows(int32_t first, int32_t last)
{
    if (installed.redrawRows) installed.redrawRows(first, last);
}

void showScrollBar(int32_t position)
{
    if (installed.scrollBarTo) installed.scrollBarTo(position);
}

void selectConsoleColors()
{
    if (installed.colorsChanged) installed.colorsChanged();
}

void handOutScreenDC()
{
    if (installed.handOutDC) installed.handOutDC();
}

bool useByteProcedure(HWND window) { return installed.byteProcedure && installed.byteProcedure(window); }

void useUnicodeProcedure()
{
    if (installed.unicodeProcedure) installed.unicodeProcedure();
}
