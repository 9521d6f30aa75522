#include "WholeFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace WholeFile {
namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A device or a pipe cannot be replaced by renaming, and must not be: its bytes go straight
// in. Opening without blocking refuses a pipe that nobody reads instead of waiting forever.
std::optional<QString> writeInPlace(const QString& path, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return systemError(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            ::close(fd);
            return systemError(error);
        }
        data += written;
        left -= written;
    }
    if (::close(fd) != 0) return systemError(errno);
    return std::nullopt;
}

} // namespace

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) return writeInPlace(path, bytes);
    QSaveFile file(path);
    // Unbuffered: a write error that only a buffered final flush would meet is not seen by
    // commit(), which would then put a cut-off file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (file.write(bytes) != bytes.size()) return file.errorString(); // dropped unfinished
    // commit() ignores what syncing reports, but some file systems only fail there.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        file.cancelWriting();
        return systemError(error);
    }
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

} // namespace WholeFile
