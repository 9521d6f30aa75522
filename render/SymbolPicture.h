#pragma once

#include "render/Raster.h"
#include "render/SymbolLayout.h"
#include "symbology/Symbol.h"

#include <QImage>

#include <optional>

class QPainter;

// Paints the symbol with `unit` painter units per module, its top left corner at the origin.
// Whole units keep every bar edge on a pixel edge.
void paintSymbol(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit);

// N whole pixels per module in black and white; a resolution, when given, is recorded in the
// picture so that a saved file prints at the size it was made for.
QImage symbolPicture(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                     std::optional<int> dotsPerInch = std::nullopt);

// Prints the symbol's texts on its raster (symbolRaster, SymbolRaster.h) drawn at N whole
// pixels per module.
void printSymbolTexts(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                      int pixelsPerModule);
