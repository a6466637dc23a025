/* The limit of the console's drawing model: a window like the console's
 * (private DC, stock fixed font, 25 x 80 cells) where each line costs one
 * ScrollWindow and one TextOutA, nothing else. Prints lines per second. */
#include <windows.h>
#include <stdio.h>

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

static void pump(void)
{
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    (void)prev, (void)cmd, (void)show;
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

    char line[80];
    for (int i = 0; i < 80; i++) line[i] = (char)('!' + i);
    int lines = 20000;
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < lines; i++) {
        ScrollWindow(w, 0, -lh, 0, 0);
        TextOutA(dc, 1, 24 * lh, line, 80);
        ValidateRect(w, 0); /* the strip is drawn already: no WM_PAINT */
    }
    QueryPerformanceCounter(&t1);
    printf("figure raw_textout_scrollwindow_lines_per_s %d\n",
           (int)(lines / ((double)(t1.QuadPart - t0.QuadPart) / f.QuadPart) + 0.5));
    fflush(stdout);
    return 0;
}
