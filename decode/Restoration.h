#pragma once

#include "decode/ScanLines.h"

#include <QImage>
#include <QPointF>

#include <vector>

// What a verifier's aperture would see of the print, from a picture blurrier than that aperture.
// A strip along each scan line is restored first: the picture's blur, a Gaussian as wide as its
// edges show, is undone by a Wiener filter whose noise term comes from the picture itself
// (neighbouring rows along the bars differ by noise alone), within the aperture's first dark
// ring, beyond which a disc sees little. The restored strip is then averaged over the disc, as
// the print would be. Both steps are one kernel over the strip.
namespace Restoration {

struct Kernel {
    struct Cell {
        int dx, dy; // samples across and along the bars
        double weight;
    };
    std::vector<Cell> cells;
    int reach = 0; // the farthest cell, in samples
    // Whether the blur was undone over every frequency the aperture passes; where noise
    // stopped it short, what is measured through it is a low bound.
    bool complete = false;
    double noiseGain = 0; // the noise it leaves over what the disc alone leaves of it
};

// Whether a picture sampled every `spacing` pixels can show what a disc of `aperture` pixels
// sees at all: the disc's first dark ring must lie below the samples' highest frequency.
bool canRestore(double aperture, double spacing);

// The kernel restoring a picture blurred by a Gaussian of `spread` pixels and seeing it through
// a disc of `aperture` pixels, along `lines` (sampled alike) whose bars run along `along`, a
// unit vector; empty when it cannot be restored.
Kernel kernelFor(const QImage& plane, const std::vector<ScanLines::Line>& lines, QPointF along,
                 double aperture, double spread);

// Reflectance in percent along `line`, restored and seen through the disc by `kernel`.
std::vector<double> sample(const QImage& plane, const ScanLines::Line& line, QPointF along,
                           const Kernel& kernel);

} // namespace Restoration
