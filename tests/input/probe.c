#include "probe.h"

volatile int probeBells;

typedef int(__attribute__((stdcall)) *Beep_t)(uint32_t, uint32_t);
typedef int(__attribute__((stdcall)) *VirtualProtect_t)(void *, uint32_t, uint32_t, uint32_t *);
static Beep_t realBeep;

static int __attribute__((stdcall)) countingBeep(uint32_t frequency, uint32_t duration)
{
    probeBells++;
    return realBeep(frequency, duration);
}

int probeInstallBellCounter(void)
{
    uint8_t *base = (uint8_t *)0x400000; /* the kernel's image */
    realBeep = (Beep_t)qvtProc("kernel32.dll", "Beep");
    VirtualProtect_t protect = (VirtualProtect_t)qvtProc("kernel32.dll", "VirtualProtect");
    uint32_t pe = *(uint32_t *)(base + 0x3C);
    uint32_t importRva = *(uint32_t *)(base + pe + 0x80);
    int found = 0;
    for (uint32_t *d = (uint32_t *)(base + importRva); d[3] != 0; d += 5) {
        for (uint32_t *slot = (uint32_t *)(base + d[4]); *slot != 0; slot++) {
            if (*slot == (uint32_t)(uintptr_t)realBeep) {
                uint32_t old;
                protect(slot, 4, 0x04 /* PAGE_READWRITE */, &old);
                *slot = (uint32_t)(uintptr_t)countingBeep;
                protect(slot, 4, old, &old);
                found = 1;
            }
        }
    }
    return found;
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
