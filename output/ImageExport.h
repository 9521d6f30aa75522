#pragma once

#include <QImage>
#include <QString>

#include <optional>
#include <span>

// Writing a picture as an image file: Windows Bitmap directly, every other format through a
// temporary bitmap that FreeImage loads and writes out.
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

// Where the temporary bitmap goes: "~temp.bmp" in the program's directory when that is
// writable; otherwise empty, meaning a unique file in the system's temporary directory.
QString temporaryBitmapPath(const QString& programDirectory);

// Writes the picture under the path in the format. False when any step failed; a broken file
// that the failed step left under the path is removed, and the temporary file is always gone.
bool SaveImage(const QImage& picture, const QString& path, ImageFormat format,
               const QString& programDirectory);

// What the user is told when SaveImage fails.
QString saveFailureMessage(const QString& path);

// For many files at once: a picture of pure black and white goes to PNG and TIFF at one bit
// per pixel, straight from memory (the same pixels, a fraction of the time and size); anything
// else is saved as SaveImage does.
bool SaveImageCompact(const QImage& picture, const QString& path, ImageFormat format,
                      const QString& programDirectory);

} // namespace ImageExport
