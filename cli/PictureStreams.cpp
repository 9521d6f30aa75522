#include "PictureStreams.h"

#include <QFile>
#include <QTemporaryDir>

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

std::optional<QString> save(const QString& path, const FileWriter& write) {
    if (!isStandardStream(path)) return write(path);
    const QTemporaryDir folder;
    if (!folder.isValid())
        return QStringLiteral("No temporary folder for the picture: ") + folder.errorString();
    const QString file = folder.filePath(QStringLiteral("picture"));
    if (auto failure = write(file)) return failure;
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly)) return written.errorString();
    const QByteArray bytes = written.readAll();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return QStringLiteral("The picture could not be written to standard output");
    return std::nullopt;
}

} // namespace PictureStreams
