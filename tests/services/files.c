/* The file services on real files in the program's current folder (a new
 * temporary folder): text translation, line reading, positioning, whole-file
 * writes, name clamping and the answers to a handle of 0. Raw kernel32 access
 * checks what ended up on disk. */
#include "fileaccess.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

/* The C run-time the kernel's streams come from; the hosted program may call
 * it on the handles it was given. */
typedef int (*fputs_t)(const char *, uint32_t);
typedef uint32_t (*fopen_t)(const char *, const char *);
typedef int (*fclose_t)(uint32_t);
static int crtPuts(const char *text, uint32_t file) { return ((fputs_t)qvtProc("msvcrt.dll", "fputs"))(text, file); }

#define NAME(s) (s), (int32_t)qvtStrlen(s)

static void lineReading(void)
{
    char buf[100];
    CHECK(rawWrite("lines.txt", "abc\r\nxyz", 8));
    uint32_t f = qvOpenTextFile(NAME("lines.txt"), 0);
    CHECK(f != 0);
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileLine(buf, 100, f), 3);
    CHECK_BYTES(buf, "abc\n\0", 5); /* CR LF arrives as '\n', kept in the buffer */
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileLine(buf, 100, f), 3);
    CHECK_BYTES(buf, "xyz\0", 4);
    CHECK_EQ(qvReadFileLine(buf, 100, f), -1);
    /* At the end a size of 0 still reports the end of the file. */
    CHECK_EQ(qvReadFileLine(buf, 0, f), -1);
    CHECK_EQ(qvCloseFile(f), 0);

    /* Buffer size 5: "abc\n" fits exactly. */
    f = qvOpenTextFile(NAME("lines.txt"), 0);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 3);
    CHECK_BYTES(buf, "abc\n\0", 5);
    /* Size 1: nothing read, an empty buffer, the position unchanged. */
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileLine(buf, 1, f), 0);
    CHECK_EQ(buf[0], 0);
    CHECK_EQ(buf[1], 'Q');
    /* Size 0 before the end: an error, not the end of the file. */
    CHECK_EQ(qvReadFileLine(buf, 0, f), -2);
    CHECK_EQ(qvReadFileLine(buf, -5, f), -2);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 3);
    CHECK_BYTES(buf, "xyz\0", 4);
    CHECK_EQ(qvReadFileLine(buf, 5, f), -1);
    qvCloseFile(f);

    /* An empty line, then a line longer than the buffer in pieces 4, 4, 2. */
    CHECK(rawWrite("long.txt", "\r\n0123456789\r\nend", 17));
    f = qvOpenTextFile(NAME("long.txt"), 0);
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileLine(buf, 100, f), 0);
    CHECK_BYTES(buf, "\n\0", 2);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 4);
    CHECK_BYTES(buf, "0123\0", 5);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 4);
    CHECK_BYTES(buf, "4567\0", 5);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 2);
    CHECK_BYTES(buf, "89\n\0", 4);
    CHECK_EQ(qvReadFileLine(buf, 5, f), 3);
    CHECK_BYTES(buf, "end\0", 4);
    CHECK_EQ(qvReadFileLine(buf, 5, f), -1);
    qvCloseFile(f);

    /* A read error, not an end: a stream open for writing only. */
    uint32_t w = ((fopen_t)qvtProc("msvcrt.dll", "fopen"))("writeonly.txt", "w");
    CHECK(w != 0);
    CHECK_EQ(qvReadFileLine(buf, 100, w), -2);
    CHECK_EQ(qvReadFileBytes(w, 10, buf), 0);
    CHECK_EQ(qvCloseFile(w), 0);
}

static void translationAndModes(void)
{
    char raw[64];
    char buf[64];
    /* Text mode reading: CR LF becomes '\n'. */
    CHECK(rawWrite("crlf.txt", "a\r\nb\r\n", 6));
    uint32_t f = qvOpenTextFile(NAME("crlf.txt"), 0);
    CHECK_EQ(qvReadFileBytes(f, 64, buf), 4);
    CHECK_BYTES(buf, "a\nb\n", 4);
    /* Opened without the update flag: writing is refused. */
    CHECK(crtPuts("no", f) < 0);
    qvCloseFile(f);
    CHECK_EQ(rawRead("crlf.txt", raw, 64), 6);

    /* Update flag: read and write, '\n' written as CR LF. */
    f = qvOpenTextFile(NAME("crlf.txt"), 1);
    CHECK(f != 0);
    CHECK_EQ(qvSeekFile(f, 2, 0), 0);
    CHECK(crtPuts("c\n", f) >= 0);
    CHECK_EQ(qvSeekFile(f, 0, 0), 0);
    CHECK_EQ(qvReadFileBytes(f, 64, buf), 6);
    CHECK_BYTES(buf, "a\nb\nc\n", 6);
    CHECK_EQ(qvCloseFile(f), 0);
    CHECK_EQ(rawRead("crlf.txt", raw, 64), 9);
    CHECK_BYTES(raw, "a\r\nb\r\nc\r\n", 9);

    /* A missing file: no handle with either flag; CreateTextFile makes it empty. */
    CHECK_EQ(qvOpenTextFile(NAME("missing.txt"), 0), 0);
    CHECK_EQ(qvOpenTextFile(NAME("missing.txt"), 1), 0);
    CHECK(!rawExists("missing.txt"));
    f = qvCreateTextFile(NAME("missing.txt"));
    CHECK(f != 0);
    CHECK_EQ(rawRead("missing.txt", raw, 64), 0);
    /* Created in text mode, for writing and reading. */
    CHECK(crtPuts("x\ny", f) >= 0);
    CHECK_EQ(qvSeekFile(f, 0, 0), 0);
    CHECK_EQ(qvReadFileLine(buf, 64, f), 1);
    CHECK_EQ(qvCloseFile(f), 0);
    CHECK_EQ(rawRead("missing.txt", raw, 64), 4);
    CHECK_BYTES(raw, "x\r\ny", 4);

    /* CreateTextFile truncates an existing file at once. */
    CHECK(rawWrite("old.txt", "old contents", 12));
    f = qvCreateTextFile(NAME("old.txt"));
    CHECK(f != 0);
    CHECK_EQ(rawRead("old.txt", raw, 64), 0);
    qvCloseFile(f);

    /* Binary whole-file writes leave every byte as it is. */
    static const char data[] = "a\nb\r\n\x1a\r\r\n\0z";
    CHECK_EQ(qvWriteWholeFile(data, 11, NAME("bin.dat")), 11);
    CHECK_EQ(rawRead("bin.dat", raw, 64), 11);
    CHECK_BYTES(raw, data, 11);
}

static void positioning(void)
{
    char buf[64];
    CHECK(rawWrite("pos.txt", "abcdefghijklmnopqrst", 20));
    uint32_t f = qvOpenTextFile(NAME("pos.txt"), 0);
    CHECK_EQ(qvTellFile(f), 0);
    /* The origin comes before the offset. */
    CHECK_EQ(qvSeekFile(f, 0, 10), 0);
    CHECK_EQ(qvTellFile(f), 10);
    CHECK_EQ(qvSeekFile(f, 1, -3), 0);
    CHECK_EQ(qvTellFile(f), 7);
    CHECK_EQ(qvReadFileBytes(f, 2, buf), 2);
    CHECK_BYTES(buf, "hi", 2);
    CHECK_EQ(qvSeekFile(f, 1, 4), 0);
    CHECK_EQ(qvTellFile(f), 13);
    CHECK_EQ(qvSeekFile(f, 2, 0), 0);
    CHECK_EQ(qvTellFile(f), 20);
    CHECK_EQ(qvSeekFile(f, 2, -5), 0);
    CHECK_EQ(qvTellFile(f), 15);
    /* Short at the end, then nothing. */
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileBytes(f, 64, buf), 5);
    CHECK_BYTES(buf, "pqrstQ", 6);
    CHECK_EQ(qvReadFileBytes(f, 64, buf), 0);
    /* Failures: an unknown origin, a place before the start. */
    CHECK(qvSeekFile(f, 7, 0) != 0);
    CHECK(qvSeekFile(f, 0, -1) != 0);
    CHECK_EQ(qvSeekFile(f, 0, 3), 0);
    /* A negative count reads nothing: not the rest of the file into a
     * buffer of 64 bytes, whatever the file's size. */
    memset(buf, 'Q', sizeof buf);
    CHECK_EQ(qvReadFileBytes(f, -1, buf), 0);
    CHECK_EQ(qvReadFileBytes(f, (int32_t)0x80000000u, buf), 0);
    CHECK_EQ(buf[0], 'Q');
    CHECK_EQ(qvTellFile(f), 3);
    CHECK_EQ(qvReadFileBytes(f, 1, buf), 1);
    CHECK_EQ(buf[0], 'd');
    CHECK_EQ(qvCloseFile(f), 0);
}

static void wholeFile(void)
{
    char raw[64];
    CHECK(rawWrite("whole.txt", "0123456789ABCDEF", 16));
    CHECK_EQ(qvWriteWholeFile("xy", 2, NAME("whole.txt")), 2);
    CHECK_EQ(rawRead("whole.txt", raw, 64), 2);
    CHECK_BYTES(raw, "xy", 2);
    /* A count of 0 empties the file and gives 0, like a failed open. */
    CHECK_EQ(qvWriteWholeFile("xy", 0, NAME("whole.txt")), 0);
    CHECK_EQ(rawRead("whole.txt", raw, 64), 0);
    CHECK_EQ(qvWriteWholeFile("xy", 0, NAME("fresh.txt")), 0);
    CHECK(rawExists("fresh.txt"));
    /* A negative count gives 0 before the file is opened: an existing file
     * keeps its contents, and no file is created. */
    CHECK(rawWrite("whole.txt", "keep", 4));
    CHECK_EQ(qvWriteWholeFile("xy", -1, NAME("whole.txt")), 0);
    CHECK_EQ(qvWriteWholeFile("xy", (int32_t)0x80000000u, NAME("whole.txt")), 0);
    CHECK_EQ(rawRead("whole.txt", raw, 64), 4);
    CHECK_BYTES(raw, "keep", 4);
    CHECK_EQ(qvWriteWholeFile("xy", -1, NAME("never.txt")), 0);
    CHECK(!rawExists("never.txt"));
    /* Names that cannot be created. */
    CHECK_EQ(qvWriteWholeFile("xy", 2, NAME("no such folder\\x.txt")), 0);
    CHECK_EQ(qvWriteWholeFile("xy", 2, NAME("bad?name.txt")), 0);
    CHECK_EQ(qvWriteWholeFile("xy", 2, "", 0), 0);
}

static void nameClamping(void)
{
    /* 124 ".\" then "clamped": 255 bytes naming the file "clamped" in this
     * folder; bytes 255 on would make it "clampedzzz...". */
    char name[300];
    char raw[16];
    uint32_t i;
    for (i = 0; i < 248; i += 2) name[i] = '.', name[i + 1] = '\\';
    memcpy(name + 248, "clamped", 7);
    for (i = 255; i < 300; i++) name[i] = 'z';

    CHECK_EQ(qvWriteWholeFile("300", 3, name, 300), 3);
    CHECK_EQ(rawRead("clamped", raw, 16), 3);
    CHECK_BYTES(raw, "300", 3);
    /* A negative length counts as 255. */
    CHECK_EQ(qvWriteWholeFile("neg", 3, name, -1), 3);
    CHECK_EQ(rawRead("clamped", raw, 16), 3);
    CHECK_BYTES(raw, "neg", 3);
    /* The same clamp in the opening services. */
    uint32_t f = qvOpenTextFile(name, 300, 0);
    CHECK(f != 0);
    CHECK_EQ(qvReadFileBytes(f, 16, raw), 3);
    qvCloseFile(f);
    f = qvCreateTextFile(name, 0x80000000u);
    CHECK(f != 0);
    qvCloseFile(f);
    CHECK_EQ(rawRead("clamped", raw, 16), 0);
    /* 256 bytes would have named another file. */
    CHECK(!rawExists("clampedz"));

    /* An embedded NUL ends the name. */
    CHECK_EQ(qvWriteWholeFile("nul", 3, "short.txt\0tail", 14), 3);
    CHECK(rawExists("short.txt"));
    f = qvOpenTextFile("short.txt\0tail", 14, 0);
    CHECK(f != 0);
    qvCloseFile(f);
    /* Length 0 is the empty name, which no open accepts. */
    CHECK_EQ(qvOpenTextFile("short.txt", 0, 0), 0);
    CHECK_EQ(qvCreateTextFile("short.txt", 0), 0);
}

static void handleZero(void)
{
    /* What a failed open returned, passed on: failure results, no fault. */
    char buf[8] = "QQQQQQQ";
    CHECK_EQ(qvCloseFile(0), -1);
    CHECK_EQ(qvTellFile(0), -1);
    CHECK(qvSeekFile(0, 0, 0) != 0);
    CHECK_EQ(qvReadFileBytes(0, 8, buf), 0);
    CHECK_EQ(qvReadFileLine(buf, 8, 0), -2);
    CHECK_BYTES(buf, "QQQQQQQ", 8);
}

/* A GBK name, "中文.txt": the driver finds it on disk under its characters
 * (with a program joined with --code-page 936, on any system code page). */
static void gbkName(void)
{
    static const char name[] = "\xD6\xD0\xCE\xC4.txt";
    CHECK_EQ(qvWriteWholeFile("gbk", 3, name, sizeof name - 1), 3);
    uint32_t f = qvOpenTextFile(name, sizeof name - 1, 0);
    CHECK(f != 0);
    char buf[8] = "";
    CHECK_EQ(qvReadFileLine(buf, 8, f), 3);
    CHECK_BYTES(buf, "gbk", 4);
    qvCloseFile(f);
}

static int32_t QV_STDCALL entry(void)
{
    gbkName();
    lineReading();
    translationAndModes();
    positioning();
    wholeFile();
    nameClamping();
    handleZero();
    qvtFinish();
    return 0;
}
