/* Reports the command-line tail the kernel published (addressMode 0), for a
 * driver that starts the program with exact command lines. Checks that
 * header + commandLine (modulo 2^32) is the tail inside the process command
 * line, also when the tail lies below the header (a negative offset). */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef const char *(__attribute__((stdcall)) * GetCommandLineA_t)(void);

static int32_t QV_STDCALL entry(void)
{
    const char *cmd = QVT_FN("kernel32.dll", "GetCommandLineA", GetCommandLineA_t)();
    const char *tail = (const char *)(uintptr_t)((uint32_t)(uintptr_t)&qvHeader + qvHeader.commandLine);
    CHECK(tail >= cmd && tail <= cmd + qvtStrlen(cmd));
    CHECK_EQ(qvHeader.commandLength, qvtStrlen(tail));
    /* The offset's sign follows where the tail lies. */
    CHECK_EQ((int32_t)qvHeader.commandLine < 0, (uintptr_t)tail < (uintptr_t)&qvHeader);
    qvtPrint("offset %d\n", (int32_t)qvHeader.commandLine);
    qvtPrint("tail=[%s] length=%u end=%d\n", tail, qvHeader.commandLength, tail[qvHeader.commandLength] == 0);
    qvtFinish();
    return 0;
}
