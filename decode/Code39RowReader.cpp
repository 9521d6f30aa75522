#include "decode/Code39RowReader.h"

#include "symbology/Code39.h"
#include "symbology/SymbologyTables.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Code39RowReader {
namespace {

constexpr int kSearchReach = 75; // pixels right of the start point looked at for the first bar
constexpr int kRunLimit = 23;    // a run this long is the quiet zone

// The row from the first pixel right of the start point on, read in pieces as far as it is
// needed. Searching, measuring and classifying walk over the same pixels, so each is read once
// and kept; positions are 64-bit, so walking right from any 32-bit start can never wrap around.
class Row {
  public:
    Row(const PixelSource& picture, std::int32_t y, long long first)
        : picture_(picture), y_(y), first_(first) {
        pixels_.reserve(4 * kPiece); // a symbol the window draws, and its quiet zone
    }

    Colour at(long long x) {
        cover(x);
        return pixels_[static_cast<std::size_t>(x - first_)];
    }
    // Length of the run of colour c from p, counting no further than `cap` pixels.
    int run(long long p, Colour c, int cap) {
        cover(p + cap - 1);
        const Colour* pixel = &pixels_[static_cast<std::size_t>(p - first_)];
        int length = 0;
        while (length < cap && pixel[length] == c)
            ++length;
        return length;
    }

  private:
    static constexpr std::size_t kPiece = 128;

    void cover(long long x) {
        while (static_cast<std::size_t>(x - first_) >= pixels_.size())
            readPiece();
    }
    void readPiece() {
        const long long from = first_ + static_cast<long long>(pixels_.size());
        pixels_.resize(pixels_.size() + kPiece, -1);
        const long long inside = std::numeric_limits<int>::max() - from + 1;
        if (inside <= 0) return; // past the largest int everything is outside
        const std::span<Colour> piece(pixels_.end() - kPiece, pixels_.end());
        picture_.pointsAlongRow(static_cast<int>(from), y_,
                                piece.first(std::min<std::size_t>(kPiece, inside)));
    }

    const PixelSource& picture_;
    std::int32_t y_;
    long long first_;
    std::vector<Colour> pixels_;
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
    char element(Colour c, int length) const {
        const int midpointTwice =
            c == kBlack ? smallestDark + largestDark : smallestLight + largestLight;
        return 2 * length < midpointTwice ? '0' : '1';
    }
};

// x of the first dark pixel within reach right of x, or nothing.
std::optional<long long> firstBar(Row& row, long long x) {
    for (long long x1 = x + 1; x1 <= x + kSearchReach; ++x1) {
        const Colour c = row.at(x1);
        if (c == -1) return std::nullopt;
        if (c == kBlack) return x1;
    }
    return std::nullopt;
}

Widths measure(Row& row, long long x0) {
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

std::string classify(Row& row, long long x0, const Widths& widths) {
    const int limit = 2 * widths.largestLight;
    std::string elements;
    elements.reserve(256);
    for (long long p = x0;;) {
        const Colour c = row.at(p);
        const int length = row.run(p, c, limit + 1);
        if (length > limit) break;
        elements += widths.element(c, length);
        p += length;
    }
    return elements + '0'; // the gap after the last character, cut off by the quiet zone
}

} // namespace

Reading decodeRow(const PixelSource& picture, std::int32_t x, std::int32_t y) {
    Row row(picture, y, static_cast<long long>(x) + 1);
    const std::optional<long long> x0 = firstBar(row, x);
    if (!x0) return Failure::NotSeen;

    const Widths widths = measure(row, *x0);
    if (!widths.readable()) return Failure::NotReadable;

    const std::string elements = classify(row, *x0, widths);
    if (elements.size() % 10 != 0) return Failure::Parity;

    QString text;
    text.reserve(static_cast<qsizetype>(elements.size() / 10));
    for (std::size_t i = 0; i < elements.size(); i += 10) {
        const int index = SymbologyTables::kCode39ValueOfGroup[SymbologyTables::code39GroupNumber(
            std::string_view(elements).substr(i, 10))];
        if (index < 0) return Failure::Unrecognized;
        text += Code39::Code39Chars.at(index);
    }
    if (text.size() < 2 || !text.startsWith(u'*') || !text.endsWith(u'*')) return Failure::Invalid;
    return text.mid(1, text.size() - 2);
}

Reading readBarcode(const PixelSource& picture, std::int32_t x, std::int32_t y,
                    std::int32_t tries) {
    tries = std::clamp(tries, 1, 12);
    Reading reading = Failure::NotSeen;
    for (long long row = y; row < static_cast<long long>(y) + tries; ++row) {
        if (row > std::numeric_limits<std::int32_t>::max()) break;
        reading = decodeRow(picture, x, static_cast<std::int32_t>(row));
        if (std::holds_alternative<QString>(reading)) break;
    }
    return reading;
}

QString shownText(const Reading& reading, FailureShown shown) {
    if (const auto* text = std::get_if<QString>(&reading)) return *text;
    switch (shown) {
    case FailureShown::Nothing:
        return QString();
    case FailureShown::Error:
        return QStringLiteral("Error");
    case FailureShown::Reason:
        break;
    }
    switch (std::get<Failure>(reading)) {
    case Failure::NotSeen:
        return QStringLiteral("ERR: BC not seen");
    case Failure::NotReadable:
        return QStringLiteral("ERR: BC not readable");
    case Failure::Parity:
        return QStringLiteral("ERR: BC parity");
    case Failure::Unrecognized:
        return QStringLiteral("ERR: BC unrecognized");
    case Failure::Invalid:
        break;
    }
    return QStringLiteral("ERR: BC invalid");
}

} // namespace Code39RowReader
