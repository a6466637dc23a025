/* Where an exception in the console window procedure goes depends on how the
 * system called the procedure. Called from DispatchMessageA (posted messages,
 * in the loops of WaitEvent and PeekEvent) or from SendMessageA on the same
 * thread, it reaches the guard. Called from inside a system call that sends
 * the message itself (here WM_ENABLE from EnableWindow; likewise WM_SIZE and
 * WM_MOVE from SetWindowPos, WM_CREATE from CreateWindowEx, WM_DESTROY from
 * DestroyWindow), Wine 8 catches it in its user-callback dispatcher, logs
 * "ignoring exception" and returns 0 from the window procedure: the guard
 * never sees it. This test pins both down and checks that the console goes
 * on working after a swallowed fault. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint32_t console;
static int hookFaults, faultOnEnable;
static volatile uint32_t badAddress = 0x60;

typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int32_t(QV_STDCALL *SendMessageA_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *EnableWindow_t)(uint32_t, int);
typedef int(QV_STDCALL *IsWindowEnabled_t)(uint32_t);
#define WM_ENABLE_ 0x000A
#define FAULT_HERE 0x40B

static int32_t QV_STDCALL windowHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_HERE || (message == WM_ENABLE_ && faultOnEnable)) {
        hookFaults++;
        *(volatile uint32_t *)(uintptr_t)badAddress = 1;
        return 0x1234; /* not reached */
    }
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        console = openOwnerConsole(windowHook);
        EnableWindow_t enable = QVT_FN("user32.dll", "EnableWindow", EnableWindow_t);
        faultOnEnable = 1;
        enable(console, 0);
        faultOnEnable = 0;
        qvtPrint("WM_ENABLE from EnableWindow: the hook faulted %d time(s), faultCode %X\n", hookFaults,
                 qvHeader.faultCode);
        CHECK_EQ(hookFaults, 1);
        CHECK_EQ(qvHeader.faultCode, 0); /* swallowed before the guard could see it */
        CHECK(!QVT_FN("user32.dll", "IsWindowEnabled", IsWindowEnabled_t)(console));
        enable(console, 1);
        /* The console still works. */
        qvPostEvent(0x44);
        CHECK_EQ(qvWaitEvent(), 0x44);
        /* A message sent with SendMessageA reaches the guard. */
        expectBox(CODE_ACCESS_VIOLATION, console);
        QVT_FN("user32.dll", "SendMessageA", SendMessageA_t)(console, FAULT_HERE, 0, 0);
        qvtPrint("FAIL the fault in the sent message did not reach the guard\n");
        qvtFinish();
    }
    CHECK_EQ(hookFaults, 2);
    CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
    qvPostEvent(0x45);
    CHECK_EQ(qvWaitEvent(), 0x45);
    qvtFinish();
    return 0;
}
