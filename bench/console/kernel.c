/* Console output through the kernel's services, timed: lines per second
 * through WriteText (and NewLine) in a 25 x 80 view that scrolls every line,
 * and characters per second through PutChar. With the argument "immediate"
 * the program first asks for the screen's device context, which makes every
 * output drawn at once (no jump scrolling); otherwise it also measures how
 * long the last line written takes to reach the display while the program
 * computes without calling the kernel. Prints "figure NAME VALUE" lines for
 * scripts/bench.sh.
 *   console_bench.exe [LINES] [immediate] */
#include "../../tests/console/cwin.h"

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

static const char *mode = "";

static void figure(const char *name, double value)
{
    qvtPrint("figure kernel%s_%s %d\n", mode, name, (int)(value + 0.5));
}

/* --- the latency probe: a second thread reads the screen's pixels --- */
static HWND window;
static int lh, cw, V;
static volatile LONG probeRow = -1;  /* view row to watch, -1: idle */
static volatile LONG probeQuit;
static volatile double seenAt;       /* when the watched row first showed the expected line */
static const uint32_t *volatile expected; /* the pixels of the line the probe waits for */
static int tolerance;                /* pixels a row may differ from expected and still show it */
static int rowPixelCount;            /* pixels of a row of 80 cells */
static uint32_t *probeBuffer;        /* the probe's copy of the row it watches */

/* Reads a view row (80 cells) from the screen itself (the X server under
 * Wine), not from the window, into out. */
static void readRow(int row, uint32_t *out)
{
    static HDC mem;
    static uint32_t *bits;
    typedef BOOL(__attribute__((stdcall)) * C2S)(HWND, POINT *);
    static C2S clientToScreen;
    if (!mem) {
        clientToScreen = (C2S)qvtProc("user32.dll", "ClientToScreen");
        mem = wCreateCompatibleDC(0);
        BITMAPINFO bi;
        memset(&bi, 0, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 80 * cw;
        bi.bmiHeader.biHeight = -lh;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *p;
        HBITMAP b = wCreateDIBSection(mem, &bi, DIB_RGB_COLORS, &p, 0, 0);
        bits = p;
        wSelectObject(mem, b);
    }
    POINT o = {1, row * lh};
    clientToScreen(window, &o);
    HDC screen = wGetDC(0);
    wBitBlt(mem, 0, 0, 80 * cw, lh, screen, o.x, o.y, SRCCOPY);
    wGdiFlush();
    wReleaseDC(0, screen);
    for (int i = 0; i < rowPixelCount; i++) out[i] = bits[i] & 0xFFFFFF;
}

static int pixelsDiffer(const uint32_t *a, const uint32_t *b)
{
    int n = 0;
    for (int i = 0; i < rowPixelCount; i++) n += a[i] != b[i];
    return n;
}

static DWORD __attribute__((stdcall)) probe(void *unused)
{
    (void)unused;
    uint32_t *row = probeBuffer;
    while (!probeQuit) {
        LONG r = probeRow;
        if (r >= 0 && seenAt == 0) {
            readRow(r, row);
            if (pixelsDiffer(row, expected) <= tolerance) seenAt = now();
        }
        qvtSleep(r >= 0 ? 1 : 5);
    }
    return 0;
}

/* Streams lines of dots, writes one line of marks, then computes for a
 * while without calling the kernel; the probe notes when the marks show.
 * The trials alternate between two kinds of marks, so the line the trial
 * before left in the probed row never counts as shown. */
static double latencyTrial(const char *dots, const char *marks, const uint32_t *picture, int lines)
{
    for (int i = 0; i < lines; i++) {
        qvWriteText(dots, 80);
        qvNewLine();
    }
    seenAt = 0;
    expected = picture;
    qvWriteText(marks, 80);
    qvNewLine();
    double written = now();
    probeRow = V - 3;
    while (seenAt == 0 && now() - written < 1.0) {
        /* computing: no kernel call */
    }
    probeRow = -1;
    return seenAt == 0 ? 1.0 : seenAt - written;
}

/* The settled picture of a line in the probed row. A line of 80 wraps and
 * NewLine adds an empty row, so the line written last is the third row from
 * the bottom of the view. */
static uint32_t *settledPicture(const char *text)
{
    uint32_t *p = qvAllocMemory((uint32_t)rowPixelCount * sizeof *p);
    qvWriteText(text, 80);
    qvNewLine();
    qvPeekEvent();
    cwinPump(100);
    readRow(V - 3, p);
    return p;
}

static int smaller(int a, int b) { return a < b ? a : b; }

static void latency(const char *dots, const char *marks, const char *otherMarks)
{
    rowPixelCount = 80 * cw * lh;
    uint32_t *dotPicture = settledPicture(dots);
    uint32_t *markPicture = settledPicture(marks);
    uint32_t *otherPicture = settledPicture(otherMarks);
    /* A row shows a line when it is nearer its picture than half the
     * distance between any two of the three. */
    int dotMark = pixelsDiffer(dotPicture, markPicture), dotOther = pixelsDiffer(dotPicture, otherPicture);
    int markOther = pixelsDiffer(markPicture, otherPicture);
    tolerance = smaller(dotMark, smaller(dotOther, markOther)) / 2;
    probeBuffer = qvAllocMemory((uint32_t)rowPixelCount * sizeof *probeBuffer);
    qvtPrint("latency probe: pictures differ by %d (dots, marks), %d (dots, other marks), %d (marks)\n", dotMark, dotOther, markOther);
    if (tolerance == 0) {
        qvtPrint("latency probe: the screen cannot be read\n");
        return;
    }
    typedef HANDLE(__attribute__((stdcall)) * CreateThread_t)(void *, SIZE_T, void *, void *, DWORD, DWORD *);
    HANDLE t = ((CreateThread_t)qvtProc("kernel32.dll", "CreateThread"))(0, 0, (void *)probe, 0, 0, 0);
    double worst = 0, sum = 0;
    int trials = 20, missed = 0;
    for (int i = 0; i < trials; i++) {
        /* From a settled screen (one line) to a long stream (hundreds). The
         * row shows otherMarks from the settling above before trial 0. */
        int even = i % 2 == 0;
        double l = latencyTrial(dots, even ? marks : otherMarks, even ? markPicture : otherPicture,
                                i == 0 ? 0 : (i * 37) % 300 + 1);
        sum += l;
        missed += l >= 1.0;
        if (l > worst) worst = l;
        qvPeekEvent();
    }
    probeQuit = 1;
    wWaitForSingleObject(t, 2000);
    if (missed) qvtPrint("latency probe: %d of %d lines not shown within 1 s\n", missed, trials);
    figure("worst_latency_ms", worst * 1000);
    figure("mean_latency_ms", sum / trials * 1000);
}

static int32_t QV_STDCALL entry(void)
{
    cwinInit();
    counter = (QPC)qvtProc("kernel32.dll", "QueryPerformanceCounter");
    frequency = (QPC)qvtProc("kernel32.dll", "QueryPerformanceFrequency");
    int lines = 20000;
    const char *arg = cwinArg();
    if (*arg >= '0' && *arg <= '9') {
        lines = 0;
        while (*arg >= '0' && *arg <= '9') lines = lines * 10 + (*arg++ - '0');
    }
    while (*arg == ' ') arg++;
    int immediate = arg[0] == 'i';

    window = (HWND)qvOpenConsole();
    qvRestoreConsole();
    wSetForegroundWindow(window);
    wSetFocus(window);
    /* A view of 25 x 80: the window is sized without the scroll bar, so ask
     * for a little more width until the client area holds 80 columns. */
    int cell = qvGetCellSize();
    cw = cell >> 16, lh = cell & 0xFFFF;
    for (int extra = 0; extra < 6 && (qvGetViewSize() & 0xFFFF) != 80; extra++) qvFitViewToPixels(25 * lh, (80 + extra) * cw);
    int view = qvGetViewSize();
    V = view >> 16;
    qvtPrint("view %d x %d, cell %d x %d\n", V, view & 0xFFFF, cw, lh);
    if (immediate) {
        qvGetScreenDC(); /* output is drawn at once from now on */
        mode = "_immediate";
    }
    cwinPump(200);

    char line[81], dots[80], marks[80], otherMarks[80];
    for (int i = 0; i < 80; i++) line[i] = (char)('!' + i), dots[i] = '.', marks[i] = '#', otherMarks[i] = 'o';

    /* WriteText of a full row and NewLine: the full row already wraps, so
     * every line scrolls twice (text row, then an empty row). */
    double t0 = now();
    for (int i = 0; i < lines; i++) {
        qvWriteText(line, 80);
        qvNewLine();
    }
    double t1 = now();
    figure("writetext_newline_lines_per_s", lines / (t1 - t0));
    qvPeekEvent();

    /* WriteText of a full row alone: the wrap starts the next row, one
     * scroll per line. */
    t0 = now();
    for (int i = 0; i < lines; i++) qvWriteText(line, 80);
    t1 = now();
    figure("writetext_lines_per_s", lines / (t1 - t0));
    qvPeekEvent();

    /* PutChar: a tenth as many rows of 80 characters, wrapping at the edge. */
    int chars = lines * 8; /* lines / 10 rows of 80 */
    t0 = now();
    for (int i = 0; i < chars; i++) qvPutChar(line[i % 80]);
    t1 = now();
    figure("putchar_chars_per_s", chars / (t1 - t0));
    qvPeekEvent();

    if (!immediate) latency(dots, marks, otherMarks);
    qvExitProgram(0);
    return 0;
}
