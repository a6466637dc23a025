/* A program for quorven-run's own tests. By the first word of its
 * command-line tail:
 *   quiet  ends at once with code 7, its console never opened;
 * else it shows the tail, then:
 *   spin   computes for ever without reading input (the time-out);
 *   fault  writes a Chinese word that the wrap splits and the offset of
 *          faultHere in the program image, then faults there writing to
 *          address 0 (the fault box, answered by the tool); started again
 *          after OK, it says so and ends with code 5;
 *   wrap XX writes the view's width and the screen's DPI, then the byte
 *          XX (hexadecimal) in the view's last column and "next" after it:
 *          the wrap puts "next" on the row below, unless XX is a lead
 *          byte of the code page, whose trail byte "n" then is. */
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

static void sayNumber(int32_t value)
{
    char digits[12];
    int n = 0;
    do digits[n++] = (char)('0' + value % 10); while (value /= 10);
    while (n) qvPutChar(digits[--n]);
}

static int hexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 0;
}

typedef int(QV_STDCALL *GetDeviceCapsFn)(uint32_t dc, int index);

/* The screen's LOGPIXELSY (90), as the system reports it to the kernel. */
static int screenDpi(void)
{
    uint32_t gdi = qvLoadLibraryByName("gdi32.dll", 9);
    GetDeviceCapsFn caps = gdi ? (GetDeviceCapsFn)qvGetProcByName("GetDeviceCaps", 13, gdi) : 0;
    return caps ? caps(qvGetScreenDC(), 90) : -1;
}

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
    if (startsWith(tail, "wrap ")) {
        int32_t cols = qvGetViewSize() & 0xFFFF;
        say("cols ");
        sayNumber(cols);
        qvNewLine();
        say("dpi ");
        sayNumber(screenDpi());
        qvNewLine();
        for (int32_t i = 0; i < cols - 1; i++) qvPutChar('x');
        qvPutChar((char)(hexDigit(tail[5]) * 16 + hexDigit(tail[6])));
        say("next");
        qvNewLine();
        qvExitProgram(0);
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
