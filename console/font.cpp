// The console's font and cells at the screen's DPI. At 96 DPI the console
// draws with the stock fixed font as it always has. At a higher DPI it
// takes a font whose cells are the 96-DPI ones scaled, unless the system's
// stock fixed font is already that large (as with the larger system fonts
// of Windows 2000 and XP). Under Wine the stock font keeps its 96-DPI size
// at every DPI: the console then creates the same face (with the same
// character set) at the scaled height. The choice is made from the fonts'
// metrics (cellscale.cpp).
#include "font.h"
#include "cellscale.h"
#include "state.h"

static ConsoleState &cs = consoleState;

int32_t consoleScreenDpi(HDC dc)
{
    HDC screen = dc ? dc : GetDC(nullptr);
    int32_t dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : BASE_DPI;
    if (!dc && screen) ReleaseDC(nullptr, screen);
    return consoleDpi(dpi);
}

static FontMetrics metricsOf(HDC dc)
{
    TEXTMETRICA tm;
    FontMetrics m = {0, 0, 0, 0};
    if (GetTextMetricsA(dc, &tm)) {
        m.height = tm.tmHeight;
        m.externalLeading = tm.tmExternalLeading;
        m.aveCharWidth = tm.tmAveCharWidth;
        m.maxCharWidth = tm.tmMaxCharWidth;
    }
    return m;
}

// The base font's face and character set at `height` pixels (cell height,
// not em height), its width left to the font's own proportions. The ANSI
// call, as on every system the kernel runs on.
static HFONT baseFontAt(HGDIOBJ base, int32_t height)
{
    LOGFONTA request;
    if (!GetObjectA(base, sizeof request, &request)) return nullptr;
    request.lfHeight = height;
    request.lfWidth = 0;
    return CreateFontIndirectA(&request);
}

void selectConsoleFont(HDC dc, HGDIOBJ base)
{
    SelectObject(dc, base);
    FontMetrics stock = metricsOf(dc);
    ConsoleFontChoice choice = chooseConsoleFont(consoleScreenDpi(dc), stock);
    if (!choice.useStock) {
        // The created font may round its metrics otherwise than the
        // prediction: one pixel smaller at a time until it fits the cell.
        HFONT font = nullptr;
        for (int32_t h = choice.fontHeight; h > stock.height && !font; h--) {
            font = baseFontAt(base, h);
            if (!font) break;
            SelectObject(dc, font);
            if (!fontFitsCell(metricsOf(dc), choice)) {
                SelectObject(dc, base);
                DeleteObject(font);
                font = nullptr;
            }
        }
        if (font) {
            if (base != GetStockObject(ANSI_FIXED_FONT)) DeleteObject(base); // the code page's font, replaced
        } else {
            choice = chooseConsoleFont(BASE_DPI, stock); // nothing fits: the base font as it is
        }
    }
    cs.charWidth = choice.cell.width;
    cs.lineHeight = choice.cell.height;
}

int32_t cellFloorAtScreenDpi() { return scaleToDpi(8, consoleScreenDpi(nullptr)); }

ConsoleRect defaultConsoleRect()
{
    const ConsoleRect &d = DEFAULT_CONSOLE_RECT;
    DefaultRect r = scaleDefaultRect(DefaultRect{d.left, d.top, d.right, d.bottom}, consoleScreenDpi(nullptr));
    return ConsoleRect{r.left, r.top, r.right, r.bottom};
}
