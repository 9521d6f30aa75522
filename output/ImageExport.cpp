#include "output/ImageExport.h"

#include "output/OneBitPng.h"
#include "output/WholeFile.h"
#include "output/WindowsBitmap.h"
#include "output/modFreeImageDLL.h"
#include "render/Geometry.h"

#include <array>
#include <cstring>

namespace ImageExport {
namespace {

using namespace modFreeImageDLL;

// In the order of the save panel's option buttons.
constexpr std::array<FormatEntry, 8> kFormats = {{
    {ImageFormat::Bmp, "*.bmp", "Barcode.bmp", -1, 0, "bmp", "Windows Bitmap (*.BMP)", true, false},
    {ImageFormat::Gif, "*.gif", "Barcode.gif", FIF_GIF, GIF_DEFAULT, "gif",
     "Compuserve GIF (*.GIF)", false, false},
    {ImageFormat::Jpg, "*.jpg", "Barcode.jpg", FIF_JPEG, JPEG_QUALITYGOOD, "jpg",
     "Jpeg File (*.jpg)", true, false},
    {ImageFormat::Tif, "*.tif", "Barcode.tif", FIF_TIFF, TIFF_DEFAULT, "tif",
     "Tagged Image File (*.tiff)", true, false},
    {ImageFormat::Png, "*.png", "Barcode.png", FIF_PNG, PNG_Z_DEFAULT_COMPRESSION, "png",
     "Portable Network Graphics (*.png)", true, false},
    {ImageFormat::Psd, "*.psd", "Barcode.psd", FIF_PSD, PSD_DEFAULT, "psd", "Photoshop (*.psd)",
     false, false},
    {ImageFormat::Svg, "*.svg", "Barcode.svg", -1, 0, "svg", "SVG", true, true},
    {ImageFormat::Pdf, "*.pdf", "Barcode.pdf", -1, 0, "pdf", "PDF", true, true},
}};

QString libraryFailure(const FormatEntry& entry) {
    return QStringLiteral("the image library could not write the %1 format")
        .arg(QString::fromLatin1(entry.word).toUpper());
}

// Hands the bitmap to the library for the file's bytes, and releases it.
std::optional<QByteArray> libraryBytes(FIBITMAP_HANDLE bitmap, const QImage& picture,
                                       const FormatEntry& entry) {
    const QSize resolution = recordedDotsPerMeter(picture);
    FreeImage_SetDotsPerMeter(bitmap, resolution.width(), resolution.height());
    FIBITMAP_HANDLE toSave = bitmap;
    if (bitmap && entry.format == ImageFormat::Gif) toSave = FreeImage_ColorQuantizeWu(bitmap);
    auto bytes = FreeImage_SaveToMemory(entry.libraryFormat, toSave, entry.saveFlags);
    if (toSave != bitmap) FreeImage_Unload(toSave);
    FreeImage_Unload(bitmap);
    return bytes;
}

std::optional<QByteArray> encodedBytes(const QImage& picture, const FormatEntry& entry) {
    if (entry.format == ImageFormat::Bmp)
        return WindowsBitmap::encode(picture, recordedDotsPerMeter(picture));
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull()) return std::nullopt;
    return libraryBytes(FreeImage_FromBgrRows(bgr.constBits(), bgr.width(), bgr.height(),
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
    return libraryBytes(FreeImage_FromOneBitRows(rows, picture.width(), picture.height(), pitch),
                        picture, entry);
}

} // namespace

std::span<const FormatEntry> formatTable() {
    return kFormats;
}

const FormatEntry& entryOf(ImageFormat format) {
    for (const FormatEntry& entry : kFormats)
        if (entry.format == format) return entry;
    return kFormats.front();
}

std::optional<ImageFormat> formatFromWord(const QString& word) {
    const QString lower = word.toLower();
    if (lower == u"jpeg") return ImageFormat::Jpg;
    if (lower == u"tiff") return ImageFormat::Tif;
    for (const FormatEntry& entry : kFormats)
        if (lower == QLatin1String(entry.word)) return entry.format;
    return std::nullopt;
}

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

QString saveFailureMessage(const QString& path, const QString& reason) {
    return saveFailureMessage(path) + QStringLiteral(": ") + reason;
}

QString saveFailureMessage(const QString& path) {
    return QStringLiteral("The barcode could not be saved as ") + path;
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
