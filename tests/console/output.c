/* Text output under Wine: PutChar's control characters, WriteText across
 * rows, lengths of 0 and below, EnsureRoom, ShowMessage, the window
 * services and the window-procedure hook. */
#include "cwin.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static HWND w;

static void putChars(void)
{
    int C = viewCols();
    qvClearScreen();
    qvMoveCursor(4, 2);
    qvPutChar(13);
    qvPutChar(10);
    CHECK_EQ(qvQueryCursor(), 3 << 16);
    qvMoveCursor(4, 2);
    qvPutChar(10);
    CHECK_EQ(qvQueryCursor(), (3 << 16) + 4);

    /* Backspace moves without erasing; at the top-left corner it does nothing. */
    qvMoveCursor(0, 5);
    qvMoveCursor(C - 1, 4);
    qvPutChar('q');
    qvMoveCursor(0, 5);
    qvPutChar(8);
    CHECK_EQ(qvQueryCursor(), (4 << 16) + C - 1);
    CHECK_EQ(cellAt(4, C - 1), 'q');
    qvMoveCursor(0, 0);
    qvPutChar(8);
    CHECK_EQ(qvQueryCursor(), 0);

    /* Other bytes are stored and drawn: tab, 0, only the low byte. */
    qvPutChar(9);
    qvPutChar(0);
    qvPutChar(0x141);
    qvPutChar(0xB0);
    CHECK_EQ(cellAt(0, 0), 9);
    CHECK_EQ(cellAt(0, 1), 0);
    CHECK_EQ(cellAt(0, 2), 'A');
    CHECK_EQ(cellAt(0, 3), 0xB0);
    CHECK_EQ(qvQueryCursor(), 4);

    /* The bell moves nothing. */
    qvSetBellTone(440, 1);
    qvPutChar(7);
    CHECK_EQ(qvQueryCursor(), 4);
    CHECK_EQ(cellAt(0, 4), ' ');

    /* The last column wraps to the next row at once. */
    qvMoveCursor(C - 1, 6);
    qvPutChar('e');
    CHECK_EQ(qvQueryCursor(), 7 << 16);
}

static void writeText(void)
{
    int C = viewCols();
    char text[200];
    for (int i = 0; i < 200; i++) text[i] = (char)('!' + i % 90);
    qvClearScreen();
    /* 200 bytes 10 columns before the edge: 10, then whole rows, then the rest. */
    qvMoveCursor(C - 10, 1);
    qvWriteText(text, 200);
    CHECK_BYTES(qvGetScreenBuffer() + 1 * 128 + C - 10, text, 10);
    int row = 2, at = 10;
    while (200 - at >= C) {
        CHECK_BYTES(qvGetScreenBuffer() + row * 128, text + at, C);
        at += C, row++;
    }
    CHECK_BYTES(qvGetScreenBuffer() + row * 128, text + at, 200 - at);
    CHECK_EQ(qvQueryCursor(), (row << 16) + 200 - at);
    /* Bytes past the view's columns are never written. */
    CHECK_EQ(cellAt(2, C), ' ');

    /* Control bytes are stored as they are. */
    qvMoveCursor(0, 10);
    qvWriteText("\a\b\t\n\r", 5);
    CHECK_BYTES(qvGetScreenBuffer() + 10 * 128, "\a\b\t\n\r", 5);
    CHECK_EQ(qvQueryCursor(), (10 << 16) + 5);

    /* Exactly the rest of the row: the cursor goes to the next row. */
    qvMoveCursor(C - 3, 11);
    qvWriteText("xyz", 3);
    CHECK_EQ(qvQueryCursor(), 12 << 16);

    /* A length of 0 or below writes nothing but still scrolls the cursor
     * into view. */
    qvClearScreen();
    for (int i = 0; i < 100; i++) qvNewLine();
    int V = viewRows();
    int lengths[] = {0, -5, (int)0x80000000};
    for (int i = 0; i < 3; i++) {
        qvScrollToLine(0);
        qvWriteText("abcdef", lengths[i]);
        CHECK_EQ(qvGetTopLine(), 100 - V + 1);
        CHECK_EQ(cellAt(100, 0), ' ');
        CHECK_EQ(qvQueryCursor(), (V - 1) << 16);
    }
}

static void ensureRoom(void)
{
    int C = viewCols();
    qvClearScreen();
    qvMoveCursor(C - 10, 0);
    qvEnsureRoom(10);
    CHECK_EQ(qvQueryCursor(), 1 << 16);
    qvMoveCursor(C - 11, 0);
    qvEnsureRoom(10);
    CHECK_EQ(qvQueryCursor(), C - 11);
    qvMoveCursor(0, 3);
    qvEnsureRoom(C);
    CHECK_EQ(qvQueryCursor(), 4 << 16);
    /* Counts whose sum with the column does not fit in 32 bits: the largest
     * reaches the edge, the most negative never does. */
    qvMoveCursor(5, 0);
    qvEnsureRoom(0x7FFFFFFF);
    CHECK_EQ(qvQueryCursor(), 1 << 16);
    qvMoveCursor(5, 0);
    qvEnsureRoom((int32_t)0x80000000u);
    qvEnsureRoom(-1);
    CHECK_EQ(qvQueryCursor(), 5);
}

/* ShowMessage: a second thread reads the box and closes it. */
static volatile int boxSeen;
static char boxText[400];
static char boxCaption[64];

static DWORD __attribute__((stdcall)) closeBox(void *unused)
{
    (void)unused;
    for (int i = 0; i < 300 && !boxSeen; i++) {
        /* "信息框" */
        HWND box = wFindWindowA("#32770", "\xD0\xC5\xCF\xA2\xBF\xF2");
        if (box) {
            wGetWindowTextA(box, boxCaption, sizeof boxCaption);
            ((UINT(__attribute__((stdcall)) *)(HWND, int, char *, int))qvtProc("user32.dll", "GetDlgItemTextA"))(
                box, 0xFFFF, boxText, sizeof boxText);
            boxSeen = 1;
            wPostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        qvtSleep(20);
    }
    return 0;
}

static void showMessage(const char *text, uint32_t length, uint32_t shown)
{
    typedef HANDLE(__attribute__((stdcall)) * CreateThread_t)(void *, SIZE_T, void *, void *, DWORD, DWORD *);
    CreateThread_t create = (CreateThread_t)qvtProc("kernel32.dll", "CreateThread");
    boxSeen = 0;
    memset(boxText, 0, sizeof boxText);
    HANDLE t = create(0, 0, (void *)closeBox, 0, 0, 0);
    qvShowMessage(text, (int32_t)length);
    CHECK(boxSeen);
    CHECK_EQ(wWaitForSingleObject(t, 5000), 0);
    CHECK_EQ(qvtStrlen(boxText), shown);
    CHECK_BYTES(boxText, text, shown);
}

static void messages(void)
{
    static char long300[301];
    for (int i = 0; i < 300; i++) long300[i] = (char)('a' + i % 26);
    showMessage("hello", 5, 5);
    CHECK_EQ(qvtStrcmp(boxCaption, "\xD0\xC5\xCF\xA2\xBF\xF2"), 0);
    showMessage(long300, 300, 255);
    showMessage("", 0, 0);
    showMessage("\xD6\xD0\xCE\xC4", 4, 4); /* "中文" */
}

static UINT hookMessage;
static WPARAM hookW;
static LPARAM hookL;
static HWND hookWindow;

static LRESULT __attribute__((stdcall)) hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER || message == WM_TIMER || message == WM_NULL) {
        hookWindow = window, hookMessage = message, hookW = wParam, hookL = lParam;
        return 1234;
    }
    return ((LRESULT(__attribute__((stdcall)) *)(HWND, UINT, WPARAM, LPARAM))qvtProc("user32.dll", "DefWindowProcA"))(
        window, message, wParam, lParam);
}

static void windowServices(void)
{
    /* Unhandled messages reach the hook, whose result comes back. */
    qvHeader.windowProcHook = (QvWord)(uintptr_t)hook;
    CHECK_EQ(wSendMessageA(w, WM_USER + 7, 11, 22), 1234);
    CHECK_EQ(hookWindow, w);
    CHECK_EQ(hookMessage, WM_USER + 7);
    CHECK_EQ(hookW, 11);
    CHECK_EQ(hookL, 22);
    CHECK_EQ(wSendMessageA(w, WM_TIMER, 5, 0), 1234);
    /* Messages the console handles do not reach it. */
    hookMessage = 0;
    wSendMessageA(w, WM_VSCROLL, SB_ENDSCROLL, 0);
    CHECK_EQ(hookMessage, 0);
    qvHeader.windowProcHook = 0;
    CHECK_EQ(wSendMessageA(w, WM_USER + 7, 11, 22), 0); /* DefWindowProcA */

    /* A change of the system colours drops the program's colours. */
    qvSetColors(0x00FF00, 0xFF0000);
    HGDIOBJ brush = (HGDIOBJ)(uintptr_t)wGetClassLongA(w, GCL_HBRBACKGROUND);
    CHECK_EQ(wGetObjectType(brush), OBJ_BRUSH);
    wSendMessageA(w, WM_SYSCOLORCHANGE, 0, 0);
    CHECK_EQ(wGetClassLongA(w, GCL_HBRBACKGROUND), COLOR_WINDOW + 1);
    CHECK_EQ(wGetObjectType(brush), 0);
    CHECK_EQ(wGetBkColor((HDC)qvGetScreenDC()), wGetSysColor(COLOR_WINDOW));
    CHECK_EQ(wGetTextColor((HDC)qvGetScreenDC()), wGetSysColor(COLOR_WINDOWTEXT));

    /* Hide, show, restore. */
    qvHideConsole();
    CHECK(!wIsWindowVisible(w));
    qvShowConsole();
    CHECK(wIsWindowVisible(w));
    wShowWindow(w, SW_MINIMIZE);
    CHECK(wIsIconic(w));
    qvRestoreConsole();
    CHECK(!wIsIconic(w));

    /* FocusWindow returns the window that had the focus. */
    qvFocusWindow((uint32_t)w);
    CHECK_EQ(qvFocusWindow((uint32_t)w), (uint32_t)w);
    CHECK_EQ(wGetFocus(), w);

    /* The mouse cursor: set at once and again on every movement. */
    HCURSOR beam = wLoadCursorA(0, IDC_IBEAM), arrow = wLoadCursorA(0, IDC_ARROW);
    qvSetMouseCursor(32513);
    CHECK_EQ(wGetCursor(), beam);
    ((HCURSOR(__attribute__((stdcall)) *)(HCURSOR))qvtProc("user32.dll", "SetCursor"))(arrow);
    wSendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    CHECK_EQ(wGetCursor(), beam);
    qvSetMouseCursor(32512);
    CHECK_EQ(wGetCursor(), arrow);
}

/* The messageHook sees only messages of the system and the program: no timer
 * or other message of the console's own making, even while fast output
 * leaves the scroll bar to be painted later and the hook dispatches no timer
 * (one left undispatched would come back for the rest of the process). */
static int ownMessages, hookCalls;
static void QV_STDCALL recordingHook(MSG *m)
{
    hookCalls++;
    if (m->hwnd == w && (m->message == WM_TIMER || m->message >= WM_USER)) {
        qvtPrint("the hook got message 0x%X (wParam 0x%X) of the console\n", m->message, (unsigned)m->wParam);
        ownMessages++;
        return;
    }
    wDispatchMessageA(m);
}

static void noOwnMessagesToHook(void)
{
    qvClearScreen();
    qvHeader.messageHook = (QvWord)(uintptr_t)recordingHook;
    for (int i = 0; i < 200; i++) {
        qvWriteText("line", 4);
        qvNewLine();
        if (i % 40 == 0) qvPeekEvent();
    }
    DWORD start = wGetTickCount();
    while (wGetTickCount() - start < 400) {
        qvPeekEvent();
        qvtSleep(10);
    }
    qvHeader.messageHook = 0;
    qvtPrint("hook called %d times\n", hookCalls);
    CHECK_EQ(ownMessages, 0);
    CHECK_EQ(wGetScrollPos(w, SB_VERT), qvGetTopLine());
}

static void beforeBuffer(void)
{
    /* Only the caret height rules here; positions are checked in pixels. */
    int lh = lineHeight();
    qvSetCaretHeight(100);
    CHECK_EQ(qvGetCaretHeight(), lh);
    qvSetCaretHeight(-5);
    CHECK_EQ(qvGetCaretHeight(), 1);
    qvSetCaretHeight(0);
    CHECK_EQ(qvGetCaretHeight(), 0);
    qvSetCaretHeight(2);
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    w = openTestConsole(25, 80);
    CHECK(w != 0);
    putChars();
    writeText();
    ensureRoom();
    beforeBuffer();
    windowServices();
    noOwnMessagesToHook();
    messages();
    qvtFinish();
    return 0;
}
