#include "ImageExport.h"

#include "WindowsBitmap.h"
#include "modFreeImageDLL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

// Loads the temporary bitmap and writes it in the library's format; true when written.
bool convertThroughLibrary(const QString& bitmapPath, const QString& path,
                           const FormatEntry& entry) {
    FIBITMAP_HANDLE bitmap = FreeImage_Load(FIF_BMP, bitmapPath, 0);
    FIBITMAP_HANDLE toSave = bitmap;
    if (bitmap && entry.format == ImageFormat::Gif) toSave = FreeImage_ColorQuantizeWu(bitmap);
    bool saved = false;
    if (toSave) {
        saved = FreeImage_Save(entry.libraryFormat, toSave, path, entry.saveFlags);
        if (!saved) QFile::remove(path); // the library may leave a stub behind
    }
    if (toSave != bitmap) FreeImage_Unload(toSave);
    FreeImage_Unload(bitmap);
    return saved;
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

bool saveOneBit(const QByteArray& rows, int pitch, const QImage& picture, const QString& path,
                const FormatEntry& entry) {
    FIBITMAP_HANDLE bitmap =
        FreeImage_FromOneBitRows(rows, picture.width(), picture.height(), pitch);
    const bool saved = bitmap && FreeImage_Save(entry.libraryFormat, bitmap, path, entry.saveFlags);
    if (bitmap && !saved) QFile::remove(path);
    FreeImage_Unload(bitmap);
    return saved;
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

QString temporaryBitmapPath(const QString& programDirectory) {
    const QFileInfo directory(programDirectory);
    if (programDirectory.isEmpty() || !directory.isDir() || !directory.isWritable()) return {};
    return QDir(programDirectory).filePath(QStringLiteral("~temp.bmp"));
}

bool SaveImage(const QImage& picture, const QString& path, ImageFormat format,
               const QString& programDirectory) {
    const FormatEntry& entry = entryOf(format);
    if (format == ImageFormat::Bmp) return WindowsBitmap::write(picture, path);

    QString bitmapPath = temporaryBitmapPath(programDirectory);
    QTemporaryFile fallback(
        QDir(QDir::tempPath()).filePath(QStringLiteral("barcode-desk-XXXXXX.bmp")));
    if (bitmapPath.isEmpty()) {
        if (!fallback.open()) return false;
        bitmapPath = fallback.fileName();
        fallback.close();
    }
    const bool saved =
        WindowsBitmap::write(picture, bitmapPath) && convertThroughLibrary(bitmapPath, path, entry);
    QFile::remove(bitmapPath);
    return saved;
}

QString saveFailureMessage(const QString& path) {
    return QStringLiteral("The barcode could not be saved as ") + path;
}

bool SaveImageCompact(const QImage& picture, const QString& path, ImageFormat format,
                      const QString& programDirectory) {
    const bool oneBitFormat = format == ImageFormat::Png || format == ImageFormat::Tif;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int pitch = ((rgb.width() + 31) / 32) * 4;
    const auto rows = oneBitFormat && !rgb.isNull() ? oneBitRows(rgb, pitch) : std::nullopt;
    if (!rows) return SaveImage(picture, path, format, programDirectory);
    return saveOneBit(*rows, pitch, rgb, path, entryOf(format));
}

} // namespace ImageExport
