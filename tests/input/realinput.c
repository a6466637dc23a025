/* Reports every event of the console window on standard output, for a
 * driver script that types and clicks with real X events. One line per
 * entry: "event CODE SHIFTSTATE". Ctrl+F12 starts a ReadLine and reports
 * the bytes it returned and the cells of its row: "line HEX cells HEX".
 * The window's close ends the program. */
#include "probe.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static void QV_STDCALL shutdownHook(void)
{
    qvtPrint("closed\n");
}

typedef struct { int32_t x, y; } Point;

static void printHex(const unsigned char *bytes, int n)
{
    for (int i = 0; i < n; i++) qvtPrint("%02X", bytes[i]);
}

static void readLineRound(void)
{
    char buf[32];
    qvMoveCursor(0, 3);
    qvtPrint("reading\n");
    int n = qvReadLine(buf, 20);
    int32_t cols = qvGetBufferSize() & 0xFFFF;
    qvtPrint("line ");
    printHex((unsigned char *)buf, n);
    qvtPrint(" cells ");
    printHex(qvGetScreenBuffer() + 3 * cols, 8);
    qvtPrint(" cursor %X\n", qvQueryCursor());
}

/* Ctrl+F11 writes a line to mark with the mouse; Shift+F11 reports the
 * clipboard's text in UTF-16: "clipboard HEX HEX ...". */
static void markLine(void)
{
    qvMoveCursor(0, 5);
    qvWriteText("mark \xD6\xD0\xCE\xC4 here", 14); /* mark 中文 here */
}

static void printClipboard(uint32_t window)
{
    typedef int(__attribute__((stdcall)) * Fn1)(uint32_t);
    typedef void *(__attribute__((stdcall)) * Ptr1)(uint32_t);
    qvtPrint("clipboard");
    if (((Fn1)qvtProc("user32.dll", "OpenClipboard"))(window)) {
        uint32_t block = (uint32_t)(uintptr_t)((Ptr1)qvtProc("user32.dll", "GetClipboardData"))(13 /* CF_UNICODETEXT */);
        const uint16_t *text = block ? ((Ptr1)qvtProc("kernel32.dll", "GlobalLock"))(block) : 0;
        for (int i = 0; text && text[i] && i < 64; i++) qvtPrint(" %X", text[i]);
        if (text) ((Fn1)qvtProc("kernel32.dll", "GlobalUnlock"))(block);
        ((int(__attribute__((stdcall)) *)(void))qvtProc("user32.dll", "CloseClipboard"))();
    }
    qvtPrint("\n");
}

static int32_t QV_STDCALL entry(void)
{
    typedef int(__attribute__((stdcall)) * ClientToScreen_t)(uint32_t, Point *);
    qvHeader.shutdownHook = (QvWord)(uintptr_t)shutdownHook;
    uint32_t window = qvOpenConsole();
    qvRestoreConsole();
    Point origin = {0, 0};
    ((ClientToScreen_t)qvtProc("user32.dll", "ClientToScreen"))(window, &origin);
    /* Let the window be shown and painted before the driver starts. */
    probeDrainEvents();
    int32_t view = qvGetViewSize(), cell = qvGetCellSize();
    qvtPrint("client %d %d %d %d cell %d %d\n", origin.x, origin.y, (view & 0xFFFF) * (cell >> 16),
             (view >> 16) * (cell & 0xFFFF), cell >> 16, cell & 0xFFFF);
    for (;;) {
        int32_t code = qvWaitEvent();
        qvtPrint("event %X %X\n", code, qvGetShiftState());
        if (code == 0x50012) readLineRound();
        if (code == 0x50011) markLine();
        if (code == 0x90011) printClipboard(window);
    }
    return 0;
}
