/* The start-up benchmark's plain Win32 window program: the same work as the
 * joined program (a window with a scroll bar, one line of text in the
 * system's fixed-pitch font, then the end), with nothing but user32 and
 * gdi32, as a programmer would write it by hand. */
#include <windows.h>

static const char line[] = "hello, world";

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
        TextOutA(dc, 1, 0, line, sizeof line - 1);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    WNDCLASSA windowClass = {0};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "PlainWindow";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, "PlainWindow", "plain", WS_OVERLAPPEDWINDOW | WS_VSCROLL, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 660, 420, NULL, NULL, instance, NULL);
    if (!window) return 1;
    ShowWindow(window, show == SW_SHOWDEFAULT ? SW_SHOWNORMAL : show);
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}
