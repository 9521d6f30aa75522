#include "ImageExport.h"

#include "WindowsBitmap.h"
#include "modFreeImageDLL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>

namespace ImageExport {
namespace {

using namespace modFreeImageDLL;

constexpr std::array<FormatEntry, 6> kFormats = {{
    {ImageFormat::Bmp, "*.bmp", "Barcode.bmp", -1, 0, "bmp"},
    {ImageFormat::Gif, "*.gif", "Barcode.gif", FIF_GIF, GIF_DEFAULT, "gif"},
    {ImageFormat::Jpg, "*.jpg", "Barcode.jpg", FIF_JPEG, JPEG_QUALITYGOOD, "jpg"},
    {ImageFormat::Tif, "*.tif", "Barcode.tif", FIF_TIFF, TIFF_DEFAULT, "tif"},
    {ImageFormat::Png, "*.png", "Barcode.png", FIF_PNG, PNG_Z_DEFAULT_COMPRESSION, "png"},
    {ImageFormat::Psd, "*.psd", "Barcode.psd", FIF_PSD, PSD_DEFAULT, "psd"},
}};

// Loads the temporary bitmap and writes it in the library's format; true when written.
bool convertThroughLibrary(const QString& bitmapPath, const QString& path, const FormatEntry& entry) {
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

} // namespace

std::span<const FormatEntry> formatTable() { return kFormats; }

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
    QTemporaryFile fallback(QDir(QDir::tempPath()).filePath(QStringLiteral("barcode-desk-XXXXXX.bmp")));
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

} // namespace ImageExport
