// The console's cells at the screen's resolution: which font and cell size
// the console takes for the DPI the system reports, from the metrics of the
// stock fixed font. Pure logic, no Windows header, so it is unit-tested
// natively.
#pragma once
#include <stdint.h>

// The resolution the console's cells were made for.
constexpr int32_t BASE_DPI = 96;

// The metrics of a font that the choice needs (TEXTMETRIC's names).
struct FontMetrics {
    int32_t height;          // tmHeight: ascent + descent, pixels
    int32_t externalLeading; // tmExternalLeading
    int32_t aveCharWidth;    // tmAveCharWidth: the Latin advance of a fixed font
    int32_t maxCharWidth;    // tmMaxCharWidth: the widest glyph, a double-byte one where there are any
};

// The cell a font gives as the console has always measured it: its average
// width, but at least 8, by its height plus its external leading.
struct CellSize {
    int32_t width;
    int32_t height;
};
CellSize cellOfFont(const FontMetrics &font);

// The DPI the console sizes itself for: the reported one, where it is more
// than 96 (at most 960); 96 for anything else, so that a screen of 96 or a
// system that reports nothing usable changes nothing.
int32_t consoleDpi(int32_t reportedDpi);

// A length of the 96-DPI screen at `dpi`, rounded to the nearest pixel.
int32_t scaleToDpi(int32_t length, int32_t dpi);

// Whether the stock fixed font already follows the DPI (Windows 2000, XP and
// the like hand a larger one with larger system fonts): its cell is at
// least halfway from the 12 pixels the console's smallest stock font has at
// 96 DPI to that height scaled. Under Wine the stock font keeps its 96-DPI
// size at every DPI.
bool stockFollowsDpi(int32_t stockCellHeight, int32_t dpi);

// What the console draws with.
struct ConsoleFontChoice {
    bool useStock;      // the stock font (or the console's font of the program's code page) as it is
    int32_t fontHeight; // otherwise: the height to ask for, positive (tmHeight), of the same face
    CellSize cell;      // the cell, in screen pixels
    bool limitWidest;   // the widest glyph must stay within two cells (it does in the stock font)
};

// The choice for a screen of `dpi` (as consoleDpi gives it) from the stock
// font's metrics: at 96, or where the stock font follows the DPI, the stock
// font and its cell. Otherwise the stock's cell scaled by dpi / 96, rounded
// to whole pixels, and the largest font height at most the stock's height
// scaled whose glyphs stay inside that cell, as the stock's metrics scale:
// a Latin advance within one cell, the widest glyph within two, the height
// with its leading within the cell's height. At a whole multiple (192, 288)
// that is the stock's height times the multiple, so a pixel font keeps
// whole pixels. When no height fits (metrics that make no sense), the stock
// font.
ConsoleFontChoice chooseConsoleFont(int32_t dpi, const FontMetrics &stock);

// Whether a font made for a choice keeps inside its cell by its own
// metrics: the created font may round differently from the prediction (or
// be a raster font scaled only by whole multiples).
bool fontFitsCell(const FontMetrics &font, const ConsoleFontChoice &choice);

// The window's outer rectangle when no saved one exists, at `dpi`: the same
// corner, the 96-DPI width and height scaled.
struct DefaultRect {
    int32_t left, top, right, bottom;
};
DefaultRect scaleDefaultRect(const DefaultRect &at96, int32_t dpi);
