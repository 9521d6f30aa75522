#pragma once

#include "symbology/Symbology.h"

#include <QString>

#include <optional>
#include <span>

// Decodes a symbol from the widths of the elements along one scan line, as the symbology's
// reference decode does it: only from the widths' ratios, so that the same measurements also
// tell how close each character came to being misread.
namespace LineDecode {

struct Decoded {
    QString text;
    int elementCount = 0;   // bars and spaces from the first bar to the last
    double moduleWidth = 0; // the narrowest element's nominal width, in the widths' unit
    // The least margin left between a measurement and its decision threshold, 1 for ideal
    // widths, 0 on the threshold.
    double decodability = 0;
};

// Decodes the symbol whose first bar is element `first`; elements alternate dark and light.
// The quiet zones are not looked at here.
std::optional<Decoded> decode(Symbology symbology, std::span<const double> widths, int first);

} // namespace LineDecode
