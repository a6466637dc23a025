/* Exceptions where the guard of the entry is not in place: while the fault
 * box is shown (in the console window procedure, which the box's message loop
 * calls for a message posted before the fault) and during the exit after
 * Cancel (in the shutdown hook). Either way the process ends with exit code
 * 1, at once, with no hang and no crash dialog.
 *   command line "box":  windowProcHook faults under the box
 *   command line "exit": the shutdown hook faults after Cancel */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static int hookRuns;
static volatile uint32_t badAddress = 0x40;

typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);

typedef int(QV_STDCALL *PostMessageA_t)(uint32_t, uint32_t, uint32_t, uint32_t);
#define FAULT_UNDER_THE_BOX 0x409

static int32_t QV_STDCALL ownerHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_UNDER_THE_BOX) {
        qvtPrint("message dispatched under the box: faulting\n");
        CHECK_EQ(qvHeader.faultCode, CODE_DIVIDE_BY_ZERO);
        *(volatile uint32_t *)(uintptr_t)badAddress = 1;
    }
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

static void QV_STDCALL shutdownHook(void)
{
    hookRuns++;
    qvtPrint("shutdown hook run %d\n", hookRuns);
    if (qvtStrcmp(qvCommandLine(), "exit") == 0) *(volatile uint32_t *)(uintptr_t)badAddress = 2;
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber > 1) {
        qvtPrint("FAIL the entry ran again\n");
        qvtFinish();
    }
    qvHeader.shutdownHook = (uintptr_t)shutdownHook;
    const char *mode = qvCommandLine();
    CHECK(qvtStrcmp(mode, "box") == 0 || qvtStrcmp(mode, "exit") == 0);
    uint32_t console = qvOpenConsole();
    CHECK(console != 0);
    if (qvtStrcmp(mode, "box") == 0) {
        qvHeader.faultOwner = console;
        qvHeader.windowProcHook = (uintptr_t)ownerHook;
        /* Nothing pumps messages before the fault: the box's loop will. */
        QVT_FN("user32.dll", "PostMessageA", PostMessageA_t)(console, FAULT_UNDER_THE_BOX, 0, 0);
    } else {
        expectBox(CODE_DIVIDE_BY_ZERO, 0);
    }
    volatile uint32_t zero = 0;
    qvtPrint("%u\n", 7 / zero);
    qvtPrint("FAIL went on after the fault\n");
    qvtFinish();
    return 0;
}
