#include "render/PixelSource.h"

void PixelSource::pointsAlongRow(int x, int y, std::span<Colour> colours) const {
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = colourAt(x + static_cast<int>(i), y);
}

void rasterRowColours(const Raster& raster, long long x, int y, std::span<Colour> colours) {
    const bool rowInside = y >= 0 && y < raster.height();
    const Raster::Pixel* line = rowInside ? raster.constRow(y) : nullptr;
    const long long width = raster.width();
    for (Colour& colour : colours) {
        colour = line && x >= 0 && x < width ? colourNumber(line[x]) : -1;
        ++x;
    }
}
