/* ExitProgram before any console: the shutdown hook runs first, then the
 * process ends with the given code; no registry value is written. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static void QV_STDCALL hook(void)
{
    qvtPrint("hook ran, %d passed, %d failed\n", qvtPasses, qvtFailures);
}

static int32_t QV_STDCALL entry(void)
{
    qvHeader.shutdownHook = (QvWord)(uintptr_t)hook;
    CHECK_EQ(qvHeader.shutdownHook, (uintptr_t)hook);
    qvtPrint("calling ExitProgram(37)\n");
    qvExitProgram(37);
    qvtPrint("FAIL ExitProgram returned\n");
    return 0;
}
