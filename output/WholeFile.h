#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writing a file so that it is either whole or not there at all.
namespace WholeFile {

// Writes the bytes under the path: into a new file beside it that replaces the old one only
// when every byte reached the disk. A device or pipe at the path is written in place, never
// replaced. On failure the reason, and whatever stood at the path is left as it was.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

} // namespace WholeFile
