/* Grades: reads scores from 0 to 100 with ReadLine, one a line, until an
 * empty line; shows how many there were, their average, the highest and the
 * lowest, and ends with the number of scores below 60 as its exit code. A
 * line that is not such a score is refused and asked again.
 *
 * The source is UTF-8; its texts become GBK bytes as it is compiled
 * (-finput-charset=UTF-8 -fexec-charset=GBK), and it is joined with
 * --code-page 936, so that they read right on any system. Numbers become
 * text and text numbers through the SDK's library, sdk/qvlib.h.
 *
 * It is also the worked example of a CI check: examples/grades/expected.txt
 * holds its screen for the scores 95, 58 and 73, and `make test` runs
 *
 *   build/bin/quorven-run --input 95 --input 58 --input 73 --keys Return \
 *       --expect examples/grades/expected.txt --expect-exit 1 build/bin/grades.exe */
#include "quorven.h"
#include "qvlib.h" /* numbers to text and back */

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define say qvWriteString

static void sayNumber(int32_t value)
{
    char text[12];
    qvWriteText(text, qvlFormatInt(text, (int32_t)sizeof text, value, 0, QVL_RIGHT));
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
        uint32_t value;
        int32_t result = qvlParseUnsigned(line, n, &value);
        if (result == QVL_EMPTY) return -1;
        if (result == QVL_OK && value <= 100) return (int32_t)value;
        /* not a score from 0 to 100: and the line */
        say("不是 0 到 100 的分数：");
        qvWriteText(line, n);
        qvNewLine();
    }
}

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    /* Shown normally, view and buffer ready, however it was started: on
     * Windows a launcher that gives no show command leaves it hidden. */
    qvRestoreConsole();
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
    char average[16];
    qvWriteText(average, qvlFormatFixed(average, (int32_t)sizeof average, tenths, 1, 0, QVL_RIGHT));
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
