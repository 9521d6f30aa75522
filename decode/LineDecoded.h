#pragma once

#include <QString>

namespace LineDecode {

// What one scan line's element widths decode to.
struct Decoded {
    QString text;           // as the reading engine gives it: an add-on after a space, FNC1 as GS
    int elementCount = 0;   // bars and spaces from the first bar to the last
    double moduleWidth = 0; // the narrowest element's nominal width, in the widths' unit
    // The least margin left between a measurement and its decision threshold, 1 for ideal
    // widths, 0 on the threshold.
    double decodability = 0;
    bool gs1 = false; // Code 128 whose first character after the start is FNC1: GS1-128
};

} // namespace LineDecode
