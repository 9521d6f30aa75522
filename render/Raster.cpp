#include "render/Raster.h"

#include <algorithm>

Raster::Raster(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), fill_(fill) {}

void Raster::setDotsPerMeter(int x, int y) {
    dotsPerMeterX_ = x;
    dotsPerMeterY_ = y;
}

void Raster::fillIn() const {
    if (!pixels_ && !isNull())
        pixels_ = std::make_shared<std::vector<Pixel>>(
            static_cast<size_t>(width_) * static_cast<size_t>(height_), fill_);
}

std::shared_ptr<const std::vector<Raster::Pixel>> Raster::pixelHandle() const {
    fillIn();
    return pixels_;
}

Raster::Pixel* Raster::bits() {
    fillIn();
    if (!pixels_) return nullptr;
    if (pixels_.use_count() > 1) pixels_ = std::make_shared<std::vector<Pixel>>(*pixels_);
    return pixels_->data();
}

void Raster::fill(Pixel pixel) {
    pixels_.reset();
    fill_ = pixel;
}

bool Raster::operator==(const Raster& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    if (isNull() || sharesPixelsWith(other)) return true;
    if (!pixels_ && !other.pixels_) return fill_ == other.fill_;
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    return std::equal(constBits(), constBits() + count, other.constBits());
}
