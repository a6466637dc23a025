/* Faults inside the message loops of a service's modal boxes and dialogs: the
 * console window procedure faults on a message that the box's or dialog's
 * loop dispatches. The unwind leaves the box or dialog without its loop;
 * before the fault box is shown, the guard closes it and enables its owner,
 * the console, again, so that the restarted program gets input.
 *   run 1: under ShowMessage's box
 *   run 2: under the open-file dialog
 *   run 3: under the open-file dialog, and destroying the abandoned dialog
 *          raises an exception too (as it does on Windows when the dialog's
 *          own window procedure faults in WM_DESTROY; Wine's user-callback
 *          dispatcher swallows such a fault, so the test makes the kernel's
 *          DestroyWindow raise it after the dialog is gone): the process
 *          goes on, the owner is enabled and the box still reports the
 *          first fault
 *   run 4: checks */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

int runNumber;
static uint32_t console;
static volatile uint32_t badAddress = 0x60;

typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef int(QV_STDCALL *IsWindowEnabled_t)(uint32_t);
typedef int(QV_STDCALL *IsWindowVisible_t)(uint32_t);
typedef int(QV_STDCALL *DestroyWindow_t)(uint32_t);
typedef uint32_t(QV_STDCALL *FindWindowA_t)(const char *, const char *);
typedef void(QV_STDCALL *RaiseException_t)(uint32_t, uint32_t, uint32_t, const void *);
typedef uint32_t(QV_STDCALL *SetTimer_t)(uint32_t, uint32_t, uint32_t, void *);
typedef int(QV_STDCALL *KillTimer_t)(uint32_t, uint32_t);
#define WM_TIMER_ 0x0113
#define FAULT_UNDER_SHOWMESSAGE 0x40C
#define FAULT_UNDER_FILE_DIALOG 0x40D
#define CODE_IN_DESTROY 0xE0DE5700u
/* "信息框", the caption of ShowMessage's box */
static const char messageCaption[] = "\xD0\xC5\xCF\xA2\xBF\xF2";
static const char dialogCaption[] = "QV modal fault";

static uint32_t findDialog(const char *caption)
{
    return QVT_FN("user32.dll", "FindWindowA", FindWindowA_t)("#32770", caption);
}

static int enabled(uint32_t window) { return QVT_FN("user32.dll", "IsWindowEnabled", IsWindowEnabled_t)(window); }

static void post(uint32_t message) { QVT_FN("user32.dll", "PostMessageA", WndProc_t)(console, message, 0, 0); }

static int32_t QV_STDCALL windowHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_UNDER_SHOWMESSAGE) {
        qvtPrint("ShowMessage box %X, console enabled %d\n", findDialog(messageCaption), enabled(console));
        *(volatile uint32_t *)(uintptr_t)badAddress = 1;
    }
    if (message == WM_TIMER_ && wParam == FAULT_UNDER_FILE_DIALOG) {
        /* The timer's messages come once the dialog's loop is idle; fault
         * when the dialog shows. */
        uint32_t dialog = findDialog(dialogCaption);
        if (dialog && QVT_FN("user32.dll", "IsWindowVisible", IsWindowVisible_t)(dialog)) {
            QVT_FN("user32.dll", "KillTimer", KillTimer_t)(console, FAULT_UNDER_FILE_DIALOG);
            qvtPrint("file dialog %X, console enabled %d\n", dialog, enabled(console));
            *(volatile uint32_t *)(uintptr_t)badAddress = 2;
        }
        return 0;
    }
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

/* The kernel's DestroyWindow during run 3: destroys the file dialog, then an
 * exception comes out of it; every other window is passed on. */
static DestroyWindow_t realDestroyWindow;
static int destroyRaised;

static int QV_STDCALL raisingDestroyWindow(uint32_t window)
{
    if (window != findDialog(dialogCaption)) return realDestroyWindow(window);
    realDestroyWindow(window);
    destroyRaised++;
    QVT_FN("kernel32.dll", "RaiseException", RaiseException_t)(CODE_IN_DESTROY, 0, 0, 0);
    return 1;
}

static void openFileDialog(void)
{
    static char filter[] = "Text|*.txt|";
    static unsigned char result[260];
    result[1] = 0;
    /* A timer of the console window: the dialog's loop dispatches its
     * messages to the console window procedure. */
    CHECK(QVT_FN("user32.dll", "SetTimer", SetTimer_t)(console, FAULT_UNDER_FILE_DIALOG, 50, 0) != 0);
    expectBox(CODE_ACCESS_VIOLATION, console);
    qvOpenFileDialog(console, filter, dialogCaption, 0, result);
    qvtPrint("FAIL the file dialog returned\n");
    qvtFinish();
}

/* After each fault: the box or dialog is gone, the console enabled and
 * input reaches the restarted program. */
static void checkRecovered(const char *caption)
{
    CHECK_EQ(qvHeader.faultCode, CODE_ACCESS_VIOLATION);
    CHECK_EQ(findDialog(caption), 0);
    CHECK(enabled(console));
    qvPostEvent(0x46 + runNumber);
    CHECK_EQ(qvWaitEvent(), 0x46 + runNumber);
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    qvtPrint("run %d\n", runNumber);
    switch (runNumber) {
    case 1:
        console = openOwnerConsole(windowHook);
        CHECK(enabled(console));
        post(FAULT_UNDER_SHOWMESSAGE);
        expectBox(CODE_ACCESS_VIOLATION, console);
        qvShowMessage("hello", 5);
        qvtPrint("FAIL ShowMessage returned\n");
        break;
    case 2:
        checkRecovered(messageCaption);
        openFileDialog();
        break;
    case 3:
        checkRecovered(dialogCaption);
        realDestroyWindow = (DestroyWindow_t)qvtPatchImport("user32.dll", "DestroyWindow", (void *)raisingDestroyWindow);
        CHECK(realDestroyWindow != 0);
        openFileDialog();
        break;
    case 4:
        qvtPatchImport("user32.dll", "DestroyWindow", (void *)realDestroyWindow);
        CHECK_EQ(destroyRaised, 1);
        /* The box reported the hook's fault, not the one in the clean-up. */
        checkRecovered(dialogCaption);
        break;
    }
    qvtFinish();
    return 0;
}
