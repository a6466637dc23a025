/* The console demo: opens the console and shows text, wrapping, colours, an
 * inverted highlight and Chinese text in GBK. Then it asks for a name with
 * ReadLine and answers, and reports every key, click and command it gets
 * until the window is closed. With a number on the command line it instead
 * waits that many seconds while the window repaints, and ends (for
 * screenshots). Windows functions the services do not offer (Sleep, a
 * message pump, wsprintfA) are looked up with qvtProc from the test support
 * library. */
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

typedef int(__attribute__((cdecl)) * Format)(char *, const char *, ...);
static Format format;

/* ---- The interactive part ------------------------------------------------ */

static const char *const editKeys[] = {"Home", "End", "Insert", "Delete", "Left", "Right",
                                       "Up", "Down", "Scroll Lock", "Pause"};

static void reportKey(int32_t code)
{
    char text[64];
    int key = code & 0xFFFF;
    const char *name;
    char fname[8];
    if (code & EVENT_FUNCTION_KEY) {
        /* F10 to F12 are numbered 0x10 to 0x12. */
        format(fname, "F%d", key >= 0x10 ? key - 6 : key);
        name = fname;
    } else if (key <= 9) {
        name = editKeys[key];
    } else {
        name = key == 0x10 ? "Page Up" : "Page Down";
    }
    format(text, "key %s%s%s", (code & EVENT_CTRL) ? "Ctrl+" : "", (code & EVENT_SHIFT) ? "Shift+" : "", name);
    sayLine(text);
}

static void reportMouse(int32_t code)
{
    char text[80];
    int32_t where = qvWaitEvent(); /* the position entry follows the code */
    uint32_t action = (uint32_t)code & (EVENT_DOUBLE_CLICK | EVENT_BUTTON_DOWN | EVENT_BUTTON_UP);
    const char *what = action == (EVENT_BUTTON_DOWN | EVENT_BUTTON_UP) ? "drag"
                       : action == EVENT_DOUBLE_CLICK                  ? "double click"
                       : action == EVENT_BUTTON_DOWN                   ? "button down"
                                                                       : "button up";
    /* The flags give the buttons held after the change. */
    const char *button = action == EVENT_BUTTON_UP ? "" : (code & 2) ? " (right)" : " (left)";
    format(text, "%s%s at %d, %d", what, button, (int16_t)(where & 0xFFFF), (int16_t)((uint32_t)where >> 16));
    sayLine(text);
}

static void report(int32_t code)
{
    char text[48];
    if (code & EVENT_MOUSE) {
        reportMouse(code);
        return;
    }
    if (code & (EVENT_FUNCTION_KEY | EVENT_EDIT_KEY)) {
        reportKey(code);
        return;
    }
    if (code & EVENT_COMMAND)
        format(text, "command %d", code & 0xFFFF);
    else if (code >= 32 && code < 256)
        format(text, "character '%c' (%d)", code, code);
    else
        format(text, "code 0x%X", code);
    sayLine(text);
}

static void interact(void)
{
    char name[40], text[96];
    sayLine("What is your name?");
    say("> ");
    int32_t n = qvReadLine(name, (int32_t)sizeof name);
    qvNewLine();
    if (n == 0) {
        sayLine("No name? Then hello, stranger.");
    } else {
        name[n] = 0;
        format(text, "Hello, %s! Your name takes %d bytes.", name, n);
        sayLine(text);
    }
    qvNewLine();
    sayLine("Press function keys, arrows or letters, click or drag with the mouse;");
    sayLine("each event is reported below. Close the window to end.");
    /* Closing the window ends the program through ExitProgram(0) from the
     * window procedure, inside WaitEvent. */
    for (;;) report(qvWaitEvent());
}

static int32_t QV_STDCALL entry(void)
{
    int seconds = 0;
    format = (Format)qvtProc("user32.dll", "wsprintfA");
    const char *arg = qvCommandLine();
    while (*arg == ' ' || *arg == '"') arg++;
    if (*arg >= '0' && *arg <= '9') {
        seconds = 0;
        while (*arg >= '0' && *arg <= '9') seconds = seconds * 10 + (*arg++ - '0');
    }

    qvOpenConsole();
    /* The console opens with the start-up show command OR 6, which may leave
     * it hidden or minimized; show it normally. */
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
        int n = format(cell, "%4d=%-5d", i, i * i);
        qvEnsureRoom(n);
        qvWriteText(cell, n);
    }
    qvNewLine();
    qvNewLine();
    if (seconds == 0) interact();
    say("The caret follows the cursor. ");
    waitSeconds(seconds);
    qvExitProgram(0);
    return 0;
}
