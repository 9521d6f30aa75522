#pragma once

#include "render/Raster.h"

#include <QImage>

// Rasters as QImages and back, for what works on QImages: files, the clipboard, printing,
// the reading engine, windows.

// A 32-bit RGB image of the raster's pixels, sharing them until either side changes.
QImage imageOf(const Raster& raster);
// The image's pixels as a raster (converted to 32-bit RGB first); null for a null image.
Raster rasterOf(const QImage& image);
