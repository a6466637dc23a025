/* The event queue and the reading services before any console window
 * exists: PostEvent's WM_NULL then goes to the thread's own queue, and
 * ReadLine's echo does nothing. */
#include "probe.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static void fillAndEmpty(void)
{
    /* 255 events fit; the 256th is refused with one bell; the 255 come out
     * unchanged and in order. */
    int bells = probeBells;
    for (int i = 0; i < 255; i++) qvPostEvent(0x70000000 + i);
    CHECK_EQ(probeBells, bells);
    qvPostEvent(0x0BADBAD0);
    CHECK_EQ(probeBells, bells + 1);
    uint32_t nulls[300];
    int nullCount;
    /* Every PostEvent posted its WM_NULL, the refused one included. */
    CHECK_EQ(probeDrainMessages(nulls, 300, &nullCount), 256);
    CHECK_EQ(nullCount, 256);
    CHECK_EQ(nulls[0], 0x70000000);
    CHECK_EQ(nulls[255], 0x0BADBAD0);
    int inOrder = 1;
    for (int i = 0; i < 255; i++)
        if (qvWaitEvent() != 0x70000000 + i) inOrder = 0;
    CHECK(inOrder);
    CHECK_EQ(qvPeekEvent(), 0); /* empty again: the refused event is lost */
}

static void wrapAround(void)
{
    /* 300 events queued and read in turns wrap the indexes; empty and full
     * still tell true. */
    uint32_t nulls[4];
    int nullCount, ok = 1;
    for (int i = 1; i <= 300; i++) {
        qvPostEvent(i);
        if (qvPeekEvent() != i || qvWaitEvent() != i) ok = 0;
    }
    CHECK(ok);
    CHECK_EQ(qvPeekEvent(), 0);
    int bells = probeBells;
    for (int i = 0; i < 256; i++) qvPostEvent(0x100 + i);
    CHECK_EQ(probeBells, bells + 1);
    probeDrainMessages(nulls, 4, &nullCount);
    ok = 1;
    for (int i = 0; i < 255; i++)
        if (qvWaitEvent() != 0x100 + i) ok = 0;
    CHECK(ok);
    CHECK_EQ(qvPeekEvent(), 0);
}

static void waitDoesNotPump(void)
{
    /* With events queued WaitEvent retrieves no message: both WM_NULLs are
     * still waiting afterwards. PostEvent adds no bit, Shift or not. */
    CHECK_EQ(qvCall1(QV_PostEvent, 0x12345), 0);
    qvPostEvent(-7);
    CHECK_EQ(qvWaitEvent(), 0x12345);
    CHECK_EQ(qvWaitEvent(), -7);
    uint32_t nulls[4];
    int nullCount;
    CHECK_EQ(probeDrainMessages(nulls, 4, &nullCount), 2);
    CHECK_EQ(nulls[0], 0x12345);
    CHECK_EQ(nulls[1], (uint32_t)-7);
}

static void peekLeavesTheHead(void)
{
    /* PeekEvent handles every waiting message and leaves the event at the
     * head; WaitEvent then returns it at once. */
    qvPostEvent(0x400064);
    qvPostEvent(66);
    CHECK_EQ(qvPeekEvent(), 0x400064);
    CHECK(!probeMessageWaiting());
    CHECK_EQ(qvPeekEvent(), 0x400064);
    CHECK_EQ(qvWaitEvent(), 0x400064);
    CHECK_EQ(qvPeekEvent(), 66);
    CHECK_EQ(qvWaitEvent(), 66);

    /* An empty queue with no waiting message: 0 at once. */
    uint32_t start = probeTicks();
    for (int i = 0; i < 1000; i++)
        if (qvPeekEvent() != 0) { CHECK(0); break; }
    CHECK(probeTicks() - start < 2000);
    CHECK_EQ(qvPeekEvent(), 0);
}

static void shiftStateWithoutKeys(void)
{
    CHECK_EQ(qvGetShiftState(), 0);
}

static int readLine(const char *keys, int n, char *buf, int maxLength)
{
    for (int i = 0; i < n; i++) qvPostEvent((unsigned char)keys[i]);
    return qvReadLine(buf, maxLength);
}

static void readLineEditing(void)
{
    char buf[16];
    int bells;

    memset(buf, '#', sizeof buf);
    bells = probeBells;
    CHECK_EQ(readLine("ab\bc\r", 5, buf, 10), 2);
    CHECK_BYTES(buf, "ac########", 10);
    CHECK_EQ(probeBells, bells);

    /* A full buffer: c is refused with one bell; Enter still ends. */
    memset(buf, '#', sizeof buf);
    bells = probeBells;
    CHECK_EQ(readLine("abc\r", 4, buf, 2), 2);
    CHECK_BYTES(buf, "ab#", 3);
    CHECK_EQ(probeBells, bells + 1);

    /* Backspace on a full line still erases. */
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLine("ab\bx\r", 5, buf, 2), 2);
    CHECK_BYTES(buf, "ax#", 3);

    /* Backspace on an empty line: the bell. */
    bells = probeBells;
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLine("\bz\r", 3, buf, 10), 1);
    CHECK_BYTES(buf, "z#", 2);
    CHECK_EQ(probeBells, bells + 1);

    /* maxLength 0: every character refused, Enter returns 0. */
    bells = probeBells;
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLine("xy\r", 3, buf, 0), 0);
    CHECK_BYTES(buf, "##", 2);
    CHECK_EQ(probeBells, bells + 2);

    /* Enter alone: 0, the buffer untouched. */
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLine("\r", 1, buf, 10), 0);
    CHECK_BYTES(buf, "##", 2);

    /* Codes below 32 other than 8 and 13, and negative codes: refused.
     * Codes of 32 and more are taken by their low byte, whatever their kind. */
    bells = probeBells;
    memset(buf, '#', sizeof buf);
    qvPostEvent(9);
    qvPostEvent(27);
    qvPostEvent(-65);
    qvPostEvent(0x8000D);   /* Shift+Enter: a character, byte 0x0D */
    qvPostEvent(0x20004);   /* Left: byte 0x04 */
    qvPostEvent(0x2200001); /* a click and its position */
    qvPostEvent(0x0014000A);
    qvPostEvent(0xD0);      /* a GBK character: two events, two bytes */
    qvPostEvent(0xC5);
    qvPostEvent(13);
    CHECK_EQ(qvReadLine(buf, 10), 6);
    CHECK_BYTES(buf, "\x0D\x04\x01\x0A\xD0\xC5##", 8);
    CHECK_EQ(probeBells, bells + 3);

    /* A double-byte character is one unit: 中 fits (two bytes left), 信
     * does not and is refused whole with two bells, Backspace removes all
     * of 中, and the A after it stays a letter instead of joining a lone
     * lead byte. (Bytes are stored as they are typed, so the trail byte
     * of the removed 中 is still in the buffer behind the line.) */
    bells = probeBells;
    memset(buf, '#', sizeof buf);
    CHECK_EQ(readLine("a\xD6\xD0\xD0\xC5\bA\r", 8, buf, 3), 2);
    CHECK_BYTES(buf, "aA", 2);
    CHECK_EQ(probeBells, bells + 2);
}

static int32_t QV_STDCALL entry(void)
{
    CHECK(probeInstallBellCounter());
    waitDoesNotPump();
    peekLeavesTheHead();
    fillAndEmpty();
    wrapAround();
    shiftStateWithoutKeys();
    readLineEditing();
    /* The reading left no stray WM_NULL behind that PeekEvent would not take. */
    qvPeekEvent();
    CHECK(!probeMessageWaiting());
    qvtFinish();
    return 0;
}
