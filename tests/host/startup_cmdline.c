/* Reports the command-line tail the kernel published (addressMode 0), for a
 * driver that starts the program with exact command lines. Checks that
 * header + commandLine (modulo 2^32) is the tail inside the process command
 * line, also when the tail lies below the header (a negative offset). A
 * program with a text code page of its own (the driver sets QV_TAIL_CONVERTED)
 * gets the tail converted from the UTF-16 command line instead; its bytes
 * are printed in hexadecimal. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef const char *(__attribute__((stdcall)) * GetCommandLineA_t)(void);
typedef uint32_t(__attribute__((stdcall)) * GetEnvironmentVariableA_t)(const char *, char *, uint32_t);

static int32_t QV_STDCALL entry(void)
{
    const char *cmd = QVT_FN("kernel32.dll", "GetCommandLineA", GetCommandLineA_t)();
    const char *tail = (const char *)(uintptr_t)((uint32_t)(uintptr_t)&qvHeader + qvHeader.commandLine);
    char flag[4];
    int converted = QVT_FN("kernel32.dll", "GetEnvironmentVariableA", GetEnvironmentVariableA_t)(
                        "QV_TAIL_CONVERTED", flag, sizeof flag) != 0;
    if (!converted) CHECK(tail >= cmd && tail <= cmd + qvtStrlen(cmd));
    CHECK_EQ(qvHeader.commandLength, qvtStrlen(tail));
    /* The offset's sign follows where the tail lies. */
    CHECK_EQ((int32_t)qvHeader.commandLine < 0, (uintptr_t)tail < (uintptr_t)&qvHeader);
    qvtPrint("hex=");
    for (uint32_t i = 0; i < qvHeader.commandLength; i++) qvtPrint("%02X", (unsigned char)tail[i]);
    qvtPrint("\n");
    qvtPrint("offset %d\n", (int32_t)qvHeader.commandLine);
    qvtPrint("tail=[%s] length=%u end=%d\n", tail, qvHeader.commandLength, tail[qvHeader.commandLength] == 0);
    qvtFinish();
    return 0;
}
