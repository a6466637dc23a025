/* Sample program: writes a few lines into the console, then prints the
 * console's text as a document on the default printer, one printer line per
 * console row, in a fixed-pitch font of the GB2312 character set (so that
 * Chinese rows print as Chinese), as many pages as it takes.
 *
 * The printer device context comes from the kernel (ChoosePrinter); the
 * drawing calls are the platform's own, looked up with qvtProc. Started with
 * the argument "/batch" it ends at once instead of waiting for a key. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(QV_STDCALL *GetDeviceCaps_t)(uint32_t, int);
typedef int(QV_STDCALL *TextOutA_t)(uint32_t, int, int, const char *, int);
typedef void *(QV_STDCALL *CreateFontA_t)(int, int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                          uint32_t, uint32_t, uint32_t, const char *);
typedef void *(QV_STDCALL *SelectObject_t)(uint32_t, void *);
typedef int(QV_STDCALL *DeleteObject_t)(void *);

static void say(const char *text)
{
    qvWriteText(text, (int32_t)qvtStrlen(text));
    qvNewLine();
}

static int hasArgument(const char *word)
{
    const char *s = qvCommandLine();
    uint32_t n = qvtStrlen(word);
    for (; *s; s++)
        if (!memcmp(s, word, n))
            return 1;
    return 0;
}

static int32_t QV_STDCALL entry(void)
{
    qvOpenConsole();
    qvRestoreConsole(); /* the start-up show command may leave it minimized, without a buffer */
    say("Quorven print sample");
    say("--------------------");
    say("This text is in the console's screen buffer.");
    say("The sample prints every row from the top of the buffer");
    say("down to the row of the text cursor, one line per row.");
    say("\xD5\xE2\xCA\xC7\xBF\xD8\xD6\xC6\xCC\xA8\xB5\xC4\xD6\xD0\xCE\xC4\xD0\xD0\xA3\xBA\xD0\xC5\xCF\xA2\xBF\xF2"); /* 这是控制台的中文行：信息框 */
    for (int i = 1; i <= 5; i++) {
        char line[64];
        ((int(__cdecl *)(char *, const char *, ...))qvtProc("user32.dll", "wsprintfA"))(line, "Line %d of the numbered list", i);
        say(line);
    }

    /* What to print: rows 0 .. cursor row of the buffer, without trailing blanks. */
    const char *cells = (const char *)qvGetScreenBuffer();
    int32_t columns = qvGetBufferSize() & 0xFFFF;
    int32_t lastRow = qvGetTopLine() + (qvQueryCursor() >> 16);

    uint32_t dc = cells ? qvChoosePrinter(1) : 0;
    if (!cells) {
        say("No screen buffer: nothing printed.");
    } else if (!dc) {
        say("No printer: nothing printed.");
    } else {
        GetDeviceCaps_t caps = (GetDeviceCaps_t)qvtProc("gdi32.dll", "GetDeviceCaps");
        TextOutA_t textOut = (TextOutA_t)qvtProc("gdi32.dll", "TextOutA");
        SelectObject_t select = (SelectObject_t)qvtProc("gdi32.dll", "SelectObject");
        /* A 10-point fixed-pitch font of the GB2312 character set (the
         * rows are GBK text), an inch of margin at the left and the top.
         * The face is SimSun where it exists; otherwise the system picks a
         * fixed-pitch font that has the character set. */
        int dpiY = caps(dc, 90 /* LOGPIXELSY */), dpiX = caps(dc, 88 /* LOGPIXELSX */);
        int lineHeight = dpiY * 12 / 72;
        int top = dpiY, left = dpiX;
        int perPage = (caps(dc, 10 /* VERTRES */) - 2 * top) / lineHeight;
        if (perPage < 1)
            perPage = 1;
        void *font = ((CreateFontA_t)qvtProc("gdi32.dll", "CreateFontA"))(-(dpiY * 10 / 72), 0, 0, 0, 400, 0, 0, 0,
                                                                          134 /* GB2312_CHARSET */, 0, 0, 0,
                                                                          0x31 /* FIXED_PITCH | FF_MODERN */, "SimSun");
        qvBeginPrintJob();
        void *old = select(dc, font);
        int onPage = 0, pages = 1;
        for (int32_t row = 0; row <= lastRow; row++) {
            const char *text = cells + row * columns;
            int length = columns;
            while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == 0))
                length--;
            if (onPage == perPage) {
                select(dc, old);
                qvNewPrintPage();
                old = select(dc, font);
                onPage = 0;
                pages++;
            }
            if (length)
                textOut(dc, left, top + onPage * lineHeight, text, length);
            onPage++;
        }
        select(dc, old);
        qvEndPrintPage();
        qvEndPrintJob();
        ((DeleteObject_t)qvtProc("gdi32.dll", "DeleteObject"))(font);
        qvReleasePrinter();
        char done[80];
        ((int(__cdecl *)(char *, const char *, ...))qvtProc("user32.dll", "wsprintfA"))(
            done, "Printed %d rows on %d page(s) as \"Document\".", lastRow + 1, pages);
        say(done);
    }
    if (!hasArgument("/batch")) {
        say("Press a key to end.");
        qvWaitEvent();
    }
    qvExitProgram(0);
    return 0;
}
