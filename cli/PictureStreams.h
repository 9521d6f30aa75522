#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// Pictures from and to files, where "-" names standard input or standard output.
namespace PictureStreams {

bool isStandardStream(const QString& path);

// The picture in the file, or on standard input; the reason when there is none to read.
std::variant<QImage, QString> load(const QString& path);

// Writes a picture file under the path it is given; the reason when it could not.
using FileWriter = std::function<std::optional<QString>(const QString& path)>;

// The writer's file under the path, or its bytes on standard output: the very file it writes,
// since it writes them to a private temporary folder first.
std::optional<QString> save(const QString& path, const FileWriter& write);

} // namespace PictureStreams
