#include "output/ImageExport.h"

#include "output/FreeImageFiles.h"

#include <array>

// The format table and the words for formats and failures, apart from the encoders: the
// command line reads them without loading any image library.
namespace ImageExport {
namespace {

using namespace FreeImageFiles;

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

QString saveFailureMessage(const QString& path, const QString& reason) {
    return saveFailureMessage(path) + QStringLiteral(": ") + reason;
}

QString saveFailureMessage(const QString& path) {
    return QStringLiteral("The barcode could not be saved as ") + path;
}

QString libraryFailure(ImageFormat format) {
    return QStringLiteral("the image library could not write the %1 format")
        .arg(QString::fromLatin1(entryOf(format).word).toUpper());
}

} // namespace ImageExport
