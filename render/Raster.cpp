#include "Raster.h"

#include <algorithm>

Raster::Raster(int width, int height, Pixel fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    if (!isNull())
        pixels_ = std::make_shared<std::vector<Pixel>>(
            static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
}

void Raster::setDotsPerMeter(int x, int y) {
    dotsPerMeterX_ = x;
    dotsPerMeterY_ = y;
}

Raster::Pixel* Raster::bits() {
    if (!pixels_) return nullptr;
    if (pixels_.use_count() > 1) pixels_ = std::make_shared<std::vector<Pixel>>(*pixels_);
    return pixels_->data();
}

void Raster::fill(Pixel pixel) {
    if (Pixel* pixels = bits())
        std::fill(pixels, pixels + static_cast<size_t>(width_) * static_cast<size_t>(height_),
                  pixel);
}

bool Raster::operator==(const Raster& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    return sharesPixelsWith(other) || isNull() || *pixels_ == *other.pixels_;
}
