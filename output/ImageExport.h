#pragma once

#include "render/Raster.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <span>
#include <variant>

// Writing a picture as an image file: Windows Bitmap directly, every other format by FreeImage,
// each encoded in memory and then written whole, so that a failed save leaves no trace.
namespace ImageExport {

enum class ImageFormat { Bmp, Gif, Jpg, Tif, Png, Psd, Svg, Pdf };

struct FormatEntry {
    ImageFormat format;
    const char* pattern;     // the save dialog's only filter
    const char* defaultName; // offered by the save dialog
    int libraryFormat;       // FreeImage's format identifier; unused for the direct writer
    int saveFlags;
    const char* word;        // as on the command line and in the settings file
    const char* optionLabel; // the save panel's option button
    bool offered;            // shown by the save panel, and so remembered in the settings file
    bool vector;             // the symbol drawn anew as lines and text, not a picture's pixels
};

std::span<const FormatEntry> formatTable();
const FormatEntry& entryOf(ImageFormat format);
// "bmp", "gif", "jpg"/"jpeg", "tif"/"tiff", "png", "psd", "svg", "pdf", in any letter case.
std::optional<ImageFormat> formatFromWord(const QString& word);

// The resolution a saved file records, in dots per meter: the picture's own when it was given
// one, else 96 dots per inch, the screen's.
QSize recordedDotsPerMeter(const QImage& picture);

// A file's bytes, or why the image library could not make them.
using FileBytes = std::variant<QByteArray, QString>;

// The picture's file in the format.
FileBytes imageFileBytes(const QImage& picture, ImageFormat format);
FileBytes imageFileBytes(const Raster& picture, ImageFormat format);

// Writes the picture under the path in the format. On failure the reason, and whatever stood
// at the path is left as it was.
std::optional<QString> SaveImage(const QImage& picture, const QString& path, ImageFormat format);

// What the user is told when SaveImage fails.
QString saveFailureMessage(const QString& path);
// The same, with the reason after it.
QString saveFailureMessage(const QString& path, const QString& reason);
// The reason when the file's bytes could not be made.
QString libraryFailure(ImageFormat format);

// For many files at once: a picture of pure black and white goes to PNG and TIFF at one bit
// per pixel, straight from memory (the same pixels, a fraction of the time and size); anything
// else as imageFileBytes makes it.
FileBytes compactFileBytes(const Raster& picture, ImageFormat format);

} // namespace ImageExport
