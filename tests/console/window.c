/* The console window: class, caption and style, the rectangle it opens at,
 * a second OpenConsole, the tracking-size limit, the cell size from the
 * stock fixed font, MoveConsole, and WM_CLOSE. The driver script picks the
 * mode and checks the registry around the runs. */
#include "cwin.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static void printRect(HWND w)
{
    RECT r;
    wGetWindowRect(w, &r);
    qvtPrint("rect %d,%d,%d,%d\n", r.left, r.top, r.right, r.bottom);
}

/* The stored rectangle as the running program finds it. */
static void printStored(void)
{
    typedef LONG(__attribute__((stdcall)) * RegOpenKeyExA_t)(HKEY, const char *, DWORD, DWORD, HKEY *);
    typedef LONG(__attribute__((stdcall)) * RegQueryValueExA_t)(HKEY, const char *, DWORD *, DWORD *, BYTE *, DWORD *);
    typedef LONG(__attribute__((stdcall)) * RegCloseKey_t)(HKEY);
    HKEY key;
    char text[64] = "none";
    DWORD size = sizeof text - 1;
    if (((RegOpenKeyExA_t)qvtProc("advapi32.dll", "RegOpenKeyExA"))(HKEY_CURRENT_USER, "SOFTWARE\\QUORVEN\\SETTINGS", 0,
                                                                   KEY_READ, &key) == 0) {
        if (((RegQueryValueExA_t)qvtProc("advapi32.dll", "RegQueryValueExA"))(key, "Console", 0, 0, (BYTE *)text,
                                                                             &size) != 0)
            qvtPrint("stored none\n");
        else
            qvtPrint("stored %s\n", text);
        ((RegCloseKey_t)qvtProc("advapi32.dll", "RegCloseKey"))(key);
    } else {
        qvtPrint("stored none\n");
    }
}

static void QV_STDCALL shutdownHook(void)
{
    qvtPrint("hook ran, window %d\n", wIsWindowVisible((HWND)qvOpenConsole()) ? 1 : 0);
}

/* Class, caption, style: fixed values of the interface. */
static void checkClassAndWindow(HWND w)
{
    char name[64], caption[64];
    wGetClassNameA(w, name, sizeof name);
    CHECK_EQ(qvtStrcmp(name, "Quorven"), 0);
    wGetWindowTextA(w, caption, sizeof caption);
    /* " Win9X/NT/2K 32位Quorven核 Ver 2.00" in GBK */
    CHECK_EQ(qvtStrcmp(caption, " Win9X/NT/2K 32\xCE\xBBQuorven\xBA\xCB Ver 2.00"), 0);
    CHECK_EQ(wGetClassLongA(w, GCL_STYLE), 0x2B);
    CHECK_EQ(wGetClassLongA(w, GCL_HBRBACKGROUND), COLOR_WINDOW + 1);
    CHECK(wGetClassLongA(w, GCL_HICON) != 0);
    CHECK_EQ(wGetClassLongA(w, GCL_HCURSOR), 0);
    LONG style = wGetWindowLongA(w, GWL_STYLE);
    CHECK_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    CHECK_EQ(wGetWindowLongA(w, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    int lo = -1, hi = -1;
    wGetScrollRange(w, SB_VERT, &lo, &hi);
    qvtPrint("scroll range %d..%d\n", lo, hi);
}

/* WM_GETMINMAXINFO: (bufferCols + 2) x w by (bufferRows + 4) x h, cell sizes
 * of 8 or less counting as 8; the other members are left alone. */
static void checkMinMax(HWND w)
{
    MINMAXINFO mm;
    memset(&mm, 0x55, sizeof mm);
    int32_t cell = qvGetCellSize();
    int cw = cell >> 16, lh = cell & 0xFFFF;
    wSendMessageA(w, WM_GETMINMAXINFO, 0, (LPARAM)&mm);
    CHECK_EQ(mm.ptMaxTrackSize.x, 130 * (cw <= 8 ? 8 : cw));
    CHECK_EQ(mm.ptMaxTrackSize.y, 516 * (lh <= 8 ? 8 : lh));
    CHECK_EQ(mm.ptMinTrackSize.x, 0x55555555);
    qvSetCellSize(0, 0); /* as before the font is measured */
    wSendMessageA(w, WM_GETMINMAXINFO, 0, (LPARAM)&mm);
    CHECK_EQ(mm.ptMaxTrackSize.x, 1040);
    CHECK_EQ(mm.ptMaxTrackSize.y, 4128);
    qvSetCellSize(9, 11);
    wSendMessageA(w, WM_GETMINMAXINFO, 0, (LPARAM)&mm);
    CHECK_EQ(mm.ptMaxTrackSize.x, 130 * 11);
    CHECK_EQ(mm.ptMaxTrackSize.y, 516 * 9);
    qvSetCellSize(lh, cw);
}

/* The cell size comes from the stock fixed font: width raised to 8, height
 * plus external leading. */
static void checkCellSize(HWND w)
{
    HDC dc = wGetDC(w);
    CHECK_EQ(wGetCurrentObject(dc, OBJ_FONT), wGetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm;
    HDC mem = wCreateCompatibleDC(0);
    wSelectObject(mem, wGetStockObject(ANSI_FIXED_FONT));
    wGetTextMetricsA(mem, &tm);
    wDeleteDC(mem);
    int cw = tm.tmAveCharWidth <= 8 ? 8 : tm.tmAveCharWidth;
    qvtPrint("stock fixed font: average width %d, height %d, external leading %d\n", tm.tmAveCharWidth,
             tm.tmHeight, tm.tmExternalLeading);
    CHECK_EQ(qvGetCellSize(), (uint32_t)(cw * 65536 + tm.tmHeight + tm.tmExternalLeading));
    CHECK_EQ((uint32_t)qvGetScreenDC(), (uint32_t)dc); /* the window's own context */
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    if (cwinArgIs("before")) {
        /* Nothing exists yet; output does nothing and ExitProgram touches no window. */
        CHECK_EQ(qvGetBufferSize(), 0x02000080);
        CHECK_EQ(qvGetViewSize(), 0);
        CHECK_EQ(qvGetCellSize(), 0);
        CHECK_EQ(qvGetCaretHeight(), 2);
        qvWriteText("abc", 3);
        qvPutChar('x');
        qvNewLine();
        qvClearScreen();
        qvFitViewToPixels(400, 640); /* no font measured: refused */
        CHECK_EQ(qvGetViewSize(), 0);
        CHECK_EQ(qvGetScreenBuffer(), 0);
        CHECK_EQ(qvSetBufferSize(100, 80), 0);
        CHECK_EQ(qvGetBufferSize(), 0x02000080);
        CHECK_EQ(qvQueryCursor(), 0);
        CHECK(wFindWindowA("Quorven", 0) == 0);
        qvtFinish();
    }
    HWND w = (HWND)qvOpenConsole();
    CHECK(w != 0);
    if (cwinArgIs("rect")) {
        printRect(w);
        printStored();
        /* A second OpenConsole returns the same window and leaves it alone. */
        RECT before, after;
        wGetWindowRect(w, &before);
        int visible = wIsWindowVisible(w);
        CHECK_EQ(qvOpenConsole(), (uint32_t)w);
        wGetWindowRect(w, &after);
        CHECK_BYTES(&after, &before, sizeof before);
        CHECK_EQ(wIsWindowVisible(w), visible);
        qvtFinish();
    }
    if (cwinArgIs("class")) {
        checkClassAndWindow(w);
        checkCellSize(w);
        checkMinMax(w);
        qvtFinish();
    }
    if (cwinArgIs("close")) {
        qvRestoreConsole();
        RECT r0, r;
        wGetWindowRect(w, &r0);
        qvMoveConsole(60, 120); /* top first */
        wGetWindowRect(w, &r);
        CHECK_EQ(r.left, 120);
        CHECK_EQ(r.top, 60);
        CHECK_EQ(r.right - r.left, r0.right - r0.left);
        CHECK_EQ(r.bottom - r.top, r0.bottom - r0.top);
        printRect(w);
        qvHeader.shutdownHook = (QvWord)(uintptr_t)shutdownHook;
        qvtPrint("%d passed, %d failed\n", qvtPasses, qvtFailures);
        wPostMessageA(w, WM_CLOSE, 0, 0);
        cwinPump(5000);
        qvtPrint("FAIL still running after WM_CLOSE\n");
        qvExitProgram(3);
    }
    if (cwinArgIs("minimized")) {
        /* A minimized window at shutdown leaves the stored value alone. */
        wShowWindow(w, SW_MINIMIZE);
        CHECK_EQ(qvGetWindowState(), SIZE_MINIMIZED);
        qvtFinish();
    }
    qvtPrint("FAIL unknown mode %s\n", cwinArg());
    qvExitProgram(2);
    return 0;
}
