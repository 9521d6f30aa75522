#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Writing a file so that it is either whole or not there at all.
namespace WholeFile {

// Writes the bytes under the path: into a new file beside it that takes the name only when
// every byte reached the disk. An existing file keeps its permissions, a link keeps pointing at
// its target (which is replaced), and a device or pipe at the path is written in place, never
// replaced. On failure the reason, and whatever stood at the path is left as it was.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

// Many files of one folder made durable together: each is written whole at once into a file of
// its own without a name, and commit() syncs them all with one call before it names them, so a
// name never shows a file that is not whole on disk while the sync is paid once per group.
// What stands at a name already is treated as write() treats it.
class Group {
  public:
    struct Failure {
        qsizetype id; // as given to add()
        QString reason;
    };

    explicit Group(const QString& folder);
    ~Group(); // discards the files not committed
    Group(const Group&) = delete;
    Group& operator=(const Group&) = delete;

    // Writes the bytes for the path in the folder, to be named by the next commit(); the
    // reason when they could not be written. Where the file system has no files without a
    // name, the file is written whole under its name at once instead. Each pending file holds
    // a file open: when the process may open no more, the pending ones are named early.
    std::optional<QString> add(qsizetype id, const QString& path, const QByteArray& bytes);
    qsizetype pending() const { return static_cast<qsizetype>(pending_.size()); }
    // Syncs the pending files, names them and syncs the folder; the ones that did not reach
    // their name (which then shows what it showed before) since the last commit().
    std::vector<Failure> commit();

  private:
    struct Pending {
        qsizetype id;
        QByteArray path;
        int file;
    };
    void namePending();
    void discard();

    int folder_;
    std::vector<Pending> pending_;
    std::vector<Failure> failures_;
};

} // namespace WholeFile
