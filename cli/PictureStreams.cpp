#include "PictureStreams.h"

#include <QFile>

#include <cstdio>

namespace PictureStreams {

bool isStandardStream(const QString& path) {
    return path == u"-";
}

std::variant<QImage, QString> load(const QString& path) {
    QImage image;
    if (isStandardStream(path)) {
        QFile input;
        if (input.open(stdin, QIODevice::ReadOnly)) image = QImage::fromData(input.readAll());
        if (image.isNull()) return QStringLiteral("Cannot read the image from standard input");
        return image;
    }
    image.load(path);
    if (image.isNull()) return QStringLiteral("Cannot read the image ") + path;
    return image;
}

std::optional<QString> save(const QString& path, const QByteArray& bytes, const FileWrite& write) {
    if (!isStandardStream(path)) return write(path, bytes);
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return QStringLiteral("The picture could not be written to standard output");
    return std::nullopt;
}

} // namespace PictureStreams
