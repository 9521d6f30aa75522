#include "output/WholeFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <variant>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

// Plain POSIX calls rather than QSaveFile: its commit() syncs on its own but ignores what the
// sync reports (a full disk once left a 0-byte file reported as saved), so a checked sync had to
// come on top of its own, and it cannot leave the syncing to one call for a group. Here a file
// has exactly one checked sync, or none of its own in a group, and few calls besides.
namespace WholeFile {
namespace {

constexpr int kMaxLinksFollowed = 40; // as the kernel follows them
constexpr int kNameAttempts = 100;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// A name beside the path, hidden and unlikely to be taken, for a file not yet in place. One
// word from the system's generator: seeding the global one asks the processor for hundreds,
// a noticeable part of a one-off draw.
QByteArray hiddenNameBeside(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + '.' + path.mid(slash + 1) + '.' +
           QByteArray::number(QRandomGenerator::system()->generate(), 36);
}

// What stands at the path the bytes are to go to, links followed to their target.
struct Destination {
    enum class Kind { Missing, File, Special };
    Kind kind;
    QByteArray path;
    mode_t permissions = 0; // an existing file's, which its replacement keeps
};

std::variant<Destination, QString> destinationOf(QByteArray path) {
    for (int links = 0; links <= kMaxLinksFollowed; ++links) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0) {
            if (errno == ENOENT) return Destination{Destination::Kind::Missing, path};
            return systemError(errno);
        }
        if (S_ISLNK(info.st_mode)) {
            std::array<char, PATH_MAX> target{};
            const ssize_t length = ::readlink(path.constData(), target.data(), target.size());
            if (length < 0) return systemError(errno);
            if (static_cast<size_t>(length) == target.size()) return systemError(ENAMETOOLONG);
            const QByteArray next(target.data(), length);
            path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
            continue;
        }
        if (S_ISDIR(info.st_mode)) return systemError(EISDIR);
        if (!S_ISREG(info.st_mode)) return Destination{Destination::Kind::Special, path};
        // Replacing needs only the folder's permission; a file made read-only says otherwise.
        if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
            return systemError(errno);
        return Destination{Destination::Kind::File, path, info.st_mode & 07777};
    }
    return systemError(ELOOP);
}

std::optional<QString> writeAll(int file, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return systemError(written < 0 ? errno : EIO);
        data += written;
        left -= written;
    }
    return std::nullopt;
}

// The file's bytes, read back for a destination that has to be written another way.
std::variant<QByteArray, QString> readBack(int file) {
    struct stat info {};
    if (::fstat(file, &info) != 0) return systemError(errno);
    QByteArray bytes(static_cast<qsizetype>(info.st_size), '\0');
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t read =
            ::pread(file, bytes.data() + done, static_cast<size_t>(bytes.size() - done), done);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) return systemError(read < 0 ? errno : EIO);
        done += read;
    }
    return bytes;
}

// Some file systems cannot sync a file at all, and say so; there is nothing to wait for then.
std::optional<QString> syncData(int file) {
    if (::fdatasync(file) != 0 && errno != EINVAL && errno != EROFS) return systemError(errno);
    return std::nullopt;
}

// A device or a pipe cannot be replaced by renaming, and must not be: its bytes go straight
// in. Opening without blocking refuses a pipe that nobody reads instead of waiting forever.
std::optional<QString> writeInPlace(const QByteArray& path, const QByteArray& bytes) {
    const int file = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0) return systemError(errno);
    ::fcntl(file, F_SETFL, ::fcntl(file, F_GETFL) & ~O_NONBLOCK);
    if (auto reason = writeAll(file, bytes)) {
        ::close(file);
        return reason;
    }
    if (::close(file) != 0) return systemError(errno);
    return std::nullopt;
}

// A file without a name gets one by linking its entry in /proc, which must be there: a chroot
// or container may lack it or hide it under another file system.
bool unnamedFilesCanBeNamed() {
    static const bool procMounted = [] {
        struct statfs info {};
        return ::statfs("/proc/self/fd", &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
    }();
    return procMounted;
}

// What the kernel says when the file system (or the kernel itself) has no files without a name.
bool unnamedFilesUnsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

int openUnnamed(int folder, const char* path, mode_t mode) {
    return ::openat(folder, path, O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
}

// Gives the open file without a name a name; fails where the name is taken.
int linkUnnamed(int file, const QByteArray& name) {
    std::array<char, 32> source{};
    std::snprintf(source.data(), source.size(), "/proc/self/fd/%d", file);
    return ::linkat(AT_FDCWD, source.data(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW);
}

// Gives the open file without a name the destination's name. A link never replaces what
// stands there, so an existing file is replaced by a rename from a hidden name.
std::optional<QString> nameUnnamed(int file, const Destination& destination) {
    if (destination.kind == Destination::Kind::Missing) {
        if (linkUnnamed(file, destination.path) != 0) return systemError(errno);
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray hidden = hiddenNameBeside(destination.path);
        if (linkUnnamed(file, hidden) != 0) {
            if (errno == EEXIST) continue;
            return systemError(errno);
        }
        if (::rename(hidden.constData(), destination.path.constData()) == 0) return std::nullopt;
        const int error = errno;
        ::unlink(hidden.constData());
        return systemError(error);
    }
    return systemError(EEXIST);
}

// The new file for a destination, in its folder: without a name where the file system allows
// it, so that nothing is left behind whatever happens, else under a hidden name that is
// removed again unless the file is put in place.
class Temporary {
  public:
    static std::variant<Temporary, QString> beside(const Destination& destination) {
        const bool existing = destination.kind == Destination::Kind::File;
        // New files get what the umask leaves of read and write for everyone.
        const mode_t mode = existing ? destination.permissions : 0666;
        Temporary made;
        if (unnamedFilesCanBeNamed())
            made.file_ = openUnnamed(AT_FDCWD, folderOf(destination.path).constData(), mode);
        if (made.file_ < 0 && (!unnamedFilesCanBeNamed() || unnamedFilesUnsupported(errno)))
            made.openNamed(destination.path, mode);
        if (made.file_ < 0) return systemError(errno);
        // The umask must not take away what the old file allowed.
        if (existing && ::fchmod(made.file_, destination.permissions) != 0)
            return systemError(errno);
        return made;
    }

    Temporary(Temporary&& other) noexcept
        : file_(std::exchange(other.file_, -1)), name_(std::move(other.name_)) {}
    Temporary& operator=(Temporary&&) = delete;
    ~Temporary() {
        if (file_ >= 0) ::close(file_);
        if (!name_.isEmpty()) ::unlink(name_.constData());
    }

    int file() const { return file_; }

    std::optional<QString> putInPlace(const Destination& destination) {
        if (name_.isEmpty()) return nameUnnamed(file_, destination);
        if (::rename(name_.constData(), destination.path.constData()) != 0)
            return systemError(errno);
        name_.clear();
        return std::nullopt;
    }

  private:
    Temporary() = default;

    void openNamed(const QByteArray& beside, mode_t mode) {
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const QByteArray name = hiddenNameBeside(beside);
            file_ =
                ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (file_ >= 0) {
                name_ = name;
                return;
            }
            if (errno != EEXIST) return;
        }
    }

    int file_ = -1;
    QByteArray name_; // empty while the file has none of its own
};

} // namespace

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    const auto found = destinationOf(QFile::encodeName(path));
    if (const auto* reason = std::get_if<QString>(&found)) return *reason;
    const Destination& destination = std::get<Destination>(found);
    if (destination.kind == Destination::Kind::Special)
        return writeInPlace(destination.path, bytes);
    auto made = Temporary::beside(destination);
    if (const auto* reason = std::get_if<QString>(&made)) return *reason;
    Temporary& file = std::get<Temporary>(made);
    if (auto reason = writeAll(file.file(), bytes)) return reason;
    if (auto reason = syncData(file.file())) return reason;
    return file.putInPlace(destination);
}

Group::Group(const QString& folder)
    : folder_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

Group::~Group() {
    discard();
    if (folder_ >= 0) ::close(folder_);
}

void Group::discard() {
    for (const Pending& file : pending_)
        if (file.file >= 0) ::close(file.file);
    pending_.clear();
}

std::optional<QString> Group::add(qsizetype id, const QString& path, const QByteArray& bytes) {
    if (folder_ < 0 || !unnamedFilesCanBeNamed()) return write(path, bytes);
    int file = openUnnamed(folder_, ".", 0666);
    if (file < 0 && (errno == EMFILE || errno == ENFILE) && !pending_.empty()) {
        namePending();
        file = openUnnamed(folder_, ".", 0666);
    }
    if (file < 0) return unnamedFilesUnsupported(errno) ? write(path, bytes) : systemError(errno);
    if (auto reason = writeAll(file, bytes)) {
        ::close(file);
        return reason;
    }
    pending_.push_back({id, QFile::encodeName(path), file});
    return std::nullopt;
}

namespace {

// A name that was taken since the file was written: an existing file right there is replaced
// as write() replaces it, the bytes already on disk; anything else (a link, a device) is
// written as write() writes it.
std::optional<QString> replaceExisting(int file, const QByteArray& path) {
    const auto found = destinationOf(path);
    if (const auto* reason = std::get_if<QString>(&found)) return *reason;
    const Destination& destination = std::get<Destination>(found);
    if (destination.kind != Destination::Kind::Special && destination.path == path) {
        if (destination.kind == Destination::Kind::File &&
            ::fchmod(file, destination.permissions) != 0)
            return systemError(errno);
        return nameUnnamed(file, destination);
    }
    const auto bytes = readBack(file);
    if (const auto* reason = std::get_if<QString>(&bytes)) return *reason;
    return write(QFile::decodeName(path), std::get<QByteArray>(bytes));
}

} // namespace

std::vector<Group::Failure> Group::commit() {
    namePending();
    return std::exchange(failures_, {});
}

void Group::namePending() {
    if (pending_.empty()) return;
    // One sync for the whole file system the folder is on: the group's files are whole on
    // disk when it returns without an error, which it reports for any file written back since
    // the folder was opened.
    if (::syncfs(folder_) != 0) {
        const QString reason = systemError(errno);
        for (const Pending& file : pending_)
            failures_.push_back({file.id, reason});
        discard();
        return;
    }
    // Only what was named here is taken back when the folder cannot be synced: an old file
    // that was replaced is gone either way, and its whole replacement is better than nothing.
    std::vector<const Pending*> named;
    for (Pending& file : pending_) {
        if (linkUnnamed(file.file, file.path) == 0)
            named.push_back(&file);
        else if (const auto reason =
                     errno == EEXIST ? replaceExisting(file.file, file.path) : systemError(errno))
            failures_.push_back({file.id, *reason});
        // Closed at once: replacing what stands at a name may need files of its own.
        ::close(std::exchange(file.file, -1));
    }
    // The names themselves last only once the folder is on disk.
    if (::fsync(folder_) != 0 && errno != EINVAL) {
        const QString reason = systemError(errno);
        for (const Pending* file : named) {
            ::unlink(file->path.constData());
            failures_.push_back({file->id, reason});
        }
    }
    pending_.clear();
}

} // namespace WholeFile
