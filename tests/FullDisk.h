#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/mount.h>
#include <unistd.h>

// A small file system of its own, mounted for one test and then filled to the last byte, so
// that writes fail as on a full disk. Mounting needs root; unavailable() says why it is not.
class FullDisk {
  public:
    FullDisk() {
        if (::geteuid() != 0) {
            problem_ = QStringLiteral("mounting a small file system needs root");
            return;
        }
        if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID,
                    "size=256k") != 0) {
            problem_ = QStringLiteral("cannot mount a tmpfs: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~FullDisk() {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    const std::optional<QString>& unavailable() const { return problem_; }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    QString path() const { return dir_.path(); }

    // Takes every byte that is left; false when the disk could not be filled.
    bool fill() const {
        QFile filler(filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("f", 1) == 1) {
        }
        return filler.error() != QFileDevice::NoError;
    }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::optional<QString> problem_;
};
