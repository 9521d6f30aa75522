#pragma once

#include "Geometry.h"

#include <QImage>

// Anything a barcode can be read from: one pixel at a time, as a colour number, or -1 outside.
class PixelSource {
  public:
    virtual ~PixelSource() = default;
    virtual Colour Point(int x, int y) const = 0;
};

// Colour number of an image pixel (red in the low byte).
Colour colourNumber(QRgb rgb);
QRgb rgbOf(Colour colour);

// A loaded image seen through Point, in pixels.
class ImagePixels : public PixelSource {
  public:
    explicit ImagePixels(QImage image);
    Colour Point(int x, int y) const override;
    const QImage& image() const { return image_; }

  private:
    QImage image_;
};
