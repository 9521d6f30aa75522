#pragma once

#include "render/Colour.h"
#include "render/Raster.h"

#include <QImage>

#include <span>

// Anything a barcode can be read from: one pixel at a time, as a colour number, or -1 outside.
class PixelSource {
  public:
    virtual ~PixelSource() = default;
    virtual Colour colourAt(int x, int y) const = 0;
    // What Point gives for (x, y), (x + 1, y), ... into `colours`, read in one go where the
    // source can; the last x must not pass the largest int.
    virtual void pointsAlongRow(int x, int y, std::span<Colour> colours) const;
};

// Colour number of an image pixel (red in the low byte). Inline: rows of pixels go through it.
inline Colour colourNumber(QRgb rgb) {
    return static_cast<Colour>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}
inline QRgb rgbOf(Colour colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}
// Colour numbers of the pixels (x, y), (x + 1, y), ... of a 32-bit RGB image, -1 outside it.
void imageRowColours(const QImage& image, long long x, int y, std::span<Colour> colours);
void rasterRowColours(const Raster& raster, long long x, int y, std::span<Colour> colours);

// A loaded image seen through Point, in pixels.
class ImagePixels : public PixelSource {
  public:
    explicit ImagePixels(QImage image);
    Colour colourAt(int x, int y) const override;
    void pointsAlongRow(int x, int y, std::span<Colour> colours) const override;
    const QImage& image() const { return image_; }

  private:
    QImage image_;
};
