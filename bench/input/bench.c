/* Input benchmark program.
 *   "roundtrip": PostEvent + WaitEvent round trips per second, with the
 *                console open (each PostEvent posts its WM_NULL to it).
 *   "keys N":    opens the console, then reports the system time at the
 *                return of each of N WaitEvent calls, for a driver that
 *                presses keys through XTEST and measures the delay. The
 *                system time (GetSystemTimePreciseAsFileTime, 100 ns units)
 *                is the clock the driver stamps its presses with, Linux's
 *                CLOCK_REALTIME; Wine's performance counter is not: it may
 *                run from the processor's time-stamp counter, set off from
 *                the Linux clocks by a fraction of a millisecond. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(__attribute__((stdcall)) * QPC_t)(int64_t *);
static QPC_t qpc;

static int64_t now(void)
{
    int64_t t;
    qpc(&t);
    return t;
}

static int64_t frequency(void)
{
    int64_t f;
    ((QPC_t)qvtProc("kernel32.dll", "QueryPerformanceFrequency"))(&f);
    return f;
}

static void roundTrips(void)
{
    /* WaitEvent finds each event at once and pumps no message, so the
     * WM_NULLs pile up in the thread's queue; a PeekEvent after every batch
     * takes them, and its time counts too. */
    const int batches = 2000, batch = 100;
    int64_t start = now();
    int32_t sum = 0;
    for (int b = 0; b < batches; b++) {
        for (int i = 0; i < batch; i++) {
            qvPostEvent(i + 1);
            sum += qvWaitEvent();
        }
        qvPeekEvent();
    }
    int64_t ticks = now() - start;
    int64_t perSecond = (int64_t)batches * batch * frequency() / ticks;
    qvtPrint("roundtrips %d per_second %u check %d\n", batches * batch, (uint32_t)perSecond, sum);
}

typedef void(__attribute__((stdcall)) * SystemTime_t)(uint64_t *);

static void keys(int count)
{
    SystemTime_t systemTime = (SystemTime_t)qvtProc("kernel32.dll", "GetSystemTimePreciseAsFileTime");
    qvOpenConsole();
    qvRestoreConsole();
    while (qvPeekEvent() != 0) qvWaitEvent();
    qvtPrint("ready\n");
    for (int i = 0; i < count; i++) {
        int32_t code = qvWaitEvent();
        uint64_t t;
        systemTime(&t);
        qvtPrint("key %X %u %u\n", code, (uint32_t)(t >> 32), (uint32_t)t);
    }
}

static int32_t QV_STDCALL entry(void)
{
    qpc = (QPC_t)qvtProc("kernel32.dll", "QueryPerformanceCounter");
    const char *tail = qvCommandLine();
    if (tail[0] == 'k') {
        int n = 0;
        const char *p = tail;
        while (*p && (*p < '0' || *p > '9')) p++;
        for (; *p >= '0' && *p <= '9'; p++) n = n * 10 + (*p - '0');
        keys(n);
    } else {
        roundTrips();
    }
    qvExitProgram(0);
    return 0;
}
