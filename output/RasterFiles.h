#pragma once

#include "render/Raster.h"

#include <QByteArray>
#include <QSize>

#include <optional>

// The files the program writes itself from a raster, without Qt Gui or the image library:
// PNG and Windows Bitmap.
namespace RasterFiles {

// The resolution a file of the raster records, in dots per meter: the raster's own when it was
// given one, else 96 dots per inch, the screen's.
QSize recordedDotsPerMeter(const Raster& picture);

// Rows of 1-bit pixels, most significant bit first, padded to 32 bits, 1 for white; nothing
// when the raster holds any other colour than black and white.
std::optional<QByteArray> oneBitRows(const Raster& picture, int pitch);
// The pitch of those rows.
int oneBitPitch(int width);

// The raster's PNG file; with `compact` (many files at once), one of pure black and white at
// one bit per pixel. Nothing for a picture the writer does not take.
std::optional<QByteArray> png(const Raster& picture, bool compact = false);
// Its Windows Bitmap file.
QByteArray bmp(const Raster& picture);

} // namespace RasterFiles
