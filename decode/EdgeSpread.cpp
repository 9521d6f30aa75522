#include "decode/EdgeSpread.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace EdgeSpread {

namespace {

// Where the profile crosses `level` between samples `from` and `to`, nearest the threshold's
// crossing after sample `at`; positions count samples from the start of the profile, sample k
// at k + 0.5.
std::optional<double> crossingNear(std::span<const double> r, std::size_t from, std::size_t to,
                                   double level, std::size_t at) {
    std::optional<double> nearest;
    for (std::size_t i = from; i + 1 < to; ++i) {
        if ((r[i] < level) == (r[i + 1] < level)) continue;
        const double position = double(i) + 0.5 + (level - r[i]) / (r[i + 1] - r[i]);
        if (!nearest || std::abs(position - double(at) - 1) < std::abs(*nearest - double(at) - 1))
            nearest = position;
    }
    return nearest;
}

} // namespace

std::optional<double> medianSpread(std::span<const double> r, double threshold, double from,
                                   double to, double wide) {
    const auto lo = std::size_t(std::clamp(std::floor(from), 0.0, double(r.size())));
    const auto hi = std::size_t(std::clamp(std::ceil(to), double(lo), double(r.size())));
    std::vector<std::size_t> crossings; // the sample before each crossing
    for (std::size_t i = lo; i + 1 < hi; ++i)
        if ((r[i] < threshold) != (r[i + 1] < threshold)) crossings.push_back(i);
    std::vector<double> spreads;
    for (std::size_t c = 1; c + 1 < crossings.size(); ++c) {
        const std::size_t before = crossings[c - 1], at = crossings[c], after = crossings[c + 1];
        if (double(at - before) < wide || double(after - at) < wide) continue;
        // The step's levels: the extremes of the two elements.
        const auto [bMin, bMax] =
            std::minmax_element(r.begin() + long(before) + 1, r.begin() + long(at) + 1);
        const auto [aMin, aMax] =
            std::minmax_element(r.begin() + long(at) + 1, r.begin() + long(after) + 1);
        const bool rising = r[at] < threshold;
        const double low = rising ? *bMin : *aMin, high = rising ? *aMax : *bMax;
        if (high - low <= 0) continue;
        const auto tenth = crossingNear(r, before + 1, after + 1, low + 0.1 * (high - low), at);
        const auto ninth = crossingNear(r, before + 1, after + 1, low + 0.9 * (high - low), at);
        if (!tenth || !ninth) continue;
        spreads.push_back(std::abs(*ninth - *tenth) / kRiseOfSigma);
    }
    if (spreads.empty()) return std::nullopt;
    std::nth_element(spreads.begin(), spreads.begin() + long(spreads.size() / 2), spreads.end());
    return spreads[spreads.size() / 2];
}

double remainingAperture(double aperture, double spread) {
    const double own = aperture / 4;
    return own > spread ? 4 * std::sqrt(own * own - spread * spread) : 0;
}

} // namespace EdgeSpread
