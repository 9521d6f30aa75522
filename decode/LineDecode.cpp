#include "decode/LineDecode.h"

#include "symbology/DigitCode.h"
#include "symbology/SymbologyTables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

using SymbologyTables::DigitPatterns;

// The widths of a pattern's runs of equal modules: "11011001100" gives 2 1 2 2 2 2.
using SymbologyTables::runsOf;

// The margin of a width ratio `m` (in modules) to the nearest decision threshold, which lie
// halfway between whole modules; 1 for a whole number of modules, 0 halfway.
double wholeModuleMargin(double m) {
    return 2.0 * std::abs(m - std::floor(m) - 0.5);
}

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

// Code 128 ------------------------------------------------------------------------------------

using SymbologyTables::kCode128CodeA;
using SymbologyTables::kCode128CodeB;
using SymbologyTables::kCode128Fnc1;
using SymbologyTables::kCode128Modules;
using SymbologyTables::kCode128Shift;
using SymbologyTables::kCode128StartA;
using SymbologyTables::kCode128StopValue;
constexpr int kCode128StopModules = static_cast<int>(SymbologyTables::kCode128Stop.size());
static_assert(SymbologyTables::kCode128StartB == kCode128StartA + 1);

using Code128Character = EdgeCharacter<6>;

const std::array<Code128Character, kCode128StopValue + 1>& code128Characters() {
    static const auto table = [] {
        std::array<Code128Character, kCode128StopValue + 1> t{};
        for (std::size_t v = 0; v < SymbologyTables::kCode128Patterns.size(); ++v)
            t[v] = Code128Character::of(runsOf<6>(SymbologyTables::kCode128Patterns[v]), true);
        // the stop's first six elements, the seventh is its final bar
        t[kCode128StopValue] = Code128Character::of(runsOf<6>(SymbologyTables::kCode128Stop), true);
        return t;
    }();
    return table;
}

// The text of symbol values between the start and the check character.
std::optional<QString> code128Text(int start, std::span<const int> values) {
    enum Set { A, B, C } set = start == kCode128StartA ? A : start == kCode128StartA + 1 ? B : C;
    QString text;
    bool shifted = false;
    for (const int v : values) {
        const Set now = shifted ? (set == A ? B : A) : set;
        shifted = false;
        if (now == C) {
            if (v < 100)
                text += QStringLiteral("%1").arg(v, 2, 10, QChar(u'0'));
            else if (v == kCode128CodeB)
                set = B;
            else if (v == kCode128CodeA)
                set = A;
            else if (v != kCode128Fnc1)
                return std::nullopt;
            continue;
        }
        if (v < 64)
            text += QChar(v + 32);
        else if (v < 96)
            text += QChar(now == A ? v - 64 : v + 32);
        else if (v == kCode128Shift)
            shifted = true;
        else if (v == SymbologyTables::kCode128CodeC)
            set = C;
        else if (v == (now == A ? kCode128CodeB : kCode128CodeA))
            set = now == A ? B : A;
        // FNC1 to FNC4 carry no text of their own
    }
    return text;
}

std::optional<LineDecode::Decoded> decodeCode128(std::span<const double> w, std::size_t first) {
    const auto& table = code128Characters();
    std::vector<int> values;
    double margin = 1;
    std::size_t at = first;
    for (;;) {
        if (at + 7 > w.size()) return std::nullopt;
        const Measured m = measure(&w[at], 6, kCode128Modules, true);
        const Match match = lookUp(table, m);
        const int value = match.value;
        if (value < 0) return std::nullopt;
        margin = std::min({margin, m.margin, match.margin});
        if (value == kCode128StopValue) {
            const double finalBar =
                w[at + 6] * kCode128Modules / std::accumulate(&w[at], &w[at + 6], 0.0);
            if (std::lround(finalBar) != 2) return std::nullopt;
            break;
        }
        if (values.empty() != (value >= kCode128StartA)) return std::nullopt;
        values.push_back(value);
        at += 6;
    }
    if (values.size() < 2) return std::nullopt; // a start and a check character at least
    int sum = values.front();
    for (std::size_t i = 1; i + 1 < values.size(); ++i)
        sum += static_cast<int>(i) * values[i];
    if (sum % 103 != values.back()) return std::nullopt;
    const auto text = code128Text(values.front(), std::span(values).subspan(1, values.size() - 2));
    if (!text) return std::nullopt;
    const int elements = static_cast<int>(at + 7 - first);
    const double width = std::accumulate(&w[first], &w[first] + elements, 0.0);
    const int modules = static_cast<int>(values.size()) * kCode128Modules + kCode128StopModules;
    return LineDecode::Decoded{*text, elements, width / modules, margin};
}

// EAN-13, EAN-8, UPC-A -------------------------------------------------------------------------

constexpr int kDigitModules = 7;
using DigitCharacter = EdgeCharacter<4>;
struct DigitSet {
    std::array<DigitCharacter, 10> characters;
};

DigitSet digitSet(const DigitPatterns& patterns) {
    DigitSet set{};
    for (std::size_t d = 0; d < 10; ++d)
        set.characters[d] = DigitCharacter::of(runsOf<4>(patterns[d]), patterns[d][0] == '1');
    return set;
}

std::optional<LineDecode::Decoded> decodeEan(std::span<const double> w, std::size_t first,
                                             Symbology symbology) {
    static const DigitSet odd = digitSet(SymbologyTables::kEanLeftOdd);
    static const DigitSet even = digitSet(SymbologyTables::kEanLeftEven);
    static const DigitSet right = digitSet(SymbologyTables::kEanRight);
    const int half = symbology == Symbology::Ean8 ? 4 : 6;
    const std::size_t guard = SymbologyTables::kEanEdgeGuard.size();
    const std::size_t centre = SymbologyTables::kEanCentreGuard.size();
    const std::size_t elements = 2 * guard + centre + 8 * static_cast<std::size_t>(half);
    const int modules = static_cast<int>(2 * guard + centre) + 2 * half * kDigitModules;
    if (first + elements > w.size()) return std::nullopt;

    double total = 0;
    for (std::size_t j = 0; j < elements; ++j)
        total += w[first + j];
    const double moduleWidth = total / modules;
    auto guardAt = [&](std::size_t from, std::size_t count) {
        for (std::size_t j = from; j < from + count; ++j)
            if (std::lround(w[first + j] / moduleWidth) != 1) return false;
        return true;
    };
    const std::size_t centreAt = guard + 4 * static_cast<std::size_t>(half);
    if (!guardAt(0, guard) || !guardAt(centreAt, centre) || !guardAt(elements - guard, guard))
        return std::nullopt;

    QString digits, parity;
    double margin = 1;
    for (int d = 0; d < 2 * half; ++d) {
        const bool left = d < half;
        const std::size_t at = first + (left ? guard + 4 * std::size_t(d)
                                             : centreAt + centre + 4 * std::size_t(d - half));
        const Measured m = measure(&w[at], 4, kDigitModules, !left);
        Match match = lookUp(left ? odd.characters : right.characters, m);
        char set = 'O';
        if (left) {
            const Match asEven = lookUp(even.characters, m);
            const auto barsOff = [&](const DigitSet& s, int v) {
                return std::abs(s.characters[std::size_t(v)].barModules - m.barModules);
            };
            if (asEven.value >= 0 &&
                (match.value < 0 || barsOff(even, asEven.value) < barsOff(odd, match.value))) {
                match = asEven;
                set = 'E';
            }
            parity += QChar::fromLatin1(set);
        }
        const int digit = match.value;
        if (digit < 0) return std::nullopt;
        // 1 and 7, 2 and 8 differ in their bars only: bar growth shows in that margin.
        margin = std::min({margin, m.margin, match.margin});
        digits += QChar(u'0' + digit);
    }
    if (symbology == Symbology::Ean8 || symbology == Symbology::UpcA) {
        if (parity != QString(half, u'O')) return std::nullopt;
    } else {
        const auto& parities = SymbologyTables::kEan13Parity;
        const auto found = std::find(parities.begin(), parities.end(), parity.toStdString());
        if (found == parities.end()) return std::nullopt;
        digits.prepend(QChar(u'0' + int(found - parities.begin())));
    }
    if (DigitCode::checkDigit(QStringView(digits).chopped(1)) != digits.back().digitValue())
        return std::nullopt;
    return LineDecode::Decoded{digits, static_cast<int>(elements), moduleWidth, margin};
}

// Code 39 ---------------------------------------------------------------------------------------

constexpr int kCode39Elements = 9;

// A character: its three widest elements are wide; each element is held against the threshold
// halfway between the character's average narrow and average wide element.
struct Code39Character {
    int value;
    double margin;
    double threshold; // between its narrow and its wide elements
};

std::optional<Code39Character> code39Character(const double* w) {
    std::array<double, kCode39Elements> sorted;
    std::copy(w, w + kCode39Elements, sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    const double narrow = std::accumulate(sorted.begin(), sorted.begin() + 6, 0.0) / 6;
    const double wide = std::accumulate(sorted.begin() + 6, sorted.end(), 0.0) / 3;
    if (wide <= narrow) return std::nullopt;
    const double threshold = (narrow + wide) / 2;
    double margin = 1;
    std::array<char, kCode39Elements + 1> elements{}; // and the narrow gap after them
    elements.fill('0');
    for (int j = 0; j < kCode39Elements; ++j) {
        elements[std::size_t(j)] = w[j] > threshold ? '1' : '0';
        margin = std::min(margin, std::abs(w[j] - threshold) / ((wide - narrow) / 2));
    }
    const int value = SymbologyTables::kCode39ValueOfGroup[SymbologyTables::code39GroupNumber(
        std::string_view(elements.data(), elements.size()))];
    if (value < 0) return std::nullopt;
    return Code39Character{value, margin, threshold};
}

std::optional<LineDecode::Decoded> decodeCode39(std::span<const double> w, std::size_t first) {
    using SymbologyTables::kCode39StartStop;
    QString text;
    double margin = 1;
    std::vector<double> narrow;
    int characters = 0;
    std::size_t at = first;
    for (;;) {
        if (at + kCode39Elements > w.size()) return std::nullopt;
        const auto character = code39Character(&w[at]);
        if (!character) return std::nullopt;
        margin = std::min(margin, character->margin);
        for (std::size_t j = at; j < at + kCode39Elements; ++j)
            if (w[j] < character->threshold) narrow.push_back(w[j]);
        ++characters;
        at += kCode39Elements;
        const bool startStop = character->value == kCode39StartStop;
        if (characters == 1 && !startStop) return std::nullopt;
        if (characters > 1 && startStop) break;
        if (characters > 1)
            text += QChar::fromLatin1(
                SymbologyTables::kCode39Characters[std::size_t(character->value)]);
        ++at; // the gap between characters
    }
    if (text.isEmpty()) return std::nullopt;
    // The module: the median narrow element, which one misprinted element does not move.
    std::nth_element(narrow.begin(), narrow.begin() + narrow.size() / 2, narrow.end());
    return LineDecode::Decoded{text, static_cast<int>(at - first), narrow[narrow.size() / 2],
                               margin};
}

} // namespace

namespace LineDecode {

std::optional<Decoded> decode(Symbology symbology, std::span<const double> widths, int first) {
    if (first < 0 || std::size_t(first) >= widths.size()) return std::nullopt;
    switch (symbology) {
    case Symbology::Code39:
        return decodeCode39(widths, std::size_t(first));
    case Symbology::Code128:
        return decodeCode128(widths, std::size_t(first));
    case Symbology::Ean13:
    case Symbology::Ean8:
    case Symbology::UpcA:
        return decodeEan(widths, std::size_t(first), symbology);
    }
    return std::nullopt;
}

} // namespace LineDecode
