#pragma once

#include "render/Raster.h"
#include "render/SymbolLayout.h"
#include "symbology/Symbol.h"

#include <optional>

// A symbol at N whole pixels per module, black on white, with Qt Core alone: the bars (guard
// bars reaching lower, bars under an add-on's text starting below it), the bearer bars or the
// 2D symbol's cells; every edge on a pixel edge. Its texts are not drawn: symbolPicture
// (SymbolPicture.h) prints them on it. A resolution, when given, is recorded in the raster.
Raster symbolRaster(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                    std::optional<int> dotsPerInch = std::nullopt);

// What a resolution in dots per inch is in dots per meter, as picture files record it.
int dotsPerMeterOf(int dotsPerInch);
