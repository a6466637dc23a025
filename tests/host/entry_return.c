/* An entry that returns normally ends the process with its result through
 * ExitProgram; a shutdown hook left at 0 is not called. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int runs;

static int32_t QV_STDCALL entry(void)
{
    runs++;
    CHECK_EQ(runs, 1); /* not run a second time */
    CHECK_EQ(qvHeader.shutdownHook, 0);
    qvtPrint("returning 9\n");
    return 9;
}
