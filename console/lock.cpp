#include "lock.h"
#include <windows.h>

// The lock itself, initialised on first use (the first output may come from
// a program before the console window exists).
static struct {
    CRITICAL_SECTION section; // the lock
    bool ready;               // section is initialised
} screenLock;

void lockScreen()
{
    if (!screenLock.ready) {
        InitializeCriticalSection(&screenLock.section);
        screenLock.ready = true;
    }
    EnterCriticalSection(&screenLock.section);
}

void unlockScreen() { LeaveCriticalSection(&screenLock.section); }

void releaseScreenLockAfterFault()
{
    if (!screenLock.ready) return;
    DWORD self = GetCurrentThreadId();
    while (reinterpret_cast<DWORD>(screenLock.section.OwningThread) == self && screenLock.section.RecursionCount > 0)
        LeaveCriticalSection(&screenLock.section);
}
