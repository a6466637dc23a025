/* Memory blocks and their margin, libraries and procedure lookup with the
 * "A" retry, and in-place case conversion (code page 936). */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

/* The usable size of a C run-time heap block. */
static uint32_t blockSize(void *block)
{
    return ((uint32_t(*)(void *))qvtProc("msvcrt.dll", "_msize"))(block);
}

static void memoryBlocks(void)
{
    uint8_t *b = qvAllocMemory(0);
    CHECK(b != 0);
    CHECK_EQ(blockSize(b), 32);
    memset(b, 0xA5, 32);
    qvFreeMemory(b);

    b = qvAllocMemory(100);
    CHECK_EQ(blockSize(b), 132);
    for (int i = 0; i < 100; i++) b[i] = (uint8_t)i;
    /* Resizing asks for exactly the size: the margin is gone. */
    uint8_t *r = qvReallocMemory(b, 100);
    CHECK(r != 0);
    CHECK_EQ(blockSize(r), 100);
    /* Growing keeps the contents. */
    r = qvReallocMemory(r, 100000);
    CHECK(r != 0);
    CHECK_EQ(blockSize(r), 100000);
    int same = 1;
    for (int i = 0; i < 100; i++) same &= r[i] == (uint8_t)i;
    CHECK(same);
    /* A request the heap cannot meet gives 0 and leaves the block alone. */
    CHECK_EQ(qvReallocMemory(r, 0xFFFFFF00u), 0);
    CHECK_EQ(blockSize(r), 100000);
    CHECK_EQ(r[99], 99);
    /* Size 0 frees the block and gives 0. */
    CHECK_EQ(qvReallocMemory(r, 0), 0);

    /* A null block makes a plain allocation, without margin. */
    b = qvReallocMemory(0, 50);
    CHECK(b != 0);
    CHECK_EQ(blockSize(b), 50);
    CHECK_EQ(qvCall1(QV_FreeMemory, QV_W(b)), 0);
    CHECK_EQ(qvCall1(QV_FreeMemory, 0), 0);

    /* Sizes whose margin does not fit in 32 bits get no block: never a
     * small block for a huge request. */
    CHECK_EQ(qvAllocMemory(0xFFFFFFFFu), 0);
    CHECK_EQ(qvAllocMemory(0xFFFFFFE1u), 0);
    CHECK_EQ(qvAllocMemory(0xFFFFFFE0u), 0); /* fits, but no heap has it */
}

static void libraries(void)
{
    typedef void *(__attribute__((stdcall)) *GetModuleHandleA_t)(const char *);
    typedef uint32_t(__attribute__((stdcall)) *GetSystemDirectoryA_t)(char *, uint32_t);
    uint32_t user32 = (uint32_t)((GetModuleHandleA_t)qvtProc("kernel32.dll", "GetModuleHandleA"))("user32.dll");
    CHECK(user32 != 0);
    uint32_t m = qvLoadLibraryByName("user32.dll", 10);
    CHECK_EQ(m, user32);
    CHECK(qvFreeLibraryHandle(m) != 0);
    CHECK_EQ(qvLoadLibraryByName("qv-no-such-library.dll", 22), 0);

    /* A 300-byte library name: the system folder, ".\" steps, "user32"
     * ending at byte 255 (".dll" is the loader's default extension), then
     * bytes that would name another library. */
    char name[300];
    uint32_t n = ((GetSystemDirectoryA_t)qvtProc("kernel32.dll", "GetSystemDirectoryA"))(name, 100);
    name[n++] = '\\';
    if ((255 - 6 - n) % 2) name[n++] = '\\';
    while (n < 249) name[n++] = '.', name[n++] = '\\';
    memcpy(name + 249, "user32", 6);
    for (n = 255; n < 300; n++) name[n] = 'x';
    CHECK_EQ(qvLoadLibraryByName(name, 300), user32);
    CHECK_EQ(qvLoadLibraryByName(name, -1), user32);
    CHECK_EQ(qvLoadLibraryByName(name, 256), user32); /* counts as 255 */
    CHECK_EQ(qvLoadLibraryByName(name, 254), 0);      /* "user3" */
    CHECK_EQ(qvLoadLibraryByName("user32.dll\0zz", 13), user32);

    /* Procedures: unchanged, with "A", neither. */
    void *messageBoxA = qvtProc("user32.dll", "MessageBoxA");
    CHECK(messageBoxA != 0);
    CHECK_EQ(qvGetProcByName("MessageBoxA", 11, user32), messageBoxA);
    CHECK_EQ(qvGetProcByName("MessageBox", 10, user32), messageBoxA);
    CHECK_EQ(qvGetProcByName("MessageBox\0W", 12, user32), messageBoxA);
    CHECK_EQ(qvGetProcByName("NoSuchProcedure", 15, user32), 0);
    CHECK_EQ(qvGetProcByName("", 0, user32), 0);

    /* The test library: which export each lookup found. */
    uint32_t lib = qvLoadLibraryByName("qvtestlib.dll", 13);
    CHECK(lib != 0);
    typedef int (*proc_t)(void);
    proc_t p = (proc_t)qvGetProcByName("Twin", 4, lib);
    CHECK(p != 0);
    if (p) CHECK_EQ(p(), 1); /* found unchanged: never retried with "A" */
    p = (proc_t)qvGetProcByName("TwinA", 5, lib);
    if (p) CHECK_EQ(p(), 2);
    char longName[300];
    /* p x 300: cut to 254, found as it is (not the 255-byte export). */
    memset(longName, 'p', 300);
    p = (proc_t)qvGetProcByName(longName, 300, lib);
    CHECK(p != 0);
    if (p) CHECK_EQ(p(), 3);
    p = (proc_t)qvGetProcByName(longName, 255, lib);
    if (p) CHECK_EQ(p(), 3);
    p = (proc_t)qvGetProcByName(longName, -1, lib);
    if (p) CHECK_EQ(p(), 3);
    /* q x 300: cut to 254, then "A" appended to the cut name. */
    memset(longName, 'q', 300);
    p = (proc_t)qvGetProcByName(longName, 300, lib);
    CHECK(p != 0);
    if (p) CHECK_EQ(p(), 5);
    /* Shorter names are looked up as they are. */
    CHECK_EQ(qvGetProcByName(longName, 253, lib), 0);
    CHECK(qvFreeLibraryHandle(lib) != 0);
}

static void textCase(void)
{
    char text[16];
    memcpy(text, "abc\0d", 5);
    CHECK_EQ(qvUpperCase(text, 5), 5);
    CHECK_BYTES(text, "ABC\0D", 5);
    CHECK_EQ(qvLowerCase(text, 5), 5);
    CHECK_BYTES(text, "abc\0d", 5);
    /* Only the given bytes. */
    memcpy(text, "abcdef", 6);
    CHECK_EQ(qvUpperCase(text, 3), 3);
    CHECK_BYTES(text, "ABCdef", 6);
    memcpy(text, "Mixed 123 !", 11);
    CHECK_EQ(qvLowerCase(text, 11), 11);
    CHECK_BYTES(text, "mixed 123 !", 11);
    CHECK_EQ(qvUpperCase(text, 0), 0);
    CHECK_BYTES(text, "mixed", 5);
    /* A negative length converts nothing, not the memory after the text,
     * and gives 0. */
    CHECK_EQ(qvUpperCase(text, -1), 0);
    CHECK_EQ(qvUpperCase(text, (int32_t)0x80000000u), 0);
    CHECK_BYTES(text, "mixed", 5);
    memcpy(text, "ABCDEF", 6);
    CHECK_EQ(qvLowerCase(text, -1), 0);
    CHECK_EQ(qvLowerCase(text, -6), 0);
    CHECK_BYTES(text, "ABCDEF", 6);

    /* Code page 936: double-byte characters stay as they are, even when a
     * trail byte falls in the range of the ASCII letters. On the system's
     * code page 936, or (the tail says "cp936") joined with --code-page 936
     * on another one. */
    const char *tail = (const char *)(uintptr_t)((uint32_t)(uintptr_t)&qvHeader + qvHeader.commandLine);
    if (qvtStrcmp(tail, "cp936") != 0)
        CHECK_EQ(((uint32_t(__attribute__((stdcall)) *)(void))qvtProc("kernel32.dll", "GetACP"))(), 936);
    /* "中文" abc, then the characters 0x81 0x61 and 0x81 0x41. */
    static const char gbk[] = "\xD6\xD0\xCE\xC4" "abc" "\x81\x61" "\x81\x41" "\0x";
    memcpy(text, gbk, 13);
    CHECK_EQ(qvUpperCase(text, 13), 13);
    CHECK_BYTES(text, "\xD6\xD0\xCE\xC4" "ABC" "\x81\x61" "\x81\x41" "\0X", 13);
    CHECK_EQ(qvLowerCase(text, 13), 13);
    CHECK_BYTES(text, gbk, 13);
    /* A lone lead byte at the very end. */
    memcpy(text, "a\xD6", 2);
    CHECK_EQ(qvUpperCase(text, 2), 2);
    CHECK_EQ(text[0], 'A');

    /* How the platform treats double-byte letters (full-width a, Greek
     * alpha): shown, not judged; the case rules are the platform's. */
    memcpy(text, "\xA3\xE1\xA6\xC1", 4);
    int32_t done = qvUpperCase(text, 4);
    qvtPrint("note: UpperCase of full-width a and alpha: %d bytes, %02X %02X %02X %02X\n", done,
             (uint8_t)text[0], (uint8_t)text[1], (uint8_t)text[2], (uint8_t)text[3]);
}

static int32_t QV_STDCALL entry(void)
{
    memoryBlocks();
    libraries();
    textCase();
    qvtFinish();
    return 0;
}
