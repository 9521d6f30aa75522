#include "decode/LineFamilies.h"
#include "decode/LineMeasure.h"
#include "symbology/DigitCode.h"
#include "symbology/SymbologyTables.h"
#include "symbology/ZintEncoder.h"

#include <QString>

namespace LineFamilies {

using namespace LineMeasure;

namespace {

using SymbologyTables::DigitPatterns;
using SymbologyTables::runsOf;

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

// A 2- or 5-digit add-on from its guard at `first`: the digits and the elements they take.
std::optional<Decoded> decodeAddOn(std::span<const double> w, std::size_t first) {
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
        return Decoded{digits->text, int(elements), moduleWidth, digits->margin};
    }
    return std::nullopt;
}

// The gap between a symbol and its add-on, in modules, as the standards allow it.
constexpr double kLeastAddOnGap = 7, kMostAddOnGap = 12;

} // namespace

std::optional<Decoded> decodeEan(std::span<const double> w, std::size_t first,
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
    return Decoded{digits, static_cast<int>(elements), moduleWidth,
                   std::min(left->margin, right->margin)};
}

std::optional<Decoded> decodeUpcE(std::span<const double> w, std::size_t first) {
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
    return Decoded{system + digits->text + QChar(u'0' + check), static_cast<int>(elements),
                   moduleWidth, digits->margin};
}

// The main symbol followed by its add-on, as one symbol.
std::optional<Decoded> withAddOn(std::span<const double> w, std::size_t first,
                                 std::optional<Decoded> main) {
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
} // namespace LineFamilies
