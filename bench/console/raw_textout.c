/* The limit of the console's drawing model: a window like the console's
 * (private DC, stock fixed font, 25 x 80 cells) drawn with nothing but
 * ScrollWindow, TextOutA and ValidateRect (the strip is drawn already: no
 * WM_PAINT). Three loops, each doing the work of one kernel measurement:
 * one scroll and one row per line (a full-row WriteText), two scrolls and
 * two rows per line (WriteText + NewLine: the text row, then an empty row),
 * and one TextOutA per character with a scroll every 80 (PutChar). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(w, &ps);
        EndPaint(w, &ps);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

static int rate(int n, LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (int)(n / ((double)(b.QuadPart - a.QuadPart) / f.QuadPart) + 0.5);
}

static void pump(void)
{
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

/* One scroll of the 25-row view and the new bottom row drawn: the work the
 * console does for each row of output. */
static void scrollAndDraw(HWND w, HDC dc, int lh, const char *row)
{
    ScrollWindow(w, 0, -lh, 0, 0);
    TextOutA(dc, 1, 24 * lh, row, 80);
    ValidateRect(w, 0);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    (void)prev, (void)show;
    WNDCLASSA wc = {CS_OWNDC | CS_HREDRAW | CS_VREDRAW, proc, 0, 0, inst, 0, LoadCursorA(0, IDC_ARROW),
                    (HBRUSH)(COLOR_WINDOW + 1), 0, "RawConsole"};
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "RawConsole", "raw", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 3, 3, 700, 400, 0, 0, inst, 0);
    HDC dc = GetDC(w);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    int cw = tm.tmAveCharWidth <= 8 ? 8 : tm.tmAveCharWidth, lh = tm.tmHeight + tm.tmExternalLeading;
    RECT r = {0, 0, 80 * cw + 2, 25 * lh + 2};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW | WS_VSCROLL, FALSE);
    SetWindowPos(w, 0, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE);
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
    pump();

    char line[80], blank[80];
    for (int i = 0; i < 80; i++) line[i] = (char)('!' + i), blank[i] = ' ';
    int lines = 20000;
    if (cmd && *cmd >= '0' && *cmd <= '9') lines = atoi(cmd);
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);

    QueryPerformanceCounter(&t0);
    for (int i = 0; i < lines; i++) {
        scrollAndDraw(w, dc, lh, line);
    }
    QueryPerformanceCounter(&t1);
    printf("figure raw_textout_scrollwindow_lines_per_s %d\n", rate(lines, t0, t1, f));
    pump();

    QueryPerformanceCounter(&t0);
    for (int i = 0; i < lines; i++) {
        scrollAndDraw(w, dc, lh, line);
        scrollAndDraw(w, dc, lh, blank);
    }
    QueryPerformanceCounter(&t1);
    printf("figure raw_textout_two_scrolls_lines_per_s %d\n", rate(lines, t0, t1, f));
    pump();

    int chars = lines * 8;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < chars; i++) {
        TextOutA(dc, 1 + (i % 80) * cw, 24 * lh, line + i % 80, 1);
        if (i % 80 == 79) {
            ScrollWindow(w, 0, -lh, 0, 0);
            TextOutA(dc, 1, 24 * lh, blank, 80);
            ValidateRect(w, 0);
        }
    }
    QueryPerformanceCounter(&t1);
    printf("figure raw_textout_chars_per_s %d\n", rate(chars, t0, t1, f));
    fflush(stdout);
    return 0;
}
