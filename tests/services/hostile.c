/* Every service called as a careless or hostile program calls it: counts and
 * lengths of 0, -1, 0x80000000 and 0x7FFFFFFF, lengths longer than the
 * buffer, null and made-up handles and windows. The buffers lie against
 * pages made inaccessible, in a page whose every other byte is known: after
 * each call the page must hold exactly what it held outside the range the
 * call was given. A call that reads or writes past what it was given faults
 * on the inaccessible page; where that is the program's own doing (an
 * address or a length the service uses as it comes) the test announces the
 * fault box, the driver answers OK, and the program goes on from the next
 * step, the console still working. The dialogs and message boxes are closed
 * by a thread of the program's own; WaitEvent and ReadLine read what the
 * program posted before it called them. Files and the clipboard it touched
 * keep their contents. Driven by tests/faults/fault_driver.py. */
#include "../faults/faulttest.h"
#include <windows.h>

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define HOSTILE_API(X)                                                                     \
    X(kernel32, VirtualAlloc, void *, (void *, SIZE_T, DWORD, DWORD))                       \
    X(kernel32, VirtualProtect, BOOL, (void *, SIZE_T, DWORD, DWORD *))                     \
    X(kernel32, CreateThread, HANDLE, (void *, SIZE_T, LPTHREAD_START_ROUTINE, void *, DWORD, DWORD *)) \
    X(kernel32, GetCurrentThreadId, DWORD, (void))                                          \
    X(kernel32, GetVersion, DWORD, (void))                                                  \
    X(kernel32, Sleep, void, (DWORD))                                                       \
    X(kernel32, CreateFileA, HANDLE, (const char *, DWORD, DWORD, void *, DWORD, DWORD, HANDLE)) \
    X(kernel32, ReadFile, BOOL, (HANDLE, void *, DWORD, DWORD *, void *))                   \
    X(kernel32, WriteFile, BOOL, (HANDLE, const void *, DWORD, DWORD *, void *))            \
    X(kernel32, CloseHandle, BOOL, (HANDLE))                                                \
    X(kernel32, DeleteFileA, BOOL, (const char *))                                          \
    X(kernel32, GlobalAlloc, HGLOBAL, (UINT, SIZE_T))                                       \
    X(kernel32, GlobalLock, void *, (HGLOBAL))                                              \
    X(kernel32, GlobalUnlock, BOOL, (HGLOBAL))                                              \
    X(user32, EnumThreadWindows, BOOL, (DWORD, WNDENUMPROC, LPARAM))                        \
    X(user32, GetClassNameA, int, (HWND, char *, int))                                      \
    X(user32, GetWindowTextW, int, (HWND, WCHAR *, int))                                    \
    X(user32, IsWindowVisible, BOOL, (HWND))                                                \
    X(user32, IsWindow, BOOL, (HWND))                                                       \
    X(user32, PostMessageA, BOOL, (HWND, UINT, WPARAM, LPARAM))                             \
    X(user32, GetWindowRect, BOOL, (HWND, RECT *))                                          \
    X(user32, OpenClipboard, BOOL, (HWND))                                                  \
    X(user32, EmptyClipboard, BOOL, (void))                                                 \
    X(user32, SetClipboardData, HANDLE, (UINT, HANDLE))                                     \
    X(user32, GetClipboardData, HANDLE, (UINT))                                             \
    X(user32, CloseClipboard, BOOL, (void))

#define HOSTILE_DECLARE(dll, name, ret, args) static ret(__attribute__((stdcall)) * w##name) args;
HOSTILE_API(HOSTILE_DECLARE)
#undef HOSTILE_DECLARE

static void apiInit(void)
{
#define HOSTILE_RESOLVE(dll, name, ret, args) w##name = (ret(__attribute__((stdcall)) *) args)qvtProc(#dll ".dll", #name);
    HOSTILE_API(HOSTILE_RESOLVE)
#undef HOSTILE_RESOLVE
}

int runNumber;
static int nineX;
static HWND console;

/* ---- The page between two inaccessible pages --------------------------- */

#define PAGE 4096u
static uint8_t *page;
static const uint8_t *givenStart; /* the range the current call was given */
static uint32_t givenLength;

static uint8_t pattern(uint32_t i) { return (uint8_t)(i * 37u + 11u); }

static void refill(void)
{
    for (uint32_t i = 0; i < PAGE; i++) page[i] = pattern(i);
    givenStart = 0;
    givenLength = 0;
}

static void arenaInit(void)
{
    uint8_t *base = wVirtualAlloc(0, 3 * PAGE, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old;
    CHECK(base != 0);
    CHECK(wVirtualProtect(base, PAGE, PAGE_NOACCESS, &old));
    CHECK(wVirtualProtect(base + 2 * PAGE, PAGE, PAGE_NOACCESS, &old));
    page = base + PAGE;
    refill();
}

/* n bytes ending at the inaccessible page above, holding `content` (its
 * first n bytes); the call is given exactly them. */
static uint8_t *atEnd(const void *content, uint32_t n)
{
    uint8_t *b = page + PAGE - n;
    if (content) memcpy(b, content, n);
    givenStart = b;
    givenLength = n;
    return b;
}

/* n bytes starting at the inaccessible page below. */
static uint8_t *atStart(const void *content, uint32_t n)
{
    if (content) memcpy(page, content, n);
    givenStart = page;
    givenLength = n;
    return page;
}

/* The page outside the given range must be as it was; then it is made whole
 * again for the next call. A sum over the neighbourhood names the damage. */
static void settle(const char *what)
{
    uint32_t damaged = 0, first = PAGE, sum = 0;
    for (uint32_t i = 0; i < PAGE; i++) {
        const uint8_t *p = page + i;
        if (p >= givenStart && p < givenStart + givenLength) continue;
        sum = sum * 31u + p[0];
        if (p[0] != pattern(i)) {
            if (!damaged) first = i;
            damaged++;
        }
    }
    if (damaged) qvtPrint("FAIL %s: %u bytes outside the given range changed, the first at page offset %u (sum %X)\n",
                          what, damaged, first, sum);
    else qvtPrint("ok %s: nothing outside the given range changed\n", what);
    if (damaged) qvtFailures++;
    else qvtPasses++;
    refill();
}

/* ---- Faults the program's own arguments cause -------------------------- */

static int faultPending;
static uint32_t faultWanted;
static const char *faultStep;

static void willFault(const char *what, uint32_t code)
{
    faultPending = 1;
    faultWanted = code;
    faultStep = what;
    expectBox(code, 0);
}

/* After a restart: the fault was the one announced, nothing outside the
 * given range changed, and the console works again. */
static void resumeAfterFault(void)
{
    CHECK_EQ(qvHeader.faultCode, faultWanted);
    settle(faultStep);
    faultPending = 0;
    if (console && qvGetScreenBuffer()) {
        qvMoveCursor(0, 0);
        qvWriteText("ok", 2);
        CHECK_EQ(qvQueryCursor(), 2);
    }
}

/* A step announced to fault that came back. */
static void noFaultCame(void)
{
    if (!faultPending) return;
    qvtPrint("FAIL %s: no fault\n", faultStep);
    qvtFailures++;
    faultPending = 0;
}

/* ---- The boxes and dialogs, closed by a thread of the program's own ---- */

static DWORD mainThread;
static volatile LONG boxesClosed;
static WCHAR lastCaption[64];
static volatile int closing = 1;

static const WCHAR faultCaptionW[] = {0x5F02, 0x5E38, 0x4E2D, 0x65AD, 0};
static const WCHAR messageCaptionW[] = {0x4FE1, 0x606F, 0x6846, 0};

static int sameText(const WCHAR *a, const WCHAR *b)
{
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

static HWND lastClosed;

static BOOL __attribute__((stdcall)) closeDialog(HWND w, LPARAM unused)
{
    (void)unused;
    char cls[16];
    WCHAR caption[64];
    if (!wIsWindowVisible(w) || !wGetClassNameA(w, cls, sizeof cls) || qvtStrcmp(cls, "#32770") != 0) return TRUE;
    caption[0] = 0;
    wGetWindowTextW(w, caption, 64);
    if (sameText(caption, faultCaptionW)) return TRUE; /* the driver answers the fault box */
    if (w != lastClosed) {
        lastClosed = w;
        memcpy(lastCaption, caption, sizeof caption);
        boxesClosed++;
    }
    wPostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

static DWORD __attribute__((stdcall)) closer(void *unused)
{
    (void)unused;
    for (;;) {
        wSleep(40);
        if (closing) wEnumThreadWindows(mainThread, closeDialog, 0);
    }
    return 0;
}

/* ---- The bell and tones, seen through the kernel's import of Beep ------ */

static int beeps;
static DWORD lastBeepDuration;
static BOOL __attribute__((stdcall)) countBeep(DWORD frequency, DWORD duration)
{
    (void)frequency;
    beeps++;
    lastBeepDuration = duration;
    return TRUE;
}

/* ---- Raw files and the clipboard ---------------------------------------- */

static int rawWrite(const char *name, const void *data, uint32_t n)
{
    HANDLE f = wCreateFileA(name, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
    DWORD done = 0;
    if (f == INVALID_HANDLE_VALUE) return 0;
    wWriteFile(f, data, n, &done, 0);
    wCloseHandle(f);
    return done == n;
}

static int32_t rawRead(const char *name, void *buffer, uint32_t capacity)
{
    HANDLE f = wCreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING, 0, 0);
    DWORD done = 0;
    if (f == INVALID_HANDLE_VALUE) return -1;
    wReadFile(f, buffer, capacity, &done, 0);
    wCloseHandle(f);
    return (int32_t)done;
}

static const char keepText[] = "these bytes must stay\r\n";
static const char clipText[] = "on the clipboard before the program";

static void keepFiles(void)
{
    CHECK(rawWrite("qv-hostile-keep.txt", keepText, sizeof keepText - 1));
    CHECK(wOpenClipboard(0));
    wEmptyClipboard();
    HGLOBAL block = wGlobalAlloc(GMEM_MOVEABLE, sizeof clipText);
    memcpy(wGlobalLock(block), clipText, sizeof clipText);
    wGlobalUnlock(block);
    CHECK(wSetClipboardData(CF_TEXT, block) != 0);
    wCloseClipboard();
}

static void nothingLost(void)
{
    char buf[64];
    CHECK_EQ(rawRead("qv-hostile-keep.txt", buf, sizeof buf), sizeof keepText - 1);
    CHECK_BYTES(buf, keepText, sizeof keepText - 1);
    CHECK(wOpenClipboard(0));
    HANDLE data = wGetClipboardData(CF_TEXT);
    const char *text = data ? wGlobalLock(data) : 0;
    CHECK(text != 0);
    if (text) {
        CHECK_BYTES(text, clipText, sizeof clipText);
        wGlobalUnlock(data);
    }
    wCloseClipboard();
    wDeleteFileA("qv-hostile-keep.txt");
}

#define NAME(s) (s), (int32_t)qvtStrlen(s)
static const int32_t hostile[] = {0, -1, (int32_t)0x80000000u, 0x7FFFFFFF};
#define EACH_HOSTILE(v) for (uint32_t k_ = 0; k_ < 4 && ((v) = hostile[k_], 1); k_++)

/* ---- The steps ----------------------------------------------------------- */

static void tableServices(void)
{
    CHECK_EQ(qvNullService(), 0);
    CHECK_EQ(qvCall0(QV_NullService2), 0);
    char *tag = qvGetTagBuffer();
    CHECK(tag != 0);
    CHECK_EQ(qvGetTagBuffer(), tag);
}

/* Before any console: the console services find no window and no buffer. */
static void withoutConsole(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        qvPutChar(v);
        qvWriteText((const char *)atEnd("abcd", 4), v);
        settle("WriteText without a console");
        qvEnsureRoom(v);
        qvMoveCursor(v, v);
        qvScrollToLine(v);
        qvSetHighlight(v, v, v, v);
    }
    qvNewLine();
    qvClearScreen();
    CHECK_EQ(qvGetScreenBuffer(), 0);
}

static void openTheConsole(void)
{
    console = (HWND)(uintptr_t)qvOpenConsole();
    CHECK(console != 0);
    qvRestoreConsole();
    CHECK(qvGetScreenBuffer() != 0);
    /* A known view, whatever rectangle an earlier run left saved. */
    int32_t cells = qvGetCellSize();
    qvFitViewToPixels(20 * (cells & 0xFFFF), 60 * (cells >> 16));
    qvtPrint("view %d rows, %d columns\n", qvGetViewSize() >> 16, qvGetViewSize() & 0xFFFF);
    CHECK_EQ(qvGetViewSize() >> 16, 20); /* the scroll bar may take a column or two */
}

static void output(void)
{
    int32_t v;
    int32_t cols = qvGetViewSize() & 0xFFFF;
    EACH_HOSTILE(v)
    {
        qvClearScreen();
        qvPutChar(v == -1 ? 'x' : v); /* only the low byte: 0, 0, 0xFF */
        qvWriteText((const char *)atEnd("abcdefgh", 8), v == 0x7FFFFFFF ? 8 : v);
        settle("WriteText of 8 bytes or none");
        qvMoveCursor(5, 0);
        qvEnsureRoom(v);
        CHECK_EQ(qvQueryCursor(), v == 0x7FFFFFFF ? 1 << 16 : v == 0 && cols <= 5 ? 1 << 16 : 5);
    }
    /* A length of 0 reads nothing, even at address 0. */
    qvWriteText(0, 0);
    qvWriteText(0, -1);
}

static void writeTextPastTheBuffer(void)
{
    willFault("WriteText with a length past its buffer", CODE_ACCESS_VIOLATION);
    qvWriteText((const char *)atEnd("abcdefgh", 8), 0x7FFFFFFF);
}

static void writeTextAtZero(void)
{
    willFault("WriteText from address 0", CODE_ACCESS_VIOLATION);
    givenStart = 0, givenLength = 0;
    qvWriteText(0, 5);
}

static void cursorAndView(void)
{
    int32_t v;
    int32_t view = qvGetViewSize(), rows = view >> 16, cols = view & 0xFFFF;
    EACH_HOSTILE(v)
    {
        qvMoveCursor(v, v);
        int32_t at = v > 0 ? ((rows - 1) << 16) + cols - 1 : 0;
        CHECK_EQ(qvQueryCursor(), at);
        qvScrollToLine(v);
        CHECK(qvGetTopLine() >= 0);
        qvSetHighlight(v, v, v, v);
        qvSetHighlight(-v, v, v, -v);
        qvSetHighlight(v, -v, -v, v);
    }
    qvSetHighlight(0, 0, 0, 0);
    /* Views of at least one cell and at most the buffer. */
    int32_t buffer = qvGetBufferSize();
    EACH_HOSTILE(v)
    {
        qvFitViewToPixels(v, v);
        int32_t now = qvGetViewSize();
        CHECK((now >> 16) >= 1 && (now >> 16) <= (buffer >> 16));
        CHECK((now & 0xFFFF) >= 1 && (now & 0xFFFF) <= (buffer & 0xFFFF));
    }
    /* Back to about the old view; the window's frame may take a column. */
    qvFitViewToPixels(rows * (qvGetCellSize() & 0xFFFF), cols * (qvGetCellSize() >> 16));
    CHECK_EQ(qvGetViewSize() >> 16, rows);
}

/* Sizes of the screen buffer that are nonsense or cannot be had: nothing, or
 * the screen-memory box and no buffer; then a usable size again. */
static void bufferSizes(void)
{
    int32_t before = qvGetBufferSize();
    qvSetBufferSize(0, 0);
    qvSetBufferSize(-1, -1);
    qvSetBufferSize((int32_t)0x80000000u, 5);
    CHECK_EQ(qvGetBufferSize(), before);
    CHECK(qvGetScreenBuffer() != 0);
    LONG boxes = boxesClosed;
    qvSetBufferSize(0x7FFFFFFF, 0x7FFFFFFF);
    CHECK(boxesClosed > boxes); /* "不能分配屏幕内存", once for each try to fit the view */
    CHECK_EQ(qvGetScreenBuffer(), 0);
    /* Without a buffer the output services write nothing. */
    qvWriteText("abc", 3);
    qvPutChar('a');
    qvNewLine();
    qvClearScreen();
    qvSetBufferSize(before >> 16, before & 0xFFFF);
    CHECK_EQ(qvGetBufferSize(), before);
    CHECK(qvGetScreenBuffer() != 0);
    qvWriteText("back", 4);
}

static void windowServices(void)
{
    int32_t v;
    RECT where;
    CHECK(wGetWindowRect(console, &where));
    uint32_t cells = qvGetCellSize();
    int32_t caret = qvGetCaretHeight();
    EACH_HOSTILE(v)
    {
        qvMoveConsole(v, v);
        qvSetMouseCursor(v);
        qvSetCaretHeight(v);
        CHECK(qvGetCaretHeight() >= 0);
        qvSetMenuFlag(v);
        qvFocusWindow((uint32_t)v);
        qvSetCellSize(v, v);
        qvWriteText("cells", 5);
        qvSetColors(v, v);
        qvSetColors(v, -1);
        qvSetColors(-1, v);
    }
    qvSetCellSize((int32_t)(cells & 0xFFFF), (int32_t)(cells >> 16));
    CHECK_EQ(qvGetCellSize(), cells);
    qvSetMenuFlag(0);
    qvSetCaretHeight(caret);
    qvSetMouseCursor((int32_t)(uintptr_t)IDC_ARROW);
    qvSetColors(-1, -1);
    qvMoveConsole(where.top, where.left);
    qvHideConsole();
    qvShowConsole();
    qvRestoreConsole();
    CHECK(wIsWindow(console));
    CHECK_EQ(qvGetWindowState(), 0);
    CHECK(qvGetScreenDC() != 0);
    qvFocusWindow((uint32_t)(uintptr_t)console);
    /* A second OpenConsole gives the same window. */
    CHECK_EQ(qvOpenConsole(), (uint32_t)(uintptr_t)console);
}

/* Tones: a negative duration would hold the program for 49 days on Windows
 * NT, where Beep takes it as unsigned; no tone is sounded for it. */
static void tones(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        beeps = 0;
        qvBeepTone(v, v);
        CHECK(beeps == 0 || (int32_t)lastBeepDuration >= 0);
        qvSetBellTone(v, v);
        beeps = 0;
        qvPutChar(7);
        CHECK(beeps == 0 || (int32_t)lastBeepDuration >= 0);
    }
    beeps = 0;
    qvBeepTone(440, -1);
    qvSetBellTone(500, (int32_t)0x80000000u);
    qvPutChar(7);
    CHECK_EQ(beeps, 0);
    qvBeepTone(440, 0);
    qvSetBellTone(500, 100);
    qvPutChar(7);
    CHECK_EQ(beeps, 2);
}

/* The event queue with hostile codes; WaitEvent reads what was posted. */
static void events(void)
{
    int32_t v;
    while (qvPeekEvent()) qvWaitEvent();
    EACH_HOSTILE(v) qvPostEvent(v);
    EACH_HOSTILE(v) CHECK_EQ(qvWaitEvent(), v);
    CHECK_EQ(qvPeekEvent(), 0);
    /* A full queue refuses with the bell and keeps the oldest 255. */
    beeps = 0;
    for (int i = 1; i <= 300; i++) qvPostEvent(i);
    CHECK_EQ(beeps, 45);
    for (int i = 1; i <= 255; i++)
        if (qvWaitEvent() != i) {
            CHECK_EQ(i, 0);
            break;
        }
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK((qvGetShiftState() & ~(EVENT_CTRL | EVENT_SHIFT)) == 0);
}

static void type(const char *keys)
{
    for (; *keys; keys++) wPostMessageA(console, WM_CHAR, (uint8_t)*keys, 1);
}

/* ReadLine stores at most maxLength bytes into the buffer and never its
 * NUL; a maximum of 0 or less takes no character, only Enter. */
static void readLines(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        type("hey\r");
        uint8_t *b = atEnd(0, 8);
        int32_t got = qvReadLine((char *)b, v);
        CHECK_EQ(got, v > 0 ? 3 : 0);
        if (v > 0) CHECK_BYTES(b, "hey", 3);
        givenLength = got; /* only the bytes it read may have changed */
        settle("ReadLine into 8 bytes");
    }
    /* The maximum holds: 10 keys typed, 4 taken, the rest refused. */
    type("0123456789\r");
    uint8_t *b = atEnd(0, 4);
    CHECK_EQ(qvReadLine((char *)b, 4), 4);
    CHECK_BYTES(b, "0123", 4);
    settle("ReadLine of at most 4 bytes");
}

static void readLinePastTheBuffer(void)
{
    type("0123456789\r");
    uint8_t *b = atEnd(0, 4); /* the rest of the range it was given lies past the page */
    willFault("ReadLine of more keys than its buffer holds", CODE_ACCESS_VIOLATION);
    qvReadLine((char *)b, 0x7FFFFFFF);
}

static void afterReadLineFault(void)
{
    /* The keys after the fault are still in the queue: read them away. */
    while (qvPeekEvent()) qvWaitEvent();
}

static void memoryBlocks(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        void *b = qvAllocMemory((uint32_t)v);
        if (v == 0) CHECK(b != 0);
        if (v == -1) CHECK_EQ(b, 0);
        qvFreeMemory(b);
        b = qvReallocMemory(0, (uint32_t)v);
        if (b) qvFreeMemory(b);
    }
    uint8_t *b = qvAllocMemory(16);
    memcpy(b, "0123456789abcdef", 16);
    CHECK_EQ(qvReallocMemory(b, 0xFFFFFFFFu), 0);
    CHECK_BYTES(b, "0123456789abcdef", 16); /* a failed resize keeps the block */
    uint8_t *r = qvReallocMemory(b, 0x80000000u);
    if (r) b = r; /* a heap that has 2 GB to give */
    CHECK_BYTES(b, "0123456789abcdef", 16);
    qvFreeMemory(b);
    qvFreeMemory(0);
}

/* Texts against the page: a NUL-ended name with a length past its end is
 * read only up to its NUL. */
static void libraries(void)
{
    int32_t v;
    uint32_t user32 = qvLoadLibraryByName("user32.dll", 10);
    CHECK(user32 != 0);
    EACH_HOSTILE(v)
    {
        const char *name = (const char *)atEnd("user32.dll", 11);
        uint32_t m = qvLoadLibraryByName(name, v);
        CHECK_EQ(m, v == 0 ? m : user32);
        if (m) qvFreeLibraryHandle(m);
        settle("LoadLibraryByName");
        name = (const char *)atEnd("MessageBox", 11);
        void *p = qvGetProcByName(name, v, user32);
        CHECK_EQ(p, v == 0 ? 0 : qvtProc("user32.dll", "MessageBoxA"));
        settle("GetProcByName");
        qvGetProcByName("MessageBoxA", 11, 0);
    }
    CHECK_EQ(qvFreeLibraryHandle(0), 0);
    CHECK_EQ(qvLoadLibraryByName(0, 0), qvLoadLibraryByName("", 0));
    qvFreeLibraryHandle(user32);
}

static void loadLibraryAtZero(void)
{
    willFault("LoadLibraryByName from address 0", CODE_ACCESS_VIOLATION);
    givenStart = 0, givenLength = 0;
    qvLoadLibraryByName(0, 5);
}

static void textCase(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        if (v == 0x7FFFFFFF) continue;
        uint8_t *t = atEnd("abcdefgh", 8);
        CHECK_EQ(qvUpperCase((char *)t, v), 0);
        CHECK_BYTES(t, "abcdefgh", 8);
        CHECK_EQ(qvLowerCase((char *)t, v), 0);
        settle("UpperCase and LowerCase, nothing converted");
        t = atStart("ABCDEFGH", 8);
        CHECK_EQ(qvLowerCase((char *)t, v), 0);
        CHECK_BYTES(t, "ABCDEFGH", 8);
        settle("LowerCase at the page's start");
    }
    uint8_t *t = atEnd("abcdefgh", 8);
    CHECK_EQ(qvUpperCase((char *)t, 8), 8);
    CHECK_BYTES(t, "ABCDEFGH", 8);
    settle("UpperCase of the whole buffer");
}

static void upperCasePastTheBuffer(void)
{
    atEnd("abcdefgh", 8); /* the rest of the range it was given lies past the page */
    willFault("UpperCase with a length past its buffer", CODE_ACCESS_VIOLATION);
    qvUpperCase((char *)page + PAGE - 8, 0x7FFFFFFF);
}

static void files(void)
{
    int32_t v;
    char buf[16];
    /* Names read only up to their NUL, whatever the length. */
    EACH_HOSTILE(v)
    {
        const char *name = (const char *)atEnd("qv-hostile-keep.txt", 20);
        uint32_t f = qvOpenTextFile(name, v, 0);
        CHECK(v == 0 ? f == 0 : f != 0);
        settle("OpenTextFile");
        if (!f) continue;
        uint8_t *b = atEnd(0, 8);
        CHECK_EQ(qvReadFileBytes(f, v == 0x7FFFFFFF ? 0 : v, b), 0);
        settle("ReadFileBytes of no bytes");
        b = atEnd(0, 8);
        CHECK_EQ(qvReadFileLine((char *)b, v == 0x7FFFFFFF ? 8 : v, f), v == 0x7FFFFFFF ? 7 : -2);
        givenLength = 8;
        settle("ReadFileLine");
        /* An origin other than 0, 1, 2 and a place before the start fail. */
        CHECK_EQ(qvSeekFile(f, v, 0) == 0, v == 0);
        CHECK_EQ(qvSeekFile(f, 0, v) == 0, v >= 0);
        CHECK_EQ(qvSeekFile(f, v, v) == 0, v == 0);
        qvSeekFile(f, 0, 0);
        CHECK_EQ(qvTellFile(f), 0);
        CHECK_EQ(qvCloseFile(f), 0);
    }
    CHECK_EQ(qvCloseFile(0), -1);
    CHECK_EQ(qvTellFile(0), -1);
    CHECK(qvSeekFile(0, 0, 0) != 0);
    CHECK_EQ(qvReadFileBytes(0, 8, buf), 0);
    CHECK_EQ(qvReadFileLine(buf, 8, 0), -2);
    /* Whole-file writes: a count below 0 gives 0 and leaves the file. */
    EACH_HOSTILE(v)
    {
        if (v == 0x7FFFFFFF || v == 0) continue;
        const char *name = (const char *)atStart("qv-hostile-keep.txt", 20);
        CHECK_EQ(qvWriteWholeFile("xy", v, name, v), 0);
        settle("WriteWholeFile with a negative count");
    }
    CHECK_EQ(qvWriteWholeFile(0, 0, NAME("qv-hostile-new.txt")), 0);
    CHECK_EQ(rawRead("qv-hostile-new.txt", buf, sizeof buf), 0);
    uint32_t f = qvCreateTextFile((const char *)atEnd("qv-hostile-new.txt", 19), -1);
    CHECK(f != 0);
    settle("CreateTextFile");
    CHECK_EQ(qvCloseFile(f), 0);
    wDeleteFileA("qv-hostile-new.txt");
}

static void readFileBytesPastTheBuffer(void)
{
    static uint32_t f;
    f = qvOpenTextFile(NAME("qv-hostile-keep.txt"), 0);
    CHECK(f != 0);
    atEnd(0, 8); /* the rest of the 100 bytes lies past the page */
    willFault("ReadFileBytes of more bytes than its buffer holds", CODE_ACCESS_VIOLATION);
    qvReadFileBytes(f, 100, page + PAGE - 8);
}

static void messages(void)
{
    int32_t v;
    EACH_HOSTILE(v)
    {
        LONG boxes = boxesClosed;
        const char *text = (const char *)atEnd("hostile", 8);
        qvShowMessage(text, v);
        CHECK_EQ(boxesClosed, boxes + 1);
        CHECK(sameText(lastCaption, messageCaptionW));
        settle("ShowMessage");
    }
}

static unsigned char *dialog(int slot, uint32_t owner, uint32_t resultSize)
{
    static const char filter[] = "Text|*.txt|All|*.*|";
    char *f = (char *)atStart(filter, sizeof filter);
    unsigned char *result = atEnd(0, resultSize);
    result[0] = 0x55;
    result[1] = 0;
    givenStart = page;
    givenLength = PAGE; /* the filter and the result are the program's */
    LONG boxes = boxesClosed;
    unsigned char *r = (unsigned char *)(uintptr_t)qvCall5(slot, owner, QV_W(f), 0, 0, QV_W(result));
    CHECK_EQ(r, result);
    CHECK_EQ(result[0], 0);
    CHECK(boxesClosed >= boxes);
    CHECK_BYTES(f, "Text\0*.txt\0All\0*.*\0", sizeof filter);
    /* Between the filter and the result nothing changed. */
    for (uint32_t i = sizeof filter; i < PAGE - resultSize; i++)
        if (page[i] != pattern(i)) {
            CHECK_EQ(i, 0);
            break;
        }
    refill();
    return r;
}

static void fileDialogs(void)
{
    static const int slots[] = {QV_OpenFileDialog, QV_OpenExistingFileDialog, QV_SaveFileDialog};
    for (int s = 0; s < 3; s++) {
        dialog(slots[s], 0, 255);
        dialog(slots[s], (uint32_t)(uintptr_t)console, 255);
        dialog(slots[s], 0xFFFFFFFFu, 255);
        dialog(slots[s], 0x80000000u, 255);
    }
}

/* Without a printer (none is installed for this test) every print service
 * answers 0 and prints nothing. Windows 98 as Wine reports it hangs in
 * PrintDlgA, so there only the services that need no dialog are called. */
static void printing(void)
{
    int32_t v;
    if (!nineX) {
        EACH_HOSTILE(v)
        {
            qvPrinterSetup((uint32_t)v);
            CHECK_EQ(qvChoosePrinter(v), 0);
            CHECK_EQ(qvSetPrintOrientation(v), 0);
        }
        qvBeginPrintJob();
    } else {
        qvtPrint("note: Windows 98: PrinterSetup, ChoosePrinter, SetPrintOrientation and BeginPrintJob skipped "
                 "(Wine's PrintDlgA hangs there)\n");
    }
    qvNewPrintPage();
    qvStartPrintPage();
    qvEndPrintPage();
    qvEndPrintJob();
    CHECK_EQ(qvGetPrintQuality(), 0);
    qvGetPrintCopies();
    qvGetPrintFromPage();
    qvGetPrintToPage();
    qvReleasePrinter();
    qvReleasePrinter();
}

static void finish(void)
{
    /* The console still works after all of it. */
    qvClearScreen();
    qvWriteText("done", 4);
    CHECK_EQ(qvQueryCursor(), 4);
    CHECK_BYTES(qvGetScreenBuffer(), "done", 4);
    nothingLost();
    closing = 0;
    qvtFinish();
}

typedef struct {
    void (*run)(void);
} Step;

static const Step steps[] = {
    {tableServices},         {withoutConsole},     {openTheConsole},    {output},
    {writeTextPastTheBuffer}, {writeTextAtZero},   {cursorAndView},     {bufferSizes},
    {windowServices},        {tones},              {events},            {readLines},
    {readLinePastTheBuffer}, {afterReadLineFault}, {memoryBlocks},      {libraries},
    {loadLibraryAtZero},     {textCase},           {upperCasePastTheBuffer}, {files},
    {readFileBytesPastTheBuffer}, {messages},      {fileDialogs},       {printing},
    {finish},
};

static uint32_t step;

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        apiInit();
        nineX = (wGetVersion() & 0x80000000u) != 0;
        mainThread = wGetCurrentThreadId();
        arenaInit();
        keepFiles();
        qvtPatchImport("kernel32.dll", "Beep", (void *)countBeep);
        wCreateThread(0, 0, closer, 0, 0, 0);
    } else if (faultPending) {
        resumeAfterFault();
        step++;
    } else {
        qvtPrint("FAIL a fault no step announced: %X, in step %u\n", qvHeader.faultCode, step);
        step++;
    }
    for (; step < sizeof steps / sizeof steps[0]; step++) {
        steps[step].run();
        noFaultCame();
    }
    return 0;
}
