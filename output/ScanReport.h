#pragma once

#include "decode/ScanGrade.h"
#include "output/ReportPage.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSizeF>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The scan check's report on one symbol, one A4 page as a verifier prints it: the picture with
// the ten scan lines on it, the scan reflectance profile of one line, the worst unless asked
// (threshold, bars shaded, the failing measurement marked), and the table of every line's
// measurements and grades; over them a line in plain words on what a till will do and what
// to change. verify writes it to a file, the main window shows it.
namespace ScanReport {

using Format = ReportPage::Format;

using ReportPage::formatOf;

// The page; `name` says where the picture came from. With the profile of line `line`
// (counted from 0), the worst when not given.
QByteArray reportBytes(const QImage& picture, const ScanGrade::Symbol& symbol, const QString& name,
                       Format format, std::optional<std::size_t> line = std::nullopt);

// Where the page puts its parts, in tenths of a millimetre, with the profile of line `shown`.
struct Layout {
    ReportPage::Title title;
    QString advice;
    double infoTop = 0; // the line of where the picture came from and how it was measured
    QRectF picture;     // the picture as fitted on the page
    QRectF profile;     // the profile with its heading and axis labels
    QRectF plot;        // the profile's axes
    QRectF note;        // the failing measurement's note, over the plot
    QRectF threshold;   // the threshold's label, beside the plot
    // Each scan line's number (counted from 0) and its box, by the end the line decoded from
    // or else by the other; the number of a line that finds no room clear of the others' is
    // left out, the shown line's never.
    std::vector<std::pair<std::size_t, QRectF>> numbers;
};
Layout layoutOf(const QImage& picture, const ScanGrade::Symbol& symbol, std::size_t shown);

// The page in tenths of a millimetre.
QSizeF pageSize();
// Paints the page from (0, 0) in tenths of a millimetre, with the profile of line `line`
// (counted from 0; out of range: the worst).
void paintReport(QPainter& painter, const QImage& picture, const ScanGrade::Symbol& symbol,
                 const QString& name, std::size_t line);

} // namespace ScanReport
