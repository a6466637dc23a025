/* Reports what the console window looks like after OpenConsole: the show
 * state the platform made of the start-up show command OR 6. With "spawn N"
 * it starts itself with STARTF_USESHOWWINDOW and wShowWindow N ("spawn -"
 * without the flag) and passes the child's report on. */
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

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
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
        ((int(__attribute__((cdecl)) *)(char *, const char *, ...))qvtProc("user32.dll", "wsprintfA"))(line, "\"%s\" report", exe);
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
    WINDOWPLACEMENT wp;
    wp.length = sizeof wp;
    wGetWindowPlacement(w, &wp);
    int32_t view = qvGetViewSize();
    qvtPrint("startflags %d wShowWindow %d visible %d iconic %d showCmd %d windowState %d view %dx%d buffer %d\n",
             (int)(si.dwFlags & STARTF_USESHOWWINDOW), si.wShowWindow, wIsWindowVisible(w), wIsIconic(w),
             wp.showCmd, qvGetWindowState(), view >> 16, view & 0xFFFF, qvGetScreenBuffer() != 0);
    CHECK(w != 0);
    qvtFinish();
    return 0;
}
