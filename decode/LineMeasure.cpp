#include "decode/LineMeasure.h"

#include <numeric>

namespace LineMeasure {

namespace {

// The margin of a width ratio `m` (in modules) to the nearest decision threshold, which lie
// halfway between whole modules; 1 for a whole number of modules, 0 halfway.
double wholeModuleMargin(double m) {
    return 2.0 * std::abs(m - std::floor(m) - 0.5);
}

} // namespace

Measured measure(const double* w, std::size_t elements, int modules, bool darkFirst) {
    Q_ASSERT(elements <= kMostSums + 2);
    double total = 0;
    for (std::size_t j = 0; j < elements; ++j)
        total += w[j];
    Measured m;
    if (total <= 0) return m;
    const double perModule = modules / total;
    for (std::size_t j = 0; j + 2 < elements; ++j) {
        const double sum = (w[j] + w[j + 1]) * perModule;
        m.sums[m.sumCount++] = static_cast<int>(std::lround(sum));
        m.margin = std::min(m.margin, wholeModuleMargin(sum));
    }
    for (std::size_t j = darkFirst ? 0 : 1; j < elements; j += 2)
        m.barModules += w[j] * perModule;
    return m;
}

double sumOf(std::span<const double> w, std::size_t from, std::size_t count) {
    return std::accumulate(w.begin() + std::ptrdiff_t(from),
                           w.begin() + std::ptrdiff_t(from + count), 0.0);
}

std::optional<TwoWidth> twoWidth(const double* w, std::size_t elements, std::size_t wide) {
    Q_ASSERT(elements <= kMostTwoWidthElements && wide < elements);
    std::array<double, kMostTwoWidthElements> sorted{};
    std::copy(w, w + elements, sorted.begin());
    std::sort(sorted.begin(), sorted.begin() + std::ptrdiff_t(elements));
    const std::size_t narrowCount = elements - wide;
    const double narrow = sumOf(sorted, 0, narrowCount) / double(narrowCount);
    const double wideMean = sumOf(sorted, narrowCount, wide) / double(wide);
    if (wideMean <= narrow) return std::nullopt;
    TwoWidth t;
    t.threshold = (narrow + wideMean) / 2;
    t.halfGap = (wideMean - narrow) / 2;
    for (std::size_t j = 0; j < elements; ++j) {
        t.pattern += w[j] > t.threshold ? '1' : '0';
        t.margin = std::min(t.margin, t.marginOf(w[j]));
    }
    return t;
}

void NarrowElements::collect(const double* w, std::size_t elements, double threshold) {
    for (std::size_t j = 0; j < elements; ++j)
        if (w[j] < threshold) (j % 2 == 0 ? bars : spaces).push_back(w[j]);
}

double NarrowElements::module() const {
    const auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    if (bars.empty() || spaces.empty()) return median(bars.empty() ? spaces : bars);
    return (median(bars) + median(spaces)) / 2;
}

bool allNarrow(const double* w, std::size_t elements, const TwoWidth& t, double& margin) {
    for (std::size_t j = 0; j < elements; ++j) {
        if (w[j] >= t.threshold) return false;
        margin = std::min(margin, t.marginOf(w[j]));
    }
    return true;
}

} // namespace LineMeasure
