/* A fault inside the message loop of a service's modal box: the console
 * window procedure faults on a message that ShowMessage's box dispatches.
 * The unwind leaves that box without its loop; before the fault box is
 * shown, the guard closes it and enables its owner, the console, again, so
 * that the restarted program gets input. */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint32_t console;
static volatile uint32_t badAddress = 0x60;

typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *IsWindowEnabled_t)(uint32_t);
typedef uint32_t(QV_STDCALL *FindWindowA_t)(const char *, const char *);
#define FAULT_UNDER_SHOWMESSAGE 0x40C
/* "信息框", the caption of ShowMessage's box */
static const char messageCaption[] = "\xD0\xC5\xCF\xA2\xBF\xF2";

static int32_t QV_STDCALL windowHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_UNDER_SHOWMESSAGE) {
        qvtPrint("ShowMessage box %X, console enabled %d\n",
                 QVT_FN("user32.dll", "FindWindowA", FindWindowA_t)("#32770", messageCaption),
                 QVT_FN("user32.dll", "IsWindowEnabled", IsWindowEnabled_t)(console));
        *(volatile uint32_t *)(uintptr_t)badAddress = 1;
    }
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        console = openOwnerConsole(windowHook);
        CHECK(QVT_FN("user32.dll", "IsWindowEnabled", IsWindowEnabled_t)(console));
        /* Nothing pumps before ShowMessage: its box's loop dispatches the message. */
        QVT_FN("user32.dll", "PostMessageA", WndProc_t)(console, FAULT_UNDER_SHOWMESSAGE, 0, 0);
        expectBox(CODE_ACCESS_VIOLATION, console);
        qvShowMessage("hello", 5);
        qvtPrint("FAIL ShowMessage returned\n");
        qvtFinish();
    }
    CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
    CHECK_EQ(QVT_FN("user32.dll", "FindWindowA", FindWindowA_t)("#32770", messageCaption), 0);
    CHECK(QVT_FN("user32.dll", "IsWindowEnabled", IsWindowEnabled_t)(console));
    qvPostEvent(0x46);
    CHECK_EQ(qvWaitEvent(), 0x46);
    qvtFinish();
    return 0;
}
