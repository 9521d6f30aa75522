#include "render/Raster.h"

#include <algorithm>
#include <cstring>

namespace {

// Pixels of one colour, at memset's speed for the usual white or black.
void fillPixels(Raster::Pixel* pixels, size_t count, Raster::Pixel pixel) {
    const auto byte = static_cast<unsigned char>(pixel);
    if (pixel == byte * 0x01010101u)
        std::memset(pixels, byte, count * sizeof(Raster::Pixel));
    else
        std::fill(pixels, pixels + count, pixel);
}

} // namespace

Raster::Raster(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), fill_(fill) {}

void Raster::setDotsPerMeter(int x, int y) {
    dotsPerMeterX_ = x;
    dotsPerMeterY_ = y;
}

void Raster::fillIn() const {
    if (pixels_ || isNull()) return;
    pixels_ = std::make_shared_for_overwrite<Pixel[]>(count());
    fillPixels(pixels_.get(), count(), fill_);
}

std::shared_ptr<const Raster::Pixel[]> Raster::pixelHandle() const {
    fillIn();
    return pixels_;
}

Raster::Pixel* Raster::ownBits() {
    fillIn();
    if (!pixels_) return nullptr;
    if (pixels_.use_count() > 1) {
        auto own = std::make_shared_for_overwrite<Pixel[]>(count());
        std::memcpy(own.get(), pixels_.get(), count() * sizeof(Pixel));
        pixels_ = std::move(own);
    }
    return pixels_.get();
}

void Raster::fill(Pixel pixel) {
    fill_ = pixel;
    // Pixels of its own are kept, filled: a surface drawn again and again reuses its memory.
    if (pixels_ && pixels_.use_count() == 1)
        fillPixels(pixels_.get(), count(), pixel);
    else
        pixels_.reset();
}

bool Raster::operator==(const Raster& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    if (isNull() || sharesPixelsWith(other)) return true;
    if (!pixels_ && !other.pixels_) return fill_ == other.fill_;
    return std::equal(constBits(), constBits() + count(), other.constBits());
}
