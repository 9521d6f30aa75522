#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The direct Windows Bitmap writer: 24 bits per pixel, bottom-up rows padded to 4 bytes.
namespace WindowsBitmap {

QByteArray encode(const QImage& image);
// False when the file could not be written whole; nothing is left under the path then.
bool write(const QImage& image, const QString& path);

} // namespace WindowsBitmap
