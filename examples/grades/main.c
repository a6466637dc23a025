/* Grades: reads scores from 0 to 100 with ReadLine, one a line, until an
 * empty line; shows how many there were, their average, the highest and the
 * lowest, and ends with the number of scores below 60 as its exit code. A
 * line that is not such a score is refused and asked again.
 *
 * The source is UTF-8; its texts become GBK bytes as it is compiled
 * (-finput-charset=UTF-8 -fexec-charset=GBK), and it is joined with
 * --code-page 936, so that they read right on any system.
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
        say("分数 "); /* score */
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
        /* not a score from 0 to 100: and the line */
        say("不是 0 到 100 的分数：");
        qvWriteText(line, n);
        qvNewLine();
    }
}

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    say("成绩 Grades (空行结束 an empty line ends)");
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
        say("没有分数 no scores");
        qvNewLine();
        qvExitProgram(0);
    }
    /* The average to one decimal, rounded. */
    int32_t tenths = (sum * 10 + count / 2) / count;
    sayNumber(count);
    say(" 个分数 scores, 平均 average ");
    sayNumber(tenths / 10);
    qvPutChar('.');
    sayNumber(tenths % 10);
    qvNewLine();
    say("最高 highest ");
    sayNumber(highest);
    say(", 最低 lowest ");
    sayNumber(lowest);
    qvNewLine();
    say("不及格 below 60: ");
    sayNumber(failed);
    qvNewLine();
    qvExitProgram(failed);
    return 0;
}
