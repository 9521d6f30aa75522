#pragma once

#include "decode/ScanGrade.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSizeF>
#include <QString>

#include <optional>

// The scan check's report on one symbol, one A4 page as a verifier prints it: the picture with
// the ten scan lines on it, the scan reflectance profile of one line, the worst unless asked
// (threshold, bars shaded, the failing measurement marked), and the table of every line's
// measurements and grades. verify writes it to a file, the main window shows it.
namespace ScanReport {

enum class Format { Svg, Pdf };

// By the file name's ending, .svg or .pdf in any case; nullopt for anything else.
std::optional<Format> formatOf(const QString& path);

// The page; `name` says where the picture came from.
QByteArray reportBytes(const QImage& picture, const ScanGrade::Symbol& symbol, const QString& name,
                       Format format);

// The page in tenths of a millimetre.
QSizeF pageSize();
// Paints the page from (0, 0) in tenths of a millimetre, with the profile of line `line`
// (counted from 0; out of range: the worst).
void paintReport(QPainter& painter, const QImage& picture, const ScanGrade::Symbol& symbol,
                 const QString& name, std::size_t line);

} // namespace ScanReport
