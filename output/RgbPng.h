#pragma once

#include "Raster.h"

#include <QByteArray>
#include <QSize>

#include <optional>

// PNG files of pictures in any colour: 8-bit RGB through libpng, with the settings the image
// library once used for them (level 6, filtered strategy, no Up or Average filter), so files
// come out byte for byte as they always did.
namespace RgbPng {

// The whole file, recording the resolution in dots per meter; nothing when libpng failed.
std::optional<QByteArray> encode(const Raster& picture, QSize dotsPerMeter);

} // namespace RgbPng
