#include "decode/LineFamilies.h"
#include "decode/LineMeasure.h"
#include "symbology/SymbologyTables.h"

#include <QString>

#include <numeric>

namespace LineFamilies {

using namespace LineMeasure;

namespace {

// The widths of a pattern's runs of equal modules: "11011001100" gives 2 1 2 2 2 2.
using SymbologyTables::runsOf;

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

} // namespace

std::optional<Decoded> decodeCode128(std::span<const double> w, std::size_t first) {
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
    return Decoded{*text, elements, width / modules, margin, values[1] == kCode128Fnc1};
}
} // namespace LineFamilies
