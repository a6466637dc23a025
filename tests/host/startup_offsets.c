/* Start-up with addressMode 0: entryPoint and commandLine are offsets from the
 * header; every other address in the header is absolute. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int32_t QV_STDCALL entry(void)
{
    CHECK_EQ(qvHeader.addressMode, 0);
    CHECK_EQ(qvHeader.entryPoint, (uintptr_t)entry - (uintptr_t)&qvHeader);
    CHECK_EQ(qvHeader.instanceHandle, 0x400000);
    CHECK_EQ((uintptr_t)&qvHeader, 0x448000);
    const char *tail = qvCommandLine();
    qvtPrint("tail [%s] length %u\n", tail, qvHeader.commandLength);
    CHECK_EQ(qvHeader.commandLength, qvtStrlen(tail));
    /* Wine quotes an argument that holds blanks. */
    CHECK_EQ(qvtStrcmp(tail, "\"  abc def\""), 0);
    qvtFinish();
    return 0;
}
