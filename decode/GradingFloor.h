#pragma once

#include <QString>

// Below this many pixels a module a picture cannot show a module's edges and middle apart, and
// no grade measured on it would mean anything: the linear and the 2D checks both refuse it.
namespace GradingFloor {

inline constexpr double kLeastPixelsPerModule = 3;

inline QString tooCoarse(double pixelsPerModule) {
    return QStringLiteral("too coarse to grade: %1 pixels a module, at least %2 needed")
        .arg(pixelsPerModule, 0, 'f', 1)
        .arg(kLeastPixelsPerModule);
}

} // namespace GradingFloor
