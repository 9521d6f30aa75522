#pragma once

#include "symbology/Symbology.h"

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A barcode symbol as data, before any pixel exists: what every picture of it, at any size or
// resolution, has to show.
struct ModuleRange {
    int first; // the first module, counted from the first bar
    int end;   // one past the last module
};

// Human-readable text and the band of modules it is centred under. A band may start left of
// the first bar or end right of the last one: then the text stands in a quiet zone. Text above
// the bars (an EAN/UPC add-on's digits) shortens the bars under it by the text's band.
struct SymbolText {
    QString text;
    ModuleRange band;
    bool above = false;
};

// The cells of a 2D symbol, row by row; rows may be taller than a module is wide.
struct ModuleMatrix {
    int rows = 0;
    int columns = 0;
    std::vector<std::uint8_t> cells; // 1 dark
    int rowHeight = 1;               // in modules

    bool dark(int row, int column) const {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)] != 0;
    }
};

// Bars along the top and bottom of an ITF-14 symbol, or a frame around it with its quiet zones,
// that keep a skewed scan line from reading a part of it.
enum class BearerBars { None, Bars, Frame };

// Symbols whose classic work picture would be wider than this many pixels are refused rather
// than allocated.
inline constexpr int kMaxSymbolPixels = 32000;

struct Symbol {
    // Guard bars of EAN and UPC-A reach this many modules below the others.
    static constexpr int kGuardExtension = 5;

    QString modules;                // "1" dark, "0" light, from the first bar to the last
    QList<ModuleRange> longModules; // the modules that reach below the others
    QList<SymbolText> texts;        // empty when the symbol carries no text
    int quietLeft = 0;              // light modules the symbology's standard asks for
    int quietRight = 0;
    int barHeight = 0; // the usual bar height in modules
    // A 2D symbol: its cells instead of modules, and quietLeft as its quiet zone on every side.
    std::optional<ModuleMatrix> matrix;
    BearerBars bearer = BearerBars::None;
    int bearerWidth = 0; // in modules

    // The quiet zones and bar height of the symbology.
    void takeFactsOf(Symbology symbology) {
        quietLeft = quietZoneOf(symbology).before;
        quietRight = quietZoneOf(symbology).after;
        barHeight = factsOf(symbology).barHeight;
    }

    bool isLong(int module) const {
        for (const ModuleRange& range : longModules)
            if (module >= range.first && module < range.end) return true;
        return false;
    }
};
