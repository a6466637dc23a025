#include "cwin.h"

#define CWIN_DEFINE(dll, name, ret, args) ret(__attribute__((stdcall)) * w##name) args;
CWIN_API(CWIN_DEFINE)
#undef CWIN_DEFINE

void cwinInit(void)
{
#define CWIN_RESOLVE(dll, name, ret, args)                          \
    *(void **)&w##name = qvtProc(#dll ".dll", #name);               \
    if (!w##name) qvtPrint("FAIL cannot find %s\n", #name);
    CWIN_API(CWIN_RESOLVE)
#undef CWIN_RESOLVE
}

void cwinPump(uint32_t ms)
{
    DWORD end = wGetTickCount() + ms;
    MSG m;
    do {
        while (wPeekMessageA(&m, 0, 0, 0, PM_REMOVE)) wDispatchMessageA(&m);
        qvtSleep(10);
    } while ((int32_t)(wGetTickCount() - end) < 0);
}

/* Copies width x height pixels at (x, y) of source into a new bitmap. */
static void captureFrom(HDC source, int x, int y, int width, int height, Capture *c)
{
    c->width = width;
    c->height = height;
    c->dc = wCreateCompatibleDC(source);
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c->width;
    bi.bmiHeader.biHeight = -c->height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = 0;
    c->bitmap = wCreateDIBSection(c->dc, &bi, DIB_RGB_COLORS, &bits, 0, 0);
    c->bits = bits;
    wSelectObject(c->dc, c->bitmap);
    wBitBlt(c->dc, 0, 0, c->width, c->height, source, x, y, SRCCOPY);
    wGdiFlush();
}

void captureClient(HWND window, Capture *c)
{
    RECT r;
    wGetClientRect(window, &r);
    HDC screen = wGetDC(window);
    captureFrom(screen, 0, 0, r.right, r.bottom, c);
    wReleaseDC(window, screen);
}

void captureWindowArea(HWND window, int x, int y, int width, int height, Capture *c)
{
    HDC dc = wGetWindowDC(window);
    captureFrom(dc, x, y, width, height, c);
    wReleaseDC(window, dc);
}

void captureShown(HWND window, Capture *c)
{
    RECT r;
    wGetClientRect(window, &r);
    POINT origin = {0, 0};
    wClientToScreen(window, &origin);
    HDC screen = wGetDC(0);
    captureFrom(screen, origin.x, origin.y, r.right, r.bottom, c);
    wReleaseDC(0, screen);
}

void freeCapture(Capture *c)
{
    wDeleteDC(c->dc);
    wDeleteObject(c->bitmap);
}

uint32_t pixelAt(const Capture *c, int x, int y)
{
    if (x < 0 || y < 0 || x >= c->width || y >= c->height) return 0xFFFFFFFFu;
    uint32_t p = c->bits[y * c->width + x] & 0xFFFFFF;
    return ((p & 0xFF) << 16) | (p & 0xFF00) | (p >> 16);
}

int countColor(const Capture *c, int x0, int y0, int x1, int y1, uint32_t colour)
{
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (pixelAt(c, x, y) == colour) n++;
    return n;
}

int countOther(const Capture *c, int x0, int y0, int x1, int y1, uint32_t colour)
{
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (pixelAt(c, x, y) != colour) n++;
    return n;
}

const char *cwinArg(void)
{
    const char *t = qvCommandLine();
    while (*t == ' ' || *t == '"') t++;
    return t;
}

int cwinArgIs(const char *word)
{
    const char *t = cwinArg();
    uint32_t n = qvtStrlen(word);
    for (uint32_t i = 0; i < n; i++)
        if (t[i] != word[i]) return 0;
    return t[n] == 0 || t[n] == ' ' || t[n] == '"';
}

HWND openTestConsole(int rows, int cols)
{
    HWND w = (HWND)qvOpenConsole();
    qvRestoreConsole();
    wSetForegroundWindow(w);
    wSetFocus(w);
    cwinPump(100);
    qvFitViewToPixels(rows * lineHeight(), cols * charWidth());
    cwinPump(100);
    return w;
}

int viewRows(void) { return qvGetViewSize() >> 16; }
int viewCols(void) { return qvGetViewSize() & 0xFFFF; }
int charWidth(void) { return qvGetCellSize() >> 16; }
int lineHeight(void) { return qvGetCellSize() & 0xFFFF; }
int cursorRow(void) { return qvQueryCursor() >> 16; }
int cursorCol(void) { return qvQueryCursor() & 0xFFFF; }
unsigned char cellAt(int row, int col)
{
    return qvGetScreenBuffer()[row * (qvGetBufferSize() & 0xFFFF) + col];
}
