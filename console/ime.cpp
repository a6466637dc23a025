// The input method at the cursor: the forms of the console window's input
// context put the composition window on the caret's cell, the candidate
// list at the same point and never over that cell, and the composition in
// the console's font. imm32 is looked up by name: Windows 95 and NT 4.0
// outside East Asia may lack it, and then nothing is set.
#include "console.h"
#include "layout.h"
#include "state.h"
#include "../host/system.h"
#include <imm.h>

static ConsoleState &cs = consoleState;

typedef HIMC(WINAPI *GetContextCall)(HWND);
typedef BOOL(WINAPI *ReleaseContextCall)(HWND, HIMC);
typedef BOOL(WINAPI *SetCompositionWindowCall)(HIMC, COMPOSITIONFORM *);
typedef BOOL(WINAPI *SetCandidateWindowCall)(HIMC, CANDIDATEFORM *);
typedef BOOL(WINAPI *SetCompositionFontCall)(HIMC, LOGFONTA *);

// The imm32 calls, looked up on first use; all of them or none.
struct ImmCalls {
    bool looked;                             // the lookup was done
    GetContextCall getContext;               // ImmGetContext
    ReleaseContextCall releaseContext;       // ImmReleaseContext
    SetCompositionWindowCall setComposition; // ImmSetCompositionWindow
    SetCandidateWindowCall setCandidate;     // ImmSetCandidateWindow
    SetCompositionFontCall setFont;          // ImmSetCompositionFontA
};
static ImmCalls imm;

// An imm32 function by name, as the type it is called through.
template <typename Call> static Call immCall(const char *name)
{
    return reinterpret_cast<Call>(reinterpret_cast<void *>(systemProc("imm32.dll", name)));
}

static bool haveImm()
{
    if (!imm.looked) {
        imm.looked = true;
        imm.getContext = immCall<GetContextCall>("ImmGetContext");
        imm.releaseContext = immCall<ReleaseContextCall>("ImmReleaseContext");
        imm.setComposition = immCall<SetCompositionWindowCall>("ImmSetCompositionWindow");
        imm.setCandidate = immCall<SetCandidateWindowCall>("ImmSetCandidateWindow");
        imm.setFont = immCall<SetCompositionFontCall>("ImmSetCompositionFontA");
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
}
