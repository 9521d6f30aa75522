// Pixel sources over QImages (Qt Gui).
#include "render/PixelSource.h"

void imageRowColours(const QImage& image, long long x, int y, std::span<Colour> colours) {
    const bool rowInside = y >= 0 && y < image.height();
    const auto* line = rowInside ? reinterpret_cast<const QRgb*>(image.constScanLine(y)) : nullptr;
    const long long width = image.width();
    for (Colour& colour : colours) {
        colour = line && x >= 0 && x < width ? colourNumber(line[x]) : -1;
        ++x;
    }
}

ImagePixels::ImagePixels(QImage image) : image_(image.convertToFormat(QImage::Format_RGB32)) {}

Colour ImagePixels::colourAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return -1;
    return colourNumber(image_.pixel(x, y));
}

void ImagePixels::pointsAlongRow(int x, int y, std::span<Colour> colours) const {
    imageRowColours(image_, x, y, colours);
}
