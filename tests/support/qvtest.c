#include "qvtest.h"

int qvtFailures;
int qvtPasses;

/* ---- Finding kernel32 through the loader's module list ----------------- */

typedef void *(__attribute__((stdcall)) *LoadLibraryA_t)(const char *);
typedef void *(__attribute__((stdcall)) *GetProcAddress_t)(void *, const char *);

static LoadLibraryA_t pLoadLibraryA;
static GetProcAddress_t pGetProcAddress;

static int sameNameIgnoringCase(const uint16_t *wide, uint32_t wideBytes, const char *ascii)
{
    uint32_t n = wideBytes / 2, i;
    for (i = 0; i < n && ascii[i]; i++) {
        uint16_t a = wide[i], b = (unsigned char)ascii[i];
        if (a >= 'A' && a <= 'Z') a += 32;
        if (b >= 'A' && b <= 'Z') b += 32;
        if (a != b) return 0;
    }
    return i == n && ascii[i] == 0;
}

/* Finds an export by name in a loaded module's export directory. */
static void *exportByName(uint8_t *base, const char *name)
{
    uint32_t pe = *(uint32_t *)(base + 0x3C);
    uint32_t dirRva = *(uint32_t *)(base + pe + 0x78);
    uint8_t *dir = base + dirRva;
    uint32_t count = *(uint32_t *)(dir + 0x18);
    uint32_t *names = (uint32_t *)(base + *(uint32_t *)(dir + 0x20));
    uint16_t *ordinals = (uint16_t *)(base + *(uint32_t *)(dir + 0x24));
    uint32_t *functions = (uint32_t *)(base + *(uint32_t *)(dir + 0x1C));
    for (uint32_t i = 0; i < count; i++)
        if (qvtStrcmp((const char *)(base + names[i]), name) == 0) return base + functions[ordinals[i]];
    return 0;
}

static void findLoader(void)
{
    uint8_t *peb;
    __asm__ volatile("movl %%fs:0x30, %0" : "=r"(peb));
    uint8_t *ldr = *(uint8_t **)(peb + 0x0C);
    uint8_t *head = ldr + 0x0C; /* InLoadOrderModuleList */
    for (uint8_t *entry = *(uint8_t **)head; entry != head; entry = *(uint8_t **)entry) {
        uint16_t length = *(uint16_t *)(entry + 0x2C); /* BaseDllName */
        uint16_t *buffer = *(uint16_t **)(entry + 0x30);
        if (sameNameIgnoringCase(buffer, length, "kernel32.dll")) {
            uint8_t *base = *(uint8_t **)(entry + 0x18);
            pLoadLibraryA = (LoadLibraryA_t)exportByName(base, "LoadLibraryA");
            pGetProcAddress = (GetProcAddress_t)exportByName(base, "GetProcAddress");
            return;
        }
    }
}

void *qvtProc(const char *dll, const char *name)
{
    if (!pLoadLibraryA) findLoader();
    void *module = pLoadLibraryA(dll);
    return module ? pGetProcAddress(module, name) : 0;
}

/* ---- The kernel's imports ------------------------------------------------- */

static int sameIgnoringCase(const char *a, const char *b)
{
    for (;; a++, b++) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return 0;
        if (!x) return 1;
    }
}

typedef int(__attribute__((stdcall)) *VirtualProtect_t)(void *, uint32_t, uint32_t, uint32_t *);

/* Functions the kernel looks up by name on first use (GetProcAddress) instead
 * of importing them: a replacement for one is what the kernel's
 * GetProcAddress, patched for it, hands out for that name of that library. */
typedef void *(__attribute__((stdcall)) * KernelGetProcAddress_t)(void *, const char *);
typedef void *(__attribute__((stdcall)) * GetModuleHandleA_t)(const char *);
static struct {
    const char *dll, *name;
    void *replacement;
} byName[16];
static int byNameCount;
static KernelGetProcAddress_t kernelGetProcAddress;

static void *__attribute__((stdcall)) patchedGetProcAddress(void *module, const char *name)
{
    if ((uintptr_t)name > 0xFFFF) /* not an ordinal */
        for (int i = 0; i < byNameCount; i++)
            if (!qvtStrcmp(name, byName[i].name) &&
                module == ((GetModuleHandleA_t)qvtProc("kernel32.dll", "GetModuleHandleA"))(byName[i].dll))
                return byName[i].replacement;
    return kernelGetProcAddress(module, name);
}

static void *patchByName(const char *dll, const char *name, void *replacement)
{
    void *original = qvtProc(dll, name);
    if (!original || byNameCount == sizeof byName / sizeof byName[0]) return 0;
    if (!kernelGetProcAddress)
        kernelGetProcAddress = (KernelGetProcAddress_t)qvtPatchImport("kernel32.dll", "GetProcAddress",
                                                                      (void *)patchedGetProcAddress);
    if (!kernelGetProcAddress) return 0;
    byName[byNameCount].dll = dll;
    byName[byNameCount].name = name;
    byName[byNameCount].replacement = replacement;
    byNameCount++;
    return original;
}

void *qvtPatchImport(const char *dll, const char *name, void *replacement)
{
    uint8_t *base = (uint8_t *)0x400000; /* the kernel's image */
    uint8_t *nt = base + *(uint32_t *)(base + 0x3C);
    uint32_t importRva = *(uint32_t *)(nt + 24 + 104); /* optional header, data directory 1 */
    for (uint32_t *d = (uint32_t *)(base + importRva); d[3]; d += 5) {
        if (!sameIgnoringCase((const char *)(base + d[3]), dll)) continue;
        uint32_t *names = (uint32_t *)(base + (d[0] ? d[0] : d[4]));
        uint32_t *slots = (uint32_t *)(base + d[4]);
        for (int i = 0; names[i]; i++) {
            if (names[i] & 0x80000000u || qvtStrcmp((const char *)(base + names[i] + 2), name)) continue;
            uint32_t old;
            ((VirtualProtect_t)qvtProc("kernel32.dll", "VirtualProtect"))(&slots[i], 4, 0x04 /* PAGE_READWRITE */, &old);
            void *original = (void *)(uintptr_t)slots[i];
            slots[i] = (uint32_t)(uintptr_t)replacement;
            return original;
        }
    }
    void *original = patchByName(dll, name, replacement);
    if (original) return original;
    qvtPrint("FAIL: the kernel neither imports nor looks up %s from %s\n", name, dll);
    return 0;
}

typedef struct {
    const char *dll, *name;
    volatile uint32_t calls;
    void *original;
} ImportWatch;

static ImportWatch *watches;
static int watchCount;

int qvtWatchImports(void)
{
    typedef void *(__attribute__((stdcall)) * VirtualAlloc_t)(void *, uint32_t, uint32_t, uint32_t);
    typedef uint32_t(__attribute__((stdcall)) * VirtualQuery_t)(const void *, uint32_t *, uint32_t);
    VirtualAlloc_t alloc = (VirtualAlloc_t)qvtProc("kernel32.dll", "VirtualAlloc");
    VirtualQuery_t query = (VirtualQuery_t)qvtProc("kernel32.dll", "VirtualQuery");
    VirtualProtect_t protect = (VirtualProtect_t)qvtProc("kernel32.dll", "VirtualProtect");
    uint8_t *base = (uint8_t *)0x400000;
    uint8_t *nt = base + *(uint32_t *)(base + 0x3C);
    uint32_t importRva = *(uint32_t *)(nt + 24 + 104);
    enum { MAX_WATCHES = 1024, STUB = 16 };
    watches = (ImportWatch *)alloc(0, MAX_WATCHES * (sizeof(ImportWatch) + STUB), 0x3000 /* MEM_COMMIT|MEM_RESERVE */,
                                   0x40 /* PAGE_EXECUTE_READWRITE */);
    uint8_t *stubs = (uint8_t *)(watches + MAX_WATCHES);
    for (uint32_t *d = (uint32_t *)(base + importRva); d[3]; d += 5) {
        uint32_t *names = (uint32_t *)(base + (d[0] ? d[0] : d[4]));
        uint32_t *slots = (uint32_t *)(base + d[4]);
        for (int i = 0; names[i] && watchCount < MAX_WATCHES; i++) {
            uint32_t region[7]; /* MEMORY_BASIC_INFORMATION: Protect is the sixth word */
            if (names[i] & 0x80000000u || !query((void *)(uintptr_t)slots[i], region, sizeof region) ||
                !(region[5] & 0xF0 /* PAGE_EXECUTE* */))
                continue;
            ImportWatch *w = &watches[watchCount];
            uint8_t *stub = stubs + STUB * watchCount++;
            w->dll = (const char *)(base + d[3]);
            w->name = (const char *)(base + names[i] + 2);
            w->original = (void *)(uintptr_t)slots[i];
            stub[0] = 0xF0, stub[1] = 0xFF, stub[2] = 0x05; /* lock inc dword [calls] */
            *(uint32_t *)(stub + 3) = (uint32_t)(uintptr_t)&w->calls;
            stub[7] = 0xFF, stub[8] = 0x25; /* jmp dword [original] */
            *(uint32_t *)(stub + 9) = (uint32_t)(uintptr_t)&w->original;
            uint32_t old;
            protect(&slots[i], 4, 0x04 /* PAGE_READWRITE */, &old);
            slots[i] = (uint32_t)(uintptr_t)stub;
        }
    }
    return watchCount;
}

void qvtReportImportCalls(void)
{
    for (int i = 0; i < watchCount; i++)
        if (watches[i].calls) qvtPrint("called %s!%s %u\n", watches[i].dll, watches[i].name, watches[i].calls);
}

/* ---- Output --------------------------------------------------------------- */

typedef int(__attribute__((stdcall)) *wvsprintfA_t)(char *, const char *, va_list);
typedef void *(__attribute__((stdcall)) *GetStdHandle_t)(uint32_t);
typedef int(__attribute__((stdcall)) *WriteFile_t)(void *, const void *, uint32_t, uint32_t *, void *);

void qvtPrint(const char *format, ...)
{
    static wvsprintfA_t format_;
    static WriteFile_t write_;
    static void *out;
    if (!format_) {
        format_ = (wvsprintfA_t)qvtProc("user32.dll", "wvsprintfA");
        write_ = (WriteFile_t)qvtProc("kernel32.dll", "WriteFile");
        out = ((GetStdHandle_t)qvtProc("kernel32.dll", "GetStdHandle"))((uint32_t)-11);
    }
    char text[1100]; /* wvsprintfA writes at most 1024 bytes */
    va_list args;
    va_start(args, format);
    int n = format_(text, format, args);
    va_end(args);
    uint32_t written;
    if (n > 0) write_(out, text, (uint32_t)n, &written, 0);
}

/* ---- Checks --------------------------------------------------------------- */

void qvtCheck(int ok, const char *file, int line, const char *what)
{
    if (ok) {
        qvtPasses++;
        qvtPrint("ok %s\n", what);
    } else {
        qvtFailures++;
        qvtPrint("FAIL %s:%d: %s\n", file, line, what);
    }
}

void qvtCheckEq(uint32_t actual, uint32_t expected, const char *file, int line, const char *what)
{
    if (actual == expected) {
        qvtPasses++;
        qvtPrint("ok %s\n", what);
    } else {
        qvtFailures++;
        qvtPrint("FAIL %s:%d: %s: got 0x%X (%d), expected 0x%X (%d)\n", file, line, what, actual, actual, expected,
                 expected);
    }
}

void qvtCheckBytes(const void *actual, const void *expected, uint32_t n, const char *file, int line, const char *what)
{
    const uint8_t *a = actual, *e = expected;
    for (uint32_t i = 0; i < n; i++) {
        if (a[i] != e[i]) {
            qvtFailures++;
            qvtPrint("FAIL %s:%d: %s: byte %u is 0x%02X, expected 0x%02X\n", file, line, what, i, a[i], e[i]);
            return;
        }
    }
    qvtPasses++;
    qvtPrint("ok %s\n", what);
}

void qvtFinish(void)
{
    qvtPrint("%d passed, %d failed\n", qvtPasses, qvtFailures);
    qvExitProgram(qvtFailures ? 1 : 0);
}

void qvtSleep(uint32_t ms)
{
    ((void(__attribute__((stdcall)) *)(uint32_t))qvtProc("kernel32.dll", "Sleep"))(ms);
}

/* ---- Freestanding helpers ------------------------------------------------- */

uint32_t qvtStrlen(const char *s)
{
    uint32_t n = 0;
    while (s[n]) n++;
    return n;
}

int qvtStrcmp(const char *a, const char *b)
{
    while (*a && *a == *b) a++, b++;
    return (unsigned char)*a - (unsigned char)*b;
}

/* memset, memcpy, memmove and memcmp: the SDK's, sdk/qvmem.c. */
