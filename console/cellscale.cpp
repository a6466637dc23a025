#include "cellscale.h"

// The height of the smallest stock fixed font the console meets at 96 DPI
// (Wine's "Courier" request; Windows's raster Courier is 13).
static const int32_t STOCK_HEIGHT_AT_BASE = 12;
static const int32_t MAX_DPI = 960;

CellSize cellOfFont(const FontMetrics &font)
{
    CellSize c;
    c.width = font.aveCharWidth <= 8 ? 8 : font.aveCharWidth;
    c.height = font.height + font.externalLeading;
    return c;
}

int32_t consoleDpi(int32_t reportedDpi)
{
    if (reportedDpi <= BASE_DPI) return BASE_DPI;
    return reportedDpi > MAX_DPI ? MAX_DPI : reportedDpi;
}

int32_t scaleToDpi(int32_t length, int32_t dpi)
{
    int64_t scaled = (static_cast<int64_t>(length) * dpi * 2 + BASE_DPI) / (2 * BASE_DPI);
    return static_cast<int32_t>(scaled);
}

bool stockFollowsDpi(int32_t stockCellHeight, int32_t dpi)
{
    // stock >= (12 + 12 * dpi / 96) / 2, in whole numbers
    return static_cast<int64_t>(stockCellHeight) * 2 * BASE_DPI >=
           static_cast<int64_t>(STOCK_HEIGHT_AT_BASE) * (BASE_DPI + dpi);
}

// Whether a font of height h, with the stock's metrics scaled from its
// height, keeps inside the cell. Exact in whole numbers: a width w of the
// stock scales to w * h / stock.height.
static bool scaledFits(const FontMetrics &stock, int32_t h, const ConsoleFontChoice &choice)
{
    const CellSize &cell = choice.cell;
    int64_t base = stock.height;
    if (static_cast<int64_t>(stock.aveCharWidth) * h > static_cast<int64_t>(cell.width) * base) return false;
    if (choice.limitWidest &&
        static_cast<int64_t>(stock.maxCharWidth) * h > static_cast<int64_t>(2 * cell.width) * base)
        return false;
    int64_t leading = (static_cast<int64_t>(stock.externalLeading) * h + base - 1) / base;
    return h + leading <= cell.height;
}

ConsoleFontChoice chooseConsoleFont(int32_t dpi, const FontMetrics &stock)
{
    ConsoleFontChoice choice;
    choice.useStock = true;
    choice.fontHeight = 0;
    choice.cell = cellOfFont(stock);
    // A stock font whose widest glyph is wider than two of its own cells
    // (a symbol of a linked font) is not held to it at any size.
    choice.limitWidest = stock.maxCharWidth <= 2 * choice.cell.width;
    ConsoleFontChoice scaled = choice;
    if (dpi <= BASE_DPI || stock.height <= 0 || stockFollowsDpi(choice.cell.height, dpi)) return choice;
    scaled.cell.width = scaleToDpi(choice.cell.width, dpi);
    scaled.cell.height = scaleToDpi(choice.cell.height, dpi);
    for (int32_t h = scaleToDpi(stock.height, dpi); h > stock.height; h--) {
        if (scaledFits(stock, h, scaled)) {
            scaled.useStock = false;
            scaled.fontHeight = h;
            return scaled;
        }
    }
    return choice;
}

bool fontFitsCell(const FontMetrics &font, const ConsoleFontChoice &choice)
{
    const CellSize &cell = choice.cell;
    return font.height > 0 && font.aveCharWidth <= cell.width &&
           (!choice.limitWidest || font.maxCharWidth <= 2 * cell.width) &&
           font.height + font.externalLeading <= cell.height;
}

DefaultRect scaleDefaultRect(const DefaultRect &at96, int32_t dpi)
{
    DefaultRect r = at96;
    r.right = r.left + scaleToDpi(at96.right - at96.left, dpi);
    r.bottom = r.top + scaleToDpi(at96.bottom - at96.top, dpi);
    return r;
}
