#pragma once

#include <QByteArray>
#include <QSize>

#include <optional>

// PNG files of black-and-white pictures, made in one pass for batches of thousands: grey, one
// bit per pixel, the resolution, and all rows deflated at once.
namespace OneBitPng {

// The file of `height` rows of 1-bit pixels (most significant bit first, 1 for white), each
// starting `pitch` bytes after the one before; nothing when the rows do not fit the size.
std::optional<QByteArray> encode(const QByteArray& rows, int pitch, QSize size, QSize dotsPerMeter);

} // namespace OneBitPng
