#pragma once

#include "render/Raster.h"

#include <QByteArray>
#include <QSize>

#include <optional>

// PNG files of pictures in any colour, 8-bit RGB, written as the image library (FreeImage over
// libpng) wrote them, byte for byte: its choice of filter per row among None, Sub and Paeth,
// zlib at level 6 with the filtered strategy and its window for small images, its 8 KiB image
// data chunks. Without libpng, and quick on rows that repeat down a barcode's bars.
namespace RgbPng {

// The whole file, recording the resolution in dots per meter; nothing for a picture without
// pixels, or one wider or higher than the library took.
std::optional<QByteArray> encode(const Raster& picture, QSize dotsPerMeter);

} // namespace RgbPng
