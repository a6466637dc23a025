// The input method at the cursor: the forms of the console window's input
// context put the composition window on the caret's cell, the candidate
// list at the same point and never over that cell, and the composition in
// the console's font. imm32 is looked up by name: Windows 95 and NT 4.0
// outside East Asia may lack it, and then nothing is set.
#include "ime.h"
#include "frontend.h"
#include "layout.h"
#include "lock.h"
#include "state.h"
#include "../platform/system.h"
#include "../platform/codepage.h"
#include <imm.h>
#include <string.h>

static ConsoleState &cs = consoleState;

// The composition as the console knows it; nothing outside this file writes it.
static struct Composition {
    bool composing = false;        // a composition is open (WM_IME_STARTCOMPOSITION to WM_IME_ENDCOMPOSITION)
    char text[96] = {};            // under Wine: the composition string in the program's code page, drawn at the cursor
    int32_t length = 0;            // its bytes; 0 while there is none to draw
    CellPos drawnAt = {-1, 0};     // the cell it was last drawn at; row -1 when it is not on the screen
} composed;

typedef HIMC(WINAPI *GetContextCall)(HWND);
typedef BOOL(WINAPI *ReleaseContextCall)(HWND, HIMC);
typedef BOOL(WINAPI *SetCompositionWindowCall)(HIMC, COMPOSITIONFORM *);
typedef BOOL(WINAPI *SetCandidateWindowCall)(HIMC, CANDIDATEFORM *);
typedef BOOL(WINAPI *SetCompositionFontCall)(HIMC, LOGFONTA *);
typedef LONG(WINAPI *GetCompositionStringCall)(HIMC, DWORD, void *, DWORD);

// The imm32 calls, looked up on first use; all of them or none.
struct ImmCalls {
    bool looked;                             // the lookup was done
    GetContextCall getContext;               // ImmGetContext
    ReleaseContextCall releaseContext;       // ImmReleaseContext
    SetCompositionWindowCall setComposition; // ImmSetCompositionWindow
    SetCandidateWindowCall setCandidate;     // ImmSetCandidateWindow
    SetCompositionFontCall setFont;          // ImmSetCompositionFontA
    GetCompositionStringCall getString;      // ImmGetCompositionStringW (only to draw the composition)
};
static ImmCalls imm;

// An imm32 function by name, as the type it is called through.
template <typename Call> static Call immCall(const char *name) { return systemFunction<Call>("imm32.dll", name); }

static bool haveImm()
{
    if (!imm.looked) {
        imm.looked = true;
        imm.getContext = immCall<GetContextCall>("ImmGetContext");
        imm.releaseContext = immCall<ReleaseContextCall>("ImmReleaseContext");
        imm.setComposition = immCall<SetCompositionWindowCall>("ImmSetCompositionWindow");
        imm.setCandidate = immCall<SetCandidateWindowCall>("ImmSetCandidateWindow");
        imm.setFont = immCall<SetCompositionFontCall>("ImmSetCompositionFontA");
        imm.getString = immCall<GetCompositionStringCall>("ImmGetCompositionStringW");
    }
    return imm.getContext && imm.releaseContext && imm.setComposition && imm.setCandidate && imm.setFont;
}

// The console's font as a request an input method can make: the face the
// window's device context uses, as high as a cell.
static void consoleFontRequest(LOGFONTA *font)
{
    memset(font, 0, sizeof *font);
    lockScreen();
    GetObjectA(GetCurrentObject(cs.screenDC, OBJ_FONT), sizeof *font, font);
    GetTextFaceA(cs.screenDC, LF_FACESIZE, font->lfFaceName);
    unlockScreen();
    font->lfHeight = cs.lineHeight;
    font->lfWidth = 0;
}

void placeInputMethod()
{
    if (!cs.consoleWindow || !cs.screenDC || !haveImm()) return;
    HIMC context = imm.getContext(cs.consoleWindow);
    if (!context) return;
    const ScreenModel &m = cs.screen;
    POINT at = {cellX(m.cursorCol, cs.charWidth), cellY(m.cursorRow - m.topLine, cs.lineHeight)};
    RECT cell = {at.x, at.y, at.x + cs.charWidth, at.y + cs.lineHeight};
    COMPOSITIONFORM composition = {CFS_POINT, at, {0, 0, 0, 0}};
    imm.setComposition(context, &composition);
    // Older input methods know only a position; those that know the
    // exclusion keep their list off the cell being typed.
    CANDIDATEFORM candidate = {0, CFS_CANDIDATEPOS, at, {0, 0, 0, 0}};
    imm.setCandidate(context, &candidate);
    candidate.dwStyle = CFS_EXCLUDE;
    candidate.rcArea = cell;
    imm.setCandidate(context, &candidate);
    LOGFONTA font;
    consoleFontRequest(&font);
    imm.setFont(context, &font);
    imm.releaseContext(cs.consoleWindow, context);
    // A composition drawn by the console moves with the caret: both rows
    // are drawn again with the next drawing.
    if (composed.length && (composed.drawnAt.row != m.cursorRow || composed.drawnAt.col != m.cursorCol)) {
        markChanged(cs.screen, composed.drawnAt.row, 0, m.viewCols);
        markChanged(cs.screen, m.cursorRow, 0, m.viewCols);
    }
}

// Wine 8.0 shows no composition window for the console (on Xvfb the input
// method's window never appeared, with the forms set or not), so there the
// console draws the composition itself; on Windows the input method's own
// window stands at the cell the forms name.
static bool drawsComposition() { return systemInfo.wine; }

LPARAM imeContextFlags(LPARAM flags)
{
    return drawsComposition() ? flags & ~static_cast<LPARAM>(ISC_SHOWUICOMPOSITIONWINDOW) : flags;
}

// The composition string in the program's code page, whole characters
// only, at most `size` bytes.
static int32_t compositionBytes(const WCHAR *text, int units, char *out, int32_t size)
{
    char bytes[256];
    int n = units > 0 ? WideCharToMultiByte(programCodePage(), 0, text, units, bytes, sizeof bytes, nullptr, nullptr) : 0;
    int32_t length = 0;
    while (length < n) {
        int32_t step = programLeadByte(static_cast<unsigned char>(bytes[length])) && length + 1 < n ? 2 : 1;
        if (length + step > size) break;
        length += step;
    }
    memcpy(out, bytes, static_cast<size_t>(length));
    return length;
}

// Reads the composition string afresh (or clears it once the composition
// ends) and draws the rows it leaves and enters.
static void showComposition()
{
    if (!drawsComposition() || !cs.consoleWindow || !haveImm() || !imm.getString) return;
    int32_t n = 0;
    HIMC context = composed.composing ? imm.getContext(cs.consoleWindow) : nullptr;
    if (context) {
        WCHAR text[64];
        LONG bytes = imm.getString(context, GCS_COMPSTR, text, sizeof text);
        imm.releaseContext(cs.consoleWindow, context);
        if (bytes > 0) n = compositionBytes(text, static_cast<int>(bytes / sizeof(WCHAR)), composed.text,
                                            sizeof composed.text);
    }
    lockScreen();
    int32_t drawnRow = composed.drawnAt.row;
    composed.length = n;
    if (!n) composed.drawnAt.row = -1;
    unlockScreen();
    if (drawnRow >= 0) redrawBufferRows(drawnRow, drawnRow);
    if (n) redrawBufferRows(cs.screen.cursorRow, cs.screen.cursorRow);
}

void compositionStarted()
{
    composed.composing = true;
    placeInputMethod();
}

void compositionChanged() { showComposition(); }

void compositionEnded()
{
    composed.composing = false;
    showComposition();
}

bool compositionOpen() { return composed.composing; }

const char *compositionToDraw(int32_t *length)
{
    *length = composed.length;
    return composed.text;
}

void compositionDrawnAt(CellPos at) { composed.drawnAt = at; }
