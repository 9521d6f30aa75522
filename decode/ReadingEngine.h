#pragma once

#include "symbology/Symbology.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>

// Finds and decodes every linear symbol that the program draws, anywhere in a picture, with
// zxing-cpp: what a scanner at the till would make of the picture.
namespace ReadingEngine {

struct Found {
    Symbology symbology;
    QString text;
    QRect box; // where the engine saw the symbol's bars, over their whole height
    // The pixels where it read the first and last bar, on the first and last line it read:
    // top left, top right, bottom right, bottom left, as the symbol reads.
    std::array<QPointF, 4> corners;
};

QList<Found> findSymbols(const QImage& picture);

// A quick look along a few rows only, for pictures whose bars run from top to bottom of a band
// (every row through the bars is the same): true when any of the rows decodes.
bool decodesAlongRows(const QImage& picture, const QList<int>& rows);

} // namespace ReadingEngine
