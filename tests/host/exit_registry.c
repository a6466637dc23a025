/* The console rectangle saved by ExitProgram. The tail selects the step:
 *   move L T R B   open the console, place its outer rectangle, exit
 *   read           print the stored value's text, type and data size */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(__attribute__((stdcall)) * SetWindowPos_t)(uint32_t, uint32_t, int, int, int, int, uint32_t);
typedef int(__attribute__((stdcall)) * GetWindowRect_t)(uint32_t, int32_t *);
typedef long(__attribute__((stdcall)) * RegOpenKeyA_t)(uint32_t, const char *, uint32_t *);
typedef long(__attribute__((stdcall)) * RegQueryValueExA_t)(uint32_t, const char *, void *, uint32_t *, void *, uint32_t *);

static const char *skipBlanks(const char *p)
{
    while (*p == ' ') p++;
    return p;
}

static const char *number(const char *p, int *out)
{
    int sign = 1, n = 0;
    p = skipBlanks(p);
    if (*p == '-') sign = -1, p++;
    while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    *out = sign * n;
    return p;
}

static int startsWith(const char *s, const char *prefix)
{
    while (*prefix)
        if (*s++ != *prefix++) return 0;
    return 1;
}

static int32_t QV_STDCALL entry(void)
{
    const char *tail = qvCommandLine();
    if (startsWith(tail, "read")) {
        uint32_t key = 0, type = 0, size = 500;
        char text[512];
        long status = QVT_FN("advapi32.dll", "RegOpenKeyA", RegOpenKeyA_t)(0x80000001u, "SOFTWARE\\QUORVEN\\SETTINGS", &key);
        CHECK_EQ(status, 0);
        status = QVT_FN("advapi32.dll", "RegQueryValueExA", RegQueryValueExA_t)(key, "Console", 0, &type, text, &size);
        CHECK_EQ(status, 0);
        qvtPrint("value=%s type=%u size=%u\n", text, type, size);
        qvtFinish();
    }
    uint32_t window = qvOpenConsole();
    CHECK(window != 0);
    if (startsWith(tail, "move")) {
        int l, t, r, b;
        const char *p = number(tail + 4, &l);
        p = number(p, &t);
        p = number(p, &r);
        number(p, &b);
        QVT_FN("user32.dll", "SetWindowPos", SetWindowPos_t)(window, 0, l, t, r - l, b - t, 0x14 /* no z-order, no activate */);
        int32_t rect[4];
        QVT_FN("user32.dll", "GetWindowRect", GetWindowRect_t)(window, rect);
        qvtPrint("rect=%d,%d,%d,%d\n", rect[0], rect[1], rect[2], rect[3]);
    }
    qvtPrint("%d passed, %d failed\n", qvtPasses, qvtFailures);
    qvExitProgram(qvtFailures ? 1 : 0);
    return 0;
}
