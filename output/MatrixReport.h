#pragma once

#include "decode/Grade2D.h"
#include "output/ScanReport.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QString>

// The 2D grader's report on one QR Code or Data Matrix symbol, one A4 page: the picture with
// the module grid found drawn over it, the map of the codewords coloured by their grade with
// the fixed patterns by their damage, and the table of every parameter.
namespace MatrixReport {

QByteArray reportBytes(const QImage& picture, const Grade2D::Symbol& symbol, const QString& name,
                       ScanReport::Format format);

// Paints the page from (0, 0) in tenths of a millimetre.
void paintReport(QPainter& painter, const QImage& picture, const Grade2D::Symbol& symbol,
                 const QString& name);

} // namespace MatrixReport
