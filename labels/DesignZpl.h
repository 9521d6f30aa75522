#pragma once

#include "labels/DesignPainter.h"
#include "labels/ZplWriter.h"

// A design's labels for thermal printers: each object as the printer's own command where it
// stands square on the label (barcodes, boxes, lines, ellipses, plain text in the printer's
// font), anything else (pictures, turned objects, text laid out in our fonts) as a bitmap at
// the printer's dots.
namespace Labels {

// One filled label at its place; false when the stream could not be written.
bool writeDesignLabel(ZplWriter& out, const Sheet::Place& place, const DesignPainter& painter,
                      const FilledLabel& label);

} // namespace Labels
