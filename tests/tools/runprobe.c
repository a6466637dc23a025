/* A program for quorven-run's own tests. By the first word of its
 * command-line tail:
 *   quiet  ends at once with code 7, its console never opened;
 * else it shows the tail, then:
 *   spin   computes for ever without reading input (the time-out);
 *   fault  writes a Chinese word that the wrap splits and the offset of
 *          faultHere in the program image, then faults there writing to
 *          address 0 (the fault box, answered by the tool); started again
 *          after OK, it says so and ends with code 5. */
#include "quorven.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define say qvWriteString

static int startsWith(const char *text, const char *word)
{
    while (*word)
        if (*text++ != *word++) return 0;
    return 1;
}

static void sayHex(uint32_t value)
{
    say("0x");
    for (int shift = 28; shift >= 0; shift -= 4) qvPutChar("0123456789ABCDEF"[(value >> shift) & 15]);
}

/* Faults in its first instructions, writing to address 0 through a pointer
 * the compiler cannot see through (a plain write to address 0 it drops). */
static volatile int *volatile nowhere;
static void __attribute__((noipa)) faultHere(void) { *nowhere = 1; }

static int faults; /* kept when the entry starts again after a fault */

static int32_t QV_STDCALL entry(void)
{
    const char *tail = qvCommandLine();
    if (startsWith(tail, "quiet")) qvExitProgram(7);
    qvOpenConsole();
    qvRestoreConsole();
    say("args: ");
    say(tail);
    qvNewLine();
    if (startsWith(tail, "spin")) {
        say("spinning");
        qvNewLine();
        for (volatile uint32_t i = 0;; i++) {
        }
    }
    if (startsWith(tail, "fault") && faults) {
        say("started again after the fault");
        qvNewLine();
        qvExitProgram(5);
    }
    if (startsWith(tail, "fault")) {
        /* "中文" starting in the view's last column: the wrap splits "中". */
        int32_t cols = qvGetViewSize() & 0xFFFF;
        char number[12];
        int n = 0;
        for (int32_t v = cols; v; v /= 10) number[n++] = (char)('0' + v % 10);
        say("cols ");
        while (n) qvPutChar(number[--n]);
        qvNewLine();
        for (int32_t i = 0; i < cols - 1; i++) qvPutChar('x');
        say("\xD6\xD0\xCE\xC4");
        qvNewLine();
        say("faultHere at ");
        sayHex((uint32_t)(uintptr_t)faultHere - QV_HOSTED_BASE);
        qvNewLine();
        say("before the fault");
        qvNewLine();
        faults++;
        faultHere();
    }
    qvExitProgram(3);
    return 0;
}
