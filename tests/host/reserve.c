/* A program joined with --reserve 0x10000 finds that many zero bytes, readable
 * and writable, right after the end of its image. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);
extern uint8_t qvImageEnd[];

static int32_t QV_STDCALL entry(void)
{
    volatile uint8_t *p = qvImageEnd;
    uint32_t nonZero = 0;
    for (uint32_t i = 0; i < 0x10000; i++) nonZero += p[i] != 0;
    CHECK_EQ(nonZero, 0);
    p[0] = 1;
    p[0xFFFF] = 2;
    CHECK_EQ(p[0] + p[0xFFFF], 3);
    qvtFinish();
    return 0;
}
