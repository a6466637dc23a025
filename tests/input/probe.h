/* Helpers shared by the input tests: a counter of the kernel's bell and
 * typed access to the Windows functions the tests use. */
#ifndef INPUT_PROBE_H
#define INPUT_PROBE_H
#include "qvtest.h"

/* Beep gives no trace under Wine, so the tests count the kernel's calls of
 * it: the kernel's import slot for kernel32's Beep is pointed at a counter
 * that then calls the real Beep. Returns 1 when the slot was found. */
int probeInstallBellCounter(void);
extern volatile int probeBells;

typedef struct { void *hwnd; uint32_t message; uint32_t wParam; int32_t lParam; uint32_t time; int32_t x, y; } ProbeMsg;

/* Removes every waiting message of the thread without dispatching it;
 * returns how many there were, and the WM_NULL wParams in order (at most
 * max of them) in nulls. */
int probeDrainMessages(uint32_t *nulls, int max, int *nullCount);
/* Takes every event already in the kernel's queue; returns how many. */
int probeDrainEvents(void);
/* 1 when a message waits in the thread's queue (nothing is removed). */
int probeMessageWaiting(void);

uint32_t probeTicks(void);
int probePostMessage(void *hwnd, uint32_t message, uint32_t wParam, int32_t lParam);
int probeSendMessage(void *hwnd, uint32_t message, uint32_t wParam, int32_t lParam);
void probePostQuit(int code);
#endif
