#include "render/SymbolRaster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr Raster::Pixel kBlack = 0xFF000000;
constexpr Raster::Pixel kWhite = 0xFFFFFFFF;

// Fills the rectangle given in modules, kept to the picture; a rectangle given upside down
// covers the same pixels as the right way up.
class ModulePainter {
  public:
    ModulePainter(Raster& picture, int unit) : picture_(picture), unit_(unit) {}

    void fill(long long left, long long top, long long width, long long height) {
        long long x1 = left * unit_, x2 = (left + width) * unit_;
        long long y1 = top * unit_, y2 = (top + height) * unit_;
        if (x2 < x1) std::swap(x1, x2);
        if (y2 < y1) std::swap(y1, y2);
        x1 = std::max(x1, 0LL);
        y1 = std::max(y1, 0LL);
        x2 = std::min<long long>(x2, picture_.width());
        y2 = std::min<long long>(y2, picture_.height());
        if (x1 >= x2 || y1 >= y2) return;
        for (long long y = y1; y < y2; ++y) {
            Raster::Pixel* row = picture_.row(static_cast<int>(y));
            std::fill(row + x1, row + x2, kBlack);
        }
    }

  private:
    Raster& picture_;
    long long unit_;
};

void paintMatrix(ModulePainter& painter, const ModuleMatrix& matrix, const SymbolLayout& layout) {
    for (int row = 0; row < matrix.rows; ++row)
        for (int column = 0; column < matrix.columns;) {
            int end = column;
            while (end < matrix.columns && matrix.dark(row, end))
                ++end;
            if (end > column)
                painter.fill(layout.left + column, layout.top + row * matrix.rowHeight,
                             end - column, matrix.rowHeight);
            column = end + 1;
        }
}

// The band of a text above the bars that holds the module, if any.
const SymbolText* textAbove(const Symbol& symbol, int module) {
    for (const SymbolText& text : symbol.texts)
        if (text.above && module >= text.band.first && module < text.band.end) return &text;
    return nullptr;
}

void paintBars(ModulePainter& painter, const Symbol& symbol, const SymbolLayout& layout) {
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
            painter.fill(layout.left + first, layout.top + barTop, end - first, barBottom - barTop);
        }
        first = end;
    }
}

void paintBearer(ModulePainter& painter, const Symbol& symbol, const SymbolLayout& layout) {
    const int bearer = symbol.bearerWidth;
    const int bottom = layout.top + layout.barHeight;
    painter.fill(0, 0, layout.width, bearer);
    painter.fill(0, bottom, layout.width, bearer);
    if (symbol.bearer != BearerBars::Frame) return;
    painter.fill(0, 0, bearer, bottom + bearer);
    painter.fill(layout.width - bearer, 0, bearer, bottom + bearer);
}

} // namespace

Raster symbolRaster(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                    std::optional<int> dotsPerInch) {
    Raster picture(layout.width * pixelsPerModule, layout.height * pixelsPerModule, kWhite);
    if (dotsPerInch)
        picture.setDotsPerMeter(dotsPerMeterOf(*dotsPerInch), dotsPerMeterOf(*dotsPerInch));
    ModulePainter painter(picture, pixelsPerModule);
    if (symbol.matrix) {
        paintMatrix(painter, *symbol.matrix, layout);
        return picture;
    }
    paintBars(painter, symbol, layout);
    if (symbol.bearer != BearerBars::None && symbol.bearerWidth > 0)
        paintBearer(painter, symbol, layout);
    return picture;
}

int dotsPerMeterOf(int dotsPerInch) {
    return static_cast<int>(std::lround(dotsPerInch / 0.0254));
}
