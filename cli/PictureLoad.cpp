// Loading pictures needs Qt Gui's image readers and FreeImage: apart from the streams, so that
// the quick start, which only writes, does without.
#include "cli/PictureStreams.h"
#include "output/PictureRead.h"
#include "render/PictureBound.h"

namespace PictureStreams {

std::variant<QImage, QString> load(const QString& path) {
    const QString named = isStandardStream(path) ? QStringLiteral("from standard input") : path;
    const std::optional<QByteArray> bytes = readAll(path);
    const PictureRead::Result read =
        PictureRead::pictureOf(bytes.value_or(QByteArray()), kMaxPicturePixels);
    if (const auto* picture = std::get_if<QImage>(&read)) return *picture;
    if (const auto* large = std::get_if<PictureRead::TooLarge>(&read))
        return QStringLiteral("Cannot read the image %1: it is %2.")
            .arg(named, pictureBoundText(large->size.width(), large->size.height()));
    return QStringLiteral("Cannot read the image ") + named;
}

} // namespace PictureStreams
