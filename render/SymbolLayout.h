#pragma once

#include "symbology/Symbol.h"

#include <functional>
#include <optional>
#include <vector>

// A symbol's picture measured in modules: the bars from the symbol, the quiet zones on both
// sides, and a band under the bars for its text; bearer bars around them where the symbol has
// them. A 2D symbol's cells with the quiet zone on every side.
struct SymbolLayout {
    static constexpr int kTextGap = 1;   // light modules between the bars and the text
    static constexpr int kFontSize = 8;  // the text's pixel size, in modules
    static constexpr int kTextBand = 10; // room for the text's ascent and descent

    // `barHeight` and `quietZone` default to the symbology's; the zone is widened where a
    // text stands further out, as the first digit of EAN-13 and UPC-A does.
    SymbolLayout(const Symbol& symbol, std::optional<int> barHeight, std::optional<int> quietZone);

    int barHeight;
    int left;  // modules left of the first bar
    int top;   // modules above the bars (or the cells)
    int width; // the whole picture
    int height;
};

// Whole printer dots per module nearest to an X-dimension in millimetres, at least one.
int dotsPerModule(double xDimensionMm, int dotsPerInch);

// A dark rectangle of a symbol's picture, in modules from its top left.
struct ModuleRect {
    int left, top, width, height;
};

// Where one of a linear symbol's texts stands: centred at the top of its band, never beyond it,
// so that it can never run into a guard bar beside it.
struct TextPlace {
    const SymbolText* text;
    ModuleRect band;
};
// The places of the symbol's texts; none for a 2D symbol.
std::vector<TextPlace> textPlaces(const Symbol& symbol, const SymbolLayout& layout);

// Every dark rectangle a symbol is drawn with, in drawing order: a 2D symbol's runs of dark
// cells row by row; else the runs of bars, then the bearer bars. The raster and the vector
// painters both draw from it.
void forEachDarkRect(const Symbol& symbol, const SymbolLayout& layout,
                     const std::function<void(const ModuleRect&)>& fill);
