/* qvpost CLASS MESSAGE [WPARAM [LPARAM]]: posts a message to the first
 * top-level window of the class, as another program would (MESSAGE 18,
 * WM_QUIT, goes to the window's thread). Exits 1 when no such window exists
 * within five seconds. A plain Windows program used by tests and the demo. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: qvpost CLASS MESSAGE [WPARAM [LPARAM]]\n");
        return 2;
    }
    UINT message = (UINT)strtoul(argv[2], NULL, 0);
    WPARAM wParam = argc > 3 ? (WPARAM)strtoul(argv[3], NULL, 0) : 0;
    LPARAM lParam = argc > 4 ? (LPARAM)strtoul(argv[4], NULL, 0) : 0;
    HWND window = NULL;
    for (int i = 0; i < 50 && !window; i++) {
        window = FindWindowA(argv[1], NULL);
        if (!window) Sleep(100);
    }
    if (!window) {
        fprintf(stderr, "qvpost: no window of class %s\n", argv[1]);
        return 1;
    }
    BOOL ok = message == WM_QUIT ? PostThreadMessageA(GetWindowThreadProcessId(window, NULL), message, wParam, lParam)
                                 : PostMessageA(window, message, wParam, lParam);
    return ok ? 0 : 3;
}
