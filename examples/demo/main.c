/* The console demo: opens the console and shows text, wrapping, colours, an
 * inverted highlight and Chinese text in GBK, then waits about ten seconds
 * (or as many as the command line says) while the window repaints, and ends.
 * Windows functions the services do not offer (Sleep and a message pump)
 * are looked up with qvtProc from the test support library. */
#include "qvtest.h"
#include <windows.h>

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static void say(const char *text) { qvWriteText(text, (int32_t)qvtStrlen(text)); }
static void sayLine(const char *text)
{
    say(text);
    qvNewLine();
}

/* Absolute buffer position of the cursor. */
static int cursorBufferRow(void) { return (qvQueryCursor() >> 16) + qvGetTopLine(); }
static int cursorColumn(void) { return qvQueryCursor() & 0xFFFF; }

static void waitSeconds(int seconds)
{
    typedef BOOL(__attribute__((stdcall)) * Peek)(MSG *, HWND, UINT, UINT, UINT);
    typedef LRESULT(__attribute__((stdcall)) * Dispatch)(const MSG *);
    typedef BOOL(__attribute__((stdcall)) * Translate)(const MSG *);
    Peek peek = (Peek)qvtProc("user32.dll", "PeekMessageA");
    Dispatch dispatch = (Dispatch)qvtProc("user32.dll", "DispatchMessageA");
    Translate translate = (Translate)qvtProc("user32.dll", "TranslateMessage");
    MSG m;
    for (int i = 0; i < seconds * 20; i++) {
        while (peek(&m, 0, 0, 0, PM_REMOVE)) {
            translate(&m);
            dispatch(&m);
        }
        qvtSleep(50);
    }
}

static int32_t QV_STDCALL entry(void)
{
    int seconds = 10;
    const char *arg = qvCommandLine();
    while (*arg == ' ' || *arg == '"') arg++;
    if (*arg >= '0' && *arg <= '9') {
        seconds = 0;
        while (*arg >= '0' && *arg <= '9') seconds = seconds * 10 + (*arg++ - '0');
    }

    qvOpenConsole();
    /* The console opens with the start-up show command OR 6, which leaves it
     * hidden or minimized; show it normally. */
    qvRestoreConsole();
    qvSetColors(0xF5F0E6, 0x703010); /* light background, dark blue text */

    sayLine("Quorven console demo");
    sayLine("====================");
    qvNewLine();
    say("Wrapping: text goes into the screen buffer and onto the screen at once. A line longer than "
        "the view wraps at its right edge, byte by byte, and the window scrolls when the cursor "
        "reaches its bottom rows; the oldest row drops out at the end of the buffer.");
    qvNewLine();
    qvNewLine();
    sayLine("Colours: SetColors gives the whole console one text colour and one");
    sayLine("background, here dark blue on a light background.");
    qvNewLine();
    say("Highlight: ");
    int row = cursorBufferRow(), col = cursorColumn();
    say("these words are inverted, white on black");
    int endCol = cursorColumn();
    sayLine(", by SetHighlight.");
    qvSetHighlight(endCol, row, col, row);
    qvNewLine();
    /* "中文输出：你好，世界！" (Chinese output: hello, world!) */
    sayLine("\xD6\xD0\xCE\xC4\xCA\xE4\xB3\xF6\xA3\xBA\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\xA3\xA1");
    /* "这是一个用中文编程的系统。" (This is a system for programming in Chinese.) */
    sayLine("\xD5\xE2\xCA\xC7\xD2\xBB\xB8\xF6\xD3\xC3\xD6\xD0\xCE\xC4\xB1\xE0\xB3\xCC\xB5\xC4\xCF\xB5\xCD\xB3\xA1\xA3");
    qvNewLine();
    sayLine("Squares, placed with EnsureRoom so that no number is cut at the edge:");
    for (int i = 1; i <= 48; i++) {
        char cell[16];
        int n = ((int(__attribute__((cdecl)) *)(char *, const char *, ...))qvtProc("user32.dll", "wsprintfA"))(
            cell, "%4d=%-5d", i, i * i);
        qvEnsureRoom(n);
        qvWriteText(cell, n);
    }
    qvNewLine();
    qvNewLine();
    say("The caret follows the cursor. ");
    waitSeconds(seconds);
    qvExitProgram(0);
    return 0;
}
