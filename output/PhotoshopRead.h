#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include <optional>

// The merged picture of a Photoshop file, read with every length checked against the bytes
// there are: 8-bit grey, indexed, RGB and CMYK, 1-bit bitmaps, raw or PackBits rows. The
// layers are not read; the merged picture is what a verifier looks at.
namespace PhotoshopRead {

bool isPhotoshop(QByteArrayView bytes);
// The size the header gives, when it is a kind listed above.
std::optional<QSize> sizeOf(QByteArrayView bytes);
// Nothing when damaged, cut short, of a kind not listed above or larger than maxPixels.
std::optional<QImage> pictureOf(QByteArrayView bytes, qint64 maxPixels);

} // namespace PhotoshopRead
