#include "cli/PictureStreams.h"

#include <QFile>

#include <cstdio>

namespace PictureStreams {

bool isStandardStream(const QString& path) {
    return path == u"-";
}

std::optional<QByteArray> readAll(const QString& path) {
    QFile file;
    const bool opened = isStandardStream(path)
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) return std::nullopt;
    return file.readAll();
}

std::optional<QString> save(const QString& path, const QByteArray& bytes, const FileWrite& write) {
    if (!isStandardStream(path)) return write(path, bytes);
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return QStringLiteral("The picture could not be written to standard output");
    return std::nullopt;
}

} // namespace PictureStreams
