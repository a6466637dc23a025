/* qvpeek: what is on the screen of a test session, for a test that waited in
 * vain. Prints one line for each visible top-level window:
 *
 *   window HWND class=CLASS title=TITLE          (class and title in UTF-8)
 *
 * and for each console window of a hosted program (class "Quorven"),
 * visible or not, its state and screen as the kernel's run query gives
 * them (host/runwatch.h):
 *
 *   console HWND visible=0|1 status=HEX          (0: no answer within 2 s)
 *   screen ROWS COLS CURSORROW CURSORCOL TOPLINE VIEWROWS VIEWCOLS HEX
 *
 * The screen's bytes are in the program's code page. A plain Windows
 * program, run beside the program under test; it changes nothing there.
 * (The status query makes this window the one the kernel sends its exit
 * screen to; it is gone by then, and the kernel checks that.) */
#include <windows.h>
#include <stdio.h>

/* Must match host/runwatch.h. */
#define RUN_QUERY_STATUS 0
#define RUN_QUERY_SCREEN 1

static UINT queryMessage;
static HWND self;

static void printUtf8(const WCHAR *text)
{
    char out[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, NULL, NULL);
    if (n <= 0) out[0] = 0;
    for (char *p = out; *p; p++)
        if (*p == '\n' || *p == '\r') *p = ' ';
    fputs(out, stdout);
}

static LRESULT CALLBACK receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        const int *head = (const int *)data->lpData;
        if (data->cbData < 28) return FALSE;
        printf("screen %d %d %d %d %d %d %d ", head[0], head[1], head[2], head[3], head[4], head[5], head[6]);
        const unsigned char *bytes = (const unsigned char *)(head + 7);
        for (DWORD i = 28; i < data->cbData; i++) printf("%02X", bytes[i - 28]);
        printf("\n");
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void peekConsole(HWND console)
{
    DWORD_PTR status = 0;
    if (!SendMessageTimeoutA(console, queryMessage, RUN_QUERY_STATUS, (LPARAM)self, SMTO_NORMAL, 2000, &status))
        status = 0;
    printf("console %p visible=%d status=%lX\n", (void *)console, IsWindowVisible(console) ? 1 : 0,
           (unsigned long)status);
    if (status) {
        DWORD_PTR sent;
        SendMessageTimeoutA(console, queryMessage, RUN_QUERY_SCREEN, (LPARAM)self, SMTO_NORMAL, 2000, &sent);
    }
}

static BOOL CALLBACK visit(HWND window, LPARAM unused)
{
    (void)unused;
    WCHAR className[128], title[256];
    if (!GetClassNameW(window, className, 128)) className[0] = 0;
    int console = lstrcmpW(className, L"Quorven") == 0;
    if (!IsWindowVisible(window) && !console) return TRUE;
    if (!GetWindowTextW(window, title, 256)) title[0] = 0;
    printf("window %p class=", (void *)window);
    printUtf8(className);
    printf(" title=");
    printUtf8(title);
    printf("\n");
    if (console) peekConsole(window);
    return TRUE;
}

int main(void)
{
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = receive;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "QuorvenPeek";
    RegisterClassA(&wc);
    self = CreateWindowA("QuorvenPeek", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    queryMessage = RegisterWindowMessageA("QuorvenRunQuery");
    EnumWindows(visit, 0);
    fflush(stdout);
    return 0;
}
