#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The binding to the FreeImage library: the only place that sees its header.
namespace modFreeImageDLL {

using FIBITMAP_HANDLE = void*; // 0 when a load failed

enum FREE_IMAGE_FORMAT : int {
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
std::optional<QByteArray> FreeImage_SaveToMemory(int format, FIBITMAP_HANDLE bitmap, int flags);
void FreeImage_Unload(FIBITMAP_HANDLE bitmap);
// An 8-bit palette copy by Wu's quantiser (GIF holds no deeper colour); 0 on failure.
FIBITMAP_HANDLE FreeImage_ColorQuantizeWu(FIBITMAP_HANDLE bitmap);
// A 24-bit bitmap of rows given top-down, blue, green, red per pixel; 0 on failure.
FIBITMAP_HANDLE FreeImage_FromBgrRows(const uchar* rows, int width, int height, int pitch);
// A 1-bit bitmap (palette black, white) of the rows given top-down, MSB first, 1 for white.
FIBITMAP_HANDLE FreeImage_FromOneBitRows(const QByteArray& rows, int width, int height, int pitch);
// The resolution that the formats which hold one record.
void FreeImage_SetDotsPerMeter(FIBITMAP_HANDLE bitmap, int x, int y);

} // namespace modFreeImageDLL
