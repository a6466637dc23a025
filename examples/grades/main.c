/* Grades: reads scores from 0 to 100 with ReadLine, one a line, until an
 * empty line; shows how many there were, their average, the highest and the
 * lowest, and ends with the number of scores below 60 as its exit code. A
 * line that is not such a score is refused and asked again.
 *
 * It is also the worked example of a CI check: examples/grades/expected.txt
 * holds its screen for the scores 95, 58 and 73, and `make test` runs
 *
 *   build/bin/quorven-run --input 95 --input 58 --input 73 --keys Return \
 *       --expect examples/grades/expected.txt --expect-exit 1 build/bin/grades.exe */
#include "quorven.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define say qvWriteString

static void sayNumber(int32_t value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    while (n) qvPutChar(digits[--n]);
}

/* Reads one line: the score (0 to 100), or -1 for an empty line; asks
 * again for anything else. */
static int32_t readScore(int32_t number)
{
    char line[40];
    for (;;) {
        say("\xB7\xD6\xCA\xFD "); /* "分数" (score) */
        sayNumber(number);
        say(": ");
        int32_t n = qvReadLine(line, (int32_t)sizeof line);
        qvNewLine();
        int32_t i = 0, value = 0, digits = 0;
        while (i < n && line[i] == ' ') i++;
        if (i == n) return -1;
        while (i < n && line[i] >= '0' && line[i] <= '9' && digits < 4) {
            value = value * 10 + (line[i++] - '0');
            digits++;
        }
        while (i < n && line[i] == ' ') i++;
        if (digits && i == n && value <= 100) return value;
        /* "不是 0 到 100 的分数：" (not a score from 0 to 100:) and the line */
        say("\xB2\xBB\xCA\xC7 0 \xB5\xBD 100 \xB5\xC4\xB7\xD6\xCA\xFD\xA3\xBA");
        qvWriteText(line, n);
        qvNewLine();
    }
}

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    qvRestoreConsole(); /* Wine shows the new window hidden or minimized */
    /* "成绩 Grades (空行结束 an empty line ends)" */
    say("\xB3\xC9\xBC\xA8 Grades (\xBF\xD5\xD0\xD0\xBD\xE1\xCA\xF8 an empty line ends)");
    qvNewLine();
    int32_t count = 0, sum = 0, highest = 0, lowest = 100, failed = 0;
    for (;;) {
        int32_t score = readScore(count + 1);
        if (score < 0) break;
        count++;
        sum += score;
        if (score > highest) highest = score;
        if (score < lowest) lowest = score;
        if (score < 60) failed++;
    }
    if (count == 0) {
        say("\xC3\xBB\xD3\xD0\xB7\xD6\xCA\xFD no scores"); /* "没有分数" */
        qvNewLine();
        qvExitProgram(0);
    }
    /* The average to one decimal, rounded. */
    int32_t tenths = (sum * 10 + count / 2) / count;
    sayNumber(count);
    say(" \xB8\xF6\xB7\xD6\xCA\xFD scores, \xC6\xBD\xBE\xF9 average "); /* "个分数", "平均" */
    sayNumber(tenths / 10);
    qvPutChar('.');
    sayNumber(tenths % 10);
    qvNewLine();
    say("\xD7\xEE\xB8\xDF highest "); /* "最高" */
    sayNumber(highest);
    say(", \xD7\xEE\xB5\xCD lowest "); /* "最低" */
    sayNumber(lowest);
    qvNewLine();
    say("\xB2\xBB\xBC\xB0\xB8\xF1 below 60: "); /* "不及格" */
    sayNumber(failed);
    qvNewLine();
    qvExitProgram(failed);
    return 0;
}
