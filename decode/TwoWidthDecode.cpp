#include "decode/LineFamilies.h"
#include "decode/LineMeasure.h"
#include "symbology/SymbologyTables.h"

#include <QString>

#include <algorithm>
#include <string>
#include <vector>

namespace LineFamilies {

using namespace LineMeasure;

namespace {

constexpr int kCode39Elements = 9;

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

} // namespace

std::optional<Decoded> decodeCode39(std::span<const double> w, std::size_t first) {
    using SymbologyTables::kCode39StartStop;
    QString text;
    double margin = 1;
    NarrowElements narrow;
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
        narrow.collect(&w[at], kCode39Elements, character->threshold);
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
    return Decoded{text, static_cast<int>(at - first), narrow.module(), margin};
}

std::optional<Decoded> decodeItf(std::span<const double> w, std::size_t first) {
    if (first + kItfStart + kItfPair + kItfStop > w.size()) return std::nullopt;
    QString text;
    double margin = 1;
    NarrowElements narrow;
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
        narrow.collect(&w[at], kItfPair, pair->threshold);
        margin = std::min(margin, pair->margin);
        text += QChar(u'0' + high);
        text += QChar(u'0' + low);
        last = pair;
        at += kItfPair;
    }
    return Decoded{text, static_cast<int>(at - first), narrow.module(), margin};
}

std::optional<Decoded> decodeCodabar(std::span<const double> w, std::size_t first) {
    const auto isStartStop = [](int value) {
        return SymbologyTables::kCodabarCharacters[std::size_t(value)] >= 'A';
    };
    QString text;
    double margin = 1;
    NarrowElements narrow;
    std::size_t at = first;
    for (int characters = 0;; ++characters) {
        if (at + kCodabarElements > w.size()) return std::nullopt;
        const auto character = codabarCharacter(&w[at]);
        if (!character) return std::nullopt;
        const auto& [value, t] = *character;
        margin = std::min(margin, t.margin);
        narrow.collect(&w[at], kCodabarElements, t.threshold);
        at += kCodabarElements;
        if (characters == 0 && !isStartStop(value)) return std::nullopt;
        if (characters > 0 && isStartStop(value)) break;
        // The engine gives the data without its start and stop characters.
        if (characters > 0) text += QChar::fromLatin1(SymbologyTables::kCodabarCharacters[value]);
        ++at; // the gap between characters
    }
    if (text.isEmpty()) return std::nullopt;
    return Decoded{text, static_cast<int>(at - first), narrow.module(), margin};
}
} // namespace LineFamilies
