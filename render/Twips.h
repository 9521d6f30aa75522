#pragma once

#include <cmath>

// Screen geometry shared by every picture: 1440 twips per inch at 96 logical dots per inch.
namespace Geometry {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kDotsPerMeter = 3780; // 96 dots per inch
inline constexpr double kTwipsPerInch = 1440;

// A size or position in twips becomes pixels by dividing by 15 and rounding to the nearest.
inline int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline double pixelsToTwips(int pixels) {
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

} // namespace Geometry
