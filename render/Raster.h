#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A picture's pixels as 0xAARRGGBB words with full alpha, row after row without padding: the
// memory layout of a 32-bit RGB QImage, kept without Qt Gui so that drawing bars needs none.
// Copies share the pixels until one of them changes. A picture of one colour holds no pixels
// until they are asked for: work pictures are filled and resized several times per draw.
class Raster {
  public:
    using Pixel = std::uint32_t;

    Raster() = default;
    Raster(int width, int height, Pixel fill);

    int width() const { return width_; }
    int height() const { return height_; }
    bool isNull() const { return width_ <= 0 || height_ <= 0; }
    int dotsPerMeterX() const { return dotsPerMeterX_; }
    int dotsPerMeterY() const { return dotsPerMeterY_; }
    void setDotsPerMeter(int x, int y);

    // Not to be called from two threads at once on a raster of one colour, which it fills in.
    const Pixel* constBits() const {
        if (!pixels_) fillIn();
        return pixels_ ? pixels_->data() : nullptr;
    }
    const Pixel* constRow(int y) const { return constBits() + static_cast<size_t>(y) * width_; }
    // Writable pixels, unshared first.
    Pixel* bits();
    Pixel* row(int y) { return bits() + static_cast<size_t>(y) * width_; }
    // Whether the two share their pixels, as a picture set from a surface's own drawing does.
    bool sharesPixelsWith(const Raster& other) const { return pixels_ && pixels_ == other.pixels_; }
    // Who else holds the pixels, kept alive by the returned handle (an image made over them).
    std::shared_ptr<const std::vector<Pixel>> pixelHandle() const;

    void fill(Pixel pixel);

    bool operator==(const Raster& other) const;

  private:
    int width_ = 0;
    int height_ = 0;
    int dotsPerMeterX_ = 0;
    int dotsPerMeterY_ = 0;
    Pixel fill_ = 0; // every pixel's while there are none
    mutable std::shared_ptr<std::vector<Pixel>> pixels_;
    void fillIn() const;
};
