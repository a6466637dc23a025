/* The kernel on the systems Wine can be made to report (its Version value):
 * every import of the kernel is watched while the program uses the console,
 * files, case conversion, libraries and ReadLine with Chinese, with and
 * without a messageHook; the driver (systems_test.py) checks the calls
 * against docs/imports.md: none that Windows 9x only stubs where GetVersion
 * says 9x. The results the program sees are checked here, for the system
 * reported and the system's code page (936, 1252 or 932), with or without a
 * code page of the program's own (joined with --code-page 936). */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef uint32_t(__attribute__((stdcall)) * Fn0)(void);
typedef int(__attribute__((stdcall)) * Fn1)(uint32_t);
typedef int(__attribute__((stdcall)) * Fn3)(uint32_t, uint32_t, uint32_t);
typedef int(__attribute__((stdcall)) * Fn4)(uint32_t, uint32_t, uint32_t, uint32_t);
#define API(dll, name, type) ((type)qvtProc(dll, #name))

enum { WM_CHAR = 0x102, WM_IME_CHAR = 0x286 };

static uint32_t console;
static int nineX, ownCodePage;
static uint32_t systemCodePage;

/* The kernel's record of the joiner's --code-page: the tag, then N. */
static int joinedWithCodePage(void)
{
    uint8_t *base = (uint8_t *)0x400000;
    uint8_t *nt = base + *(uint32_t *)(base + 0x3C);
    uint8_t *section = nt + 24 + *(uint16_t *)(nt + 20);
    for (int i = 0; i < *(uint16_t *)(nt + 6); i++, section += 40)
        if (memcmp(section, ".qvcp", 6) == 0) return *(uint32_t *)(base + *(uint32_t *)(section + 12) + 8) != 0;
    return 0;
}

/* " Win9X/NT/2K 32位Quorven核 Ver 2.00" */
static const char captionGbk[] = " Win9X/NT/2K 32\xCE\xBBQuorven\xBA\xCB Ver 2.00";
static const uint16_t captionWide[] = {' ', 'W', 'i', 'n', '9', 'X', '/', 'N', 'T', '/', '2', 'K', ' ', '3', '2', 0x4F4D,
                                       'Q', 'u', 'o', 'r', 'v', 'e', 'n', 0x6838, ' ', 'V', 'e', 'r', ' ', '2', '.', '0',
                                       '0', 0};

static void caption(void)
{
    if (nineX) {
        /* 9x keeps a caption in its own code page: the kernel's GBK bytes. */
        char text[80] = {0};
        API("user32.dll", GetWindowTextA, Fn3)(console, (uint32_t)(uintptr_t)text, sizeof text);
        CHECK_BYTES(text, captionGbk, sizeof captionGbk);
    } else {
        uint16_t text[80] = {0};
        API("user32.dll", GetWindowTextW, Fn3)(console, (uint32_t)(uintptr_t)text, 80);
        CHECK_BYTES(text, captionWide, sizeof captionWide);
    }
}

/* A file named and filled in GBK, written and read back by the same names. */
static void fileRoundTrip(void)
{
    static const char name[] = "\xD6\xD0\xCE\xC4-systems.txt"; /* 中文-systems.txt */
    static const char data[] = "abc\xD6\xD0\xCE\xC4\n";
    CHECK_EQ(qvWriteWholeFile(data, sizeof data - 1, name, sizeof name - 1), sizeof data - 1);
    uint32_t file = qvOpenTextFile(name, sizeof name - 1, 0);
    CHECK(file != 0);
    char line[32] = {0};
    CHECK_EQ(qvReadFileLine(line, sizeof line, file), 7);
    CHECK_BYTES(line, data, 8);
    CHECK_EQ(qvCloseFile(file), 0);
    if (ownCodePage && !nineX) {
        /* Named by its UTF-16 form: 中文-systems.txt whatever the system's code page. */
        static const uint16_t wide[] = {0x4E2D, 0x6587, '-', 's', 'y', 's', 't', 'e', 'm', 's', '.', 't', 'x', 't', 0};
        CHECK(API("kernel32.dll", DeleteFileW, Fn1)((uint32_t)(uintptr_t)wide));
    } else {
        CHECK(API("kernel32.dll", DeleteFileA, Fn1)((uint32_t)(uintptr_t)name)); /* the bytes as they are */
    }
}

/* A program that has opened its console and written to it has not loaded
 * the dialog and print libraries: the kernel looks them up on first use, so
 * their imports (and shell32, comctl32 and the rest that they load) cost
 * nothing to a program that never opens a dialog or prints. */
static void noDialogLibraries(void)
{
    Fn1 loaded = API("kernel32.dll", GetModuleHandleA, Fn1);
    CHECK_EQ(loaded((uint32_t)(uintptr_t)"comdlg32.dll"), 0);
    CHECK_EQ(loaded((uint32_t)(uintptr_t)"winspool.drv"), 0);
    CHECK_EQ(loaded((uint32_t)(uintptr_t)"shell32.dll"), 0);
}

static void caseConversion(void)
{
    char text[] = "abc\xD6\xD0\xCE\xC4xyZ";
    CHECK_EQ(qvUpperCase(text, sizeof text - 1), sizeof text - 1);
    CHECK_BYTES(text, "ABC\xD6\xD0\xCE\xC4XYZ", sizeof text);
    CHECK_EQ(qvLowerCase(text, sizeof text - 1), sizeof text - 1);
    CHECK_BYTES(text, "abc\xD6\xD0\xCE\xC4xyz", sizeof text);
}

static void library(void)
{
    uint32_t module = qvLoadLibraryByName("user32.dll", 10);
    CHECK(module != 0);
    CHECK(qvGetProcByName("MessageBeep", 11, module) != 0);
}

/* Characters as a keyboard of the system's code page types them, posted to
 * the console window: what ReadLine stores is the program's bytes. */
static uint32_t hookBytes[8];
static int hookCount;

static void QV_STDCALL byteHook(void *msg)
{
    uint32_t *m = (uint32_t *)msg;
    if (m[1] == WM_CHAR && hookCount < 8) hookBytes[hookCount++] = m[2];
    API("user32.dll", DispatchMessageA, Fn1)((uint32_t)(uintptr_t)msg);
}

static void typedChinese(int viaHook)
{
    const char *typed, *want;
    if (systemCodePage == 1252)
        typed = "\xE9" "a", want = ownCodePage ? "\xA8\xA6" "a" : "\xE9" "a"; /* é: GBK A8 A6 */
    else if (systemCodePage == 932)
        typed = "\x92\x86" "a", want = ownCodePage ? "\xD6\xD0" "a" : "\x92\x86" "a"; /* 中 in Shift-JIS */
    else
        typed = "\xD6\xD0" "a", want = "\xD6\xD0" "a";
    Fn4 post = API("user32.dll", PostMessageA, Fn4);
    for (const char *p = typed; *p; p++) post(console, WM_CHAR, (uint8_t)*p, 1);
    post(console, WM_CHAR, 13, 1);
    hookCount = 0;
    if (viaHook) qvHeader.messageHook = (QvWord)(uintptr_t)byteHook;
    char line[16] = {0};
    int32_t n = qvReadLine(line, sizeof line);
    qvHeader.messageHook = 0;
    qvtPrint("typed %s: ReadLine gave %d bytes %X %X %X\n", viaHook ? "through the hook" : "plainly", n,
             (uint8_t)line[0], (uint8_t)line[1], (uint8_t)line[2]);
    CHECK_EQ(n, qvtStrlen(want));
    CHECK_BYTES(line, want, qvtStrlen(want));
    if (viaHook) {
        /* The hook saw the program's bytes, lead then trail, then Enter. */
        CHECK_EQ(hookCount, qvtStrlen(want) + 1);
        for (uint32_t i = 0; i < qvtStrlen(want); i++) CHECK_EQ(hookBytes[i], (uint8_t)want[i]);
    }
}

static int32_t QV_STDCALL entry(void)
{
    int watched = qvtWatchImports();
    uint32_t version = API("kernel32.dll", GetVersion, Fn0)();
    nineX = (version & 0x80000000u) != 0;
    systemCodePage = API("kernel32.dll", GetACP, Fn0)();
    ownCodePage = joinedWithCodePage();
    qvtPrint("system %s %u.%u, code page %u, program code page %s; watching %d imports\n", nineX ? "9x" : "NT",
             version & 0xFF, (version >> 8) & 0xFF, systemCodePage, ownCodePage ? "936" : "none", watched);
    CHECK(watched > 100);
    console = qvOpenConsole();
    CHECK(console != 0);
    qvWriteText("\xD6\xD0\xCE\xC4 ok", 7);
    caption();
    noDialogLibraries();
    fileRoundTrip();
    caseConversion();
    library();
    typedChinese(0);
    typedChinese(1);
    qvtReportImportCalls();
    qvtFinish();
    return 0;
}
