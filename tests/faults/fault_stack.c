/* Stack overflow in the hosted program, three times in one process: each is
 * caught and reported with C00000FD, and each time the stack reaches about
 * the same depth, because the guard page is back in place before the entry
 * runs again. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static volatile uint32_t depth, deepest;
static uint32_t depths[4];

static __attribute__((noinline)) uint32_t recurse(uint32_t n)
{
    volatile uint8_t pad[200];
    if (n == 0) return 0; /* never: the recursion ends in the overflow */
    pad[0] = (uint8_t)n;
    depth = n;
    if ((uintptr_t)pad < deepest || !deepest) deepest = (uintptr_t)pad;
    return recurse(n + 1) + pad[0]; /* not a tail call */
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber > 1) {
        depths[runNumber - 2] = depth;
        qvtPrint("run %d: faultCode %X after %u calls, lowest frame %X, Esp %X\n", runNumber, qvHeader.faultCode,
                 depth, deepest, ctxWord(CTX_ESP));
        CHECK_EQ(qvHeader.faultCode, CODE_STACK_OVERFLOW);
        CHECK(depth > 1000);
        if (runNumber > 2) CHECK(depths[runNumber - 2] * 10 >= depths[0] * 9);
    }
    if (runNumber == 4) qvtFinish();
    depth = 0;
    deepest = 0;
    expectBox(CODE_STACK_OVERFLOW, 0);
    recurse(1);
    qvtPrint("FAIL run %d went on after its fault\n", runNumber);
    qvtFinish();
    return 0;
}
