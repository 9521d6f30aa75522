// Loading pictures needs Qt Gui's image readers: apart from the streams, so that the quick
// start, which only writes, does without.
#include "cli/PictureStreams.h"

namespace PictureStreams {

std::variant<QImage, QString> load(const QString& path) {
    QImage image;
    if (isStandardStream(path)) {
        image = QImage::fromData(readAll(path).value_or(QByteArray()));
        if (image.isNull()) return QStringLiteral("Cannot read the image from standard input");
        return image;
    }
    image.load(path);
    if (image.isNull()) return QStringLiteral("Cannot read the image ") + path;
    return image;
}

} // namespace PictureStreams
