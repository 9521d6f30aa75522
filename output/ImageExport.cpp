#include "output/ImageExport.h"

#include "output/FreeImageFiles.h"
#include "output/OneBitPng.h"
#include "output/RgbPng.h"
#include "output/WholeFile.h"
#include "output/WindowsBitmap.h"
#include "render/RasterImage.h"
#include "render/Twips.h"

#include <cstring>

namespace ImageExport {
namespace {

using namespace FreeImageFiles;

QString libraryFailure(const FormatEntry& entry) {
    return QStringLiteral("the image library could not write the %1 format")
        .arg(QString::fromLatin1(entry.word).toUpper());
}

// Hands the bitmap to the library for the file's bytes, and releases it.
std::optional<QByteArray> libraryBytes(BitmapHandle bitmap, const QImage& picture,
                                       const FormatEntry& entry) {
    const QSize resolution = recordedDotsPerMeter(picture);
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
                        picture, entry);
}

FileBytes fileBytesOf(const std::optional<QByteArray>& bytes, const FormatEntry& entry) {
    if (!bytes) return libraryFailure(entry);
    return *bytes;
}

// Rows of 1-bit pixels, most significant bit first, padded to 32 bits, 1 for white; nothing
// when the image holds any other colour than black and white.
std::optional<QByteArray> oneBitRows(const QImage& image, int pitch) {
    const int width = image.width(), height = image.height();
    QByteArray rows(static_cast<qsizetype>(pitch) * height, '\0');
    const size_t lineBytes = static_cast<size_t>(width) * sizeof(QRgb);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* row =
            reinterpret_cast<unsigned char*>(rows.data()) + static_cast<qsizetype>(y) * pitch;
        // Barcodes repeat one row down the bars: a row like the one above packs like it.
        if (y > 0 && std::memcmp(line, image.constScanLine(y - 1), lineBytes) == 0) {
            std::memcpy(row, row - pitch, static_cast<size_t>(pitch));
            continue;
        }
        for (int x = 0; x < width; x += 8) {
            unsigned char byte = 0;
            for (int bit = 0; bit < 8 && x + bit < width; ++bit) {
                const QRgb rgb = line[x + bit] & 0xFFFFFF;
                if (rgb == 0xFFFFFF)
                    byte |= static_cast<unsigned char>(0x80 >> bit);
                else if (rgb != 0)
                    return std::nullopt;
            }
            row[x >> 3] = byte;
        }
    }
    return rows;
}

std::optional<QByteArray> oneBitBytes(const QByteArray& rows, int pitch, const QImage& picture,
                                      const FormatEntry& entry) {
    return libraryBytes(fromOneBitRows(rows, picture.width(), picture.height(), pitch), picture,
                        entry);
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

std::optional<QString> SaveImage(const QImage& picture, const QString& path, ImageFormat format) {
    const FileBytes bytes = imageFileBytes(picture, format);
    if (const auto* reason = std::get_if<QString>(&bytes)) return *reason;
    return WholeFile::write(path, std::get<QByteArray>(bytes));
}

FileBytes compactFileBytes(const QImage& picture, ImageFormat format) {
    const bool oneBitFormat = format == ImageFormat::Png || format == ImageFormat::Tif;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int pitch = ((rgb.width() + 31) / 32) * 4;
    const auto rows = oneBitFormat && !rgb.isNull() ? oneBitRows(rgb, pitch) : std::nullopt;
    if (!rows) return imageFileBytes(picture, format);
    const FormatEntry& entry = entryOf(format);
    if (format == ImageFormat::Png)
        return fileBytesOf(
            OneBitPng::encode(*rows, pitch, rgb.size(), recordedDotsPerMeter(picture)), entry);
    return fileBytesOf(oneBitBytes(*rows, pitch, picture, entry), entry);
}

} // namespace ImageExport
