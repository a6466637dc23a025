/* No printer installed: the choices and SetPrintOrientation return 0, open no
 * printer and show nothing. The driver script runs it against a cupsd with no
 * destination and against no cupsd at all. */
#include "printtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int windowsShown;

/* Counts and closes every visible window of this thread: with no printer the
 * kernel shows none. */
static int QV_STDCALL closeWindow(void *hwnd, void *unused)
{
    (void)unused;
    if (((int(QV_STDCALL *)(void *))ptApi("user32.dll", "IsWindowVisible"))(hwnd)) {
        windowsShown++;
        ((int(QV_STDCALL *)(void *, uint32_t, uint32_t, uint32_t))ptApi("user32.dll", "PostMessageA"))(hwnd, 0x0111, 2, 0);
        ((int(QV_STDCALL *)(void *, uint32_t, uint32_t, uint32_t))ptApi("user32.dll", "PostMessageA"))(hwnd, 0x0010, 0, 0);
    }
    return 1;
}

static void QV_STDCALL watch(void *hwnd, uint32_t msg, uint32_t id, uint32_t time)
{
    (void)hwnd, (void)msg, (void)id, (void)time;
    uint32_t thread = ((uint32_t(QV_STDCALL *)(void))ptApi("kernel32.dll", "GetCurrentThreadId"))();
    ((int(QV_STDCALL *)(uint32_t, void *, void *))ptApi("user32.dll", "EnumThreadWindows"))(thread, (void *)closeWindow, 0);
}

static int32_t QV_STDCALL entry(void)
{
    ptInstallHooks();
    ((uint32_t(QV_STDCALL *)(void *, uint32_t, uint32_t, void *))ptApi("user32.dll", "SetTimer"))(0, 0, 100, (void *)watch);
    int16_t orientation, quality;
    CHECK(!ptDefaultDevMode(&orientation, &quality)); /* the platform sees no printer either */

    CHECK_EQ(qvChoosePrinter(1), 0);
    CHECK_EQ(ptCalls.printDlg, 1);
    CHECK_EQ(ptLastDialogResult, 0);
    CHECK_EQ(ptCalls.createDC, 0);
    /* The record was reset all the same. */
    CHECK_EQ(qvGetPrintCopies(), 1);
    CHECK_EQ(qvGetPrintFromPage(), 1);
    CHECK_EQ(qvGetPrintToPage(), 999);
    CHECK_EQ(qvGetPrintQuality(), 0);

    CHECK_EQ(qvSetPrintOrientation(1), 0);
    CHECK_EQ(qvSetPrintOrientation(0), 0);
    CHECK_EQ(ptCalls.openPrinter, 0);
    CHECK_EQ(ptCalls.setPrinter, 0);
    CHECK_EQ(ptCalls.createDC, 0);

    /* Let the watch run once more before counting. */
    ((void(QV_STDCALL *)(uint32_t))ptApi("kernel32.dll", "Sleep"))(250);
    struct { void *h; uint32_t m, w, l, t, x, y; } msg;
    while (((int(QV_STDCALL *)(void *, void *, uint32_t, uint32_t, uint32_t))ptApi("user32.dll", "PeekMessageA"))(&msg, 0, 0, 0, 1))
        ((int(QV_STDCALL *)(void *))ptApi("user32.dll", "DispatchMessageA"))(&msg);
    CHECK_EQ(windowsShown, 0);
    qvtFinish();
    return 0;
}
