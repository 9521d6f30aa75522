#pragma once

#include <optional>
#include <span>

// How blurred a picture already is, from the edges of its wide elements: every edge between a
// bar and a space both wide enough to reach their full reflectance rises like a Gaussian's
// integral, and its rise from 10 % to 90 % of the step tells that Gaussian's spread.
namespace EdgeSpread {

// The 10-90 % rise of a Gaussian step, in standard deviations: 2 x 1.2816.
inline constexpr double kRiseOfSigma = 2.5631;

// The median spread (a Gaussian's standard deviation, in samples) of the edges in `r` between
// `from` and `to` whose elements on both sides, cut at `threshold`, are at least `wide` samples
// wide; nothing when there is no such edge.
std::optional<double> medianSpread(std::span<const double> r, double threshold, double from,
                                   double to, double wide);

// The disc aperture (diameter, pixels) that, seen through a picture already blurred by a
// Gaussian of `spread` pixels, sees as the disc of `aperture` pixels would see the print: a
// disc's line spread has the variance of a Gaussian a quarter of its diameter wide, and
// Gaussian-like blurs add in quadrature. 0 when the picture alone is blurrier.
double remainingAperture(double aperture, double spread);

} // namespace EdgeSpread
