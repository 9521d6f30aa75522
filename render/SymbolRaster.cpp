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

} // namespace

Raster symbolRaster(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                    std::optional<int> dotsPerInch) {
    Raster picture(layout.width * pixelsPerModule, layout.height * pixelsPerModule, kWhite);
    if (dotsPerInch)
        picture.setDotsPerMeter(dotsPerMeterOf(*dotsPerInch), dotsPerMeterOf(*dotsPerInch));
    ModulePainter painter(picture, pixelsPerModule);
    forEachDarkRect(symbol, layout,
                    [&](const ModuleRect& r) { painter.fill(r.left, r.top, r.width, r.height); });
    return picture;
}

int dotsPerMeterOf(int dotsPerInch) {
    return static_cast<int>(std::lround(dotsPerInch / 0.0254));
}
