#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A picture's pixels as 0xAARRGGBB words with full alpha, row after row without padding: the
// memory layout of a 32-bit RGB QImage, kept without Qt Gui so that drawing bars needs none.
// Copies share the pixels until one of them changes.
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

    const Pixel* constBits() const { return pixels_ ? pixels_->data() : nullptr; }
    const Pixel* constRow(int y) const { return constBits() + static_cast<size_t>(y) * width_; }
    // Writable pixels, unshared first.
    Pixel* bits();
    Pixel* row(int y) { return bits() + static_cast<size_t>(y) * width_; }
    // Whether the two share their pixels, as a picture set from a surface's own drawing does.
    bool sharesPixelsWith(const Raster& other) const { return pixels_ && pixels_ == other.pixels_; }
    // Who else holds the pixels, kept alive by the returned handle (an image made over them).
    std::shared_ptr<const std::vector<Pixel>> pixelHandle() const { return pixels_; }

    void fill(Pixel pixel);

    bool operator==(const Raster& other) const;

  private:
    int width_ = 0;
    int height_ = 0;
    int dotsPerMeterX_ = 0;
    int dotsPerMeterY_ = 0;
    std::shared_ptr<std::vector<Pixel>> pixels_;
};
