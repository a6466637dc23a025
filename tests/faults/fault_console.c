/* Faults with the console open: the box is owned by the console window when
 * faultOwner names it; exceptions raised in the console window procedure (in
 * windowProcHook) during WaitEvent and PeekEvent, and in messageHook, reach
 * the guard; OK keeps the console, its screen buffer and the event queue;
 * Cancel ends with exit code 1 after the shutdown hook and the saving of the
 * window's rectangle. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint32_t console;
static const unsigned char *screenBuffer;

typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *PostMessageA_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *IsWindow_t)(uint32_t);
typedef int(QV_STDCALL *GetWindowRect_t)(uint32_t, int32_t *);
typedef void(QV_STDCALL *RaiseException_t)(uint32_t, uint32_t, uint32_t, const void *);
typedef int(QV_STDCALL *MsgFn_t)(void *);

#define WM_USER_ 0x400
static volatile uint32_t badAddress = 0x20; /* never mapped */
#define FAULT_IN_WINDOW_PROC_HOOK (WM_USER_ + 5)
#define FAULT_IN_MESSAGE_HOOK (WM_USER_ + 6)
#define AV_IN_WINDOW_PROC_HOOK (WM_USER_ + 7)

static int32_t QV_STDCALL windowHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_IN_WINDOW_PROC_HOOK)
        QVT_FN("kernel32.dll", "RaiseException", RaiseException_t)(0xE0071234, 0, 0, 0);
    if (message == AV_IN_WINDOW_PROC_HOOK) *(volatile uint32_t *)(uintptr_t)badAddress = message;
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

static void QV_STDCALL messageHook(void *msg)
{
    if (((uint32_t *)msg)[1] == FAULT_IN_MESSAGE_HOOK) *(volatile uint32_t *)(uintptr_t)(badAddress + 0x10) = 1;
    QVT_FN("user32.dll", "TranslateMessage", MsgFn_t)(msg);
    QVT_FN("user32.dll", "DispatchMessageA", MsgFn_t)(msg);
}

static void QV_STDCALL shutdownHook(void)
{
    qvtPrint("shutdown hook ran, console %s\n",
             QVT_FN("user32.dll", "IsWindow", IsWindow_t)(console) ? "still open" : "gone");
}

static void post(uint32_t message)
{
    QVT_FN("user32.dll", "PostMessageA", PostMessageA_t)(console, message, 0, 0);
}

static void divideByZero(void)
{
    volatile uint32_t zero = 0;
    qvtPrint("%u\n", 7 / zero);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    switch (runNumber) {
    case 1:
        qvHeader.shutdownHook = (uintptr_t)shutdownHook;
        console = qvOpenConsole();
        CHECK(console != 0);
        qvRestoreConsole(); /* the console opens minimized; restored, it gets its screen buffer */
        qvHeader.faultOwner = console;
        qvWriteText("kept text", 9);
        screenBuffer = qvGetScreenBuffer();
        CHECK(screenBuffer != 0);
        qvPostEvent(0x41);
        qvPostEvent(0x42);
        expectBox(CODE_DIVIDE_BY_ZERO, console);
        divideByZero();
        break;
    case 2: {
        CHECK_EQ(qvHeader.faultCode, CODE_DIVIDE_BY_ZERO);
        CHECK_EQ(qvHeader.faultOwner, console);
        CHECK(QVT_FN("user32.dll", "IsWindow", IsWindow_t)(console));
        /* The same screen buffer, with the text written before the fault. */
        const unsigned char *buffer = qvGetScreenBuffer();
        CHECK_EQ(buffer, screenBuffer);
        if (buffer) CHECK_BYTES(buffer, "kept text", 9);
        CHECK_EQ(qvPeekEvent(), 0x41);
        CHECK_EQ(qvWaitEvent(), 0x41);
        CHECK_EQ(qvWaitEvent(), 0x42);
        /* An exception raised in the console window procedure while WaitEvent pumps. */
        qvHeader.windowProcHook = (uintptr_t)windowHook;
        post(FAULT_IN_WINDOW_PROC_HOOK);
        expectBox(0xE0071234, console);
        qvWaitEvent();
        break;
    }
    case 3:
        CHECK_EQ(qvHeader.faultCode, 0xE0071234);
        CHECK_EQ(qvHeader.windowProcHook, (uintptr_t)windowHook);
        /* An access violation in messageHook while PeekEvent pumps. */
        qvHeader.messageHook = (uintptr_t)messageHook;
        post(FAULT_IN_MESSAGE_HOOK);
        expectBox(CODE_ACCESS_VIOLATION, console);
        qvPeekEvent();
        break;
    case 4:
        CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
        CHECK_EQ(qvHeader.messageHook, (uintptr_t)messageHook);
        qvHeader.messageHook = 0;
        /* An access violation in the window procedure (windowProcHook) while PeekEvent pumps. */
        post(AV_IN_WINDOW_PROC_HOOK);
        expectBox(CODE_ACCESS_VIOLATION, console);
        qvPeekEvent();
        break;
    case 5: {
        CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
        CHECK_EQ(ctxWord(CTX_EIP) - (uintptr_t)windowHook < 0x100, 1);
        /* The console still works: an event posted now comes back. */
        qvPostEvent(0x43);
        CHECK_EQ(qvWaitEvent(), 0x43);
        /* An access violation inside a service: WriteText reads text from an
         * address that is not readable. */
        expectBox(CODE_ACCESS_VIOLATION, console);
        qvWriteText((const char *)(uintptr_t)badAddress, 5);
        break;
    }
    case 6: {
        CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
        /* The fault happened in the service (or the C run-time it called),
         * not in this program's code. */
        qvtPrint("fault in the service at %X\n", ctxWord(CTX_EIP));
        CHECK(ctxWord(CTX_EIP) < 0x448000 || ctxWord(CTX_EIP) >= 0x460000);
        /* Cancel: ExitProgram(1), after the shutdown hook and the rectangle save. */
        qvMoveConsole(57, 33);
        int32_t r[4];
        QVT_FN("user32.dll", "GetWindowRect", GetWindowRect_t)(console, r);
        qvtPrint("window-rect %d,%d,%d,%d\n", r[0], r[1], r[2], r[3]);
        qvHeader.faultOwner = 0;
        expectBox(CODE_DIVIDE_BY_ZERO, 0);
        divideByZero();
        break;
    }
    }
    qvtPrint("FAIL run %d went on after its fault\n", runNumber);
    qvtFinish();
    return 0;
}
