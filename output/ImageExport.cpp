#include "output/ImageExport.h"

#include "output/FreeImageFiles.h"
#include "output/RasterFiles.h"
#include "output/RgbPng.h"
#include "output/WholeFile.h"
#include "output/WindowsBitmap.h"
#include "render/RasterImage.h"
#include "render/Twips.h"

namespace ImageExport {
namespace {

using namespace FreeImageFiles;

// Hands the bitmap to the library for the file's bytes, and releases it.
std::optional<QByteArray> libraryBytes(BitmapHandle bitmap, QSize resolution,
                                       const FormatEntry& entry) {
    setDotsPerMeter(bitmap, resolution.width(), resolution.height());
    BitmapHandle toSave = bitmap;
    if (bitmap && entry.format == ImageFormat::Gif) toSave = quantizeWu(bitmap);
    auto bytes = saveToMemory(entry.libraryFormat, toSave, entry.saveFlags);
    if (toSave != bitmap) unload(toSave);
    unload(bitmap);
    return bytes;
}

std::optional<QByteArray> encodedBytes(const QImage& picture, const FormatEntry& entry) {
    if (entry.format == ImageFormat::Bmp)
        return WindowsBitmap::encode(rasterOf(picture), recordedDotsPerMeter(picture));
    if (entry.format == ImageFormat::Png)
        return RgbPng::encode(rasterOf(picture), recordedDotsPerMeter(picture));
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull()) return std::nullopt;
    return libraryBytes(fromBgrRows(bgr.constBits(), bgr.width(), bgr.height(),
                                    static_cast<int>(bgr.bytesPerLine())),
                        recordedDotsPerMeter(picture), entry);
}

FileBytes fileBytesOf(const std::optional<QByteArray>& bytes, const FormatEntry& entry) {
    if (!bytes) return libraryFailure(entry.format);
    return *bytes;
}

} // namespace

QSize recordedDotsPerMeter(const QImage& picture) {
    const QImage fresh(1, 1, QImage::Format_RGB32);
    const QSize own(picture.dotsPerMeterX(), picture.dotsPerMeterY());
    const bool givenOne = own.width() > 0 && own.height() > 0 &&
                          own != QSize(fresh.dotsPerMeterX(), fresh.dotsPerMeterY());
    return givenOne ? own : QSize(Geometry::kDotsPerMeter, Geometry::kDotsPerMeter);
}

FileBytes imageFileBytes(const QImage& picture, ImageFormat format) {
    const FormatEntry& entry = entryOf(format);
    return fileBytesOf(encodedBytes(picture, entry), entry);
}

FileBytes imageFileBytes(const Raster& picture, ImageFormat format) {
    if (format == ImageFormat::Bmp) return RasterFiles::bmp(picture);
    if (format == ImageFormat::Png) return fileBytesOf(RasterFiles::png(picture), entryOf(format));
    return imageFileBytes(imageOf(picture), format);
}

std::optional<QString> SaveImage(const QImage& picture, const QString& path, ImageFormat format) {
    const FileBytes bytes = imageFileBytes(picture, format);
    if (const auto* reason = std::get_if<QString>(&bytes)) return *reason;
    return WholeFile::write(path, std::get<QByteArray>(bytes));
}

FileBytes compactFileBytes(const Raster& picture, ImageFormat format) {
    const FormatEntry& entry = entryOf(format);
    if (format == ImageFormat::Bmp) return RasterFiles::bmp(picture);
    if (format == ImageFormat::Png) return fileBytesOf(RasterFiles::png(picture, true), entry);
    const int pitch = RasterFiles::oneBitPitch(picture.width());
    const auto rows = format == ImageFormat::Tif && !picture.isNull()
                          ? RasterFiles::oneBitRows(picture, pitch)
                          : std::nullopt;
    if (!rows) return imageFileBytes(picture, format);
    return fileBytesOf(libraryBytes(fromOneBitRows(*rows, picture.width(), picture.height(), pitch),
                                    RasterFiles::recordedDotsPerMeter(picture), entry),
                       entry);
}

} // namespace ImageExport
