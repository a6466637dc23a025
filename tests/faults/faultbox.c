/* Test helper, an ordinary Windows console program: waits for the kernel's
 * fault box, prints what it finds and answers it.
 *
 *   faultbox ANSWERS [TIMEOUT_MS]
 *
 * ANSWERS is a comma-separated list, one word per box expected in turn:
 * "ok" or "cancel" (posted as WM_COMMAND IDOK / IDCANCEL), "return" or
 * "escape" (posted to the box as a key press), or "wait" (left for someone
 * else to answer; the helper waits until the box is gone). For every box it prints
 *
 *   box N caption=HEX text=HEX owner=HEX ok=0|1 cancel=0|1 buttons=N
 *
 * with the caption and the text as GetWindowTextW and GetDlgItemTextW(box,
 * 0xFFFF) give them, converted to GBK, in hexadecimal: the same on every
 * system code page.
 * It ends with "done N" after the last box, or "timeout N" when a box did not
 * appear in time (exit code 2). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* "异常中断" */
static const WCHAR caption[] = {0x5F02, 0x5E38, 0x4E2D, 0x65AD, 0};

/* UTF-16 to GBK, for printing. */
static int toGbk(const WCHAR *text, int n, char *out, int size)
{
    return WideCharToMultiByte(936, 0, text, n, out, size, NULL, NULL);
}

static void printHex(const char *label, const char *bytes, int n)
{
    printf(" %s=", label);
    for (int i = 0; i < n; i++) printf("%02X", (unsigned char)bytes[i]);
}

static int buttons;
static BOOL CALLBACK countButton(HWND child, LPARAM unused)
{
    (void)unused;
    char cls[32];
    if (GetClassNameA(child, cls, sizeof cls) && lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(child)) buttons++;
    return TRUE;
}

/* The box's own loop hands the key to the dialog manager: Return presses the
 * default button (OK), Escape is Cancel. */
static void typeKey(HWND box, WORD key)
{
    PostMessageA(box, WM_KEYDOWN, key, 1);
    PostMessageA(box, WM_KEYUP, key, 0xC0000001);
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: faultbox ANSWERS [TIMEOUT_MS]\n");
        return 3;
    }
    DWORD timeout = argc > 2 ? (DWORD)atoi(argv[2]) : 20000;
    char answers[4096];
    lstrcpynA(answers, argv[1], sizeof answers);
    int n = 0;
    for (char *word = strtok(answers, ","); word; word = strtok(NULL, ",")) {
        n++;
        HWND box = NULL;
        DWORD start = GetTickCount();
        while (!(box = FindWindowW(L"#32770", caption)) || !IsWindowVisible(box)) {
            if (GetTickCount() - start > timeout) {
                printf("timeout %d\n", n);
                fflush(stdout);
                return 2;
            }
            Sleep(5);
        }
        Sleep(50); /* let the box finish its start-up */
        WCHAR wideText[256], wideTitle[256];
        char text[512], title[512];
        int textLength = toGbk(wideText, GetDlgItemTextW(box, 0xFFFF, wideText, 256), text, sizeof text);
        int titleLength = toGbk(wideTitle, GetWindowTextW(box, wideTitle, 256), title, sizeof title);
        buttons = 0;
        EnumChildWindows(box, countButton, 0);
        printf("box %d", n);
        printHex("caption", title, titleLength);
        printHex("text", text, textLength);
        printf(" owner=%lX ok=%d cancel=%d buttons=%d\n", (unsigned long)(UINT_PTR)GetWindow(box, GW_OWNER),
               GetDlgItem(box, IDOK) != NULL, GetDlgItem(box, IDCANCEL) != NULL, buttons);
        fflush(stdout);
        if (strcmp(word, "ok") == 0)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        else if (strcmp(word, "cancel") == 0)
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        else if (strcmp(word, "return") == 0)
            typeKey(box, VK_RETURN);
        else if (strcmp(word, "escape") == 0)
            typeKey(box, VK_ESCAPE);
        /* Wait for this box to go before looking for the next one. */
        start = GetTickCount();
        while (IsWindow(box) && GetTickCount() - start < timeout) Sleep(5);
    }
    printf("done %d\n", n);
    return 0;
}
