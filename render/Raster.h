#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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
        return pixels_.get();
    }
    const Pixel* constRow(int y) const { return constBits() + static_cast<size_t>(y) * width_; }
    // Writable pixels, unshared first.
    Pixel* bits() {
        if (pixels_ && pixels_.use_count() == 1) return pixels_.get();
        return ownBits();
    }
    Pixel* row(int y) { return bits() + static_cast<size_t>(y) * width_; }
    // Whether the two share their pixels, as a picture set from a surface's own drawing does.
    bool sharesPixelsWith(const Raster& other) const { return pixels_ && pixels_ == other.pixels_; }
    // Who else holds the pixels, kept alive by the returned handle (an image made over them).
    std::shared_ptr<const Pixel[]> pixelHandle() const;

    void fill(Pixel pixel);

    bool operator==(const Raster& other) const;

  private:
    int width_ = 0;
    int height_ = 0;
    int dotsPerMeterX_ = 0;
    int dotsPerMeterY_ = 0;
    Pixel fill_ = 0; // every pixel's while there are none
    mutable std::shared_ptr<Pixel[]> pixels_;
    size_t count() const { return size_t(width_) * size_t(height_); }
    void fillIn() const;
    Pixel* ownBits();
};
