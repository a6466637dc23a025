/* Adds two numbers: reads each with ReadLine, asks again until the line is a
 * whole number, and writes the sum. A hosted program with nothing but the SDK
 * header: no C library, no support code.
 *
 *   build/bin/quorven-run --input 42 --input 58 --screen - build/bin/sum.exe */
#include "quorven.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define say qvWriteString

/* Writes a number in decimal. */
static void sayNumber(int32_t value)
{
    char digits[12];
    int n = 0;
    uint32_t v = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        digits[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0) qvPutChar('-');
    while (n) qvPutChar(digits[--n]);
}

/* Reads a whole number of at most 9 digits with an optional sign and blanks
 * around it, so that the sum always fits; asks again otherwise. */
static int32_t readNumber(const char *prompt)
{
    char line[40];
    for (;;) {
        say(prompt);
        int32_t n = qvReadLine(line, (int32_t)sizeof line);
        qvNewLine();
        int32_t i = 0, negative = 0, value = 0, digits = 0;
        while (i < n && line[i] == ' ') i++;
        if (i < n && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
        while (i < n && line[i] >= '0' && line[i] <= '9' && digits <= 9) {
            value = value * 10 + (line[i++] - '0');
            digits++;
        }
        while (i < n && line[i] == ' ') i++;
        if (digits >= 1 && digits <= 9 && i == n) return negative ? -value : value;
        /* "不是整数：" (not a whole number:) and the line as typed */
        say("\xB2\xBB\xCA\xC7\xD5\xFB\xCA\xFD\xA3\xBA");
        qvWriteText(line, n);
        qvNewLine();
    }
}

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    qvRestoreConsole(); /* the start-up show command OR 6 may leave it minimized */
    say("\xC7\xF3\xBA\xCD Sum"); /* "求和" (sum) */
    qvNewLine();
    int32_t a = readNumber("\xB5\xDA\xD2\xBB\xB8\xF6\xCA\xFD: "); /* "第一个数" (first number) */
    int32_t b = readNumber("\xB5\xDA\xB6\xFE\xB8\xF6\xCA\xFD: "); /* "第二个数" (second number) */
    sayNumber(a);
    say(" + ");
    sayNumber(b);
    say(" = ");
    sayNumber(a + b);
    qvNewLine();
    qvExitProgram(0);
    return 0;
}
