/* Viewer: lets the user pick a text file with the open dialog (or takes its
 * name from the command line) and shows it in the console, line by line,
 * then waits for a key.
 *
 * It uses the console, the file-name dialog, the file services and, for
 * number formatting, wsprintfA found by GetProcByName under the name
 * "wsprintf" (the kernel retries with "A" appended). */
#include "quorven.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static uint32_t textLength(const char *s)
{
    uint32_t n = 0;
    while (s[n]) n++;
    return n;
}

#define say qvWriteString

/* Writes a piece of a line; a tab moves to the next column that is a
 * multiple of 8, counted from the start of the line. */
static void writePiece(const char *text, int32_t length, uint32_t *column)
{
    int32_t start = 0;
    for (int32_t i = 0; i < length; i++) {
        if (text[i] != '\t') continue;
        qvWriteText(text + start, i - start);
        *column += (uint32_t)(i - start);
        do {
            qvPutChar(' ');
            ++*column;
        } while (*column % 8);
        start = i + 1;
    }
    qvWriteText(text + start, length - start);
    *column += (uint32_t)(length - start);
}

/* Waits for a key; mouse events (a code, then a position) are passed over. */
static void waitForKey(void)
{
    for (;;) {
        uint32_t code = (uint32_t)qvWaitEvent();
        if (code & EVENT_MOUSE)
            qvWaitEvent();
        else if (!(code & EVENT_COMMAND))
            return;
    }
}

typedef int (*wsprintfA_t)(char *, const char *, ...);

static int32_t QV_STDCALL entry(void)
{
    /* The console may open minimized; bring it up in its normal size. */
    uint32_t window = qvOpenConsole();
    qvRestoreConsole();

    /* "文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*|": text files, all files. */
    static char filter[] = "\xCE\xC4\xB1\xBE\xCE\xC4\xBC\xFE (*.txt)|*.txt|"
                           "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE (*.*)|*.*|";
    /* "选择要查看的文本文件": choose the text file to view. */
    static const char caption[] = "\xD1\xA1\xD4\xF1\xD2\xAA\xB2\xE9\xBF\xB4\xB5\xC4\xCE\xC4\xB1\xBE\xCE\xC4\xBC\xFE";
    static unsigned char chosen[256];

    const char *name;
    const char *tail = qvCommandLine();
    if (*tail) {
        name = tail;
    } else {
        qvOpenExistingFileDialog(window, filter, caption, 0, chosen);
        if (chosen[0] == 0) {
            say("\xCE\xB4\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE\xA1\xA3"); /* "未选择文件。": no file chosen. */
            qvNewLine();
            say("\xB0\xB4\xC8\xCE\xD2\xE2\xBC\xFC\xCD\xCB\xB3\xF6\xA1\xA3"); /* "按任意键退出。": press any key. */
            waitForKey();
            qvExitProgram(0);
        }
        name = (const char *)chosen + 1;
    }

    say("\xCE\xC4\xBC\xFE\xA3\xBA"); /* "文件：": file: */
    say(name);
    qvNewLine();

    uint32_t file = qvOpenTextFile(name, (int32_t)textLength(name), 0);
    if (!file) {
        say("\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xA1\xA3"); /* "无法打开文件。": cannot open the file. */
        qvNewLine();
        say("\xB0\xB4\xC8\xCE\xD2\xE2\xBC\xFC\xCD\xCB\xB3\xF6\xA1\xA3");
        waitForKey();
        qvExitProgram(1);
    }

    static char line[512];
    uint32_t lines = 0, column = 0;
    int pending = 0; /* a piece of a long line is on the screen */
    for (;;) {
        int32_t n = qvReadFileLine(line, sizeof line, file);
        if (n < 0) break;
        writePiece(line, n, &column);
        if (line[n] == '\n' || n < (int32_t)sizeof line - 1) {
            /* A whole line, or the last one without a line end. */
            qvNewLine();
            lines++;
            column = 0;
            pending = 0;
        } else {
            pending = 1;
        }
    }
    if (pending) {
        qvNewLine();
        lines++;
    }
    qvCloseFile(file);

    /* "—— 共 %u 行。按任意键退出。": n lines; press any key to exit. */
    char status[100];
    wsprintfA_t format = (wsprintfA_t)qvGetProcByName("wsprintf", 8, qvLoadLibraryByName("user32.dll", 10));
    if (format) {
        format(status, "\xA1\xAA\xA1\xAA \xB9\xB2 %u \xD0\xD0\xA1\xA3", lines);
        say(status);
    }
    say("\xB0\xB4\xC8\xCE\xD2\xE2\xBC\xFC\xCD\xCB\xB3\xF6\xA1\xA3");
    waitForKey();
    qvExitProgram(0);
    return 0;
}
