#include "probe.h"

volatile int probeBells;

typedef int(__attribute__((stdcall)) *Beep_t)(uint32_t, uint32_t);
static Beep_t realBeep;

static int __attribute__((stdcall)) countingBeep(uint32_t frequency, uint32_t duration)
{
    probeBells++;
    return realBeep(frequency, duration);
}

int probeInstallBellCounter(void)
{
    void *original = qvtPatchImport("kernel32.dll", "Beep", (void *)countingBeep);
    if (original && original != (void *)countingBeep) realBeep = (Beep_t)original; /* installed once */
    return original != 0;
}

typedef int(__attribute__((stdcall)) *PeekMessageA_t)(ProbeMsg *, void *, uint32_t, uint32_t, uint32_t);

int probeDrainMessages(uint32_t *nulls, int max, int *nullCount)
{
    static PeekMessageA_t peek;
    if (!peek) peek = (PeekMessageA_t)qvtProc("user32.dll", "PeekMessageA");
    ProbeMsg m;
    int n = 0;
    *nullCount = 0;
    while (peek(&m, 0, 0, 0, 1 /* PM_REMOVE */)) {
        n++;
        if (m.message == 0 && *nullCount < max) nulls[(*nullCount)++] = m.wParam;
    }
    return n;
}

int probeDrainEvents(void)
{
    int n = 0;
    while (qvPeekEvent() != 0) {
        qvWaitEvent();
        n++;
    }
    return n;
}

int probeMessageWaiting(void)
{
    typedef uint32_t(__attribute__((stdcall)) * GetQueueStatus_t)(uint32_t);
    static GetQueueStatus_t status;
    if (!status) status = (GetQueueStatus_t)qvtProc("user32.dll", "GetQueueStatus");
    return (status(0x04FF /* QS_ALLINPUT */) >> 16) != 0; /* high word: what is in the queue now */
}

uint32_t probeTicks(void)
{
    typedef uint32_t(__attribute__((stdcall)) * GetTickCount_t)(void);
    return ((GetTickCount_t)qvtProc("kernel32.dll", "GetTickCount"))();
}

int probePostMessage(void *hwnd, uint32_t message, uint32_t wParam, int32_t lParam)
{
    typedef int(__attribute__((stdcall)) * Post_t)(void *, uint32_t, uint32_t, int32_t);
    return ((Post_t)qvtProc("user32.dll", "PostMessageA"))(hwnd, message, wParam, lParam);
}

int probeSendMessage(void *hwnd, uint32_t message, uint32_t wParam, int32_t lParam)
{
    typedef int(__attribute__((stdcall)) * Send_t)(void *, uint32_t, uint32_t, int32_t);
    return ((Send_t)qvtProc("user32.dll", "SendMessageA"))(hwnd, message, wParam, lParam);
}

void probePostQuit(int code)
{
    typedef void(__attribute__((stdcall)) * Quit_t)(int);
    ((Quit_t)qvtProc("user32.dll", "PostQuitMessage"))(code);
}
