#include "render/SymbolLayout.h"

#include <algorithm>
#include <cmath>

namespace {

int textOverhangLeft(const Symbol& symbol) {
    int overhang = 0;
    for (const SymbolText& text : symbol.texts)
        overhang = std::max(overhang, -text.band.first);
    return overhang;
}

int textOverhangRight(const Symbol& symbol) {
    const int modules = static_cast<int>(symbol.modules.size());
    int overhang = 0;
    for (const SymbolText& text : symbol.texts)
        overhang = std::max(overhang, text.band.end - modules);
    return overhang;
}

} // namespace

SymbolLayout::SymbolLayout(const Symbol& symbol, std::optional<int> barHeight,
                           std::optional<int> quietZone)
    : barHeight(barHeight.value_or(symbol.barHeight)),
      left(std::max(quietZone.value_or(symbol.quietLeft), textOverhangLeft(symbol))) {
    const int right = std::max(quietZone.value_or(symbol.quietRight), textOverhangRight(symbol));
    if (symbol.matrix) {
        const int quiet = quietZone.value_or(symbol.quietLeft);
        left = top = quiet;
        width = 2 * quiet + symbol.matrix->columns;
        height = 2 * quiet + symbol.matrix->rows * symbol.matrix->rowHeight;
        this->barHeight = symbol.matrix->rows * symbol.matrix->rowHeight;
        return;
    }
    const int bearer = symbol.bearer == BearerBars::None ? 0 : symbol.bearerWidth;
    const int frame = symbol.bearer == BearerBars::Frame ? bearer : 0;
    left += frame;
    top = bearer;
    width = left + static_cast<int>(symbol.modules.size()) + right + frame;
    const bool textBelow = std::any_of(symbol.texts.begin(), symbol.texts.end(),
                                       [](const SymbolText& text) { return !text.above; });
    const int guards = symbol.longModules.isEmpty() ? 0 : Symbol::kGuardExtension;
    const int text = textBelow ? kTextGap + kTextBand : 0;
    height = top + this->barHeight + std::max(guards, text + bearer);
}

int dotsPerModule(double xDimensionMm, int dotsPerInch) {
    return std::max(1, static_cast<int>(std::lround(xDimensionMm * dotsPerInch / 25.4)));
}
