#include "output/FreeImageFiles.h"

#include <FreeImage.h>

#include <memory>

namespace FreeImageFiles {
namespace {

// The library wants its plugins registered once per process.
struct Library {
    Library() { ::FreeImage_Initialise(FALSE); }
    ~Library() { ::FreeImage_DeInitialise(); }
};

void ensureInitialised() {
    static Library library;
}

FIBITMAP* dib(BitmapHandle handle) {
    return static_cast<FIBITMAP*>(handle);
}

} // namespace

std::optional<QByteArray> saveToMemory(int format, BitmapHandle bitmap, int flags) {
    ensureInitialised();
    if (!bitmap) return std::nullopt;
    const std::unique_ptr<FIMEMORY, decltype(&::FreeImage_CloseMemory)> memory(
        ::FreeImage_OpenMemory(), &::FreeImage_CloseMemory);
    if (!memory) return std::nullopt;
    if (::FreeImage_SaveToMemory(static_cast<::FREE_IMAGE_FORMAT>(format), dib(bitmap),
                                 memory.get(), flags) != 1)
        return std::nullopt;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!::FreeImage_AcquireMemory(memory.get(), &data, &size) || !data || size == 0)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

void unload(BitmapHandle bitmap) {
    if (bitmap) ::FreeImage_Unload(dib(bitmap));
}

BitmapHandle quantizeWu(BitmapHandle bitmap) {
    ensureInitialised();
    return bitmap ? ::FreeImage_ColorQuantize(dib(bitmap), FIQ_WUQUANT) : nullptr;
}

BitmapHandle fromBgrRows(const uchar* rows, int width, int height, int pitch) {
    ensureInitialised();
    return ::FreeImage_ConvertFromRawBits(const_cast<BYTE*>(rows), width, height, pitch, 24,
                                          FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK,
                                          TRUE);
}

BitmapHandle fromOneBitRows(const QByteArray& rows, int width, int height, int pitch) {
    ensureInitialised();
    auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(rows.constData()));
    FIBITMAP* bitmap = ::FreeImage_ConvertFromRawBits(bits, width, height, pitch, 1, 0, 0, 0, TRUE);
    if (!bitmap) return nullptr;
    RGBQUAD* palette = ::FreeImage_GetPalette(bitmap);
    palette[0] = RGBQUAD{0, 0, 0, 0};
    palette[1] = RGBQUAD{255, 255, 255, 0};
    return bitmap;
}

void setDotsPerMeter(BitmapHandle bitmap, int x, int y) {
    if (!bitmap) return;
    ::FreeImage_SetDotsPerMeterX(dib(bitmap), static_cast<unsigned>(x));
    ::FreeImage_SetDotsPerMeterY(dib(bitmap), static_cast<unsigned>(y));
}

} // namespace FreeImageFiles
