#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The binding to the FreeImage library: the only place that sees its header.
namespace FreeImageFiles {

using BitmapHandle = void*; // 0 when a load failed

enum FileFormat : int {
    FIF_BMP = 0,
    FIF_JPEG = 2,
    FIF_PNG = 13,
    FIF_TIFF = 18,
    FIF_PSD = 20,
    FIF_GIF = 25,
};

enum SaveFlags : int {
    GIF_DEFAULT = 0,
    JPEG_QUALITYGOOD = 0x100,
    TIFF_DEFAULT = 0,
    PNG_Z_DEFAULT_COMPRESSION = 6,
    PSD_DEFAULT = 0,
};

// The file's bytes in the format, written into memory; nothing when the library reported a
// failure or wrote no byte.
std::optional<QByteArray> saveToMemory(int format, BitmapHandle bitmap, int flags);
void unload(BitmapHandle bitmap);
// An 8-bit palette copy by Wu's quantiser (GIF holds no deeper colour); 0 on failure.
BitmapHandle quantizeWu(BitmapHandle bitmap);
// A 24-bit bitmap of rows given top-down, blue, green, red per pixel; 0 on failure.
BitmapHandle fromBgrRows(const uchar* rows, int width, int height, int pitch);
// A 1-bit bitmap (palette black, white) of the rows given top-down, MSB first, 1 for white.
BitmapHandle fromOneBitRows(const QByteArray& rows, int width, int height, int pitch);
// The resolution that the formats which hold one record.
void setDotsPerMeter(BitmapHandle bitmap, int x, int y);

} // namespace FreeImageFiles
