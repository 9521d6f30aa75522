#include "output/FreeImageFiles.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

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

// The library's own memory stream leaves the bytes a writer seeks over as they were on the heap
// (libtiff does, aligning its directory), which then went into the file. This one writes into
// a QByteArray that any gap fills with zeros, as a real file reads.
struct ByteSink {
    QByteArray bytes;
    qsizetype at = 0;
};

ByteSink& sinkOf(fi_handle handle) {
    return *static_cast<ByteSink*>(handle);
}

unsigned DLL_CALLCONV writeTo(void* data, unsigned size, unsigned count, fi_handle handle) {
    ByteSink& sink = sinkOf(handle);
    const qsizetype length = qsizetype(size) * qsizetype(count);
    if (sink.at + length > sink.bytes.size()) sink.bytes.resize(sink.at + length, '\0');
    std::memcpy(sink.bytes.data() + sink.at, data, size_t(length));
    sink.at += length;
    return count;
}

unsigned DLL_CALLCONV readFrom(void* data, unsigned size, unsigned count, fi_handle handle) {
    ByteSink& sink = sinkOf(handle);
    if (size == 0) return 0;
    const qsizetype whole = std::max<qsizetype>(0, sink.bytes.size() - sink.at) / size;
    const unsigned items = unsigned(std::min<qsizetype>(count, whole));
    std::memcpy(data, sink.bytes.constData() + sink.at, size_t(items) * size);
    sink.at += qsizetype(items) * size;
    return items;
}

int DLL_CALLCONV seekIn(fi_handle handle, long offset, int origin) {
    ByteSink& sink = sinkOf(handle);
    const qsizetype base = origin == SEEK_SET   ? 0
                           : origin == SEEK_CUR ? sink.at
                                                : sink.bytes.size();
    if (base + offset < 0) return -1;
    sink.at = base + offset;
    return 0;
}

long DLL_CALLCONV tellIn(fi_handle handle) {
    return long(sinkOf(handle).at);
}

} // namespace

std::optional<QByteArray> saveToMemory(int format, BitmapHandle bitmap, int flags) {
    ensureInitialised();
    if (!bitmap) return std::nullopt;
    FreeImageIO io{&readFrom, &writeTo, &seekIn, &tellIn};
    ByteSink sink;
    if (::FreeImage_SaveToHandle(static_cast<::FREE_IMAGE_FORMAT>(format), dib(bitmap), &io, &sink,
                                 flags) != 1 ||
        sink.bytes.isEmpty())
        return std::nullopt;
    return sink.bytes;
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
