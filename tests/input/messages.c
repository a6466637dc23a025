/* Posted and sent messages where real input cannot reach: menu and
 * accelerator commands, system-menu commands, a child control's
 * notification, the hooks, a mouse pair meeting a full queue, and
 * ReadLine's echo on the screen. */
#include "probe.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(__attribute__((stdcall)) * Fn1)(uint32_t);
typedef int(__attribute__((stdcall)) * Fn2)(uint32_t, uint32_t);
typedef int(__attribute__((stdcall)) * Fn3)(uint32_t, uint32_t, uint32_t);
typedef int(__attribute__((stdcall)) * Fn4)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef uint32_t(__attribute__((stdcall)) * CreateWindowExA_t)(uint32_t, const char *, const char *, uint32_t, int, int,
                                                               int, int, uint32_t, uint32_t, uint32_t, void *);
#define USER(name, type) ((type)qvtProc("user32.dll", #name))

enum {
    WM_NULL = 0, WM_CLOSE = 0x10, WM_KEYDOWN = 0x100, WM_CHAR = 0x102, WM_SYSKEYDOWN = 0x104, WM_COMMAND = 0x111,
    WM_SYSCOMMAND = 0x112, WM_TIMER = 0x113, WM_MOUSEMOVE = 0x200, WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202,
    WM_LBUTTONDBLCLK = 0x203, WM_RBUTTONDOWN = 0x204, WM_MBUTTONDOWN = 0x207, WM_KEYUP = 0x101, WM_SYSCHAR = 0x106,
    WM_IME_CHAR = 0x286, WM_SETTEXT = 0x000C, WM_IME_COMPOSITION = 0x10F, BM_CLICK = 0xF5, SC_MINIMIZE = 0xF020, SC_RESTORE = 0xF120, SC_CLOSE = 0xF060,
};

static uint32_t console;
static int hookMessages[0x400];   /* windowProcHook calls by message number */
static uint32_t hookNullParam;
static char hookText[16];         /* the text of the last WM_SETTEXT the hook saw */
static int closing;

static void (*onAppMessage)(void); /* called for WM_APP + 1 */
static void (*onImeNotify)(uint32_t command);

static int32_t QV_STDCALL windowProcHook(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam)
{
    if (message < 0x400) hookMessages[message]++;
    if (message == 0x8001 && onAppMessage) onAppMessage();
    if (message == 0x282 /* WM_IME_NOTIFY */ && onImeNotify) onImeNotify(wParam);
    if (message == WM_NULL) hookNullParam = wParam;
    if (message == WM_SETTEXT) memcpy(hookText, (const char *)(uintptr_t)lParam, sizeof hookText - 1);
    return ((Fn4)qvtProc("user32.dll", "DefWindowProcA"))(window, message, wParam, (uint32_t)lParam);
}

static void clearHookCounts(void) { memset(hookMessages, 0, sizeof hookMessages); }

static int32_t send(uint32_t message, uint32_t wParam, int32_t lParam)
{
    return probeSendMessage((void *)(uintptr_t)console, message, wParam, lParam);
}

static void commands(void)
{
    /* Menu and accelerator commands with the same identifier give the same
     * code; a child control's notification gives none and is not passed on. */
    CHECK_EQ(send(WM_COMMAND, 100, 0), 0);
    CHECK_EQ(send(WM_COMMAND, 0x10000 | 100, 0), 0);
    CHECK_EQ(qvWaitEvent(), 0x400064);
    CHECK_EQ(qvWaitEvent(), 0x400064);

    uint32_t button = ((CreateWindowExA_t)qvtProc("user32.dll", "CreateWindowExA"))(
        0, "BUTTON", "b", 0x50000000 /* WS_CHILD|WS_VISIBLE */, 0, 0, 40, 20, console, 77, 0x400000, 0);
    CHECK(button != 0);
    clearHookCounts();
    probeSendMessage((void *)(uintptr_t)button, BM_CLICK, 0, 0);
    CHECK_EQ(send(WM_COMMAND, 77, (int32_t)button), 0);
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(hookMessages[WM_COMMAND], 0);
    USER(DestroyWindow, Fn1)(button);

    /* A system-menu item of the program's own gives a command event; a
     * system command goes to the default path and gives none. */
    uint32_t sysMenu = USER(GetSystemMenu, Fn2)(console, 0);
    CHECK(USER(AppendMenuA, Fn4)(sysMenu, 0, 0x123, (uint32_t)(uintptr_t)"extra"));
    clearHookCounts();
    CHECK_EQ(send(WM_SYSCOMMAND, 0x123, 0), 0);
    CHECK_EQ(qvWaitEvent(), 0x400123);
    send(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    CHECK(USER(IsIconic, Fn1)(console));
    send(WM_SYSCOMMAND, SC_RESTORE, 0);
    CHECK(!USER(IsIconic, Fn1)(console));
    probeDrainEvents();
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(hookMessages[WM_SYSCOMMAND], 0); /* the hook never sees these */
}

static void keysAndHook(void)
{
    clearHookCounts();
    /* Alt with a key other than F10 goes to DefWindowProcA, not to the hook. */
    send(WM_SYSKEYDOWN, 'X', 0x20000000);
    CHECK_EQ(hookMessages[WM_SYSKEYDOWN], 0);
    CHECK_EQ(send(WM_SYSKEYDOWN, 0x79, 0x20000000), 0);
    CHECK_EQ(qvWaitEvent(), 0x10010);
    /* Key-ups, WM_SYSCHAR and the middle button give no event and take the
     * default path, where the hook sees them. */
    send(WM_KEYUP, 0x70, 0);
    send(WM_SYSCHAR, 'x', 0x20000000);
    send(WM_MBUTTONDOWN, 0x10, 0x00050005);
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(hookMessages[WM_KEYUP], 1);
    CHECK_EQ(hookMessages[WM_MBUTTONDOWN], 1);
    /* Input messages never reach the hook. */
    CHECK_EQ(send(WM_KEYDOWN, 0x70, 0), 0);
    CHECK_EQ(send(WM_CHAR, 'q', 0), 0);
    CHECK_EQ(qvWaitEvent(), 0x10001);
    CHECK_EQ(qvWaitEvent(), 'q');
    CHECK_EQ(hookMessages[WM_KEYDOWN] + hookMessages[WM_CHAR], 0);
    /* PostEvent's WM_NULL reaches the hook, with the code in wParam. */
    clearHookCounts();
    qvPostEvent(0x5A5A5);
    CHECK_EQ(qvPeekEvent(), 0x5A5A5);
    CHECK_EQ(hookMessages[WM_NULL], 1);
    CHECK_EQ(hookNullParam, 0x5A5A5);
    CHECK_EQ(qvWaitEvent(), 0x5A5A5);
    /* The hook is an ANSI window procedure: a text sent in UTF-16 reaches it
     * in the system's code page (936 here), for the Unicode window too. */
    static const uint16_t chinese[] = {0x4E2D, 0x6587, 0}; /* 中文 */
    ((Fn4)qvtProc("user32.dll", "SendMessageW"))(console, WM_SETTEXT, 0, (uint32_t)(uintptr_t)chinese);
    CHECK_BYTES(hookText, "\xD6\xD0\xCE\xC4", 5);
}

/* Windows NT 4.0 has no message-only windows: a window created with the
 * parent HWND_MESSAGE is refused there. Wine reporting nt40 still makes one,
 * so the kernel's CreateWindowExA is made to refuse it as NT 4.0 does. */
typedef uint32_t(__attribute__((stdcall)) * CreateWindowExA12_t)(uint32_t, const char *, const char *, uint32_t, int,
                                                                 int, int, int, uint32_t, uint32_t, uint32_t, void *);
static CreateWindowExA12_t realCreateWindowExA;

static uint32_t QV_STDCALL createWindowAsNt4(uint32_t exStyle, const char *cls, const char *name, uint32_t style,
                                             int x, int y, int w, int h, uint32_t parent, uint32_t menu,
                                             uint32_t instance, void *param)
{
    if (parent == 0xFFFFFFFDu) { /* HWND_MESSAGE */
        ((Fn1)qvtProc("kernel32.dll", "SetLastError"))(1400 /* ERROR_INVALID_WINDOW_HANDLE */);
        return 0;
    }
    return realCreateWindowExA(exStyle, cls, name, style, x, y, w, h, parent, menu, instance, param);
}

static void behaveAsNt4WhereReported(void)
{
    uint32_t version = ((uint32_t(__attribute__((stdcall)) *)(void))qvtProc("kernel32.dll", "GetVersion"))();
    if ((version & 0x80000000u) || (version & 0xFF) != 4) return;
    qvtPrint("the system reports NT 4.0: no message-only windows\n");
    realCreateWindowExA = (CreateWindowExA12_t)qvtPatchImport("user32.dll", "CreateWindowExA", (void *)createWindowAsNt4);
}

static void mouseState(void)
{
    /* Movement counts only while leftDown; a double click leaves it alone. */
    send(WM_MOUSEMOVE, 0, 0x00030004);
    CHECK_EQ(qvPeekEvent(), 0);
    send(WM_LBUTTONDOWN, 1, 0x00030004);
    send(WM_MOUSEMOVE, 1, 0x00060007);
    send(WM_LBUTTONUP, 0, 0x00060007);
    send(WM_LBUTTONDBLCLK, 1, 0x00060007);
    send(WM_MOUSEMOVE, 1, 0x00080009);
    send(WM_LBUTTONUP, 0, 0x00080009);
    int32_t expected[] = {0x2200001, 0x30004, 0x6200001, 0x60007, 0x4200000, 0x60007, 0x1200001, 0x60007,
                          0x4200000, 0x80009};
    int ok = 1;
    for (unsigned i = 0; i < sizeof expected / sizeof expected[0]; i++)
        if (qvWaitEvent() != expected[i]) ok = 0;
    CHECK(ok);
    CHECK_EQ(qvPeekEvent(), 0);
    /* A negative coordinate stays a signed 16-bit half. */
    send(WM_RBUTTONDOWN, 2, (int32_t)0xFFFEFFFF);
    CHECK_EQ(qvWaitEvent(), 0x2200002);
    CHECK_EQ(qvWaitEvent(), 0xFFFEFFFF);
}

static void mousePairOnAFullQueue(void)
{
    /* With one slot free a mouse pair is refused whole, one bell for each
     * entry, so that no code is read without its position; the slot still
     * takes a one-entry event. */
    for (int i = 0; i < 254; i++) qvPostEvent(1000 + i);
    int bells = probeBells;
    send(WM_LBUTTONDOWN, 1, 0x00140028);
    CHECK_EQ(probeBells, bells + 2);
    send(WM_KEYDOWN, 0x24, 0);         /* Home takes the last slot */
    CHECK_EQ(probeBells, bells + 2);
    send(WM_LBUTTONUP, 0, 0x00140028); /* refused, both entries */
    send(WM_KEYDOWN, 0x24, 0);         /* refused before the key state is read */
    send(WM_CHAR, 'k', 0);
    send(WM_COMMAND, 5, 0);
    CHECK_EQ(probeBells, bells + 7);
    int ok = 1;
    for (int i = 0; i < 254; i++)
        if (qvWaitEvent() != 1000 + i) ok = 0;
    CHECK(ok);
    CHECK_EQ(qvWaitEvent(), 0x20000);
    /* Each refused entry still posted its WM_NULL; PeekEvent takes them all
     * and finds nothing more. The refused release cleared leftDown, so a
     * movement gives nothing; pairs fit again once there is room. */
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK(!probeMessageWaiting());
    send(WM_MOUSEMOVE, 1, 0x00150029);
    CHECK_EQ(qvPeekEvent(), 0);
    send(WM_RBUTTONDOWN, 2, 0x00150029);
    CHECK_EQ(qvWaitEvent(), 0x2200002);
    CHECK_EQ(qvWaitEvent(), 0x00150029);
}

static void doubleByteCharacters(void)
{
    /* With one slot free a double-byte character is refused whole, a bell
     * for each byte; the slot still takes a single byte. No half of it is
     * ever read. */
    for (int i = 0; i < 254; i++) qvPostEvent(2000 + i);
    int bells = probeBells;
    send(WM_CHAR, 0xD0, 0);
    send(WM_CHAR, 0xC5, 0);
    CHECK_EQ(probeBells, bells + 2);
    send(WM_CHAR, 'k', 0);
    CHECK_EQ(probeBells, bells + 2);
    int ok = 1;
    for (int i = 0; i < 254; i++)
        if (qvWaitEvent() != 2000 + i) ok = 0;
    CHECK(ok);
    CHECK_EQ(qvWaitEvent(), 'k');
    CHECK_EQ(qvPeekEvent(), 0);

    /* A character from an input method: lead then trail, once, although
     * the default handling of WM_IME_CHAR would make two WM_CHARs of it.
     * A single-byte one gives one event. */
    clearHookCounts();
    CHECK_EQ(send(WM_IME_CHAR, 0xD0C5, 1), 0);
    CHECK_EQ(send(WM_IME_CHAR, 'x', 1), 0);
    CHECK_EQ(qvPeekEvent(), 0xD0);
    CHECK_EQ(qvWaitEvent(), 0xD0);
    CHECK_EQ(qvWaitEvent(), 0xC5);
    CHECK_EQ(qvWaitEvent(), 'x');
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(hookMessages[WM_CHAR] + hookMessages[WM_IME_CHAR], 0);

    /* A finished composition through the window's input context: the
     * system turns the result into WM_IME_COMPOSITION and WM_IME_CHAR; the
     * queue receives 中文 once, byte pairs in order. */
    typedef uint32_t(__attribute__((stdcall)) * GetContext_t)(uint32_t);
    typedef int(__attribute__((stdcall)) * SetComp_t)(uint32_t, uint32_t, const void *, uint32_t, const void *, uint32_t);
    typedef int(__attribute__((stdcall)) * Notify_t)(uint32_t, uint32_t, uint32_t, uint32_t);
    typedef int(__attribute__((stdcall)) * Release_t)(uint32_t, uint32_t);
    typedef int(__attribute__((stdcall)) * GetComp_t)(uint32_t, uint32_t, void *, uint32_t);
    uint32_t imc = ((GetContext_t)qvtProc("imm32.dll", "ImmGetContext"))(console);
    qvtPrint("input context %X\n", imc);
    if (imc) {
        int set = ((SetComp_t)qvtProc("imm32.dll", "ImmSetCompositionStringA"))(imc, 0x0009 /* SCS_SETSTR */,
                                                                                 "\xD6\xD0\xCE\xC4", 4, 0, 0);
        int done = ((Notify_t)qvtProc("imm32.dll", "ImmNotifyIME"))(imc, 0x15 /* NI_COMPOSITIONSTR */,
                                                                   1 /* CPS_COMPLETE */, 0);
        /* The bytes of the result string as the system reports them to an
         * ANSI window (Wine 8.0 counts 中文 as 2, its length in UTF-16, and
         * so passes on only 中). */
        int result = ((GetComp_t)qvtProc("imm32.dll", "ImmGetCompositionStringA"))(imc, 0x0800 /* GCS_RESULTSTR */,
                                                                                     0, 0);
        ((Release_t)qvtProc("imm32.dll", "ImmReleaseContext"))(console, imc);
        qvtPrint("composition set %d, completed %d, result %d bytes\n", set, done, result);
        int32_t got[6] = {0};
        int n = 0;
        while (qvPeekEvent() != 0 && n < 6) got[n++] = qvWaitEvent();
        qvtPrint("composition gave %d events: %X %X %X %X\n", n, got[0], got[1], got[2], got[3]);
        /* Every byte of the result once, whole pairs, in order. */
        if (set && done) {
            CHECK(result == 2 || result == 4);
            CHECK_EQ(n, result);
            CHECK(got[0] == 0xD6 && got[1] == 0xD0);
            if (result == 4) CHECK(got[2] == 0xCE && got[3] == 0xC4);
        }
    }
}

/* ---- The input method at the cursor --------------------------------------
 * The forms of the window's input context follow the caret's cell: the
 * composition window at its top left corner (client pixels), the candidate
 * list set there as a position and then as the exclusion of the cell, the
 * composition font the console's face, a cell high. */

typedef struct { int32_t x, y; } ImePoint;
typedef struct { int32_t left, top, right, bottom; } ImeRect;
typedef struct { uint32_t style; ImePoint at; ImeRect area; } ImeCompositionForm;
typedef struct { uint32_t index, style; ImePoint at; ImeRect area; } ImeCandidateForm;
typedef struct { int32_t height, width, escapement, orientation, weight; uint8_t misc[8]; char face[32]; } ImeFont;
typedef int(__attribute__((stdcall)) * ImeGet_t)(uint32_t, void *);
static uint32_t imeContext;
static uint32_t imeCandidateStyles[8]; /* the candidate form's style at each IMN_SETCANDIDATEPOS */
static int imeCandidateNotes;

static void noteCandidateForm(uint32_t command)
{
    if (command != 9 /* IMN_SETCANDIDATEPOS */ || imeCandidateNotes >= 8) return;
    ImeCandidateForm c = {0, 0, {0, 0}, {0, 0, 0, 0}};
    ((int(__attribute__((stdcall)) *)(uint32_t, uint32_t, void *))qvtProc("imm32.dll", "ImmGetCandidateWindow"))(
        imeContext, 0, &c);
    imeCandidateStyles[imeCandidateNotes++] = c.style;
}

/* 1 when every form stands at the cursor's cell. */
static int formsAtCursor(const char *when)
{
    int32_t cursor = qvQueryCursor(), cell = qvGetCellSize();
    int32_t w = cell >> 16, h = cell & 0xFFFF;
    int32_t x = (cursor & 0xFFFF) * w + 1, y = (cursor >> 16) * h;
    ImeCompositionForm comp = {0, {0, 0}, {0, 0, 0, 0}};
    ImeCandidateForm cand = {0, 0, {0, 0}, {0, 0, 0, 0}};
    ImeFont font;
    memset(&font, 0, sizeof font);
    ((ImeGet_t)qvtProc("imm32.dll", "ImmGetCompositionWindow"))(imeContext, &comp);
    ((int(__attribute__((stdcall)) *)(uint32_t, uint32_t, void *))qvtProc("imm32.dll", "ImmGetCandidateWindow"))(
        imeContext, 0, &cand);
    ((ImeGet_t)qvtProc("imm32.dll", "ImmGetCompositionFontA"))(imeContext, &font);
    char face[32];
    ((int(__attribute__((stdcall)) *)(uint32_t, int, char *))qvtProc("gdi32.dll", "GetTextFaceA"))(qvGetScreenDC(), 32,
                                                                                                   face);
    int ok = comp.style == 2 /* CFS_POINT */ && comp.at.x == x && comp.at.y == y && cand.style == 0x80 /* CFS_EXCLUDE */ &&
             cand.at.x == x && cand.at.y == y && cand.area.left == x && cand.area.top == y &&
             cand.area.right == x + w && cand.area.bottom == y + h && font.height == h && qvtStrcmp(font.face, face) == 0;
    if (!ok)
        qvtPrint("%s: cell at (%d, %d) of %d x %d; composition style %X at (%d, %d); candidate style %X at (%d, %d) "
                 "excluding (%d, %d, %d, %d); font %d high \"%s\", console \"%s\"\n",
                 when, x, y, w, h, comp.style, comp.at.x, comp.at.y, cand.style, cand.at.x, cand.at.y, cand.area.left,
                 cand.area.top, cand.area.right, cand.area.bottom, font.height, font.face, face);
    return ok;
}

/* Under Wine the console draws the composition itself at the cursor: ink
 * in `cells` cells there and their bottom pixel row all in one colour that
 * is not the background (the underline; the first cell is left out, where
 * the caret may stand); the screen buffer keeps blanks. */
static int compositionDrawn(int cells)
{
    typedef uint32_t(__attribute__((stdcall)) * GetPixel_t)(uint32_t, int, int);
    GetPixel_t getPixel = (GetPixel_t)qvtProc("gdi32.dll", "GetPixel");
    uint32_t dc = qvGetScreenDC();
    int32_t cursor = qvQueryCursor(), cell = qvGetCellSize();
    int32_t w = cell >> 16, h = cell & 0xFFFF;
    int32_t x = (cursor & 0xFFFF) * w + 1, y = (cursor >> 16) * h;
    uint32_t back = getPixel(dc, 70 * w + 1, 20 * h), line = getPixel(dc, x + w, y + h - 1);
    int ink = 0, underline = 0;
    for (int i = 0; i < cells * w; i++) {
        if (i >= w && getPixel(dc, x + i, y + h - 1) == line) underline++;
        for (int j = 0; j < h - 1; j++) ink += getPixel(dc, x + i, y + j) != back;
    }
    unsigned char *row = qvGetScreenBuffer() + (qvGetTopLine() + (cursor >> 16)) * (qvGetBufferSize() & 0xFFFF);
    int blanks = 1;
    for (int i = 0; i < cells; i++) blanks &= row[(cursor & 0xFFFF) + i] == ' ';
    qvtPrint("composition at (%d, %d): %d pixels of ink, underline %d of %d, buffer %s\n", x, y, ink,
             underline, (cells - 1) * w, blanks ? "blank" : "written");
    return line != back && underline == (cells - 1) * w && ink > cells * 8 && blanks;
}

static int formsWhileReading;

static void checkFormsWhileReading(void)
{
    formsWhileReading = formsAtCursor("ReadLine waiting");
    qvPostEvent('\r');
}

static void inputMethodForms(void)
{
    typedef int(__attribute__((stdcall)) * SetComp_t)(uint32_t, uint32_t, const void *, uint32_t, const void *, uint32_t);
    typedef int(__attribute__((stdcall)) * Notify_t)(uint32_t, uint32_t, uint32_t, uint32_t);
    imeContext = ((uint32_t(__attribute__((stdcall)) *)(uint32_t))qvtProc("imm32.dll", "ImmGetContext"))(console);
    CHECK(imeContext != 0);
    if (!imeContext) return;
    /* A composition starts: the forms go to the caret's cell, the candidate
     * form first as a position, then as the exclusion of the cell. */
    qvMoveCursor(6, 3);
    probeDrainEvents();
    imeCandidateNotes = 0;
    onImeNotify = noteCandidateForm;
    static const uint16_t zhongwen[] = {0x4E2D, 0x6587, 0}; /* 中文, 4 bytes */
    ((SetComp_t)qvtProc("imm32.dll", "ImmSetCompositionStringW"))(imeContext, 0x0009 /* SCS_SETSTR */, zhongwen, 4, 0, 0);
    onImeNotify = 0;
    CHECK(formsAtCursor("composition started"));
    CHECK(compositionDrawn(4));
    CHECK(imeCandidateNotes >= 2);
    CHECK_EQ(imeCandidateStyles[0], 0x40); /* CFS_CANDIDATEPOS */
    CHECK_EQ(imeCandidateStyles[1], 0x80); /* CFS_EXCLUDE */
    /* While it is open the forms follow the caret: where ReadLine places
     * it before it waits, and where the cursor moves. */
    char buf[8];
    qvPostEvent('a');
    qvPostEvent('b');
    onAppMessage = checkFormsWhileReading;
    probePostMessage((void *)(uintptr_t)console, 0x8001, 0, 0);
    CHECK_EQ(qvReadLine(buf, 8), 2);
    onAppMessage = 0;
    CHECK(formsWhileReading);
    qvMoveCursor(20, 7);
    qvPeekEvent();
    CHECK(formsAtCursor("cursor moved during the composition"));
    CHECK(compositionDrawn(4)); /* it moved along */
    /* Closed, the forms stay where they were until the focus comes back. */
    ((Notify_t)qvtProc("imm32.dll", "ImmNotifyIME"))(imeContext, 0x15 /* NI_COMPOSITIONSTR */, 4 /* CPS_CANCEL */, 0);
    qvPeekEvent();
    CHECK(!compositionDrawn(4)); /* gone with the composition */
    qvMoveCursor(2, 1);
    qvPeekEvent();
    CHECK(!formsAtCursor("moved after the composition (expected to differ)"));
    USER(SetFocus, Fn1)(0);
    USER(SetFocus, Fn1)(console);
    CHECK(formsAtCursor("focus back"));
    probeDrainEvents();
    ((Fn2)qvtProc("imm32.dll", "ImmReleaseContext"))(console, imeContext);
}

/* ---- messageHook --------------------------------------------------------- */

static int hookKeyDowns, hookChars, hookDispatch;

static void QV_STDCALL messageHook(ProbeMsg *msg)
{
    if (msg->message == WM_KEYDOWN) hookKeyDowns++;
    if (msg->message == WM_CHAR) hookChars++;
    /* Input messages stay undispatched unless asked; everything else (paint
     * above all) is dispatched so that the loops can finish. */
    int input = msg->message >= WM_KEYDOWN && msg->message <= 0x109;
    if (!input || hookDispatch) ((Fn1)qvtProc("user32.dll", "DispatchMessageA"))((uint32_t)(uintptr_t)msg);
}

static void messageHookTakesOver(void)
{
    void *w = (void *)(uintptr_t)console;
    /* The kernel translates and dispatches without a hook: a posted key
     * down of the letter A becomes a character event. */
    probePostMessage(w, WM_KEYDOWN, 'A', 0x001E0001);
    CHECK_EQ(qvWaitEvent(), 'a');

    qvHeader.messageHook = (QvWord)(uintptr_t)messageHook;
    hookDispatch = 0;
    probePostMessage(w, WM_KEYDOWN, 0x70, 0x003B0001);
    probePostMessage(w, WM_KEYDOWN, 'A', 0x001E0001);
    probePostMessage(w, WM_CHAR, 'z', 0x002C0001);
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(hookKeyDowns, 2);
    CHECK_EQ(hookChars, 1); /* no WM_CHAR translated by the kernel */

    /* A hook that dispatches but does not translate: key events, no characters. */
    hookDispatch = 1;
    hookKeyDowns = hookChars = 0;
    probePostMessage(w, WM_KEYDOWN, 'A', 0x001E0001);
    probePostMessage(w, WM_KEYDOWN, 0x71, 0x003C0001);
    CHECK_EQ(qvWaitEvent(), 0x10002);
    CHECK_EQ(hookKeyDowns, 2);
    CHECK_EQ(hookChars, 0);
    CHECK_EQ(qvPeekEvent(), 0);
    qvHeader.messageHook = 0;
}

/* A messageHook that runs an accelerator table before the usual translate
 * and dispatch, as a program with a menu would. */
static uint32_t accelerators;

static void QV_STDCALL acceleratorHook(ProbeMsg *msg)
{
    if (USER(TranslateAcceleratorA, Fn3)(console, accelerators, (uint32_t)(uintptr_t)msg)) return;
    USER(TranslateMessage, Fn1)((uint32_t)(uintptr_t)msg);
    USER(DispatchMessageA, Fn1)((uint32_t)(uintptr_t)msg);
}

static void acceleratorCommand(void)
{
    /* F5 is turned into command 200 (wParam 0x100C8); F6 stays a key. */
    struct { uint8_t fVirt; uint8_t pad; uint16_t key; uint16_t cmd; } table[1] = {{0x01 | 0x80 /* FVIRTKEY|last */, 0, 0x74, 200}};
    accelerators = USER(CreateAcceleratorTableA, Fn2)((uint32_t)(uintptr_t)table, 1);
    CHECK(accelerators != 0);
    qvHeader.messageHook = (QvWord)(uintptr_t)acceleratorHook;
    probePostMessage((void *)(uintptr_t)console, WM_KEYDOWN, 0x74, 0x003F0001);
    probePostMessage((void *)(uintptr_t)console, WM_KEYDOWN, 0x75, 0x00400001);
    CHECK_EQ(qvWaitEvent(), 0x4000C8);
    CHECK_EQ(qvWaitEvent(), 0x10006);
    qvHeader.messageHook = 0;
    USER(DestroyAcceleratorTable, Fn1)(accelerators);
}

/* ---- ReadLine's echo ---------------------------------------------------- */

static int readLineAt(const char *keys, int n, char *buf, int maxLength)
{
    for (int i = 0; i < n; i++) qvPostEvent((unsigned char)keys[i]);
    return qvReadLine(buf, maxLength);
}

static void readLineEcho(void)
{
    unsigned char *screen = qvGetScreenBuffer();
    int32_t cols = qvGetBufferSize() & 0xFFFF;
    CHECK(screen != 0);
    char buf[12];
    int32_t before, after;

    /* a, b, Backspace, c, Enter: the cells hold "ac" and a blank; the cursor
     * stands after the blank, on the same row (no line break). */
    qvMoveCursor(0, 2);
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLineAt("ab\bc\r", 5, buf, 10), 2);
    CHECK_BYTES(buf, "ac#", 3);
    CHECK_BYTES(screen + 2 * cols, "ac ", 3);
    CHECK_EQ(qvQueryCursor(), (2 << 16) | 3);

    /* Backspace on an empty line echoes nothing; Enter alone echoes one blank. */
    qvMoveCursor(5, 3);
    screen[3 * cols + 5] = 'X';
    screen[3 * cols + 6] = 'Y';
    before = qvQueryCursor();
    int bells = probeBells;
    CHECK_EQ(readLineAt("\b\r", 2, buf, 10), 0);
    after = qvQueryCursor();
    CHECK_EQ(probeBells, bells + 1);
    CHECK_EQ(after, before + 1);
    CHECK_BYTES(screen + 3 * cols + 5, " Y", 2);

    /* Backspace after a double-byte character blanks both of its cells. */
    qvMoveCursor(0, 5);
    CHECK_EQ(readLineAt("a\xD0\xC5\bb\r", 6, buf, 10), 2);
    CHECK_BYTES(buf, "ab", 2);
    CHECK_BYTES(screen + 5 * cols, "ab  ", 4);
    CHECK_EQ(qvQueryCursor(), (5 << 16) | 3);

    /* A full buffer: the refused character is not echoed. */
    qvMoveCursor(0, 4);
    CHECK_EQ(readLineAt("abc\r", 4, buf, 2), 2);
    CHECK_BYTES(screen + 4 * cols, "ab ", 3);
    CHECK_EQ(qvQueryCursor(), (4 << 16) | 3);
}

/* ---- A program with a text code page (joined with --code-page 936) -------
 * Characters sent or posted in UTF-16, as a keyboard or an input method on
 * any system gives them, arrive as GBK bytes, lead then trail, and the
 * messageHook sees them as bytes too. Run only when the tail says "wide". */

static uint32_t wideHookBytes[8];
static int wideHookCount;

static void QV_STDCALL byteHook(ProbeMsg *msg)
{
    if (msg->message == WM_CHAR && wideHookCount < 8) wideHookBytes[wideHookCount++] = msg->wParam;
    ((Fn1)qvtProc("user32.dll", "DispatchMessageA"))((uint32_t)(uintptr_t)msg);
}

static void wideCharacters(void)
{
    typedef int(__attribute__((stdcall)) * Msg_t)(uint32_t, uint32_t, uint32_t, int32_t);
    Msg_t sendW = (Msg_t)qvtProc("user32.dll", "SendMessageW");
    Msg_t postW = (Msg_t)qvtProc("user32.dll", "PostMessageW");
    probeDrainEvents();
    sendW(console, WM_CHAR, 0x4E2D, 0);     /* 中 */
    sendW(console, WM_IME_CHAR, 0x6587, 1); /* 文 */
    sendW(console, WM_CHAR, 'a', 0);
    CHECK_EQ(qvWaitEvent(), 0xD6);
    CHECK_EQ(qvWaitEvent(), 0xD0);
    CHECK_EQ(qvWaitEvent(), 0xCE);
    CHECK_EQ(qvWaitEvent(), 0xC4);
    CHECK_EQ(qvWaitEvent(), 'a');
    /* Posted, through WaitEvent's own loop and through the messageHook. */
    postW(console, WM_CHAR, 0x8F93, 0); /* 输 = CA E4 */
    CHECK_EQ(qvWaitEvent(), 0xCA);
    CHECK_EQ(qvWaitEvent(), 0xE4);
    qvHeader.messageHook = (QvWord)(uintptr_t)byteHook;
    postW(console, WM_CHAR, 0x51FA, 0); /* 出 = B3 F6 */
    CHECK_EQ(qvWaitEvent(), 0xB3);
    CHECK_EQ(qvWaitEvent(), 0xF6);
    qvHeader.messageHook = 0;
    CHECK_EQ(wideHookCount, 2);
    CHECK_EQ(wideHookBytes[0], 0xB3);
    CHECK_EQ(wideHookBytes[1], 0xF6);
    CHECK_EQ(qvPeekEvent(), 0);
}

static void QV_STDCALL shutdownHook(void)
{
    CHECK(closing);
    qvtPrint("%d passed, %d failed\n", qvtPasses, qvtFailures);
}

static int32_t QV_STDCALL entry(void)
{
    CHECK(probeInstallBellCounter());
    behaveAsNt4WhereReported();
    console = qvOpenConsole();
    CHECK(console != 0);
    qvRestoreConsole();
    probeDrainEvents();
    const char *tail = (const char *)(uintptr_t)((uint32_t)(uintptr_t)&qvHeader + qvHeader.commandLine);
    if (qvtStrcmp(tail, "wide") == 0) {
        wideCharacters();
        qvtFinish();
    }
    qvHeader.windowProcHook = (QvWord)(uintptr_t)windowProcHook;
    commands();
    keysAndHook();
    mouseState();
    mousePairOnAFullQueue();
    doubleByteCharacters();
    inputMethodForms();
    messageHookTakesOver();
    acceleratorCommand();
    readLineEcho();
    /* Close from the system menu ends the program with code 0 through
     * ExitProgram; the summary comes from the shutdown hook. */
    qvHeader.shutdownHook = (QvWord)(uintptr_t)shutdownHook;
    closing = 1;
    if (qvtFailures) qvExitProgram(1);
    send(WM_SYSCOMMAND, SC_CLOSE, 0);
    qvtPrint("FAIL Close from the system menu returned\n");
    qvExitProgram(1);
    return 0;
}
