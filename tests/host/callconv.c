/* Every service of the program host and the console state, called as
 * compiled programs call them: arguments removed by the service, EBX, ESI,
 * EDI and EBP preserved; and their results before any console exists. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

extern uint32_t qvtCallChecked(void *fn, int count, const uint32_t *args);
extern uint32_t qvtAfter[5];

static uint32_t callSlot(int slot, int count, uint32_t a, uint32_t b)
{
    uint32_t args[2] = {a, b};
    uint32_t result = qvtCallChecked((void *)QV_ENTRY(slot), count, args);
    qvtPrint("slot %d:\n", slot);
    CHECK_EQ(qvtAfter[0], 0x11111111);
    CHECK_EQ(qvtAfter[1], 0x22222222);
    CHECK_EQ(qvtAfter[2], 0x33333333);
    CHECK_EQ(qvtAfter[3], 0x44444444);
    CHECK_EQ(qvtAfter[4], 4 * count);
    return result;
}

static int32_t QV_STDCALL entry(void)
{
    /* The table's own services. */
    CHECK_EQ(QV_ENTRY(21), QV_ENTRY(22));
    CHECK_EQ(callSlot(QV_NullService, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_NullService2, 0, 0, 0), 0);
    char *tag = (char *)callSlot(QV_GetTagBuffer, 0, 0, 0);
    CHECK_EQ(tag, qvGetTagBuffer());
    CHECK_BYTES(tag, "DLL\0\0\0\0\0", 8);
    tag[0] = 'x';
    CHECK_EQ(qvGetTagBuffer()[0], 'x'); /* what the program writes stays */

    /* The console state before OpenConsole: initial values. */
    CHECK_EQ(callSlot(QV_GetBufferSize, 0, 0, 0), 0x02000080);
    CHECK_EQ(callSlot(QV_GetViewSize, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_GetCellSize, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_GetScreenBuffer, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_GetScreenDC, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_GetCaretHeight, 0, 0, 0), 2);
    CHECK_EQ(callSlot(QV_GetWindowState, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_GetTopLine, 0, 0, 0), 0);
    CHECK_EQ(callSlot(QV_QueryCursor, 0, 0, 0), 0);

    /* Height first in, width in the high half out. */
    CHECK_EQ(callSlot(QV_SetCellSize, 2, 16, 8), 0);
    CHECK_EQ(qvGetCellSize(), 0x00080010);
    /* A packed result is an addition: a negative high half stays negative. */
    qvSetCellSize(5, -1);
    CHECK_EQ(qvGetCellSize(), (uint32_t)(-1 * 65536 + 5));
    /* SetCellSize does not touch the view. */
    CHECK_EQ(qvGetViewSize(), 0);
    CHECK_EQ(callSlot(QV_SetMenuFlag, 1, 1, 0), 0);

    qvtFinish();
    return 0;
}
