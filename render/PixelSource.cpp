#include "PixelSource.h"

Colour colourNumber(QRgb rgb) {
    return static_cast<Colour>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

QRgb rgbOf(Colour colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

ImagePixels::ImagePixels(QImage image) : image_(image.convertToFormat(QImage::Format_RGB32)) {}

Colour ImagePixels::Point(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return -1;
    return colourNumber(image_.pixel(x, y));
}
