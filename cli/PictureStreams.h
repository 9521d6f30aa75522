#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// Pictures from and to files, where "-" names standard input or standard output.
namespace PictureStreams {

bool isStandardStream(const QString& path);

// All bytes of the file, or of standard input; nothing when it cannot be opened.
std::optional<QByteArray> readAll(const QString& path);

// The picture in the file, or on standard input; the reason when there is none to read.
std::variant<QImage, QString> load(const QString& path);

// Puts a file's bytes under the path; the reason when it could not.
using FileWrite = std::function<std::optional<QString>(const QString& path, const QByteArray&)>;

// The file's bytes under the path, as the writer puts them there, or on standard output.
std::optional<QString> save(const QString& path, const QByteArray& bytes, const FileWrite& write);

} // namespace PictureStreams
