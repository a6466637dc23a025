// Text output: the output services put characters into the screen model and
// let the renderer draw what changed; the colours, the highlight, the bell
// and the message box.
#include "output.h"
#include "frontend.h"
#include "layout.h"
#include "lock.h"
#include "state.h"
#include "../platform/namestring.h"
#include "../platform/services.h"
#include "../platform/codepage.h"
#include <stdlib.h>
#include <string.h>

static ConsoleState &cs = consoleState;
static ScreenModel &sm = consoleState.screen;

// Draws every visible row again, in the current colours and highlight.
static void redrawView()
{
    lockScreen();
    sm.redrawAll = true;
    presentChanges();
    unlockScreen();
}

// Beep takes the duration as unsigned: a negative one would hold the
// program for up to 49 days on Windows NT. Such a tone is not sounded.
static void tone(int32_t frequency, int32_t duration)
{
    if (duration >= 0) Beep(static_cast<DWORD>(frequency), static_cast<DWORD>(duration));
}

void bell() { tone(cs.bellFrequency, cs.bellDuration); }

extern "C" {
int32_t __stdcall PutChar(int32_t character)
{
    if (!sm.buffer) return 0;
    lockScreen();
    PutResult result = putModelByte(sm, static_cast<unsigned char>(character));
    if (result == PutResult::Bell) {
        // The cursor does not move; only a scroll that keeping it in view
        // caused is drawn.
        if (hasChanges(sm)) presentChanges();
        unlockScreen();
        bell();
        return 0;
    }
    presentChanges();
    unlockScreen();
    return 0;
}

// A negative length writes nothing, like 0; the cursor is still kept in view.
int32_t __stdcall WriteText(const char *text, int32_t length)
{
    if (!sm.buffer) return 0;
    lockScreen();
    writeModelText(sm, text, length);
    presentChanges();
    unlockScreen();
    return 0;
}

int32_t __stdcall NewLine()
{
    if (!sm.buffer) return 0;
    lockScreen();
    newModelLine(sm);
    presentChanges();
    unlockScreen();
    return 0;
}

int32_t __stdcall EnsureRoom(int32_t count)
{
    if (roomRunsOut(sm, count)) NewLine();
    return 0;
}

int32_t __stdcall ShowMessage(const char *text, uint32_t length)
{
    char buffer[NAME_BUFFER_SIZE];
    copyNameString(buffer, text, length);
    settleScreen();
    // The text is the program's, the caption "信息框" (message box) the kernel's.
    WCHAR wideText[NAME_BUFFER_SIZE], caption[8];
    toWide(programCodePage(), buffer, -1, wideText, NAME_BUFFER_SIZE);
    toWide(KERNEL_TEXT_CODE_PAGE, "\xD0\xC5\xCF\xA2\xBF\xF2", -1, caption, 8);
    MessageBoxW(cs.consoleWindow, wideText, caption, MB_OK);
    return 0;
}

// The end of the region comes first in the argument list.
int32_t __stdcall SetHighlight(int32_t endCol, int32_t endRow, int32_t startCol, int32_t startRow)
{
    cs.highlight.startRow = startRow;
    cs.highlight.startCol = startCol;
    cs.highlight.endRow = endRow;
    cs.highlight.endCol = endCol;
    redrawView();
    return 0;
}

// The colours, the device context's and the window class's background
// brush, as SetColors sets them; nothing is drawn.
static void applyColors(int32_t background, int32_t text)
{
    bool wasSystem = cs.backColor == -1 && cs.textColor == -1;
    HWND w = cs.consoleWindow;
    if (background == -1 && text == -1) {
        cs.backColor = -1;
        cs.textColor = -1;
        selectConsoleColors();
        // COLOR_WINDOW + 1 names a system colour, not an object: never deleted.
        LONG previous = wasSystem ? 0 : static_cast<LONG>(GetClassLongA(w, GCL_HBRBACKGROUND));
        SetClassLongA(w, GCL_HBRBACKGROUND, COLOR_WINDOW + 1);
        if (previous) DeleteObject(reinterpret_cast<HGDIOBJ>(previous));
    } else {
        cs.backColor = background & 0xFFFFFF;
        cs.textColor = text & 0xFFFFFF;
        selectConsoleColors();
        HBRUSH brush = CreateSolidBrush(cs.backColor);
        LONG previous = wasSystem ? 0 : static_cast<LONG>(GetClassLongA(w, GCL_HBRBACKGROUND));
        SetClassLongA(w, GCL_HBRBACKGROUND, reinterpret_cast<LONG>(brush));
        if (previous) DeleteObject(reinterpret_cast<HGDIOBJ>(previous));
    }
}

int32_t __stdcall SetColors(int32_t background, int32_t text)
{
    lockScreen();
    applyColors(background, text);
    redrawView();
    unlockScreen();
    return 0;
}

int32_t __stdcall BeepTone(int32_t frequency, int32_t duration)
{
    tone(frequency, duration);
    return 0;
}

int32_t __stdcall SetBellTone(int32_t frequency, int32_t duration)
{
    cs.bellFrequency = frequency;
    cs.bellDuration = duration;
    return 0;
}
}

void systemColorsForNewWindow()
{
    lockScreen();
    applyColors(-1, -1);
    unlockScreen();
}
