/* The start-up benchmark's joined program: opens its console, writes one
 * line and ends, as the plainest compiled program does. */
#include "quorven.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    qvWriteText("hello, world", 12);
    qvNewLine();
    qvExitProgram(0);
    return 0;
}
