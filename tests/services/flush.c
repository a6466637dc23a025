/* Streams that the program leaves open are flushed when the process ends
 * through ExitProgram, whichever way it comes to end. The command line names
 * the way: "own" (the program's own call), "return" (its entry returns),
 * "close" (the window's close command), "quit" (WM_QUIT seen by WaitEvent),
 * "peek" (WM_QUIT seen by PeekEvent), "fault" (Cancel in the fault box, exit
 * code 1). tests/services/flush_test.py reads the files after the process
 * has gone. */
#include "fileaccess.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define STDCALL __attribute__((stdcall))
typedef int (*fputs_t)(const char *, uint32_t);
static fputs_t crtPuts;
static uint32_t textStream, updateStream;

static void QV_STDCALL shutdownHook(void)
{
    /* Written after the program's last word, still flushed at the end. */
    crtPuts("from the hook\n", textStream);
    qvtPrint("ok shutdown hook ran\n");
}

static int32_t QV_STDCALL entry(void)
{
    const char *way = qvCommandLine();
    /* The run-time's own fputs, found the way a hosted program finds it. */
    uint32_t crt = qvLoadLibraryByName("msvcrt.dll", 10);
    crtPuts = (fputs_t)qvGetProcByName("fputs", 5, crt);
    CHECK(crtPuts != 0);

    textStream = qvCreateTextFile("left.txt", 8);
    CHECK(textStream != 0);
    CHECK(crtPuts("left open\n", textStream) >= 0);
    CHECK(rawWrite("update.txt", "0123456789", 10));
    updateStream = qvOpenTextFile("update.txt", 10, 1);
    CHECK(updateStream != 0);
    CHECK_EQ(qvSeekFile(updateStream, 0, 4), 0);
    CHECK(crtPuts("ab", updateStream) >= 0);
    /* Nothing has reached the files yet: it waits in the streams' buffers. */
    char raw[16];
    CHECK_EQ(rawRead("left.txt", raw, 16), 0);
    CHECK_EQ(rawRead("update.txt", raw, 16), 10);
    CHECK_BYTES(raw, "0123456789", 10);
    qvHeader.shutdownHook = (QvWord)(uintptr_t)shutdownHook;
    qvtPrint("ending by %s\n", way);

    if (qvtStrcmp(way, "own") == 0) {
        qvExitProgram(0);
    } else if (qvtStrcmp(way, "return") == 0) {
        return 0;
    } else if (qvtStrcmp(way, "close") == 0) {
        /* What the close box of the caption sends. */
        uint32_t window = qvOpenConsole();
        ((int(STDCALL *)(uint32_t, uint32_t, uint32_t, uint32_t))qvtProc("user32.dll", "PostMessageA"))(
            window, 0x0112 /* WM_SYSCOMMAND */, 0xF060 /* SC_CLOSE */, 0);
        qvWaitEvent();
    } else if (qvtStrcmp(way, "quit") == 0 || qvtStrcmp(way, "peek") == 0) {
        qvOpenConsole();
        ((void(STDCALL *)(int))qvtProc("user32.dll", "PostQuitMessage"))(3);
        if (way[0] == 'q')
            qvWaitEvent();
        else
            qvPeekEvent();
    } else if (qvtStrcmp(way, "fault") == 0) {
        /* An address in the system's half: never writable by a program. */
        volatile uintptr_t nowhere = 0xFFFF0000u;
        *(volatile int *)nowhere = 1; /* the driver answers the fault box with Cancel */
    }
    qvtPrint("FAIL still running\n");
    return 1;
}
