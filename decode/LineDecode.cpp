#include "decode/LineDecode.h"

#include "symbology/DigitCode.h"
#include "symbology/SymbologyTables.h"
#include "symbology/ZintEncoder.h"

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

constexpr QChar kGroupSeparator(0x1D);

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
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int v = values[i];
        // FNC1 first marks GS1 data; later, it ends a field of variable length.
        if (v == kCode128Fnc1) {
            if (i > 0) text += kGroupSeparator;
            continue;
        }
        const Set now = shifted ? (set == A ? B : A) : set;
        shifted = false;
        if (now == C) {
            if (v < 100)
                text += QStringLiteral("%1").arg(v, 2, 10, QChar(u'0'));
            else if (v == kCode128CodeB)
                set = B;
            else if (v == kCode128CodeA)
                set = A;
            else
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
        // FNC2 to FNC4 carry no text of their own
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

// EAN-13, EAN-8, UPC-A, UPC-E and their add-ons -------------------------------------------------

constexpr int kDigitModules = 7;
using DigitCharacter = EdgeCharacter<4>;
using DigitSet = std::array<DigitCharacter, 10>;

DigitSet digitSet(const DigitPatterns& patterns) {
    DigitSet set{};
    for (std::size_t d = 0; d < 10; ++d)
        set[d] = DigitCharacter::of(runsOf<4>(patterns[d]), patterns[d][0] == '1');
    return set;
}

struct Digit {
    int value = -1;
    char parity = 'O'; // of a left-hand digit: odd ('O') or even ('E')
    double margin = 1;
};

// A digit of four elements at `w`: right-hand (bar first), or left-hand in either parity, the
// nearer in bar modules where both match.
Digit readDigit(const double* w, bool rightHand) {
    static const DigitSet odd = digitSet(SymbologyTables::kEanLeftOdd);
    static const DigitSet even = digitSet(SymbologyTables::kEanLeftEven);
    static const DigitSet right = digitSet(SymbologyTables::kEanRight);
    const Measured m = measure(w, 4, kDigitModules, rightHand);
    Match match = lookUp(rightHand ? right : odd, m);
    Digit digit;
    if (!rightHand) {
        const Match asEven = lookUp(even, m);
        const auto barsOff = [&](const DigitSet& s, int v) {
            return std::abs(s[std::size_t(v)].barModules - m.barModules);
        };
        if (asEven.value >= 0 &&
            (match.value < 0 || barsOff(even, asEven.value) < barsOff(odd, match.value))) {
            match = asEven;
            digit.parity = 'E';
        }
    }
    digit.value = match.value;
    // 1 and 7, 2 and 8 differ in their bars only: bar growth shows in that margin.
    digit.margin = std::min(m.margin, match.margin);
    return digit;
}

// A run of elements of the widths `pattern`'s modules give, at `moduleWidth` each.
bool guardAt(const double* w, std::string_view pattern, double moduleWidth) {
    const auto runs = SymbologyTables::runsOf<6>(pattern);
    for (std::size_t j = 0; j < runs.size() && runs[j] > 0; ++j)
        if (std::lround(w[j] / moduleWidth) != runs[j]) return false;
    return true;
}

std::size_t elementsOf(std::string_view pattern) {
    std::size_t n = 1;
    for (std::size_t i = 1; i < pattern.size(); ++i)
        n += pattern[i] != pattern[i - 1];
    return n;
}

double sumOf(std::span<const double> w, std::size_t from, std::size_t count) {
    return std::accumulate(w.begin() + std::ptrdiff_t(from),
                           w.begin() + std::ptrdiff_t(from + count), 0.0);
}

struct Digits {
    QString text;
    QString parity;
    double margin = 1;
};

// `count` digits of four elements from `at`, each `stride` elements after the last.
std::optional<Digits> readDigits(std::span<const double> w, std::size_t at, int count,
                                 std::size_t stride, bool rightHand) {
    Digits digits;
    for (int d = 0; d < count; ++d, at += stride) {
        const Digit digit = readDigit(&w[at], rightHand);
        if (digit.value < 0) return std::nullopt;
        digits.text += QChar(u'0' + digit.value);
        digits.parity += QChar::fromLatin1(digit.parity);
        digits.margin = std::min(digits.margin, digit.margin);
    }
    return digits;
}

std::optional<LineDecode::Decoded> decodeEan(std::span<const double> w, std::size_t first,
                                             Symbology symbology) {
    using SymbologyTables::kEanCentreGuard;
    using SymbologyTables::kEanEdgeGuard;
    const int half = symbology == Symbology::Ean8 ? 4 : 6;
    const std::size_t guard = kEanEdgeGuard.size();
    const std::size_t centre = kEanCentreGuard.size();
    const std::size_t elements = 2 * guard + centre + 8 * static_cast<std::size_t>(half);
    const int modules = static_cast<int>(2 * guard + centre) + 2 * half * kDigitModules;
    if (first + elements > w.size()) return std::nullopt;
    const double moduleWidth = sumOf(w, first, elements) / modules;
    const std::size_t centreAt = first + guard + 4 * static_cast<std::size_t>(half);
    if (!guardAt(&w[first], kEanEdgeGuard, moduleWidth) ||
        !guardAt(&w[centreAt], kEanCentreGuard, moduleWidth) ||
        !guardAt(&w[first + elements - guard], kEanEdgeGuard, moduleWidth))
        return std::nullopt;
    const auto left = readDigits(w, first + guard, half, 4, false);
    const auto right = left ? readDigits(w, centreAt + centre, half, 4, true) : std::nullopt;
    if (!right) return std::nullopt;
    QString digits = left->text + right->text;
    if (symbology == Symbology::Ean8 || symbology == Symbology::UpcA) {
        if (left->parity != QString(half, u'O')) return std::nullopt;
    } else {
        const auto& parities = SymbologyTables::kEan13Parity;
        const auto found = std::find(parities.begin(), parities.end(), left->parity.toStdString());
        if (found == parities.end()) return std::nullopt;
        digits.prepend(QChar(u'0' + int(found - parities.begin())));
    }
    if (DigitCode::checkDigit(QStringView(digits).chopped(1)) != digits.back().digitValue())
        return std::nullopt;
    return LineDecode::Decoded{digits, static_cast<int>(elements), moduleWidth,
                               std::min(left->margin, right->margin)};
}

std::optional<LineDecode::Decoded> decodeUpcE(std::span<const double> w, std::size_t first) {
    using SymbologyTables::kEanEdgeGuard;
    using SymbologyTables::kUpcEEndGuard;
    constexpr int kDigits = 6;
    const std::size_t guard = kEanEdgeGuard.size(), end = kUpcEEndGuard.size();
    const std::size_t elements = guard + 4 * kDigits + end;
    const int modules = int(guard + end) + kDigits * kDigitModules;
    if (first + elements > w.size()) return std::nullopt;
    const double moduleWidth = sumOf(w, first, elements) / modules;
    if (!guardAt(&w[first], kEanEdgeGuard, moduleWidth) ||
        !guardAt(&w[first + elements - end], kUpcEEndGuard, moduleWidth))
        return std::nullopt;
    const auto digits = readDigits(w, first + guard, kDigits, 4, false);
    if (!digits) return std::nullopt;
    // Number system 1 swaps every parity of number system 0.
    QString swapped = digits->parity;
    for (QChar& c : swapped)
        c = c == u'O' ? u'E' : u'O';
    const auto& parities = SymbologyTables::kUpcEParity;
    int check = -1, numberSystem = 0;
    for (int n = 0; n < 2 && check < 0; ++n)
        for (std::size_t i = 0; i < parities.size(); ++i)
            if ((n == 0 ? digits->parity : swapped) == QLatin1String(parities[i].data(), 6)) {
                check = int(i);
                numberSystem = n;
            }
    if (check < 0) return std::nullopt;
    const QChar system(u'0' + numberSystem);
    const std::string upcA =
        zintsym::upcEToUpcA(system.toLatin1(), digits->text.toLatin1().toStdString());
    if (DigitCode::checkDigit(QString::fromStdString(upcA)) != check) return std::nullopt;
    return LineDecode::Decoded{system + digits->text + QChar(u'0' + check),
                               static_cast<int>(elements), moduleWidth, digits->margin};
}

// A 2- or 5-digit add-on from its guard at `first`: the digits and the elements they take.
std::optional<LineDecode::Decoded> decodeAddOn(std::span<const double> w, std::size_t first) {
    using SymbologyTables::kAddOnDelineator;
    using SymbologyTables::kAddOnGuard;
    const std::size_t guard = elementsOf(kAddOnGuard);
    const std::size_t delineator = elementsOf(kAddOnDelineator);
    for (const int count : {5, 2}) {
        const std::size_t elements = guard + 4 * std::size_t(count) + delineator * (count - 1);
        const int modules = int(kAddOnGuard.size()) + count * kDigitModules +
                            int(kAddOnDelineator.size()) * (count - 1);
        if (first + elements > w.size()) continue;
        const double moduleWidth = sumOf(w, first, elements) / modules;
        bool guardsHold = guardAt(&w[first], kAddOnGuard, moduleWidth);
        for (int d = 1; d < count && guardsHold; ++d)
            guardsHold = guardAt(&w[first + guard + 4 * std::size_t(d) + delineator * (d - 1)],
                                 kAddOnDelineator, moduleWidth);
        if (!guardsHold) continue;
        const auto digits = readDigits(w, first + guard, count, 4 + delineator, false);
        if (!digits) continue;
        int checksum = 0;
        for (int d = 0; d < count; ++d)
            checksum += digits->text[d].digitValue() * (d % 2 == 0 ? 3 : 9);
        const std::string_view parity =
            count == 2 ? SymbologyTables::kAddOn2Parity[std::size_t(digits->text.toInt() % 4)]
                       : SymbologyTables::kUpcEParity[std::size_t(checksum % 10)].substr(1);
        if (digits->parity != QLatin1String(parity.data(), qsizetype(parity.size()))) continue;
        return LineDecode::Decoded{digits->text, int(elements), moduleWidth, digits->margin};
    }
    return std::nullopt;
}

// The gap between a symbol and its add-on, in modules, as the standards allow it.
constexpr double kLeastAddOnGap = 7, kMostAddOnGap = 12;

// The main symbol followed by its add-on, as one symbol.
std::optional<LineDecode::Decoded> withAddOn(std::span<const double> w, std::size_t first,
                                             std::optional<LineDecode::Decoded> main) {
    if (!main) return std::nullopt;
    const std::size_t gap = first + std::size_t(main->elementCount);
    if (gap + 1 >= w.size()) return std::nullopt;
    const double gapModules = w[gap] / main->moduleWidth;
    if (gapModules < kLeastAddOnGap - 0.5 || gapModules > kMostAddOnGap + 0.5) return std::nullopt;
    const auto addOn = decodeAddOn(w, gap + 1);
    if (!addOn) return std::nullopt;
    main->text += u' ' + addOn->text;
    main->elementCount += 1 + addOn->elementCount;
    main->decodability = std::min(main->decodability, addOn->decodability);
    return main;
}

// Two widths: Code 39, Interleaved 2 of 5, Codabar -------------------------------------------

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

// The module of a two-width symbol: the median narrow element, which one misprinted element
// does not move.
double medianOf(std::vector<double> narrow) {
    std::nth_element(narrow.begin(), narrow.begin() + std::ptrdiff_t(narrow.size() / 2),
                     narrow.end());
    return narrow[narrow.size() / 2];
}

void collectNarrow(const double* w, std::size_t elements, double threshold,
                   std::vector<double>& narrow) {
    for (std::size_t j = 0; j < elements; ++j)
        if (w[j] < threshold) narrow.push_back(w[j]);
}

// Elements all on one side of a threshold, and the least margin among them.
bool allNarrow(const double* w, std::size_t elements, const TwoWidth& t, double& margin) {
    for (std::size_t j = 0; j < elements; ++j) {
        if (w[j] >= t.threshold) return false;
        margin = std::min(margin, t.marginOf(w[j]));
    }
    return true;
}

constexpr int kCode39Elements = 9;

std::optional<LineDecode::Decoded> decodeCode39(std::span<const double> w, std::size_t first) {
    using SymbologyTables::kCode39StartStop;
    QString text;
    double margin = 1;
    std::vector<double> narrow;
    int characters = 0;
    std::size_t at = first;
    for (;;) {
        if (at + kCode39Elements > w.size()) return std::nullopt;
        // The three widest of nine are wide; the gap after them is narrow.
        const auto character = twoWidth(&w[at], kCode39Elements, 3);
        if (!character) return std::nullopt;
        const int value = SymbologyTables::kCode39ValueOfGroup[SymbologyTables::code39GroupNumber(
            character->pattern + '0')];
        if (value < 0) return std::nullopt;
        margin = std::min(margin, character->margin);
        collectNarrow(&w[at], kCode39Elements, character->threshold, narrow);
        ++characters;
        at += kCode39Elements;
        const bool startStop = value == kCode39StartStop;
        if (characters == 1 && !startStop) return std::nullopt;
        if (characters > 1 && startStop) break;
        if (characters > 1)
            text += QChar::fromLatin1(SymbologyTables::kCode39Characters[std::size_t(value)]);
        ++at; // the gap between characters
    }
    if (text.isEmpty()) return std::nullopt;
    return LineDecode::Decoded{text, static_cast<int>(at - first), medianOf(std::move(narrow)),
                               margin};
}

constexpr std::size_t kItfStart = 4, kItfStop = 3, kItfPair = 10;

int itfDigit(const std::string& pattern, std::size_t from) {
    std::string digit;
    for (std::size_t j = from; j < kItfPair; j += 2)
        digit += pattern[j];
    const auto& digits = SymbologyTables::kItfDigits;
    const auto found = std::find(digits.begin(), digits.end(), digit);
    return found == digits.end() ? -1 : int(found - digits.begin());
}

// A stop at `w`: wide bar, narrow space, narrow bar, as the last pair measured them.
bool itfStopAt(const double* w, const TwoWidth& pair, double& margin) {
    double m = margin;
    if (w[0] <= pair.threshold || !allNarrow(w + 1, 2, pair, m)) return false;
    margin = std::min(m, pair.marginOf(w[0]));
    return true;
}

std::optional<LineDecode::Decoded> decodeItf(std::span<const double> w, std::size_t first) {
    if (first + kItfStart + kItfPair + kItfStop > w.size()) return std::nullopt;
    QString text;
    double margin = 1;
    std::vector<double> narrow;
    std::size_t at = first + kItfStart;
    std::optional<TwoWidth> last;
    for (;;) {
        // A stop followed by more light than any wide element ends the symbol; one that could
        // also begin a pair ends it only when no pair follows.
        double stopMargin = margin;
        const bool stopHere =
            last && at + kItfStop <= w.size() && itfStopAt(&w[at], *last, stopMargin);
        const bool clearAfter =
            stopHere && (at + kItfStop == w.size() || w[at + kItfStop] > 2 * last->threshold);
        std::optional<TwoWidth> pair;
        int high = -1, low = -1;
        if (!clearAfter && at + kItfPair <= w.size()) {
            pair = twoWidth(&w[at], kItfPair, 4);
            if (pair) {
                high = itfDigit(pair->pattern, 0);
                low = itfDigit(pair->pattern, 1);
            }
        }
        if (clearAfter || high < 0 || low < 0) {
            if (!stopHere || !last) return std::nullopt;
            margin = stopMargin;
            at += kItfStop;
            break;
        }
        if (!last && !allNarrow(&w[first], kItfStart, *pair, margin)) return std::nullopt;
        collectNarrow(&w[at], kItfPair, pair->threshold, narrow);
        margin = std::min(margin, pair->margin);
        text += QChar(u'0' + high);
        text += QChar(u'0' + low);
        last = pair;
        at += kItfPair;
    }
    return LineDecode::Decoded{text, static_cast<int>(at - first), medianOf(std::move(narrow)),
                               margin};
}

constexpr std::size_t kCodabarElements = 7;

// A Codabar character: two or three of its seven elements are wide, whichever makes one.
std::optional<std::pair<int, TwoWidth>> codabarCharacter(const double* w) {
    std::optional<std::pair<int, TwoWidth>> best;
    for (const std::size_t wide : {2, 3}) {
        const auto t = twoWidth(w, kCodabarElements, wide);
        if (!t) continue;
        const auto& patterns = SymbologyTables::kCodabarPatterns;
        const auto found = std::find(patterns.begin(), patterns.end(), t->pattern);
        if (found == patterns.end()) continue;
        if (!best || t->margin > best->second.margin)
            best = std::pair(int(found - patterns.begin()), *t);
    }
    return best;
}

std::optional<LineDecode::Decoded> decodeCodabar(std::span<const double> w, std::size_t first) {
    const auto isStartStop = [](int value) {
        return SymbologyTables::kCodabarCharacters[std::size_t(value)] >= 'A';
    };
    QString text;
    double margin = 1;
    std::vector<double> narrow;
    std::size_t at = first;
    for (int characters = 0;; ++characters) {
        if (at + kCodabarElements > w.size()) return std::nullopt;
        const auto character = codabarCharacter(&w[at]);
        if (!character) return std::nullopt;
        const auto& [value, t] = *character;
        margin = std::min(margin, t.margin);
        collectNarrow(&w[at], kCodabarElements, t.threshold, narrow);
        at += kCodabarElements;
        if (characters == 0 && !isStartStop(value)) return std::nullopt;
        if (characters > 0 && isStartStop(value)) break;
        // The engine gives the data without its start and stop characters.
        if (characters > 0) text += QChar::fromLatin1(SymbologyTables::kCodabarCharacters[value]);
        ++at; // the gap between characters
    }
    if (text.isEmpty()) return std::nullopt;
    return LineDecode::Decoded{text, static_cast<int>(at - first), medianOf(std::move(narrow)),
                               margin};
}

// Code 93 --------------------------------------------------------------------------------------

using SymbologyTables::kCode93Modules;
using SymbologyTables::kCode93StartStop;
using Code93Character = EdgeCharacter<6>;

const std::array<Code93Character, SymbologyTables::kCode93Widths.size()>& code93Characters() {
    static const auto table = [] {
        std::array<Code93Character, SymbologyTables::kCode93Widths.size()> t{};
        for (std::size_t v = 0; v < t.size(); ++v) {
            std::array<int, 6> runs{};
            for (std::size_t j = 0; j < runs.size(); ++j)
                runs[j] = SymbologyTables::kCode93Widths[v][j] - '0';
            t[v] = Code93Character::of(runs, true);
        }
        return t;
    }();
    return table;
}

// The check character over `values`, weighted 1, 2, ... up to `heaviest` from the right.
int code93Check(std::span<const int> values, int heaviest) {
    int sum = 0, weight = 1;
    for (std::size_t i = values.size(); i-- > 0;) {
        sum += values[i] * weight;
        weight = weight == heaviest ? 1 : weight + 1;
    }
    return sum % 47;
}

// Full ASCII: the four shift characters and a letter after them stand for one character.
std::optional<QString> code93Text(std::span<const int> values) {
    constexpr int kFirstShift = 43;
    QString text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] < kFirstShift) {
            text += QChar::fromLatin1(SymbologyTables::kCode93Characters[std::size_t(values[i])]);
            continue;
        }
        if (++i == values.size() || values[i] < 10 || values[i] > 35) return std::nullopt;
        const int shift = values[i - 1] - kFirstShift, letter = 'A' + values[i] - 10;
        int c = -1;
        switch (shift) {
        case 0: // $A to $Z: control characters 1 to 26
            c = letter - 64;
            break;
        case 1: // %A to %Z
            c = letter <= 'E'   ? letter - 38
                : letter <= 'J' ? letter - 11
                : letter <= 'O' ? letter + 16
                : letter <= 'T' ? letter + 43
                : letter == 'U' ? 0
                : letter == 'V' ? '@'
                : letter == 'W' ? '`'
                                : 127;
            break;
        case 2: // /A to /O, /Z
            c = letter <= 'O' ? letter - 32 : letter == 'Z' ? ':' : -1;
            break;
        default: // +A to +Z: small letters
            c = letter + 32;
        }
        if (c < 0) return std::nullopt;
        text += QChar(c);
    }
    return text;
}

std::optional<LineDecode::Decoded> decodeCode93(std::span<const double> w, std::size_t first) {
    const auto& table = code93Characters();
    std::vector<int> values;
    double margin = 1;
    std::size_t at = first;
    for (bool started = false;; started = true) {
        if (at + 7 > w.size()) return std::nullopt;
        const Measured m = measure(&w[at], 6, kCode93Modules, true);
        const Match match = lookUp(table, m);
        if (match.value < 0) return std::nullopt;
        margin = std::min({margin, m.margin, match.margin});
        const bool startStop = match.value == kCode93StartStop;
        if (started != !startStop) {
            if (!started) return std::nullopt;
            // The stop ends in a bar of one module.
            const double bar = w[at + 6] * kCode93Modules / sumOf(w, at, 6);
            if (std::lround(bar) != 1) return std::nullopt;
            break;
        }
        if (started) values.push_back(match.value);
        at += 6;
    }
    const std::size_t n = values.size();
    if (n < 3 || code93Check(std::span(values).first(n - 2), 20) != values[n - 2] ||
        code93Check(std::span(values).first(n - 1), 15) != values[n - 1])
        return std::nullopt;
    const auto text = code93Text(std::span(values).first(n - 2));
    if (!text) return std::nullopt;
    const int elements = static_cast<int>(at + 7 - first);
    const int modules = static_cast<int>(n + 2) * kCode93Modules + 1;
    return LineDecode::Decoded{*text, elements, sumOf(w, first, std::size_t(elements)) / modules,
                               margin};
}

} // namespace

namespace LineDecode {

QuietZone quietZoneOf(Linear symbology, bool addOn) {
    QuietZone zone{};
    if (int(symbology) < int(kSymbologies.size())) {
        zone = ::quietZoneOf(Symbology(symbology));
    } else {
        // As the encoder that draws them leaves them.
        const auto drawn =
            std::find_if(std::begin(kZintLinear), std::end(kZintLinear),
                         [&](const auto& entry) { return entry.second == symbology; });
        const zintsym::QuietModules q = zintsym::quietModulesOf(drawn->first);
        zone = {q.before, q.after};
    }
    if (addOn && takesAddOn(symbology)) zone.after = zintsym::kAddOnQuietAfter;
    return zone;
}

std::optional<Decoded> decode(Linear symbology, std::span<const double> widths, int first,
                              bool addOn) {
    if (first < 0 || std::size_t(first) >= widths.size()) return std::nullopt;
    const auto at = std::size_t(first);
    std::optional<Decoded> decoded;
    switch (symbology) {
    case Linear::Code39:
        return decodeCode39(widths, at);
    case Linear::Code128:
        return decodeCode128(widths, at);
    case Linear::Itf:
        return decodeItf(widths, at);
    case Linear::Code93:
        return decodeCode93(widths, at);
    case Linear::Codabar:
        return decodeCodabar(widths, at);
    case Linear::Ean13:
    case Linear::Ean8:
    case Linear::UpcA:
        decoded = decodeEan(widths, at, Symbology(symbology));
        break;
    case Linear::UpcE:
        decoded = decodeUpcE(widths, at);
        break;
    }
    return addOn ? withAddOn(widths, at, decoded) : decoded;
}

} // namespace LineDecode

namespace LineDecode {

std::optional<QString> textOfModules(Linear symbology, QStringView modules, bool addOn) {
    std::vector<double> widths;
    for (qsizetype i = 0; i < modules.size(); ++i) {
        if (i == 0 || modules[i] != modules[i - 1]) widths.push_back(0);
        ++widths.back();
    }
    if (modules.isEmpty() || modules.front() != u'1') return std::nullopt;
    const auto decoded = decode(symbology, widths, 0, addOn);
    if (!decoded || decoded->elementCount != int(widths.size())) return std::nullopt;
    return decoded->text;
}

} // namespace LineDecode
