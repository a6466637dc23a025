/* Copy and paste through the system menu's Edit submenu: its items, a
 * paste of Chinese and ASCII read through ReadLine byte for byte, a paste
 * of 10,000 characters, input typed during a paste, a marked rectangle
 * copied (its edges inside double-byte characters), marking by the keys,
 * Esc, select all, and that nothing of the mouse or the keys reaches the
 * queue while marking. The tail "lossy" says the program's code page lacks
 * Chinese (1252 without --code-page): pasted Chinese is then left out with
 * one bell, and the copied text is checked only for what 1252 holds. */
#include "cwin.h"
#include "../input/probe.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

enum { SC_EDIT_MARK = 0xFF00, SC_EDIT_COPY = 0xFF10, SC_EDIT_PASTE = 0xFF20, SC_EDIT_SELECT_ALL = 0xFF30 };

#define API(dll, name, ret, args) static ret(__attribute__((stdcall)) * p##name) args;
#define CLIP_API(X)                                                    \
    X(user32, OpenClipboard, BOOL, (HWND))                             \
    X(user32, CloseClipboard, BOOL, (void))                            \
    X(user32, EmptyClipboard, BOOL, (void))                            \
    X(user32, SetClipboardData, HANDLE, (UINT, HANDLE))                \
    X(user32, GetClipboardData, HANDLE, (UINT))                        \
    X(user32, GetSystemMenu, HMENU, (HWND, BOOL))                      \
    X(user32, GetMenuItemCount, int, (HMENU))                          \
    X(user32, GetSubMenu, HMENU, (HMENU, int))                         \
    X(user32, GetMenuItemID, UINT, (HMENU, int))                       \
    X(user32, GetMenuStringW, int, (HMENU, UINT, WCHAR *, int, UINT))  \
    X(user32, GetKeyboardState, BOOL, (BYTE *))                        \
    X(user32, SetKeyboardState, BOOL, (BYTE *))                        \
    X(user32, DefWindowProcW, LRESULT, (HWND, UINT, WPARAM, LPARAM))   \
    X(kernel32, GlobalAlloc, HGLOBAL, (UINT, SIZE_T))                  \
    X(kernel32, GlobalLock, void *, (HGLOBAL))                         \
    X(kernel32, GlobalUnlock, BOOL, (HGLOBAL))                         \
    X(kernel32, WideCharToMultiByte, int, (UINT, DWORD, const WCHAR *, int, char *, int, const char *, BOOL *))
CLIP_API(API)
#undef API

static void clipInit(void)
{
#define LOOK(dll, name, ret, args) p##name = (ret(__attribute__((stdcall)) *) args)qvtProc(#dll ".dll", #name);
    CLIP_API(LOOK)
#undef LOOK
}

static HWND w;
static int lossy;     /* the program's code page lacks Chinese */
static int windows9x; /* Wine reports Windows 9x (GetVersion's high bit) */

static LRESULT sendTo(UINT message, WPARAM wParam, LPARAM lParam) { return wSendMessageA(w, message, wParam, lParam); }
static void command(UINT id) { sendTo(WM_SYSCOMMAND, id, 0); }

static int wideLength(const WCHAR *s)
{
    int n = 0;
    while (s[n]) n++;
    return n;
}

static int sameWide(const WCHAR *a, const WCHAR *b)
{
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

static void setClipboard(const WCHAR *text, int units)
{
    HGLOBAL block = pGlobalAlloc(GMEM_MOVEABLE, (SIZE_T)(units + 1) * 2);
    WCHAR *p = pGlobalLock(block);
    memcpy(p, text, (size_t)units * 2);
    p[units] = 0;
    pGlobalUnlock(block);
    CHECK(pOpenClipboard(w));
    pEmptyClipboard();
    CHECK(pSetClipboardData(CF_UNICODETEXT, block) != 0);
    pCloseClipboard();
}

/* The clipboard's CF_UNICODETEXT into out (max units); its length, -1 when none. */
static int readClipboard(WCHAR *out, int max)
{
    int n = -1;
    out[0] = 0;
    if (!pOpenClipboard(w)) return -1;
    HANDLE block = pGetClipboardData(CF_UNICODETEXT);
    const WCHAR *p = block ? pGlobalLock(block) : 0;
    if (p) {
        for (n = 0; n < max - 1 && p[n]; n++) out[n] = p[n];
        out[n] = 0;
        pGlobalUnlock(block);
    }
    pCloseClipboard();
    return n;
}

static void printWide(const char *label, const WCHAR *s)
{
    qvtPrint("%s:", label);
    for (; *s; s++) qvtPrint(" %X", *s);
    qvtPrint("\n");
}

/* ---- The menu ------------------------------------------------------------ */

static void menuItems(void)
{
    static const WCHAR edit[] = {0x7F16, 0x8F91, 0};                /* 编辑 */
    static const WCHAR items[4][3] = {{0x6807, 0x8BB0, 0},          /* 标记 */
                                      {0x590D, 0x5236, 0},          /* 复制 */
                                      {0x7C98, 0x8D34, 0},          /* 粘贴 */
                                      {0x5168, 0x9009, 0}};         /* 全选 */
    static const UINT ids[4] = {SC_EDIT_MARK, SC_EDIT_COPY, SC_EDIT_PASTE, SC_EDIT_SELECT_ALL};
    HMENU system = pGetSystemMenu(w, FALSE);
    int n = pGetMenuItemCount(system);
    WCHAR text[32];
    pGetMenuStringW(system, n - 1, text, 32, MF_BYPOSITION);
    CHECK(sameWide(text, edit));
    HMENU sub = pGetSubMenu(system, n - 1);
    CHECK(sub != 0);
    CHECK_EQ(pGetMenuItemCount(sub), 4);
    for (int i = 0; i < 4; i++) {
        CHECK_EQ(pGetMenuItemID(sub, i), ids[i]);
        pGetMenuStringW(sub, i, text, 32, MF_BYPOSITION);
        CHECK(sameWide(text, items[i]));
    }
}

/* ---- Pasting ------------------------------------------------------------- */

static int readLineIs(const char *want, int n)
{
    char buf[80];
    int got = qvReadLine(buf, 79);
    if (got == n && memcmp(buf, want, (size_t)n) == 0) return 1;
    qvtPrint("ReadLine gave %d bytes:", got);
    for (int i = 0; i < got; i++) qvtPrint(" %02X", (unsigned char)buf[i]);
    qvtPrint(", expected %d\n", n);
    return 0;
}

static void pasteLines(void)
{
    /* 中文 ab CR LF 第二行x ^A CR y LF z CR LF: four lines, the control
     * character dropped. */
    static const WCHAR text[] = {0x4E2D, 0x6587, ' ', 'a', 'b', 13, 10, 0x7B2C, 0x4E8C, 0x884C, 'x', 1, 13,
                                 'y', 10, 'z', 13, 10, 0};
    qvClearScreen();
    probeDrainEvents();
    setClipboard(text, wideLength(text));
    int bells = probeBells;
    command(SC_EDIT_PASTE);
    if (lossy) {
        CHECK(readLineIs(" ab", 3));
        CHECK(readLineIs("x", 1));
        CHECK_EQ(probeBells, bells + 1); /* once for the whole paste */
    } else {
        CHECK(readLineIs("\xD6\xD0\xCE\xC4 ab", 7));
        CHECK(readLineIs("\xB5\xDA\xB6\xFE\xD0\xD0x", 7));
        CHECK_EQ(probeBells, bells);
    }
    CHECK(readLineIs("y", 1));
    CHECK(readLineIs("z", 1));
    CHECK_EQ(qvPeekEvent(), 0);
    /* Tab is kept, DEL and C1 controls go, as typing gives them. (On
     * Windows 9x the text is read as CF_TEXT in the system's code page,
     * which has no U+0085.) */
    static const WCHAR tab[] = {'a', 9, 0x7F, 0x85, 'b', 0};
    static const WCHAR tab9x[] = {'a', 9, 0x7F, 'b', 0};
    setClipboard(windows9x ? tab9x : tab, wideLength(windows9x ? tab9x : tab));
    command(SC_EDIT_PASTE);
    CHECK_EQ(qvWaitEvent(), 'a');
    CHECK_EQ(qvWaitEvent(), 9);
    CHECK_EQ(qvWaitEvent(), 'b');
    CHECK_EQ(qvPeekEvent(), 0);
}

/* 200 lines of 48 characters and CR LF: 10,000 units. Every third
 * character is Chinese unless the code page lacks it. */
static WCHAR bigText[10001];
static char bigLines[200][64];
static int bigLengths[200];

static void makeBigText(void)
{
    int n = 0;
    for (int i = 0; i < 200; i++) {
        int len = 0;
        for (int k = 0; k < 48; k++) {
            WCHAR c;
            if (k < 4) c = (WCHAR)('0' + (i / (k == 0 ? 1000 : k == 1 ? 100 : k == 2 ? 10 : 1)) % 10);
            else if (k % 3 == 0) c = (WCHAR)(0x4E00 + (i + k) % 200);
            else c = (WCHAR)('a' + (i + k) % 26);
            bigText[n++] = c;
            if (c < 0x80) {
                bigLines[i][len++] = (char)c;
            } else if (!lossy) {
                len += pWideCharToMultiByte(936, 0, &c, 1, bigLines[i] + len, 4, 0, 0);
            }
        }
        bigText[n++] = 13;
        bigText[n++] = 10;
        bigLengths[i] = len;
    }
    bigText[n] = 0;
}

static void pasteTenThousand(void)
{
    makeBigText();
    qvClearScreen();
    probeDrainEvents();
    setClipboard(bigText, 10000);
    int bells = probeBells;
    command(SC_EDIT_PASTE);
    int ok = 1;
    for (int i = 0; i < 200 && ok; i++) {
        ok = readLineIs(bigLines[i], bigLengths[i]);
        if (!ok) qvtPrint("line %d differs\n", i);
    }
    CHECK(ok);
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK_EQ(probeBells, bells + (lossy ? 1 : 0)); /* never the full-queue bell */
}

static void typedDuringAPaste(void)
{
    /* The first 2,000 units: far more than the queue holds. A key and a
     * character typed meanwhile come after all of it. */
    setClipboard(bigText, 2000);
    command(SC_EDIT_PASTE);
    sendTo(WM_CHAR, 'Q', 0);
    sendTo(WM_KEYDOWN, VK_F1, 0);
    int count = 0, last2 = 0, last1 = 0, ok = 1;
    int32_t e;
    for (int line = 0; line < 40; line++)
        for (int k = 0; k <= bigLengths[line]; k++) {
            e = qvWaitEvent();
            int want = k < bigLengths[line] ? (unsigned char)bigLines[line][k] : 13;
            if (e != want) ok = 0;
            count++;
        }
    last2 = qvWaitEvent();
    last1 = qvWaitEvent();
    CHECK(ok);
    CHECK_EQ(last2, 'Q');
    CHECK_EQ(last1, 0x10001);
    CHECK_EQ(qvPeekEvent(), 0);
    (void)count;
}

/* ---- Marking and copying ------------------------------------------------- */

static LPARAM cellPoint(int row, int col)
{
    return (LPARAM)(((row * lineHeight() + lineHeight() / 2) << 16) | (col * charWidth() + 1 + charWidth() / 2));
}

static int captionMarking(void)
{
    WCHAR caption[160];
    caption[0] = 0;
    pDefWindowProcW(w, WM_GETTEXT, 160, (LPARAM)caption);
    return caption[0] == 0x6807 && caption[1] == 0x8BB0 && caption[2] == ' ' && caption[3] == '-';
}

/* 1 when cell (row, col) shows inverted: most of its pixels are the
 * inverse of the background. */
static int cellInverted(const Capture *c, int row, int col)
{
    int x = col * charWidth() + 1, y = row * lineHeight();
    uint32_t back = wGetSysColor(COLOR_WINDOW) & 0xFFFFFF;
    int inverse = countColor(c, x, y, x + charWidth(), y + lineHeight(), back ^ 0xFFFFFF);
    return inverse * 2 > charWidth() * lineHeight();
}

static void writeRows(void)
{
    qvClearScreen();
    qvWriteText("ab\xD6\xD0\xCE\xC4" "cd", 8); /* ab中文cd */
    qvNewLine();
    qvWriteText("0123456789", 10);
    qvNewLine();
    qvWriteText("xy\xCE\xC4z", 5); /* xy文z */
    qvMoveCursor(0, 1);
    probeDrainEvents();
}

static void expectClipboard(const WCHAR *want, const char *what)
{
    WCHAR got[256];
    readClipboard(got, 256);
    if (!sameWide(got, want)) {
        qvtPrint("FAIL %s: the clipboard differs\n", what);
        printWide("got", got);
        printWide("expected", want);
        qvtFailures++;
    } else {
        qvtPrint("ok %s\n", what);
        qvtPasses++;
    }
}

static void markWithTheMouse(void)
{
    writeRows();
    command(SC_EDIT_MARK);
    CHECK(captionMarking());
    /* A drag from the trail byte of 中 (row 0, column 3) to column 4 of
     * row 2, which is 文's trail byte there and 文's lead byte on row 0. */
    sendTo(WM_LBUTTONDOWN, MK_LBUTTON, cellPoint(0, 3));
    sendTo(WM_MOUSEMOVE, MK_LBUTTON, cellPoint(1, 4));
    sendTo(WM_MOUSEMOVE, MK_LBUTTON, cellPoint(2, 4));
    sendTo(WM_LBUTTONUP, 0, cellPoint(2, 4));
    /* Keys and characters are the marking's too. */
    sendTo(WM_KEYDOWN, VK_F1, 0);
    sendTo(WM_CHAR, 'k', 0);
    CHECK_EQ(qvPeekEvent(), 0);
    /* Drawn inverted over the picture, widened over 中 and 文; the
     * buffer holds the text as it was. */
    Capture c;
    captureClient(w, &c);
    CHECK(cellInverted(&c, 0, 3) && cellInverted(&c, 1, 3) && cellInverted(&c, 1, 4) && cellInverted(&c, 2, 4));
    CHECK(!cellInverted(&c, 0, 1) && !cellInverted(&c, 1, 2) && !cellInverted(&c, 1, 5) && !cellInverted(&c, 2, 5));
    /* Without lead bytes (1252) the GBK bytes are single cells: no widening. */
    CHECK(cellInverted(&c, 0, 2) == !lossy && cellInverted(&c, 0, 5) == !lossy && cellInverted(&c, 2, 2) == !lossy);
    freeCapture(&c);
    CHECK_EQ(cellAt(1, 3), '3');
    /* Output meanwhile goes into the buffer as usual. */
    qvMoveCursor(0, 3);
    qvWriteText("late", 4);
    CHECK_EQ(cellAt(3, 0), 'l');
    /* A right click copies and ends marking; it reaches the queue no more
     * than the drag did. */
    sendTo(WM_RBUTTONDOWN, MK_RBUTTON, cellPoint(5, 5));
    sendTo(WM_RBUTTONUP, 0, cellPoint(5, 5));
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK(!captionMarking());
    static const WCHAR want[] = {0x4E2D, 0x6587, 13, 10, '3', '4', 13, 10, 0x6587, 'z', 0};
    static const WCHAR wantLossy[] = {13, 10, '3', '4', 13, 10, 0}; /* the GBK bytes are no text in 1252 */
    if (!lossy) expectClipboard(want, "the dragged rectangle, its edges inside double-byte characters");
    else {
        WCHAR got[64];
        readClipboard(got, 64);
        CHECK(got[2] == 13 && got[3] == 10); /* the rows as they read in 1252 */
        (void)wantLossy;
    }
    captureClient(w, &c);
    CHECK(!cellInverted(&c, 1, 3));
    freeCapture(&c);
    /* The mouse is the program's again. */
    sendTo(WM_LBUTTONDOWN, MK_LBUTTON, cellPoint(1, 1));
    CHECK_EQ(qvWaitEvent() & 0xFFF00000, 0x02200000);
    sendTo(WM_LBUTTONUP, 0, cellPoint(1, 1));
    probeDrainEvents();
}

static void shiftKey(int down)
{
    BYTE keys[256];
    pGetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    pSetKeyboardState(keys);
}

static void markWithTheKeys(void)
{
    writeRows(); /* the cursor at row 1, column 0 */
    command(SC_EDIT_MARK);
    shiftKey(1);
    for (int i = 0; i < 3; i++) sendTo(WM_KEYDOWN, VK_RIGHT, 0);
    sendTo(WM_KEYDOWN, VK_DOWN, 0);
    shiftKey(0);
    sendTo(WM_CHAR, 13, 0); /* Enter copies */
    CHECK_EQ(qvPeekEvent(), 0);
    CHECK(!captionMarking());
    static const WCHAR want[] = {'0', '1', '2', '3', 13, 10, 'x', 'y', 0x6587, 0};
    if (!lossy) expectClipboard(want, "Shift and the arrows from the cursor");

    /* Esc ends marking and leaves the clipboard alone. */
    static const WCHAR keep[] = {'k', 'e', 'e', 'p', 0};
    setClipboard(keep, 4);
    command(SC_EDIT_MARK);
    shiftKey(1);
    sendTo(WM_KEYDOWN, VK_RIGHT, 0);
    shiftKey(0);
    sendTo(WM_CHAR, 27, 0);
    CHECK(!captionMarking());
    expectClipboard(keep, "Esc copies nothing");

    /* Select all: every row down to the last one written, until Enter. */
    qvMoveCursor(0, 3);
    qvWriteText("end", 3);
    probeDrainEvents();
    command(SC_EDIT_SELECT_ALL);
    CHECK(captionMarking());
    sendTo(WM_CHAR, 13, 0);
    static const WCHAR all[] = {'a', 'b', 0x4E2D, 0x6587, 'c', 'd', 13, 10, '0', '1', '2', '3', '4', '5', '6',
                                '7', '8', '9', 13, 10, 'x', 'y', 0x6587, 'z', 13, 10, 'e', 'n', 'd', 0};
    if (!lossy) expectClipboard(all, "select all");
    CHECK_EQ(qvPeekEvent(), 0);
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    clipInit();
    CHECK(probeInstallBellCounter());
    lossy = cwinArgIs("lossy");
    windows9x = (((DWORD(__attribute__((stdcall)) *)(void))qvtProc("kernel32.dll", "GetVersion"))() & 0x80000000u) != 0;
    qvtPrint("running as Windows %s\n", windows9x ? "9x" : "NT");
    w = openTestConsole(25, 80);
    probeDrainEvents();
    menuItems();
    pasteLines();
    pasteTenThousand();
    typedDuringAPaste();
    markWithTheMouse();
    markWithTheKeys();
    qvtFinish();
    return 0;
}
