/* WM_QUIT with exit code 5 ends the program with code 0 through ExitProgram
 * (the shutdown hook runs), from WaitEvent ("wait") and from PeekEvent
 * ("peek"), and never reaches the messageHook. */
#include "probe.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int hookCalls;

static void QV_STDCALL shutdownHook(void)
{
    CHECK_EQ(hookCalls, 1); /* the WM_NULL before WM_QUIT, nothing after */
    qvtPrint("ok shutdown hook reached after WM_QUIT\n");
}

static void QV_STDCALL messageHook(ProbeMsg *msg)
{
    hookCalls++;
    if (msg->message == 0x12) qvtPrint("FAIL WM_QUIT handed to the messageHook\n");
}

static int32_t QV_STDCALL entry(void)
{
    const char *mode = qvCommandLine();
    qvHeader.shutdownHook = (QvWord)(uintptr_t)shutdownHook;
    qvHeader.messageHook = (QvWord)(uintptr_t)messageHook;
    if (qvtStrcmp(mode, "wait") == 0) {
        /* Queued events come first: WaitEvent looks at no message while
         * the queue holds one. */
        qvPostEvent(41);
        probePostQuit(5);
        CHECK_EQ(qvWaitEvent(), 41);
        CHECK_EQ(hookCalls, 0);
        qvWaitEvent();
        qvtPrint("FAIL WaitEvent returned after WM_QUIT\n");
    } else {
        /* PeekEvent takes every waiting message first, WM_QUIT among them,
         * even with an event at the head of the queue. */
        qvPostEvent(42);
        probePostQuit(5);
        qvPeekEvent();
        qvtPrint("FAIL PeekEvent returned after WM_QUIT\n");
    }
    qvExitProgram(3);
    return 0;
}
