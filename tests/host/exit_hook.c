/* ExitProgram before any console: the shutdown hook runs first, then the
 * process ends with the given code; no registry value is written.
 * With the command line "reenter" the hook itself calls ExitProgram(23): the
 * inner call skips the hook and ends the process with 23, with no fault.
 * With "fault" the hook faults on its first run; after OK the entry's
 * ExitProgram(24) runs the hook again and ends the process with 24. */
#include "../faults/faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static int hookRuns;

static void QV_STDCALL hook(void)
{
    hookRuns++;
    const char *mode = qvCommandLine();
    if (qvtStrcmp(mode, "reenter") == 0) {
        qvtPrint("hook run %d\n", hookRuns);
        if (hookRuns == 1) qvExitProgram(23);
        qvtPrint("FAIL ExitProgram returned inside the hook\n");
        return;
    }
    if (qvtStrcmp(mode, "fault") == 0) {
        qvtPrint("hook run %d\n", hookRuns);
        if (hookRuns == 1) {
            expectBox(CODE_DIVIDE_BY_ZERO, 0);
            volatile uint32_t zero = 0;
            qvtPrint("%u\n", 7 / zero);
        }
        return;
    }
    qvtPrint("hook ran, %d passed, %d failed\n", qvtPasses, qvtFailures);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    qvHeader.shutdownHook = (QvWord)(uintptr_t)hook;
    CHECK_EQ(qvHeader.shutdownHook, (uintptr_t)hook);
    const char *mode = qvCommandLine();
    if (qvtStrcmp(mode, "reenter") == 0) {
        qvOpenConsole(); /* the inner call destroys it */
        qvExitProgram(5);
    } else if (qvtStrcmp(mode, "fault") == 0) {
        qvExitProgram(runNumber == 1 ? 25 : 24);
    } else {
        qvtPrint("calling ExitProgram(37)\n");
        qvExitProgram(37);
    }
    qvtPrint("FAIL ExitProgram returned\n");
    return 0;
}
