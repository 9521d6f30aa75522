#pragma once

#include <QString>

// The fewest pixels a module a picture needs for its symbols to be graded, linear or 2D: below
// it, the picture's own blur and its pixel grid decide the measurements more than the print does.
namespace GradingFloor {

inline constexpr double kLeastPixelsPerModule = 3;

inline bool tooCoarse(double pixelsPerModule) {
    return pixelsPerModule < kLeastPixelsPerModule;
}

// Why a symbol is not graded: "too coarse to grade: 2.1 pixels a module, at least 3 needed".
inline QString tooCoarseReason(double pixelsPerModule) {
    return QStringLiteral("too coarse to grade: %1 pixels a module, at least %2 needed")
        .arg(pixelsPerModule, 0, 'f', 1)
        .arg(kLeastPixelsPerModule);
}

} // namespace GradingFloor
