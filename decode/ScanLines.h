#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>

#include <array>
#include <cmath>
#include <optional>
#include <vector>

// Where a verifier's scan lines run over a symbol in a picture, whatever way up it lies, and
// what its light sees along them: perpendicular to the bars, through the middle of their height,
// reflectance averaged over the measuring aperture.
namespace ScanLines {

// Verifiers light the symbol with red (660 nm); white light sees the picture's grey.
enum class Light { Red, Grey };

// The picture as the light sees it, one byte per pixel (0 black, 255 white): a colour picture's
// red channel under red light, its grey otherwise. The resolution is kept.
QImage reflectancePlane(const QImage& picture, Light light);

// A straight scan line: sample k is taken at origin + (k + 0.5) * step, so that position p along
// the line (in samples) is the point origin + p * step.
struct Line {
    QPointF origin;
    QPointF step; // `spacing` pixels long
    int count = 0;

    QPointF at(double position) const { return origin + position * step; }
    double spacing() const { return std::hypot(step.x(), step.y()); }
};

// How the symbol lies: a frame with `across` perpendicular to the bars, pointing to the
// picture's right (straight down for bars that lie flat), and `along` the bars.
struct Frame {
    QPointF centre; // a pixel centre near the middle of the symbol
    QPointF across;
    QPointF along;
    double barsFrom = 0, barsTo = 0; // along `across` from the centre: where the engine saw them
    double top = 0, bottom = 0;      // along `along`: the first and last step through every bar
    bool upright =
        false; // `across` is one of the picture's axes: lines follow pixel rows or columns

    QPointF at(double a, double b) const { return centre + a * across + b * along; }
    // How far across the bars a point lies from the centre.
    double acrossOf(QPointF point) const {
        const QPointF d = point - centre;
        return d.x() * across.x() + d.y() * across.y();
    }
};

// The frame of the symbol whose corners the reading engine gave (top left, top right, bottom
// right, bottom left, as it read it) and whose bars lie within `box`; nullopt when no bars are
// found there.
std::optional<Frame> frameOf(const QImage& plane, const std::array<QPointF, 4>& corners,
                             const QRect& box);

// The `count` scan lines over the middle 80 % of the bars' height, each reaching `margin` pixels
// beyond the bars on either side (their quiet zones and a little more) and clipped to the
// picture, a sample every `spacing` pixels (1, or a half, quarter or eighth for lines along the
// pixels to keep hitting their centres). Empty lines where the picture ends.
std::vector<Line> scanLines(const QImage& plane, const Frame& frame, int count, double spacing,
                            double margin);

// The spacing that takes at least four samples a module of `moduleWidth` pixels: an aperture
// of 0.8 X then has a sample within an eighth of a module of every element's middle, where a
// verifier sees (nearly) the element's full reflectance.
double spacingFor(double moduleWidth);

// Reflectance in percent (0 to 100) along a line: the picture's pixels averaged over a disc of
// `aperture` pixels in diameter around each sample point; below a tenth of a pixel, the point
// itself, interpolated between its four nearest pixels.
std::vector<double> sample(const QImage& plane, const Line& line, double aperture);

} // namespace ScanLines
