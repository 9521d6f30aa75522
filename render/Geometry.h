#pragma once

#include <QStringList>

class QFont;

#include <cmath>
#include <cstdint>

// Screen geometry shared by every picture: 1440 twips per inch at 96 logical dots per inch.
namespace Geometry {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr double TwipsPerPixelX = kTwipsPerPixel;
inline constexpr double TwipsPerPixelY = kTwipsPerPixel;
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

// Colour numbers: 24-bit RGB with red in the low byte.
using Colour = std::int32_t;
inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 0xFFFFFF;

// A picture's font as the surfaces keep it, without Qt Gui: the families tried in order and
// the size in points, on top of the sans-serif style.
struct PictureFont {
    QStringList families;
    double pointSize;
    bool operator==(const PictureFont&) const = default;
};

// The font pictures use unless given one: the desktop's sans-serif face at 8.25 points, the
// classic dialog size. Fixed here so that the window and the command line draw alike.
inline PictureFont pictureFont() {
    return {{QStringLiteral("DejaVu Sans")}, 8.25};
}
QFont defaultPictureFont();
// The QFont of a picture font (Qt Gui).
QFont qFontOf(const PictureFont& font);
