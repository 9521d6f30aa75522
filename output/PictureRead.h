#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <variant>

// Pictures from a file's bytes, in every format the program writes and more: Qt's readers
// first, FreeImage's for what they lack (TIFF, and GIFs Qt's reader rejects), and Photoshop
// files by a reader of our own, since FreeImage's loader for them is not safe on damaged files.
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
