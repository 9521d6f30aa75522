#include "decode/Restoration.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Restoration {

namespace {

// The first two zeros of the Bessel function J1: a disc of diameter D passes no frequency
// f = zero / (pi D).
constexpr double kFirstRing = 3.8317 / std::numbers::pi, kSecondRing = 7.0156 / std::numbers::pi;
// The noise of 8-bit grey levels, in percent: a step of 100/255 spread evenly.
constexpr double kQuantisationNoise = 100.0 / 255 / 3.4641;
// The restoration counts as complete when it gives back this much of every frequency the
// aperture passes.
constexpr double kCompleteShare = 0.9;
// The restoration fades out from this share of the first ring's frequency to the ring: a sharp
// end would ring across the strip.
constexpr double kFadeFrom = 0.5;
// Noise must not grow: the restored profile, seen through the disc, may carry at most twice the
// noise the disc alone leaves of the picture's, or three times when that is no more than 8-bit
// grey levels carry (in percent); the noise term grows until it does. Beyond three times,
// what the restoration cuts short rings.
constexpr double kMostNoiseGain = 2, kMostGainOfNegligibleNoise = 3, kNegligibleNoise = 0.25;

// What a disc of `aperture` samples passes of frequency f (cycles a sample): its line spread's
// transfer, 2 J1(pi D f) / (pi D f).
double discTransfer(double aperture, double f) {
    const double u = std::numbers::pi * aperture * f;
    return u < 1e-9 ? 1 : 2 * std::cyl_bessel_j(1.0, u) / u;
}

double blurTransfer(double spread, double f) {
    return std::exp(-2 * std::numbers::pi * std::numbers::pi * spread * spread * f * f);
}

using Cell = Kernel::Cell;

// How far the kernel reaches: over the blur's own width three times, and over the ringing of
// a response that fades over half the first ring's frequency (a period and a half of that
// band, 1.6 apertures) beyond the disc.
int reachOf(double spread, double aperture) {
    return int(std::ceil(2.1 * aperture + 3 * spread)) + 2;
}

// The disc's share of each sample cell it covers.
std::vector<Cell> discCells(double aperture) {
    constexpr int kSub = 8;
    const double radius = aperture / 2;
    const int reach = int(std::ceil(radius));
    std::vector<Cell> cells;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            int inside = 0;
            for (int i = 0; i < kSub; ++i)
                for (int j = 0; j < kSub; ++j) {
                    const double x = dx - 0.5 + (i + 0.5) / kSub, y = dy - 0.5 + (j + 0.5) / kSub;
                    inside += x * x + y * y <= radius * radius;
                }
            if (inside > 0)
                cells.push_back(
                    {dx, dy, inside / (std::numbers::pi * radius * radius * kSub * kSub)});
        }
    return cells;
}

// What the Wiener filter undoing a Gaussian blur of `spread` samples, with noise-to-signal power
// `noiseToSignal`, adds to a disc of `aperture` samples at frequency f: within the disc's first
// ring only, fading out towards it (beyond, the disc passes little, and undoing the blur there
// would only raise noise).
double additionAt(double spread, double aperture, double noiseToSignal, double f) {
    const double first = kFirstRing / aperture, fadeFrom = kFadeFrom * first;
    if (f >= first) return 0;
    double fade = 1;
    if (f > fadeFrom) {
        const double c = std::cos(0.5 * std::numbers::pi * (f - fadeFrom) / (first - fadeFrom));
        fade = c * c;
    }
    const double h = blurTransfer(spread, f);
    return fade * (h / (h * h + noiseToSignal) - 1);
}

constexpr int kSteps = 256; // over the frequencies up to the first ring

// The noise the restoration and the disc leave, over what the disc alone leaves: by Parseval,
// the disc's squared transfer over all frequencies, `discNoise`, and what the addition changes
// of it within the first ring.
double noiseGainOf(double spread, double aperture, double noiseToSignal, double discNoise) {
    const double df = kFirstRing / aperture / kSteps;
    double more = 0;
    for (int i = 0; i < kSteps; ++i) {
        const double f = (i + 0.5) * df, t = discTransfer(aperture, f);
        const double a = additionAt(spread, aperture, noiseToSignal, f);
        more += 2 * std::numbers::pi * f * t * t * ((1 + a) * (1 + a) - 1) * df;
    }
    return std::sqrt(std::max(0.0, (discNoise + more) / discNoise));
}

// The restoration and the disc in one kernel: the disc's cells plus the addition, which is
// radially symmetric and brought back to samples by the Hankel transform.
std::vector<Cell> kernelOf(double spread, double aperture, double noiseToSignal) {
    const double df = kFirstRing / aperture / kSteps;
    std::vector<double> weighted(kSteps); // rho times the addition, at each step's middle
    for (int i = 0; i < kSteps; ++i) {
        const double f = (i + 0.5) * df;
        weighted[std::size_t(i)] =
            f * discTransfer(aperture, f) * additionAt(spread, aperture, noiseToSignal, f);
    }
    const int reach = reachOf(spread, aperture), side = 2 * reach + 1;
    std::vector<double> grid(std::size_t(side * side), 0.0);
    const auto at = [&](int dx, int dy) -> double& {
        return grid[std::size_t((dy + reach) * side + dx + reach)];
    };
    for (const Cell& cell : discCells(aperture))
        at(cell.dx, cell.dy) += cell.weight;
    std::vector<double> atSquare(std::size_t(2 * reach * reach + 1), std::nan(""));
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const int square = dx * dx + dy * dy;
            if (square > reach * reach) continue;
            double& value = atSquare[std::size_t(square)];
            if (std::isnan(value)) {
                const double r = std::sqrt(double(square));
                value = 0;
                for (int i = 0; i < kSteps; ++i)
                    value += weighted[std::size_t(i)] *
                             std::cyl_bessel_j(0.0, 2 * std::numbers::pi * (i + 0.5) * df * r);
                value *= 2 * std::numbers::pi * df;
            }
            at(dx, dy) += value;
        }
    // Whole areas keep their reflectance.
    double total = 0;
    for (const double weight : grid)
        total += weight;
    std::vector<Cell> cells;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (at(dx, dy) != 0) cells.push_back({dx, dy, at(dx, dy) / total});
    return cells;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The row `offset` samples along the bars from `line`, reaching `reach` samples beyond it.
std::vector<double> rowOf(const QImage& plane, const ScanLines::Line& line, QPointF along,
                          int offset, int reach) {
    ScanLines::Line row = line;
    row.origin += offset * line.spacing() * along - reach * line.step;
    row.count = line.count + 2 * reach;
    return ScanLines::sample(plane, row, 0);
}

double sumOfSquares(const std::vector<Cell>& cells) {
    double sum = 0;
    for (const Cell& cell : cells)
        sum += cell.weight * cell.weight;
    return sum;
}

} // namespace

bool canRestore(double aperture, double spacing) {
    return spacing > 0 && kFirstRing / (aperture / spacing) < 0.5;
}

Kernel kernelFor(const QImage& plane, const std::vector<ScanLines::Line>& lines, QPointF along,
                 double aperture, double spread) {
    Kernel kernel;
    if (lines.empty() || !canRestore(aperture, lines.front().spacing())) return kernel;
    const double spacing = lines.front().spacing();
    const double disc = aperture / spacing, blur = spread / spacing; // in samples

    // Noise: what neighbouring rows along the bars differ by; signal: the lines' contrast.
    std::vector<double> differences, contrasts;
    for (const ScanLines::Line& line : lines) {
        const std::vector<double> row = rowOf(plane, line, along, 0, 0);
        const std::vector<double> next = rowOf(plane, line, along, 1, 0);
        for (std::size_t i = 0; i < row.size(); ++i)
            differences.push_back(std::abs(next[i] - row[i]));
        if (row.empty()) continue;
        const auto [low, high] = std::minmax_element(row.begin(), row.end());
        contrasts.push_back(*high - *low);
    }
    const double noise =
        std::max(kQuantisationNoise, 1.4826 * median(std::move(differences)) / std::numbers::sqrt2);
    const double contrast = std::max(median(std::move(contrasts)), 1.0);
    double noiseToSignal = (noise / contrast) * (noise / contrast);

    const double discNoise = sumOfSquares(discCells(disc));
    constexpr int kMostTries = 60;
    for (int tries = 0; tries < kMostTries; ++tries) {
        kernel.noiseGain = noiseGainOf(blur, disc, noiseToSignal, discNoise);
        const double left = noise * kernel.noiseGain * std::sqrt(discNoise);
        if (kernel.noiseGain <= kMostNoiseGain ||
            (kernel.noiseGain <= kMostGainOfNegligibleNoise && left <= kNegligibleNoise))
            break;
        noiseToSignal *= 2;
    }
    kernel.cells = kernelOf(blur, disc, noiseToSignal);
    const double h = blurTransfer(blur, kFirstRing / disc);
    kernel.complete = h * h / (h * h + noiseToSignal) >= kCompleteShare;
    for (const Cell& cell : kernel.cells)
        kernel.reach = std::max({kernel.reach, std::abs(cell.dx), std::abs(cell.dy)});
    return kernel;
}

std::vector<double> sample(const QImage& plane, const ScanLines::Line& line, QPointF along,
                           const Kernel& kernel) {
    if (line.count <= 0 || kernel.cells.empty()) return {};
    const int reach = kernel.reach;
    std::vector<std::vector<double>> strip;
    for (int j = -reach; j <= reach; ++j)
        strip.push_back(rowOf(plane, line, along, j, reach));
    // Ringing aside, no restored point is darker or lighter than the strip's extremes: the
    // widest elements of the print reach them through any blur.
    double darkest = 100, lightest = 0;
    for (const std::vector<double>& row : strip) {
        const auto [low, high] = std::minmax_element(row.begin(), row.end());
        darkest = std::min(darkest, *low);
        lightest = std::max(lightest, *high);
    }
    std::vector<double> reflectance(std::size_t(line.count), 0.0);
    for (int i = 0; i < line.count; ++i) {
        double sum = 0;
        for (const Cell& cell : kernel.cells)
            sum +=
                cell.weight * strip[std::size_t(cell.dy + reach)][std::size_t(i + reach + cell.dx)];
        reflectance[std::size_t(i)] = std::clamp(sum, darkest, lightest);
    }
    return reflectance;
}

} // namespace Restoration
