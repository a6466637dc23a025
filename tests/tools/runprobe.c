/* A program for quorven-run's own tests. It shows its command-line tail,
 * then by the tail's first word:
 *   spin   computes for ever without reading input (the time-out);
 *   fault  writes a Chinese word that the wrap splits, then writes to
 *          address 0 (the fault box, answered by the tool). */
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

static int32_t QV_STDCALL entry(void)
{
    const char *tail = qvCommandLine();
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
        say("before the fault");
        qvNewLine();
        *(volatile int *)0 = 1;
    }
    qvExitProgram(3);
    return 0;
}
