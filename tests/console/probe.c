/* Reports what the console window looks like after OpenConsole, which shows
 * it with the start-up show command OR 6 and, under Wine, again as the
 * launcher asked: the show state, and whether the text written before any
 * RestoreConsole is on the display. With "spawn N" it starts itself with
 * STARTF_USESHOWWINDOW and wShowWindow N ("spawn -" without the flag) and
 * passes the child's report on. "report FILE" also writes the report into
 * FILE (a program started by "wine start" has no standard output). */
#include "cwin.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int parseInt(const char *s)
{
    int sign = 1, n = 0;
    if (*s == '-') sign = -1, s++;
    while (*s >= '0' && *s <= '9') n = n * 10 + (*s++ - '0');
    return sign * n;
}

typedef int(__attribute__((cdecl)) * wsprintfA_t)(char *, const char *, ...);

static void writeFile(const char *path, const char *text)
{
    typedef void *(__attribute__((stdcall)) * CreateFileA_t)(const char *, uint32_t, uint32_t, void *, uint32_t,
                                                              uint32_t, void *);
    typedef int(__attribute__((stdcall)) * WriteFile_t)(void *, const void *, uint32_t, uint32_t *, void *);
    typedef int(__attribute__((stdcall)) * CloseHandle_t)(void *);
    void *file = ((CreateFileA_t)qvtProc("kernel32.dll", "CreateFileA"))(path, 0x40000000 /* GENERIC_WRITE */, 0, 0,
                                                                         2 /* CREATE_ALWAYS */, 0x80, 0);
    uint32_t written;
    ((WriteFile_t)qvtProc("kernel32.dll", "WriteFile"))(file, text, qvtStrlen(text), &written, 0);
    ((CloseHandle_t)qvtProc("kernel32.dll", "CloseHandle"))(file);
}

/* 1 when the window's scroll bar shows what painting it again shows, else 0. */
static int barAsPainted(HWND w)
{
    RECT outer, client;
    wGetWindowRect(w, &outer);
    wGetClientRect(w, &client);
    POINT origin = {0, 0};
    wClientToScreen(w, &origin);
    int x = origin.x - outer.left + client.right, y = origin.y - outer.top;
    int width = wGetSystemMetrics(SM_CXVSCROLL), height = client.bottom;
    Capture opened, fresh;
    captureWindowArea(w, x, y, width, height, &opened);
    wRedrawWindow(w, 0, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    captureWindowArea(w, x, y, width, height, &fresh);
    int differing = 0;
    for (int i = 0; i < width * height; i++) differing += opened.bits[i] != fresh.bits[i];
    freeCapture(&opened);
    freeCapture(&fresh);
    if (differing) qvtPrint("%d pixels of the scroll bar differ from its fresh painting\n", differing);
    return differing == 0;
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    wsprintfA_t format = (wsprintfA_t)qvtProc("user32.dll", "wsprintfA");
    const char *arg = cwinArg();
    if (arg[0] == 's') {
        char exe[300], line[400];
        wGetModuleFileNameA(0, exe, sizeof exe);
        int n = arg[6] == '-' ? -1 : parseInt(arg + 6);
        STARTUPINFOA si;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        if (n >= 0) {
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = (WORD)n;
        }
        format(line, "\"%s\" report", exe);
        PROCESS_INFORMATION pi;
        CHECK(wCreateProcessA(exe, line, 0, 0, TRUE, 0, 0, 0, &si, &pi));
        CHECK_EQ(wWaitForSingleObject(pi.hProcess, 20000), 0);
        DWORD code = 99;
        wGetExitCodeProcess(pi.hProcess, &code);
        CHECK_EQ(code, 0);
        qvtFinish();
    }
    STARTUPINFOA si;
    wGetStartupInfoA(&si);
    HWND w = (HWND)qvOpenConsole();
    /* The show state as OpenConsole left it (under Wine without a window
     * manager a maximized window is restored once X has answered). */
    WINDOWPLACEMENT wp;
    wp.length = sizeof wp;
    wGetWindowPlacement(w, &wp);
    int visible = wIsWindowVisible(w), iconic = wIsIconic(w), state = qvGetWindowState();
    int32_t view = qvGetViewSize();
    int buffer = qvGetScreenBuffer() != 0;
    /* The scroll bar as the opening left it, before any message is handled,
     * against the same bar painted afresh from the window's final state. */
    int bar = visible && !iconic ? barAsPainted(w) : -1;
    /* A line of ink, drawn as the program writes it; read from the display
     * once the system has had the time to bring it there. */
    qvSetCaretHeight(0);
    qvWriteText("MMMMMMMM", 8);
    qvPeekEvent();
    int ink = 0;
    for (int tries = 0; tries < 50 && !ink && wIsWindowVisible(w) && !wIsIconic(w) && qvGetScreenBuffer(); tries++) {
        cwinPump(100); /* up to 5 s: longer under the i386 emulator */
        Capture shown;
        captureShown(w, &shown);
        ink = countOther(&shown, 1, 0, 1 + 8 * charWidth(), lineHeight(), wGetSysColor(COLOR_WINDOW));
        freeCapture(&shown);
    }
    char report[300];
    format(report,
           "startflags %d wShowWindow %d visible %d iconic %d showCmd %d windowState %d view %dx%d buffer %d ink %d bar %d\n",
           (int)(si.dwFlags & STARTF_USESHOWWINDOW), si.wShowWindow, visible, iconic, wp.showCmd, state, view >> 16,
           view & 0xFFFF, buffer, ink, bar);
    qvtPrint("%s", report);
    if (arg[6] == ' ') writeFile(arg + 7, report);
    CHECK(w != 0);
    qvtFinish();
    return 0;
}
