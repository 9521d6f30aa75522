#include "decode/QrMatrix.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <mutex>
#include <optional>

namespace QrMatrix {

namespace {

using MatrixSymbol::Block;
using MatrixSymbol::Codeword;
using MatrixSymbol::DamageScale;
using MatrixSymbol::MatrixRead;
using MatrixSymbol::Module;
using MatrixSymbol::ModuleMatrix;
using MatrixSymbol::Segment;

// Per version and level (L, M, Q, H): check codewords per block, then the two groups of
// blocks as (count, data codewords).
struct Blocks {
    int ecPerBlock;
    int count1, data1, count2, data2;
};
constexpr Blocks kBlocks[40][4] = {
    {{7, 1, 19, 0, 0}, {10, 1, 16, 0, 0}, {13, 1, 13, 0, 0}, {17, 1, 9, 0, 0}},
    {{10, 1, 34, 0, 0}, {16, 1, 28, 0, 0}, {22, 1, 22, 0, 0}, {28, 1, 16, 0, 0}},
    {{15, 1, 55, 0, 0}, {26, 1, 44, 0, 0}, {18, 2, 17, 0, 0}, {22, 2, 13, 0, 0}},
    {{20, 1, 80, 0, 0}, {18, 2, 32, 0, 0}, {26, 2, 24, 0, 0}, {16, 4, 9, 0, 0}},
    {{26, 1, 108, 0, 0}, {24, 2, 43, 0, 0}, {18, 2, 15, 2, 16}, {22, 2, 11, 2, 12}},
    {{18, 2, 68, 0, 0}, {16, 4, 27, 0, 0}, {24, 4, 19, 0, 0}, {28, 4, 15, 0, 0}},
    {{20, 2, 78, 0, 0}, {18, 4, 31, 0, 0}, {18, 2, 14, 4, 15}, {26, 4, 13, 1, 14}},
    {{24, 2, 97, 0, 0}, {22, 2, 38, 2, 39}, {22, 4, 18, 2, 19}, {26, 4, 14, 2, 15}},
    {{30, 2, 116, 0, 0}, {22, 3, 36, 2, 37}, {20, 4, 16, 4, 17}, {24, 4, 12, 4, 13}},
    {{18, 2, 68, 2, 69}, {26, 4, 43, 1, 44}, {24, 6, 19, 2, 20}, {28, 6, 15, 2, 16}},
    {{20, 4, 81, 0, 0}, {30, 1, 50, 4, 51}, {28, 4, 22, 4, 23}, {24, 3, 12, 8, 13}},
    {{24, 2, 92, 2, 93}, {22, 6, 36, 2, 37}, {26, 4, 20, 6, 21}, {28, 7, 14, 4, 15}},
    {{26, 4, 107, 0, 0}, {22, 8, 37, 1, 38}, {24, 8, 20, 4, 21}, {22, 12, 11, 4, 12}},
    {{30, 3, 115, 1, 116}, {24, 4, 40, 5, 41}, {20, 11, 16, 5, 17}, {24, 11, 12, 5, 13}},
    {{22, 5, 87, 1, 88}, {24, 5, 41, 5, 42}, {30, 5, 24, 7, 25}, {24, 11, 12, 7, 13}},
    {{24, 5, 98, 1, 99}, {28, 7, 45, 3, 46}, {24, 15, 19, 2, 20}, {30, 3, 15, 13, 16}},
    {{28, 1, 107, 5, 108}, {28, 10, 46, 1, 47}, {28, 1, 22, 15, 23}, {28, 2, 14, 17, 15}},
    {{30, 5, 120, 1, 121}, {26, 9, 43, 4, 44}, {28, 17, 22, 1, 23}, {28, 2, 14, 19, 15}},
    {{28, 3, 113, 4, 114}, {26, 3, 44, 11, 45}, {26, 17, 21, 4, 22}, {26, 9, 13, 16, 14}},
    {{28, 3, 107, 5, 108}, {26, 3, 41, 13, 42}, {30, 15, 24, 5, 25}, {28, 15, 15, 10, 16}},
    {{28, 4, 116, 4, 117}, {26, 17, 42, 0, 0}, {28, 17, 22, 6, 23}, {30, 19, 16, 6, 17}},
    {{28, 2, 111, 7, 112}, {28, 17, 46, 0, 0}, {30, 7, 24, 16, 25}, {24, 34, 13, 0, 0}},
    {{30, 4, 121, 5, 122}, {28, 4, 47, 14, 48}, {30, 11, 24, 14, 25}, {30, 16, 15, 14, 16}},
    {{30, 6, 117, 4, 118}, {28, 6, 45, 14, 46}, {30, 11, 24, 16, 25}, {30, 30, 16, 2, 17}},
    {{26, 8, 106, 4, 107}, {28, 8, 47, 13, 48}, {30, 7, 24, 22, 25}, {30, 22, 15, 13, 16}},
    {{28, 10, 114, 2, 115}, {28, 19, 46, 4, 47}, {28, 28, 22, 6, 23}, {30, 33, 16, 4, 17}},
    {{30, 8, 122, 4, 123}, {28, 22, 45, 3, 46}, {30, 8, 23, 26, 24}, {30, 12, 15, 28, 16}},
    {{30, 3, 117, 10, 118}, {28, 3, 45, 23, 46}, {30, 4, 24, 31, 25}, {30, 11, 15, 31, 16}},
    {{30, 7, 116, 7, 117}, {28, 21, 45, 7, 46}, {30, 1, 23, 37, 24}, {30, 19, 15, 26, 16}},
    {{30, 5, 115, 10, 116}, {28, 19, 47, 10, 48}, {30, 15, 24, 25, 25}, {30, 23, 15, 25, 16}},
    {{30, 13, 115, 3, 116}, {28, 2, 46, 29, 47}, {30, 42, 24, 1, 25}, {30, 23, 15, 28, 16}},
    {{30, 17, 115, 0, 0}, {28, 10, 46, 23, 47}, {30, 10, 24, 35, 25}, {30, 19, 15, 35, 16}},
    {{30, 17, 115, 1, 116}, {28, 14, 46, 21, 47}, {30, 29, 24, 19, 25}, {30, 11, 15, 46, 16}},
    {{30, 13, 115, 6, 116}, {28, 14, 46, 23, 47}, {30, 44, 24, 7, 25}, {30, 59, 16, 1, 17}},
    {{30, 12, 121, 7, 122}, {28, 12, 47, 26, 48}, {30, 39, 24, 14, 25}, {30, 22, 15, 41, 16}},
    {{30, 6, 121, 14, 122}, {28, 6, 47, 34, 48}, {30, 46, 24, 10, 25}, {30, 2, 15, 64, 16}},
    {{30, 17, 122, 4, 123}, {28, 29, 46, 14, 47}, {30, 49, 24, 10, 25}, {30, 24, 15, 46, 16}},
    {{30, 4, 122, 18, 123}, {28, 13, 46, 32, 47}, {30, 48, 24, 14, 25}, {30, 42, 15, 32, 16}},
    {{30, 20, 117, 4, 118}, {28, 40, 47, 7, 48}, {30, 43, 24, 22, 25}, {30, 10, 15, 67, 16}},
    {{30, 19, 118, 6, 119}, {28, 18, 47, 31, 48}, {30, 34, 24, 34, 25}, {30, 20, 15, 61, 16}},
};

// The check codewords a reader keeps back against misreads, for the small versions whose
// blocks correct only a few codewords: by version 1 to 3 and level L M Q H.
constexpr int kMisdecodeProtection[3][4] = {{3, 2, 1, 1}, {2, 0, 0, 0}, {1, 0, 0, 0}};

// The format information's level bits, by level L M Q H.
constexpr int kLevelBits[4] = {1, 0, 3, 2};

int bchCode(int data, int dataBits, int generator, int generatorBits) {
    int value = data << (generatorBits - 1);
    for (int bit = dataBits + generatorBits - 2; bit >= generatorBits - 1; --bit)
        if (value & (1 << bit)) value ^= generator << (bit - (generatorBits - 1));
    return (data << (generatorBits - 1)) | value;
}

int versionBits(int version) {
    return bchCode(version, 6, 0x1F25, 13);
}

// Row and column of format bit i (0 the least significant) in the first and second copy.
Module formatModule(int copy, int bit, int size) {
    if (copy == 0) {
        if (bit <= 5) return {8, bit}; // column 8, rows 0 to 5
        if (bit == 6) return {8, 7};   // row 7
        if (bit == 7) return {8, 8};   // the corner
        if (bit == 8) return {7, 8};   // row 8, column 7
        return {14 - bit, 8};          // row 8, columns 5 to 0
    }
    if (bit <= 7) return {size - 1 - bit, 8}; // row 8, from the right
    return {8, size - 15 + bit};              // column 8, from the bottom up
}

Module versionModule(int copy, int bit, int size) {
    const int along = bit / 3, across = size - 11 + bit % 3;
    return copy == 0 ? Module{across, along} : Module{along, across};
}

bool maskInverts(int mask, int row, int column) {
    const int i = row, j = column;
    switch (mask) {
    case 0:
        return (i + j) % 2 == 0;
    case 1:
        return i % 2 == 0;
    case 2:
        return j % 3 == 0;
    case 3:
        return (i + j) % 3 == 0;
    case 4:
        return (i / 2 + j / 3) % 2 == 0;
    case 5:
        return (i * j) % 2 + (i * j) % 3 == 0;
    case 6:
        return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default:
        return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

int bitsAt(const ModuleMatrix& m, const std::vector<Module>& modules) {
    int value = 0;
    for (const Module& p : modules)
        value = (value << 1) | (m.dark(p.y(), p.x()) ? 1 : 0);
    return value;
}

// The valid code nearest to `read`, when it is within `most` bits.
std::optional<int> nearestCode(int read, const std::vector<int>& codes, int most) {
    int best = -1, bestDistance = most + 1;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const int distance = std::popcount(unsigned(read ^ codes[i]));
        if (distance < bestDistance) {
            best = int(i);
            bestDistance = distance;
        }
    }
    return best < 0 ? std::nullopt : std::optional(best);
}

std::vector<Module> formatCopy(int copy, int size) {
    std::vector<Module> modules;
    for (int bit = 14; bit >= 0; --bit)
        modules.push_back(formatModule(copy, bit, size));
    return modules;
}
std::vector<Module> versionCopy(int copy, int size) {
    std::vector<Module> modules;
    for (int bit = 17; bit >= 0; --bit)
        modules.push_back(versionModule(copy, bit, size));
    return modules;
}

Segment finderSegment(const QString& name, int top, int left, int size) {
    Segment s{name, {}, {}, DamageScale::Count, {0, 1, 2, 3}};
    for (int r = -1; r <= 7; ++r)
        for (int c = -1; c <= 7; ++c) {
            const int row = top + r, column = left + c;
            if (row < 0 || column < 0 || row >= size || column >= size) continue;
            const int ring = std::max(std::abs(2 * r - 6), std::abs(2 * c - 6)) / 2; // 0 centre
            s.modules.push_back({column, row});
            s.dark.push_back(ring <= 1 || ring == 3);
        }
    return s;
}

std::vector<Segment> fixedSegments(int version, int size, int format, int versionCode) {
    std::vector<Segment> segments = {
        finderSegment(QStringLiteral("upper left finder"), 0, 0, size),
        finderSegment(QStringLiteral("upper right finder"), 0, size - 7, size),
        finderSegment(QStringLiteral("lower left finder"), size - 7, 0, size)};
    Segment timing{QStringLiteral("timing"), {}, {}, DamageScale::Share, {0, 0.07, 0.11, 0.14}};
    for (int i = 8; i < size - 8; ++i) {
        timing.modules.push_back({i, 6});
        timing.dark.push_back(i % 2 == 0);
        timing.modules.push_back({6, i});
        timing.dark.push_back(i % 2 == 0);
    }
    segments.push_back(timing);
    Segment formatInformation{
        QStringLiteral("format information"), {}, {}, DamageScale::Count, {0, 1, 2, 3}};
    for (int copy = 0; copy < 2; ++copy) {
        const std::vector<Module> modules = formatCopy(copy, size);
        for (std::size_t i = 0; i < modules.size(); ++i) {
            formatInformation.modules.push_back(modules[i]);
            formatInformation.dark.push_back((format >> (14 - int(i))) & 1);
        }
    }
    formatInformation.modules.push_back({8, size - 8}); // always dark
    formatInformation.dark.push_back(true);
    segments.push_back(formatInformation);
    if (version >= 7) {
        Segment versionInformation{
            QStringLiteral("version information"), {}, {}, DamageScale::Count, {0, 1, 2, 3}};
        for (int copy = 0; copy < 2; ++copy) {
            const std::vector<Module> modules = versionCopy(copy, size);
            for (std::size_t i = 0; i < modules.size(); ++i) {
                versionInformation.modules.push_back(modules[i]);
                versionInformation.dark.push_back((versionCode >> (17 - int(i))) & 1);
            }
        }
        segments.push_back(versionInformation);
    }
    return segments;
}

// The data bits, most significant first, as a stream the segments are read from.
class BitStream {
  public:
    explicit BitStream(std::vector<int> bytes) : bytes_(std::move(bytes)) {}
    int available() const { return int(bytes_.size()) * 8 - position_; }
    int read(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i, ++position_)
            value =
                (value << 1) | ((bytes_[std::size_t(position_ / 8)] >> (7 - position_ % 8)) & 1);
        return value;
    }

  private:
    std::vector<int> bytes_;
    int position_ = 0;
};

constexpr char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";

int countBits(int mode, int version) {
    const int band = version <= 9 ? 0 : version <= 26 ? 1 : 2;
    switch (mode) {
    case 1:
        return std::array{10, 12, 14}[std::size_t(band)];
    case 2:
        return std::array{9, 11, 13}[std::size_t(band)];
    case 4:
        return std::array{8, 16, 16}[std::size_t(band)];
    default: // kanji
        return std::array{8, 10, 12}[std::size_t(band)];
    }
}

QString bytesAsText(const QByteArray& bytes, int eci) {
    if (eci == 3 || eci == 1) return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (eci == 26 || !utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
}

// The data segments as text; nothing when the stream is not one a QR Code can hold.
std::optional<QString> decodeData(const std::vector<int>& data, int version) {
    BitStream bits(data);
    QString text;
    QByteArray pendingBytes;
    int eci = -1;
    bool gs1 = false;
    auto flush = [&] {
        text += bytesAsText(pendingBytes, eci);
        pendingBytes.clear();
    };
    while (bits.available() >= 4) {
        const int mode = bits.read(4);
        if (mode == 0) break;
        if (mode == 7) { // ECI
            flush();
            int designator = bits.read(8);
            if ((designator & 0x80) == 0x80) designator = ((designator & 0x3F) << 8) | bits.read(8);
            if ((designator & 0xC000) == 0xC000)
                designator = ((designator & 0x1F) << 8) | bits.read(8);
            eci = designator;
            continue;
        }
        if (mode == 5) {
            gs1 = true;
            continue;
        }
        if (mode == 9) {
            bits.read(8); // the application indicator
            continue;
        }
        if (mode == 3) { // structured append: position and parity
            bits.read(16);
            continue;
        }
        if (mode != 1 && mode != 2 && mode != 4 && mode != 8) return std::nullopt;
        const int countLength = countBits(mode, version);
        if (bits.available() < countLength) return std::nullopt;
        int count = bits.read(countLength);
        if (mode == 4) {
            if (bits.available() < 8 * count) return std::nullopt;
            for (int i = 0; i < count; ++i)
                pendingBytes.append(char(bits.read(8)));
            continue;
        }
        flush();
        if (mode == 1) {
            while (count > 0) {
                const int digits = std::min(count, 3);
                const int width = std::array{0, 4, 7, 10}[std::size_t(digits)];
                if (bits.available() < width) return std::nullopt;
                const int value = bits.read(width);
                if (value >= std::array{1, 10, 100, 1000}[std::size_t(digits)]) return std::nullopt;
                text += QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
                count -= digits;
            }
        } else if (mode == 2) {
            QString run;
            while (count > 0) {
                const bool pair = count >= 2;
                if (bits.available() < (pair ? 11 : 6)) return std::nullopt;
                const int value = bits.read(pair ? 11 : 6);
                if (pair) {
                    if (value / 45 >= 45) return std::nullopt;
                    run += QLatin1Char(kAlphanumeric[value / 45]);
                    run += QLatin1Char(kAlphanumeric[value % 45]);
                } else {
                    if (value >= 45) return std::nullopt;
                    run += QLatin1Char(kAlphanumeric[value]);
                }
                count -= pair ? 2 : 1;
            }
            if (gs1) { // "%" stands for the group separator, "%%" for a percent sign
                QString unescaped;
                for (qsizetype i = 0; i < run.size(); ++i) {
                    if (run[i] != u'%') {
                        unescaped += run[i];
                    } else if (i + 1 < run.size() && run[i + 1] == u'%') {
                        unescaped += u'%';
                        ++i;
                    } else {
                        unescaped += QChar(0x1D);
                    }
                }
                run = unescaped;
            }
            text += run;
        } else { // kanji, 13 bits each, as Shift JIS
            QByteArray sjis;
            for (int i = 0; i < count; ++i) {
                if (bits.available() < 13) return std::nullopt;
                const int value = bits.read(13);
                int code = (value / 0xC0) << 8 | (value % 0xC0);
                code += code < 0x1F00 ? 0x8140 : 0xC140;
                sjis.append(char(code >> 8));
                sjis.append(char(code & 0xFF));
            }
            QStringDecoder shiftJis("Shift_JIS");
            text += shiftJis.isValid() ? shiftJis(sjis) : QString::fromLatin1(sjis);
        }
    }
    flush();
    return text;
}

} // namespace

int versionOfSize(int size) {
    if (size < 21 || size > 177 || (size - 17) % 4 != 0) return 0;
    return (size - 17) / 4;
}

std::vector<int> alignmentCentres(int version) {
    if (version < 2) return {};
    const int count = version / 7 + 2;
    const int last = 4 * version + 10;
    const int step = version == 32 ? 26 : (version * 4 + count * 2 + 1) / (2 * count - 2) * 2;
    std::vector<int> centres(static_cast<std::size_t>(count));
    centres[0] = 6;
    for (int i = count - 1, position = last; i >= 1; --i, position -= step)
        centres[std::size_t(i)] = position;
    return centres;
}

GridSampler2D::Layout gridLayout(int size) {
    using Kind = GridSampler2D::Reference::Kind;
    GridSampler2D::Layout layout{size, size, {}, 4};
    auto& refs = layout.references;
    for (const QPoint corner : {QPoint(0, 0), QPoint(size - 7, 0), QPoint(0, size - 7)}) {
        const double x = corner.x(), y = corner.y();
        refs.push_back({{x + 3.5, y + 3.5}, Kind::DarkCentre, 1.5});
        refs.push_back({{x, y + 3.5}, Kind::EdgeAcross, 0, false});
        refs.push_back({{x + 7, y + 3.5}, Kind::EdgeAcross, 0, true});
        refs.push_back({{x + 3.5, y}, Kind::EdgeDown, 0, false});
        refs.push_back({{x + 3.5, y + 7}, Kind::EdgeDown, 0, true});
    }
    const int version = versionOfSize(size);
    for (const int row : alignmentCentres(version))
        for (const int column : alignmentCentres(version))
            if (isAlignmentCentre(version, row, column))
                refs.push_back({{column + 0.5, row + 0.5}, Kind::DarkCentre, 0.9});
    // Between the separators, timing modules alternate, dark on even rows and columns.
    for (int k = 8; k <= size - 8; ++k) {
        const bool darkBefore = k - 1 >= 8 && (k - 1) % 2 == 0;
        refs.push_back({{double(k), 6.5}, Kind::EdgeAcross, 0, darkBefore});
        refs.push_back({{6.5, double(k)}, Kind::EdgeDown, 0, darkBefore});
    }
    return layout;
}

int formatBits(int level, int mask) {
    return bchCode((kLevelBits[level] << 3) | mask, 5, 0x537, 11) ^ 0x5412;
}

namespace {

// Every version's alignment centres, worked out once: the module tests ask for them per module.
const std::vector<int>& centresOf(int version) {
    static const std::array<std::vector<int>, 41> table = [] {
        std::array<std::vector<int>, 41> centres;
        for (int v = 1; v <= 40; ++v)
            centres[std::size_t(v)] = alignmentCentres(v);
        return centres;
    }();
    return table[std::size_t(std::clamp(version, 0, 40))];
}

} // namespace

bool isAlignmentCentre(int version, int row, int column) {
    const std::vector<int>& centres = centresOf(version);
    const auto rowAt = std::find(centres.begin(), centres.end(), row);
    const auto columnAt = std::find(centres.begin(), centres.end(), column);
    if (rowAt == centres.end() || columnAt == centres.end()) return false;
    const bool first = rowAt == centres.begin(), firstColumn = columnAt == centres.begin();
    const bool lastRow = rowAt + 1 == centres.end(), lastColumn = columnAt + 1 == centres.end();
    return !((first && firstColumn) || (first && lastColumn) || (lastRow && firstColumn));
}

bool isFunctionModule(int version, int row, int column) {
    const int size = 17 + 4 * version;
    if ((row < 9 && column < 9) || (row < 9 && column >= size - 8) ||
        (row >= size - 8 && column < 9))
        return true;
    if (row == 6 || column == 6) return true;
    if (version >= 7 && ((row < 6 && column >= size - 11) || (column < 6 && row >= size - 11)))
        return true;
    const std::vector<int>& centres = centresOf(version);
    for (const int r : centres)
        for (const int c : centres)
            if (std::abs(row - r) <= 2 && std::abs(column - c) <= 2 &&
                isAlignmentCentre(version, r, c))
                return true;
    return false;
}

namespace {

// The data modules of a version in placement order: two columns at a time from the right, up
// and down, past the function patterns. The same for every symbol of the version (a batch
// reads thousands): made once.
const std::vector<Module>& placementOrder(int version) {
    static std::array<std::once_flag, 41> made;
    static std::array<std::vector<Module>, 41> orders;
    std::call_once(made[std::size_t(version)], [version] {
        const int size = 17 + 4 * version;
        std::vector<bool> function(std::size_t(size) * std::size_t(size));
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column)
                function[std::size_t(row) * std::size_t(size) + std::size_t(column)] =
                    isFunctionModule(version, row, column);
        std::vector<Module>& order = orders[std::size_t(version)];
        bool upward = true;
        for (int right = size - 1; right > 0; right -= 2) {
            if (right == 6) --right;
            for (int step = 0; step < size; ++step) {
                const int row = upward ? size - 1 - step : step;
                for (int c = 0; c < 2; ++c)
                    if (!function[std::size_t(row) * std::size_t(size) + std::size_t(right - c)])
                        order.push_back({right - c, row});
            }
            upward = !upward;
        }
    });
    return orders[std::size_t(version)];
}

} // namespace

MatrixRead read(const ModuleMatrix& m) {
    MatrixRead result;
    const int size = m.rows;
    const int version = m.rows == m.columns ? versionOfSize(size) : 0;
    if (version == 0) {
        result.failure =
            QStringLiteral("not a QR Code's size: %1 by %2 modules").arg(m.rows).arg(m.columns);
        return result;
    }
    std::vector<int> formats;
    for (int level = 0; level < 4; ++level)
        for (int mask = 0; mask < 8; ++mask)
            formats.push_back(formatBits(level, mask));
    std::optional<int> format;
    for (int copy = 0; copy < 2 && !format; ++copy)
        format = nearestCode(bitsAt(m, formatCopy(copy, size)), formats, 3);
    if (!format) {
        result.failure = QStringLiteral("format information unreadable");
        return result;
    }
    const int level = *format / 8, mask = *format % 8;
    result.segments = fixedSegments(version, size, formats[std::size_t(*format)],
                                    version >= 7 ? versionBits(version) : 0);

    const std::vector<Module>& order = placementOrder(version);
    const Blocks& b = kBlocks[version - 1][level];
    const int blockCount = b.count1 + b.count2;
    const int total = b.count1 * (b.data1 + b.ecPerBlock) + b.count2 * (b.data2 + b.ecPerBlock);
    std::vector<std::vector<int>> blocks(static_cast<std::size_t>(blockCount));
    std::vector<int> dataCounts;
    for (int i = 0; i < blockCount; ++i)
        dataCounts.push_back(i < b.count1 ? b.data1 : b.data2);
    const int protection = version <= 3 ? kMisdecodeProtection[version - 1][level] : 0;
    for (const int data : dataCounts)
        result.blocks.push_back(Block{data, b.ecPerBlock, protection, {}});

    // Interleaved: the data codewords a column of blocks at a time, then the check codewords.
    const int longest = std::max(b.data1, b.data2);
    std::size_t next = 0;
    auto take = [&](int block) {
        Codeword c;
        c.block = block;
        c.index = int(blocks[std::size_t(block)].size());
        for (int bit = 0; bit < 8; ++bit) {
            const Module p = order[next++];
            c.modules.push_back(p);
            c.inverted.push_back(maskInverts(mask, p.y(), p.x()));
        }
        int value = 0;
        for (std::size_t bit = 0; bit < 8; ++bit)
            value =
                (value << 1) | (m.dark(c.modules[bit].y(), c.modules[bit].x()) != c.inverted[bit]);
        blocks[std::size_t(block)].push_back(value);
        result.codewords.push_back(std::move(c));
    };
    if (std::size_t(total) * 8 > order.size()) {
        result.failure = QStringLiteral("fewer data modules than codewords");
        return result;
    }
    for (int i = 0; i < longest; ++i)
        for (int block = 0; block < blockCount; ++block)
            if (i < dataCounts[std::size_t(block)]) take(block);
    for (int i = 0; i < b.ecPerBlock; ++i)
        for (int block = 0; block < blockCount; ++block)
            take(block);

    std::vector<std::vector<int>> corrected = blocks;
    std::vector<int> data;
    bool allCorrected = true;
    for (int block = 0; block < blockCount; ++block) {
        auto& codewords = corrected[std::size_t(block)];
        result.blocks[std::size_t(block)].result =
            ReedSolomon::correct(ReedSolomon::qrField(), codewords, b.ecPerBlock);
        allCorrected = allCorrected && result.blocks[std::size_t(block)].result.corrected;
        data.insert(data.end(), codewords.begin(),
                    codewords.begin() + dataCounts[std::size_t(block)]);
    }
    for (Codeword& c : result.codewords)
        c.wrong = corrected[std::size_t(c.block)][std::size_t(c.index)] !=
                  blocks[std::size_t(c.block)][std::size_t(c.index)];
    return MatrixSymbol::finished(std::move(result), m, allCorrected, corrected,
                                  allCorrected ? decodeData(data, version) : std::nullopt,
                                  QStringLiteral("QR Code's encoding rules"));
}

} // namespace QrMatrix
