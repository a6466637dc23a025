/* A floating-point fault: the program unmasks the x87 zero-divide exception
 * and divides by zero (C000008E). After OK the entry runs with the control
 * word the kernel had when it armed the guard, no x87 exception pending, and
 * floating-point arithmetic working. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint16_t controlAtStart;

static uint16_t controlWord(void)
{
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

static uint16_t statusWord(void)
{
    uint16_t sw;
    __asm__ volatile("fnstsw %0" : "=m"(sw));
    return sw;
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        controlAtStart = controlWord();
        qvtPrint("x87 control word at the start %X\n", controlAtStart);
        uint16_t unmasked = controlAtStart & ~0x0004; /* zero-divide exceptions on */
        volatile double one = 1.0, zero = 0.0, result;
        expectBox(0xC000008E, 0);
        __asm__ volatile("fldcw %0" ::"m"(unmasked));
        result = one / zero;
        __asm__ volatile("fwait");
        qvtPrint("FAIL no fault: %d\n", (int)result);
        qvtFinish();
    }
    qvtPrint("faultCode %X, x87 control word %X, status word %X\n", qvHeader.faultCode, controlWord(), statusWord());
    CHECK_EQ(qvHeader.faultCode, 0xC000008E);
    CHECK_EQ(controlWord(), controlAtStart);
    CHECK_EQ(statusWord() & 0x84, 0); /* no zero-divide flag, no exception pending */
    volatile double a = 3.0, b = 4.0;
    CHECK_EQ((int)(a / b * 100.0), 75);
    qvtFinish();
    return 0;
}
