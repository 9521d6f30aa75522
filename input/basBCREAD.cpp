#include "basBCREAD.h"

#include "Code39.h"
#include "SymbologyTables.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace basBCREAD {
namespace {

// Nine elements (bar, space, ..., bar; "1" wide) and the narrow gap after the character, derived
// from the drawing patterns so the reader can only accept what the renderer draws.
constexpr std::array<std::array<char, 11>, 44> kElementPatterns = [] {
    std::array<std::array<char, 11>, 44> patterns{};
    for (int value = 0; value < 44; ++value)
        patterns[static_cast<std::size_t>(value)] = SymbologyTables::code39Elements(value);
    return patterns;
}();

constexpr int kSearchReach = 75; // pixels right of the start point looked at for the first bar
constexpr int kRunLimit = 23;    // a run this long is the quiet zone

// Positions are kept 64-bit, so walking right from any 32-bit start can never wrap around.
struct Row {
    const PixelSource& picture;
    std::int32_t y;

    Colour at(long long x) const {
        if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max()) return -1;
        return picture.Point(static_cast<int>(x), y);
    }
    // Length of the run of colour c from p, counting no further than `cap` pixels.
    int run(long long p, Colour c, int cap) const {
        int length = 0;
        while (length < cap && at(p + length) == c)
            ++length;
        return length;
    }
};

struct Widths {
    int smallestDark = 100, largestDark = 0, smallestLight = 100, largestLight = 0;

    void fold(Colour c, int length) {
        if (c == kBlack) {
            smallestDark = std::min(smallestDark, length);
            largestDark = std::max(largestDark, length);
        } else {
            smallestLight = std::min(smallestLight, length);
            largestLight = std::max(largestLight, length);
        }
    }
    bool readable() const { return smallestLight < largestLight && smallestDark < largestDark; }
    // A run exactly at the midpoint counts as wide.
    QChar element(Colour c, int length) const {
        const int midpointTwice =
            c == kBlack ? smallestDark + largestDark : smallestLight + largestLight;
        return 2 * length < midpointTwice ? u'0' : u'1';
    }
};

// x of the first dark pixel within reach right of x, or nothing.
std::optional<long long> firstBar(const Row& row, long long x) {
    for (long long x1 = x + 1; x1 <= x + kSearchReach; ++x1) {
        const Colour c = row.at(x1);
        if (c == -1) return std::nullopt;
        if (c == kBlack) return x1;
    }
    return std::nullopt;
}

Widths measure(const Row& row, long long x0) {
    Widths widths;
    for (long long p = x0;;) {
        const Colour c = row.at(p);
        const int length = row.run(p, c, kRunLimit);
        if (row.at(p + length) == -1 || length > kRunLimit - 1) break;
        widths.fold(c, length);
        p += length;
    }
    return widths;
}

QString classify(const Row& row, long long x0, const Widths& widths) {
    const int limit = 2 * widths.largestLight;
    QString elements;
    for (long long p = x0;;) {
        const Colour c = row.at(p);
        const int length = row.run(p, c, limit + 1);
        if (length > limit) break;
        elements += widths.element(c, length);
        p += length;
    }
    return elements + u'0'; // the gap after the last character, cut off by the quiet zone
}

} // namespace

QString DecodeRow(const PixelSource& picture, std::int32_t x, std::int32_t y) {
    QStringList patterns;
    for (const std::array<char, 11>& pattern : kElementPatterns)
        patterns << QString::fromLatin1(pattern.data());

    const Row row{picture, y};
    const std::optional<long long> x0 = firstBar(row, x);
    if (!x0) return QStringLiteral("ERR: BC not seen");

    const Widths widths = measure(row, *x0);
    if (!widths.readable()) return QStringLiteral("ERR: BC not readable");

    const QString elements = classify(row, *x0, widths);
    if (elements.size() % 10 != 0) return QStringLiteral("ERR: BC parity");

    QString text;
    for (qsizetype i = 0; i < elements.size(); i += 10) {
        const qsizetype index = patterns.indexOf(elements.mid(i, 10));
        if (index < 0) return QStringLiteral("ERR: BC unrecognized");
        text += Code39::Code39Chars.at(index);
    }
    if (text.size() < 2 || !text.startsWith(u'*') || !text.endsWith(u'*'))
        return QStringLiteral("ERR: BC invalid");
    return text.mid(1, text.size() - 2);
}

QString ReadBarcode(const PixelSource& picture, std::int32_t x, std::int32_t y, std::int32_t tries,
                    std::int32_t mode) {
    tries = std::clamp(tries, 1, 12);
    QString result;
    for (long long row = y; row < static_cast<long long>(y) + tries; ++row) {
        if (row > std::numeric_limits<std::int32_t>::max()) break;
        result = DecodeRow(picture, x, static_cast<std::int32_t>(row));
        if (!result.startsWith(QStringLiteral("ERR:"))) return result;
    }
    switch (mode) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("Error");
    default:
        return result;
    }
}

} // namespace basBCREAD
