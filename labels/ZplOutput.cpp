#include "labels/ZplOutput.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Labels {

namespace {

constexpr int kRawPort = 9100;
constexpr int kConnectMs = 10000;
constexpr int kSendMs = 30000;
constexpr int kPollMs = 20;

} // namespace

std::optional<ZplTarget> socketTarget(const QString& address) {
    if (!address.startsWith(QStringLiteral("socket://"), Qt::CaseInsensitive)) return std::nullopt;
    const QUrl url(address);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.port(kRawPort) < 1)
        return std::nullopt;
    ZplTarget target;
    target.host = url.host();
    target.port = url.port(kRawPort);
    return target;
}

std::variant<std::unique_ptr<ZplOutput>, QString> ZplOutput::open(const ZplTarget& target,
                                                                  const LabelTemplate& roll,
                                                                  const QString& typeName,
                                                                  const ZplSettings& settings) {
    std::unique_ptr<QIODevice> spool;
    if (!target.file.isEmpty()) {
        auto file = std::make_unique<QSaveFile>(target.file);
        // A device or a pipe is written into, never replaced.
        file->setDirectWriteFallback(true);
        if (!file->open(QIODevice::WriteOnly))
            return QStringLiteral("Cannot write %1: %2").arg(target.file, file->errorString());
        spool = std::move(file);
    } else {
        // An unnamed temporary file: nothing to clean up, whatever ends the run.
        auto file = std::make_unique<QFile>();
        std::FILE* handle = std::tmpfile();
        if (!handle || !file->open(handle, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
            return QStringLiteral("Cannot make a temporary file for the label stream.");
        spool = std::move(file);
    }
    return std::unique_ptr<ZplOutput>(
        new ZplOutput(std::move(spool), target, roll, typeName, settings));
}

ZplOutput::ZplOutput(std::unique_ptr<QIODevice> spool, const ZplTarget& target,
                     const LabelTemplate& roll, const QString& typeName,
                     const ZplSettings& settings)
    : ZplWriter(*spool, roll, typeName, settings), spool_(std::move(spool)), target_(target) {}

ZplOutput::~ZplOutput() = default;

qint64 ZplOutput::labels() const {
    qint64 count = 0;
    for (const FormatEnd& end : formatEnds())
        count += end.labels;
    return count;
}

std::optional<QString> ZplOutput::commit() {
    if (auto failure = ZplWriter::commit()) return failure;
    if (!target_.file.isEmpty()) {
        if (!static_cast<QSaveFile&>(*spool_).commit())
            return QStringLiteral("Cannot write %1: %2").arg(target_.file, spool_->errorString());
        return std::nullopt;
    }
    if (!spool_->seek(0))
        return QStringLiteral("Cannot read back the label stream: %1").arg(spool_->errorString());
    return target_.host.isEmpty() ? sendToQueue() : sendToSocket();
}

namespace {

// A connected TCP socket to the host's port, or why there is none: each address the name has,
// in turn, each given kConnectMs.
std::variant<int, QString> connectTo(const QString& host, int port) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int failure = getaddrinfo(host.toUtf8().constData(),
                                        QByteArray::number(port).constData(), &hints, &found))
        return QString::fromLocal8Bit(gai_strerror(failure));
    QString problem;
    for (addrinfo* address = found; address; address = address->ai_next) {
        const int fd =
            socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                   address->ai_protocol);
        if (fd < 0) continue;
        int error = 0;
        if (connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                pollfd wait = {fd, POLLOUT, 0};
                socklen_t length = sizeof error;
                error = poll(&wait, 1, kConnectMs) == 1
                            ? (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length), error)
                            : ETIMEDOUT;
            }
        }
        if (error == 0) {
            freeaddrinfo(found);
            return fd;
        }
        problem = QString::fromLocal8Bit(std::strerror(error));
        close(fd);
    }
    freeaddrinfo(found);
    return problem;
}

// Waits until the socket can take more, or says why not.
int waitFor(int fd, short events) {
    pollfd wait = {fd, events, 0};
    const int ready = poll(&wait, 1, kSendMs);
    if (ready == 0) return ETIMEDOUT;
    if (ready < 0) return errno;
    return 0;
}

} // namespace

// The stream to the printer's raw port, whole. On failure, the labels whose formats the
// printer acknowledged.
std::optional<QString> ZplOutput::sendToSocket() {
    const QString where = QStringLiteral("%1:%2").arg(target_.host).arg(target_.port);
    const auto connected = connectTo(target_.host, target_.port);
    if (const auto* problem = std::get_if<QString>(&connected))
        return QStringLiteral("Cannot reach the printer at %1: %2; nothing sent.")
            .arg(where, *problem);
    const int fd = std::get<int>(connected);
    qint64 written = 0, acknowledged = 0;
    const auto taken = [&] {
        // Bytes written but not yet acknowledged wait in the send queue.
        int queued = 0;
        if (ioctl(fd, SIOCOUTQ, &queued) == 0)
            acknowledged = std::max(acknowledged, written - queued);
    };
    const auto failed = [&](int error) {
        close(fd);
        qint64 labels = 0;
        for (const FormatEnd& end : formatEnds())
            if (end.offset <= acknowledged) labels += end.labels;
        return QStringLiteral("The printer at %1 stopped taking the stream: %2; at least the "
                              "first %3 of %4 labels reached it.")
            .arg(where, QString::fromLocal8Bit(std::strerror(error)))
            .arg(labels)
            .arg(this->labels());
    };
    while (!spool_->atEnd()) {
        const QByteArray chunk = spool_->read(1 << 16);
        if (chunk.isEmpty()) return failed(EIO);
        for (qsizetype at = 0; at < chunk.size();) {
            const ssize_t sent =
                send(fd, chunk.constData() + at, size_t(chunk.size() - at), MSG_NOSIGNAL);
            if (sent < 0 && errno != EAGAIN && errno != EINTR) return failed(errno);
            if (sent < 0) {
                taken();
                if (const int error = waitFor(fd, POLLOUT)) return failed(error);
                continue;
            }
            at += sent;
            written += sent;
        }
        taken();
    }
    // Done writing once the printer has acknowledged every byte; a reset on the way fails.
    shutdown(fd, SHUT_WR);
    for (int waited = 0;; waited += kPollMs) {
        int queued = 0, error = 0;
        socklen_t length = sizeof error;
        if (ioctl(fd, SIOCOUTQ, &queued) != 0) queued = 0;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) return failed(error);
        if (queued == 0) break;
        acknowledged = std::max(acknowledged, written - queued);
        if (waited >= kSendMs) return failed(ETIMEDOUT);
        poll(nullptr, 0, kPollMs);
    }
    close(fd);
    return std::nullopt;
}

// The stream to a CUPS queue as a raw job, which no filter touches.
std::optional<QString> ZplOutput::sendToQueue() {
    QProcess lp;
    lp.start(QStringLiteral("lp"),
             {QStringLiteral("-d"), target_.queue, QStringLiteral("-o"), QStringLiteral("raw"),
              QStringLiteral("-t"), QStringLiteral("Labels"), QStringLiteral("-")});
    if (!lp.waitForStarted())
        return QStringLiteral("Cannot start lp to print on %1: %2")
            .arg(target_.queue, lp.errorString());
    while (!spool_->atEnd()) {
        lp.write(spool_->read(1 << 16));
        while (lp.bytesToWrite() > 0)
            if (!lp.waitForBytesWritten(kSendMs)) break;
    }
    lp.closeWriteChannel();
    lp.waitForFinished(kSendMs);
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        return QStringLiteral("Printing on %1 failed: %2")
            .arg(target_.queue, QString::fromLocal8Bit(lp.readAllStandardError()).trimmed());
    return std::nullopt;
}

} // namespace Labels
