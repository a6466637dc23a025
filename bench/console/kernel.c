/* Console output through the kernel's services, timed: lines per second
 * through WriteText (and NewLine) in a 25 x 80 view that scrolls every line,
 * and characters per second through PutChar. Prints one "figure NAME VALUE"
 * line per measurement for scripts/bench.sh. */
#include "qvtest.h"
#include <windows.h>

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef BOOL(__attribute__((stdcall)) * QPC)(LARGE_INTEGER *);
static QPC counter, frequency;

static double now(void)
{
    LARGE_INTEGER c, f;
    counter(&c);
    frequency(&f);
    return (double)c.QuadPart / (double)f.QuadPart;
}

static void pump(void)
{
    typedef BOOL(__attribute__((stdcall)) * Peek)(MSG *, HWND, UINT, UINT, UINT);
    typedef LRESULT(__attribute__((stdcall)) * Dispatch)(const MSG *);
    static Peek peek;
    static Dispatch dispatch;
    if (!peek) {
        peek = (Peek)qvtProc("user32.dll", "PeekMessageA");
        dispatch = (Dispatch)qvtProc("user32.dll", "DispatchMessageA");
    }
    MSG m;
    while (peek(&m, 0, 0, 0, PM_REMOVE)) dispatch(&m);
}

static void figure(const char *name, double value)
{
    qvtPrint("figure %s %d\n", name, (int)(value + 0.5));
}

static int32_t QV_STDCALL entry(void)
{
    counter = (QPC)qvtProc("kernel32.dll", "QueryPerformanceCounter");
    frequency = (QPC)qvtProc("kernel32.dll", "QueryPerformanceFrequency");
    int lines = 20000;
    const char *arg = qvCommandLine();
    while (*arg == ' ' || *arg == '"') arg++;
    if (*arg >= '0' && *arg <= '9') {
        lines = 0;
        while (*arg >= '0' && *arg <= '9') lines = lines * 10 + (*arg++ - '0');
    }

    qvOpenConsole();
    qvRestoreConsole();
    /* A view of 25 x 80: the window is sized without the scroll bar, so ask
     * for a little more width until the client area holds 80 columns. */
    int cell = qvGetCellSize(), cw = cell >> 16, lh = cell & 0xFFFF;
    for (int extra = 0; extra < 6 && (qvGetViewSize() & 0xFFFF) != 80; extra++) qvFitViewToPixels(25 * lh, (80 + extra) * cw);
    int view = qvGetViewSize();
    qvtPrint("view %d x %d, cell %d x %d\n", view >> 16, view & 0xFFFF, cw, lh);
    pump();

    char line[81];
    for (int i = 0; i < 80; i++) line[i] = (char)('!' + i);

    /* WriteText of a full row and NewLine: the full row already wraps, so
     * every line scrolls twice (text row, then an empty row). */
    double t0 = now();
    for (int i = 0; i < lines; i++) {
        qvWriteText(line, 80);
        qvNewLine();
    }
    double t1 = now();
    figure("kernel_writetext_newline_lines_per_s", lines / (t1 - t0));
    pump();

    /* WriteText of a full row alone: the wrap starts the next row, one
     * scroll per line, the same work as the raw limit. */
    t0 = now();
    for (int i = 0; i < lines; i++) qvWriteText(line, 80);
    t1 = now();
    figure("kernel_writetext_lines_per_s", lines / (t1 - t0));
    pump();

    /* PutChar: a tenth as many rows of 80 characters, wrapping at the edge. */
    int chars = lines * 8; /* lines / 10 rows of 80 */
    t0 = now();
    for (int i = 0; i < chars; i++) qvPutChar(line[i % 80]);
    t1 = now();
    figure("kernel_putchar_chars_per_s", chars / (t1 - t0));
    qvExitProgram(0);
    return 0;
}
