#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <variant>

// Pictures from a file's bytes, in every format the program writes and more: Qt's readers
// first, FreeImage's for what they lack (TIFF, PSD, and GIFs Qt's reader rejects).
namespace PictureRead {

// Bytes no reader makes a picture of.
struct Unreadable {};
// A picture larger than the bound, refused before its pixels were allocated.
struct TooLarge {
    QSize size;
};

using Result = std::variant<QImage, Unreadable, TooLarge>;
Result pictureOf(const QByteArray& bytes, qint64 maxPixels);

} // namespace PictureRead
