#pragma once

#include "symbology/Symbology.h"

#include <QList>
#include <QString>

// A barcode symbol as data, before any pixel exists: what every picture of it, at any size or
// resolution, has to show.
struct ModuleRange {
    int first; // the first module, counted from the first bar
    int end;   // one past the last module
};

// Human-readable text and the band of modules it is centred under. A band may start left of
// the first bar or end right of the last one: then the text stands in a quiet zone.
struct SymbolText {
    QString text;
    ModuleRange band;
};

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
