#pragma once

#include "decode/ReadingEngine.h"

#include <QImage>
#include <QList>

// Finds linear symbols without the reading engine, as a verifier's own reference decode does:
// scan lines swept over the picture at eight angles, each cut into bars and spaces by a
// threshold that follows the local light, and every bar after a wide light space tried as the
// start of each symbology. A symbol counts when two neighbouring lines read it alike with light
// on both sides.
namespace LineSweep {

// The symbols found in `plane` (one byte a pixel, as ScanLines::reflectancePlane gives it), as
// the engine would report them.
QList<ReadingEngine::Found> findSymbols(const QImage& plane, ReadingEngine::Reach reach);

} // namespace LineSweep
