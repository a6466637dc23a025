/* Start-up with addressMode 1: entryPoint and commandLine are absolute.
 * Start-up zeroes faultOwner, faultCode, faultContext, messageHook and
 * windowProcHook whatever the image held, and keeps
 * shutdownHook, the fault description words and the unused words. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
static void QV_STDCALL hook(void);

__attribute__((section(".qvheader"), used)) ProgramHeader qvHeader = {
    1, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}, (QvWord)(uintptr_t)entry,
    0xDEAD0020, 0xDEAD0024, 0xDEAD0028, 0xDEAD002C, /* kernel fields: overwritten */
    0xDEAD0030, 0xDEAD0034, 0xDEAD0038,             /* zeroed */
    0xBEEF003C, 0xBEEF0040, 0xBEEF0044, 0xBEEF0048, /* kept */
    (QvWord)(uintptr_t)hook, 0xBEEF0050, 0xBEEF0054,
    0xDEAD0058, 0xDEAD005C,                         /* zeroed */
};

static void QV_STDCALL hook(void) { qvtPrint("shutdown hook ran\n"); }

typedef const char *(__attribute__((stdcall)) * GetCommandLineA_t)(void);

static int32_t QV_STDCALL entry(void)
{
    CHECK_EQ(qvHeader.addressMode, 1);
    CHECK_EQ(qvHeader.serviceTable != 0 && qvHeader.serviceTable < 0x448000, 1);
    CHECK_EQ(qvHeader.instanceHandle, 0x400000);
    CHECK_EQ(qvHeader.faultOwner, 0);
    CHECK_EQ(qvHeader.faultCode, 0);
    CHECK_EQ(qvHeader.faultContext, 0);
    CHECK_EQ(qvHeader.messageHook, 0);
    CHECK_EQ(qvHeader.windowProcHook, 0);
    CHECK_EQ(qvHeader.faultEsi, 0xBEEF003C);
    CHECK_EQ(qvHeader.faultFrameLink, 0xBEEF0040);
    CHECK_EQ(qvHeader.faultReturnAddress, 0xBEEF0044);
    CHECK_EQ(qvHeader.faultFirstArgument, 0xBEEF0048);
    CHECK_EQ(qvHeader.shutdownHook, (uintptr_t)hook);
    CHECK_EQ(qvHeader.reserved50, 0xBEEF0050);
    CHECK_EQ(qvHeader.reserved54, 0xBEEF0054);
    CHECK_EQ(qvHeader.programData[0], 0xA1);
    CHECK_EQ(qvHeader.programData[5], 0xA6);
    CHECK_EQ(qvHeader.entryPoint, (uintptr_t)entry);

    /* The tail is an absolute address inside the process command line. */
    const char *cmd = QVT_FN("kernel32.dll", "GetCommandLineA", GetCommandLineA_t)();
    const char *tail = (const char *)(uintptr_t)qvHeader.commandLine;
    CHECK(tail >= cmd && tail <= cmd + qvtStrlen(cmd));
    CHECK_EQ(qvtStrcmp(tail, "one two"), 0);
    CHECK_EQ(qvHeader.commandLength, 7);
    qvtFinish();
    return 0;
}
