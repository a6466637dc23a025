/* An entry that returns normally ends the process through ExitProgram under
 * the guard: a fault in the shutdown hook on that path shows the fault box,
 * and after OK the entry runs again. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;

static void QV_STDCALL faultingHook(void)
{
    qvtPrint("hook faulting\n");
    expectBox(CODE_ACCESS_VIOLATION, 0);
    *(volatile uint32_t *)(uintptr_t)0xFFFF0000u = 1;
}

static void QV_STDCALL quietHook(void)
{
    qvtPrint("%d passed, %d failed\n", qvtPasses, qvtFailures);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        qvHeader.shutdownHook = (QvWord)(uintptr_t)faultingHook;
        return 5;
    }
    CHECK_EQ(runNumber, 2);
    CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
    qvHeader.shutdownHook = (QvWord)(uintptr_t)quietHook;
    return qvtFailures ? 1 : 7;
}
