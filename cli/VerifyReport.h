#pragma once

#include "decode/ScanGrade.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// verify's report on one symbol, one A4 page as a verifier prints it: the picture with the ten
// scan lines on it, the scan reflectance profile of the worst line (threshold, bars shaded, the
// failing measurement marked) and the table of every line's measurements and grades.
namespace VerifyReport {

enum class Format { Svg, Pdf };

// By the file name's ending, .svg or .pdf in any case; nullopt for anything else.
std::optional<Format> formatOf(const QString& path);

// The page; `name` says where the picture came from.
QByteArray reportBytes(const QImage& picture, const ScanGrade::Symbol& symbol, const QString& name,
                       Format format);

} // namespace VerifyReport
