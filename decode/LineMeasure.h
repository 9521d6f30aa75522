#pragma once

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

// How the decoders tell a line's element widths apart: by their edge-to-similar-edge sums
// (Code 128, Code 93, EAN and UPC) or as narrow and wide (Code 39, Interleaved 2 of 5, Codabar),
// each measurement with the margin it leaves to its decision threshold.
namespace LineMeasure {

// A symbol character of `n` modules measured by its edge-to-similar-edge sums: which table
// entry it is, told apart from its look-alikes by the modules its bars cover.
template <std::size_t Elements> struct EdgeCharacter {
    static constexpr std::size_t kSums = Elements - 2;
    std::array<int, kSums> sums;
    int barModules;

    template <typename Pattern> static EdgeCharacter of(const Pattern& runs, bool darkFirst) {
        EdgeCharacter c{};
        for (std::size_t j = 0; j < kSums; ++j)
            c.sums[j] = runs[j] + runs[j + 1];
        for (std::size_t j = darkFirst ? 0 : 1; j < Elements; j += 2)
            c.barModules += runs[j];
        return c;
    }
};

// Characters of up to six elements are measured: no more than four sums of neighbours.
constexpr std::size_t kMostSums = 4;

struct Measured {
    std::array<int, kMostSums> sums{};
    std::size_t sumCount = 0;
    double barModules = 0;
    double margin = 1;
};

// The sums of the `elements` widths at `w`, a character of `modules` modules.
Measured measure(const double* w, std::size_t elements, int modules, bool darkFirst);

// The entry of `table` whose sums match, the nearest in bar modules among several; -1 if none.
// Entries alike in their sums are told apart by their bars alone: the margin left to the
// threshold halfway between their bar modules, 1 at either's own, 0 on the threshold.
struct Match {
    int value = -1;
    double margin = 1;
};
template <std::size_t Elements, std::size_t Count>
Match lookUp(const std::array<EdgeCharacter<Elements>, Count>& table, const Measured& m) {
    const auto sumsMatch = [&](std::size_t v) {
        return table[v].sums[0] == m.sums[0] &&
               std::equal(m.sums.begin(), m.sums.begin() + m.sumCount, table[v].sums.begin());
    };
    Match best;
    double bestDistance = 0;
    for (std::size_t v = 0; v < Count; ++v) {
        if (!sumsMatch(v)) continue;
        const double distance = std::abs(table[v].barModules - m.barModules);
        if (best.value < 0 || distance < bestDistance) {
            best.value = static_cast<int>(v);
            bestDistance = distance;
        }
    }
    if (best.value < 0) return best;
    const int own = table[std::size_t(best.value)].barModules;
    for (std::size_t v = 0; v < Count; ++v) {
        const int other = table[v].barModules;
        if (other == own || !sumsMatch(v)) continue;
        const double threshold = (own + other) / 2.0, half = std::abs(own - other) / 2.0;
        best.margin = std::min(best.margin, std::abs(m.barModules - threshold) / half);
    }
    return best;
}

double sumOf(std::span<const double> w, std::size_t from, std::size_t count);

// A character's elements told narrow ('0') or wide ('1') by one threshold, midway between its
// mean narrow and its mean wide element; each element's margin is its distance from the
// threshold over half the distance between the means.
struct TwoWidth {
    std::string pattern;
    double margin = 1;
    double threshold = 0;
    double halfGap = 0; // between the mean narrow and the mean wide element, halved

    double marginOf(double width) const { return std::abs(width - threshold) / halfGap; }
};

constexpr std::size_t kMostTwoWidthElements = 10;

std::optional<TwoWidth> twoWidth(const double* w, std::size_t elements, std::size_t wide);

// The narrow elements of a two-width symbol, bars and spaces apart.
struct NarrowElements {
    std::vector<double> bars, spaces;

    // Those among `elements` at `w`, a bar first, narrower than `threshold`.
    void collect(const double* w, std::size_t elements, double threshold);
    // The module: the mean of the median narrow bar and the median narrow space, which one
    // misprinted element does not move, nor ink spread that widens every bar.
    double module() const;
};

// Elements all on one side of a threshold, and the least margin among them.
bool allNarrow(const double* w, std::size_t elements, const TwoWidth& t, double& margin);

} // namespace LineMeasure
