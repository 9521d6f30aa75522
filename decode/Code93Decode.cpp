#include "decode/LineFamilies.h"
#include "decode/LineMeasure.h"
#include "symbology/SymbologyTables.h"

#include <QString>

namespace LineFamilies {

using namespace LineMeasure;

namespace {

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

} // namespace

std::optional<Decoded> decodeCode93(std::span<const double> w, std::size_t first) {
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
    return Decoded{*text, elements, sumOf(w, first, std::size_t(elements)) / modules, margin};
}
} // namespace LineFamilies
