/* 1,000 faults of mixed kinds in one process, each answered with OK by a
 * timer of this program that runs inside the box's own message loop. Checks
 * every box's text, and that handles, window-system objects and memory do
 * not grow between fault 10 and fault 1,000 (the figures are printed). */
#include "faulttest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define CYCLES 1000
#define BASELINE 10

int runNumber;
static uint32_t console;
static int answeredRun, wrongTexts;
static uint32_t expectedCode;
static volatile uint32_t badAddress = 0x50;

typedef uint32_t(QV_STDCALL *FindWindowA_t)(const char *, const char *);
typedef int(QV_STDCALL *PostMessageA_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef uint32_t(QV_STDCALL *GetDlgItemTextA_t)(uint32_t, int, char *, int);
typedef int(QV_STDCALL *IsWindowVisible_t)(uint32_t);
typedef uint32_t(QV_STDCALL *SetTimer_t)(uint32_t, uint32_t, uint32_t, void *);
typedef int32_t(QV_STDCALL *WndProc_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef void(QV_STDCALL *RaiseException_t)(uint32_t, uint32_t, uint32_t, const void *);
typedef void *(QV_STDCALL *GetCurrentProcess_t)(void);
typedef int(QV_STDCALL *GetProcessHandleCount_t)(void *, uint32_t *);
typedef uint32_t(QV_STDCALL *GetGuiResources_t)(void *, uint32_t);
typedef int(QV_STDCALL *GetProcessMemoryInfo_t)(void *, uint32_t *, uint32_t);

/* "异常中断" */
static const char caption[] = "\xD2\xEC\xB3\xA3\xD6\xD0\xB6\xCF";
#define WM_COMMAND_ 0x0111
#define IDOK_ 1
#define FAULT_IN_WINDOW_PROC 0x40A

/* Runs in every message loop of the thread, the box's included. */
static void QV_STDCALL answerBox(uint32_t window, uint32_t message, uint32_t id, uint32_t time)
{
    (void)window, (void)message, (void)id, (void)time;
    if (answeredRun == runNumber) return;
    uint32_t box = QVT_FN("user32.dll", "FindWindowA", FindWindowA_t)("#32770", caption);
    if (!box || !QVT_FN("user32.dll", "IsWindowVisible", IsWindowVisible_t)(box)) return;
    char text[80], want[80];
    QVT_FN("user32.dll", "GetDlgItemTextA", GetDlgItemTextA_t)(box, 0xFFFF, text, sizeof text);
    QVT_FN("user32.dll", "wsprintfA", wsprintfA_t)(want, "%s # %X", caption, expectedCode);
    if (qvtStrcmp(text, want) != 0) {
        wrongTexts++;
        qvtPrint("box of run %d shows the wrong text\n", runNumber);
    }
    answeredRun = runNumber;
    QVT_FN("user32.dll", "PostMessageA", PostMessageA_t)(box, WM_COMMAND_, IDOK_, 0);
}

static int32_t QV_STDCALL windowHook(uint32_t window, uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (message == FAULT_IN_WINDOW_PROC) *(volatile uint32_t *)(uintptr_t)badAddress = 1;
    return QVT_FN("user32.dll", "DefWindowProcA", WndProc_t)(window, message, wParam, lParam);
}

static __attribute__((noinline)) uint32_t recurse(uint32_t n)
{
    volatile uint8_t pad[200];
    pad[0] = (uint8_t)n;
    if (n == 0) return 0;
    return recurse(n + 1) + pad[0];
}

struct Figures {
    uint32_t handles;      /* open kernel handles, counted one by one */
    uint32_t windows;      /* top-level windows of this thread */
    uint32_t privateBytes; /* committed private memory, region by region */
    uint32_t reportedHandles, gdiObjects, userObjects; /* as the system reports them */
    uint32_t workingSet;
};

typedef int(QV_STDCALL *GetHandleInformation_t)(uint32_t, uint32_t *);
typedef uint32_t(QV_STDCALL *VirtualQuery_t)(const void *, uint32_t *, uint32_t);
typedef uint32_t(QV_STDCALL *GetCurrentThreadId_t)(void);
typedef int(QV_STDCALL *EnumThreadWindows_t)(uint32_t, void *, uint32_t);

static int QV_STDCALL countWindow(uint32_t window, uint32_t count)
{
    (void)window;
    ++*(uint32_t *)(uintptr_t)count;
    return 1;
}

static struct Figures measure(const char *when)
{
    struct Figures f = {0, 0, 0, 0, 0, 0, 0};
    GetHandleInformation_t handleInfo = QVT_FN("kernel32.dll", "GetHandleInformation", GetHandleInformation_t);
    for (uint32_t h = 4; h < 0x4000; h += 4) {
        uint32_t flags;
        if (handleInfo(h, &flags)) f.handles++;
    }
    QVT_FN("user32.dll", "EnumThreadWindows", EnumThreadWindows_t)(
        QVT_FN("kernel32.dll", "GetCurrentThreadId", GetCurrentThreadId_t)(), countWindow, (uintptr_t)&f.windows);
    /* MEMORY_BASIC_INFORMATION: base, allocation base, protect, size, state, protect, type */
    VirtualQuery_t query = QVT_FN("kernel32.dll", "VirtualQuery", VirtualQuery_t);
    uint32_t info[7];
    for (uint32_t a = 0x10000; a < 0x7FFF0000u && query((const void *)(uintptr_t)a, info, sizeof info); a += info[3]) {
        if (info[4] == 0x1000 /* MEM_COMMIT */ && info[6] == 0x20000 /* MEM_PRIVATE */) f.privateBytes += info[3];
        if (!info[3]) break;
    }
    void *self = QVT_FN("kernel32.dll", "GetCurrentProcess", GetCurrentProcess_t)();
    QVT_FN("kernel32.dll", "GetProcessHandleCount", GetProcessHandleCount_t)(self, &f.reportedHandles);
    f.gdiObjects = QVT_FN("user32.dll", "GetGuiResources", GetGuiResources_t)(self, 0);
    f.userObjects = QVT_FN("user32.dll", "GetGuiResources", GetGuiResources_t)(self, 1);
    uint32_t counters[11] = {sizeof counters}; /* PROCESS_MEMORY_COUNTERS_EX */
    QVT_FN("kernel32.dll", "K32GetProcessMemoryInfo", GetProcessMemoryInfo_t)(self, counters, sizeof counters);
    f.workingSet = counters[3];
    qvtPrint("%s: handles %u, top-level windows %u, private committed bytes %u; reported by the system: "
             "handles %u, GDI objects %u, USER objects %u, working set %u\n",
             when, f.handles, f.windows, f.privateBytes, f.reportedHandles, f.gdiObjects, f.userObjects,
             f.workingSet);
    return f;
}

static struct Figures before;

static void fault(int kind)
{
    volatile uint32_t zero = 0;
    switch (kind) {
    case 0:
        expectedCode = CODE_DIVIDE_BY_ZERO;
        qvtPrint("%u", 7 / zero);
        break;
    case 1:
        expectedCode = CODE_ACCESS_VIOLATION;
        qvtPrint("%u", *(volatile uint32_t *)(uintptr_t)badAddress);
        break;
    case 2:
        expectedCode = CODE_BREAKPOINT;
        __asm__ volatile("int3");
        break;
    case 3: /* in the console window procedure, while PeekEvent pumps */
        expectedCode = CODE_ACCESS_VIOLATION;
        QVT_FN("user32.dll", "PostMessageA", PostMessageA_t)(console, FAULT_IN_WINDOW_PROC, 0, 0);
        qvPeekEvent();
        break;
    case 4:
        expectedCode = 0xE0000000u + (uint32_t)runNumber;
        QVT_FN("kernel32.dll", "RaiseException", RaiseException_t)(expectedCode, 0, 0, 0);
        break;
    case 5:
        expectedCode = CODE_STACK_OVERFLOW;
        recurse(1);
        break;
    }
}

static int32_t QV_STDCALL entry(void)
{
    runNumber++;
    if (runNumber == 1) {
        console = openOwnerConsole(windowHook);
        CHECK(QVT_FN("user32.dll", "SetTimer", SetTimer_t)(0, 0, 1, answerBox) != 0);
    } else {
        /* The previous run ended in exactly one fault, answered once. */
        if (qvHeader.faultCode != expectedCode || answeredRun != runNumber - 1) {
            qvtPrint("FAIL run %d: faultCode %X, expected %X; box answered in run %d\n", runNumber,
                     qvHeader.faultCode, expectedCode, answeredRun);
            qvtFailures++;
            qvtFinish();
        }
    }
    if (runNumber == BASELINE + 1) before = measure("after 10 faults");
    if (runNumber == CYCLES + 1) {
        struct Figures after = measure("after 1000 faults");
        CHECK_EQ(wrongTexts, 0);
        CHECK(before.handles > 0 && before.windows > 0 && before.privateBytes > 0);
        CHECK(after.handles <= before.handles + 4);
        CHECK(after.windows <= before.windows);
        CHECK(after.reportedHandles <= before.reportedHandles + 4);
        CHECK(after.gdiObjects <= before.gdiObjects + 4);
        CHECK(after.userObjects <= before.userObjects + 4);
        CHECK(after.privateBytes <= before.privateBytes + 512 * 1024);
        qvtPrint("ok %d faults caught and answered\n", CYCLES);
        qvtFinish();
    }
    fault(runNumber % 100 == 50 ? 5 : runNumber % 5);
    qvtPrint("FAIL run %d went on after its fault\n", runNumber);
    qvtFinish();
    return 0;
}
