#pragma once

#include "render/Raster.h"

#include <QByteArray>
#include <QSize>

// The direct Windows Bitmap writer: 24 bits per pixel, bottom-up rows padded to 4 bytes.
namespace WindowsBitmap {

// The whole file, recording the resolution given in dots per meter.
QByteArray encode(const Raster& picture, QSize dotsPerMeter);

} // namespace WindowsBitmap
