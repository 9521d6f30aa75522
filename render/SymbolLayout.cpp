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

namespace {

void matrixRects(const ModuleMatrix& matrix, const SymbolLayout& layout,
                 const std::function<void(const ModuleRect&)>& fill) {
    for (int row = 0; row < matrix.rows; ++row)
        for (int column = 0; column < matrix.columns;) {
            int end = column;
            while (end < matrix.columns && matrix.dark(row, end))
                ++end;
            if (end > column)
                fill({layout.left + column, layout.top + row * matrix.rowHeight, end - column,
                      matrix.rowHeight});
            column = end + 1;
        }
}

// The band of a text above the bars that holds the module, if any.
const SymbolText* textAbove(const Symbol& symbol, int module) {
    for (const SymbolText& text : symbol.texts)
        if (text.above && module >= text.band.first && module < text.band.end) return &text;
    return nullptr;
}

void barRects(const Symbol& symbol, const SymbolLayout& layout,
              const std::function<void(const ModuleRect&)>& fill) {
    const int modules = static_cast<int>(symbol.modules.size());
    for (int first = 0; first < modules;) {
        const bool isLong = symbol.isLong(first);
        const SymbolText* above = textAbove(symbol, first);
        int end = first + 1;
        while (end < modules && symbol.modules[end] == symbol.modules[first] &&
               symbol.isLong(end) == isLong && textAbove(symbol, end) == above)
            ++end;
        if (symbol.modules[first] == u'1') {
            // Bars under a text above them start below its band and reach as low as guards.
            const int barTop = above ? SymbolLayout::kTextBand + SymbolLayout::kTextGap : 0;
            const int barBottom =
                layout.barHeight + (isLong || above ? Symbol::kGuardExtension : 0);
            fill({layout.left + first, layout.top + barTop, end - first, barBottom - barTop});
        }
        first = end;
    }
}

void bearerRects(const Symbol& symbol, const SymbolLayout& layout,
                 const std::function<void(const ModuleRect&)>& fill) {
    const int bearer = symbol.bearerWidth;
    const int bottom = layout.top + layout.barHeight;
    fill({0, 0, layout.width, bearer});
    fill({0, bottom, layout.width, bearer});
    if (symbol.bearer != BearerBars::Frame) return;
    fill({0, 0, bearer, bottom + bearer});
    fill({layout.width - bearer, 0, bearer, bottom + bearer});
}

} // namespace

void forEachDarkRect(const Symbol& symbol, const SymbolLayout& layout,
                     const std::function<void(const ModuleRect&)>& fill) {
    if (symbol.matrix) {
        matrixRects(*symbol.matrix, layout, fill);
        return;
    }
    barRects(symbol, layout, fill);
    if (symbol.bearer != BearerBars::None && symbol.bearerWidth > 0)
        bearerRects(symbol, layout, fill);
}

std::vector<TextPlace> textPlaces(const Symbol& symbol, const SymbolLayout& layout) {
    std::vector<TextPlace> places;
    if (symbol.matrix) return places;
    const int bearerBelow = symbol.bearer == BearerBars::None ? 0 : symbol.bearerWidth;
    const int below = layout.top + layout.barHeight + bearerBelow + SymbolLayout::kTextGap;
    for (const SymbolText& text : symbol.texts)
        places.push_back({&text,
                          {layout.left + text.band.first, text.above ? layout.top : below,
                           text.band.end - text.band.first, SymbolLayout::kTextBand}});
    return places;
}
