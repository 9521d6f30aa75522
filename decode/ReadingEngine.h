#pragma once

#include "decode/LineDecode.h"
#include "symbology/Symbology.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

// Finds and decodes every linear symbol that the program draws, anywhere in a picture, with
// zxing-cpp: what a scanner at the till would make of the picture.
namespace ReadingEngine {

struct Found {
    Symbology symbology; // meaningful for the five classic symbologies only (`classic`)
    QString text;
    QRect box; // where the engine saw the symbol's bars, over their whole height
    // The pixels where it read the first and last bar, on the first and last line it read:
    // top left, top right, bottom right, bottom left, as the symbol reads.
    std::array<QPointF, 4> corners;
    bool classic = true;
    QString kind; // the symbology by the name reports give it: "Code 128", "ITF-14", "QR Code"
    // For 2D symbols: modules down and across (0 when they could not be counted), and whether
    // the quiet zone their standard asks for is light all round, inside the picture.
    int rows = 0;
    int columns = 0;
    bool quietZoneKept = false;
    bool matrix = false;
    // How the row decoder reads a linear symbol; nothing for 2D ones and the few it does not.
    std::optional<LineDecode::Linear> linear = std::nullopt;

    bool isMatrix() const { return matrix; }
};

// Which symbologies a look finds: the five the grader measures, or every one the program draws.
enum class Reach { Classic, Every };

QList<Found> findSymbols(const QImage& picture, Reach reach = Reach::Classic);

// A decoded text as a report line shows it: control characters by their ASCII names in angle
// brackets, GS1's group separator as <GS>, so that nothing in it is invisible.
QString shownText(const QString& text);

// A quick look along a few rows only, for pictures whose bars run from top to bottom of a band
// (every row through the bars is the same): true when any of the rows decodes.
bool decodesAlongRows(const QImage& picture, const QList<int>& rows);

// The engine's slowest look, for a picture that holds one symbol as drawn (a file the program
// wrote): taken as a pure symbol, every row and turn tried. A large QR Code at few pixels per
// module is read this way when the searching look misses it.
bool decodesAsDrawnAlone(const QImage& picture);

} // namespace ReadingEngine
