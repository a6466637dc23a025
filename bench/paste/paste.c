/* Paste benchmark: 10,000 characters (200 lines of 48, every third one
 * Chinese, CR LF after each) reach a program that reads them with
 * ReadLine, once pasted through the system menu's paste command and once
 * posted to the console window as WM_CHAR messages in UTF-16 (as a tool or
 * an input method gives them). Each way runs ROUNDS times, alternating;
 * the best round of each is reported, with both checked for every byte. */
#include "qvtest.h"
#include <windows.h>

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

enum { LINES = 200, LINE_UNITS = 48, UNITS = LINES * (LINE_UNITS + 2), ROUNDS = 5, SC_EDIT_PASTE = 0xFF20 };

#define FN(dll, name, type) ((type)qvtProc(#dll ".dll", #name))
typedef BOOL(__attribute__((stdcall)) * Post_t)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(__attribute__((stdcall)) * QPC_t)(int64_t *);

static HWND console;
static WCHAR text[UNITS + 1];
static uint32_t lineSums[LINES];

static void makeText(void)
{
    int n = 0;
    for (int i = 0; i < LINES; i++) {
        for (int k = 0; k < LINE_UNITS; k++)
            text[n++] = k % 3 == 0 ? (WCHAR)(0x4E00 + (i + k) % 200) : (WCHAR)('a' + (i + k) % 26);
        text[n++] = 13;
        text[n++] = 10;
    }
    text[n] = 0;
}

static void setClipboard(void)
{
    HGLOBAL block = FN(kernel32, GlobalAlloc, HGLOBAL(__attribute__((stdcall)) *)(UINT, SIZE_T))(GMEM_MOVEABLE, sizeof text);
    void *p = FN(kernel32, GlobalLock, void *(__attribute__((stdcall)) *)(HGLOBAL))(block);
    memcpy(p, text, sizeof text);
    FN(kernel32, GlobalUnlock, BOOL(__attribute__((stdcall)) *)(HGLOBAL))(block);
    FN(user32, OpenClipboard, BOOL(__attribute__((stdcall)) *)(HWND))(console);
    FN(user32, EmptyClipboard, BOOL(__attribute__((stdcall)) *)(void))();
    FN(user32, SetClipboardData, HANDLE(__attribute__((stdcall)) *)(UINT, HANDLE))(CF_UNICODETEXT, block);
    FN(user32, CloseClipboard, BOOL(__attribute__((stdcall)) *)(void))();
}

static int64_t now(void)
{
    int64_t t;
    FN(kernel32, QueryPerformanceCounter, QPC_t)(&t);
    return t;
}

/* Reads the 200 lines; 1 when each has its 48 characters' bytes. */
static int readAll(void)
{
    char buf[128];
    int ok = 1;
    for (int i = 0; i < LINES; i++) {
        int n = qvReadLine(buf, 127);
        uint32_t sum = 0;
        for (int k = 0; k < n; k++) sum = sum * 31 + (unsigned char)buf[k];
        if (lineSums[i] == 0) lineSums[i] = sum; /* the first round's, compared with every other */
        if (n != LINE_UNITS + LINE_UNITS / 3 || sum != lineSums[i]) ok = 0; /* a third take two bytes */
        if ((i & 15) == 15) qvClearScreen();
    }
    return ok && qvPeekEvent() == 0;
}

static uint32_t rate(int64_t ticks, int64_t frequency) { return (uint32_t)((int64_t)UNITS * frequency / ticks); }

static int32_t QV_STDCALL entry(void)
{
    int64_t frequency;
    FN(kernel32, QueryPerformanceFrequency, QPC_t)(&frequency);
    Post_t postW = FN(user32, PostMessageW, Post_t);
    console = (HWND)qvOpenConsole();
    qvRestoreConsole();
    while (qvPeekEvent() != 0) qvWaitEvent();
    makeText();
    uint32_t bestPaste = 0, bestPost = 0;
    int ok = 1;
    for (int round = 0; round < ROUNDS; round++) {
        setClipboard();
        qvClearScreen();
        int64_t t = now();
        postW(console, WM_SYSCOMMAND, SC_EDIT_PASTE, 0); /* as the menu item gives it */
        ok &= readAll();
        uint32_t r = rate(now() - t, frequency);
        if (r > bestPaste) bestPaste = r;

        qvClearScreen();
        t = now();
        for (int i = 0; i < UNITS; i++)
            if (text[i] != 10) postW(console, WM_CHAR, text[i], 0); /* Enter is one WM_CHAR 13 */
        ok &= readAll();
        r = rate(now() - t, frequency);
        if (r > bestPost) bestPost = r;
    }
    qvtPrint("figure paste_chars_per_s %u\n", bestPaste);
    qvtPrint("figure post_chars_per_s %u\n", bestPost);
    qvtPrint("checked %s\n", ok ? "yes" : "no");
    qvExitProgram(ok ? 0 : 1);
    return 0;
}
