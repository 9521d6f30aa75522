#pragma once

#include <QString>

#include <cmath>

// Below this many pixels a module a picture cannot show a module's edges and middle apart, and
// no grade measured on it would mean anything: the linear and the 2D checks both refuse it.
namespace GradingFloor {

inline constexpr double kLeastPixelsPerModule = 3;

// Whether a picture falls below the floor as its reports show it, to a tenth of a pixel: a
// symbol drawn at 3 pixels a module that measures 2.996 is not refused as "3.0".
inline bool tooFew(double pixelsPerModule) {
    return std::round(pixelsPerModule * 10) < kLeastPixelsPerModule * 10;
}

inline QString tooCoarse(double pixelsPerModule) {
    return QStringLiteral("too coarse to grade: %1 pixels a module, at least %2 needed")
        .arg(pixelsPerModule, 0, 'f', 1)
        .arg(kLeastPixelsPerModule);
}

} // namespace GradingFloor
