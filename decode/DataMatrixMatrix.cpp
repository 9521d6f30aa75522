#include "decode/DataMatrixMatrix.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <optional>

namespace DataMatrixMatrix {

namespace {

using MatrixSymbol::Block;
using MatrixSymbol::Codeword;
using MatrixSymbol::DamageScale;
using MatrixSymbol::MatrixRead;
using MatrixSymbol::Module;
using MatrixSymbol::ModuleMatrix;
using MatrixSymbol::Segment;

struct Size {
    int rows, columns;
    int regionRows, regionColumns; // one data region's modules, inside its patterns
    int ecPerBlock;
    int blocks;
    int dataCodewords; // in all blocks together
};

constexpr Size kSizes[] = {
    {10, 10, 8, 8, 5, 1, 3},         {12, 12, 10, 10, 7, 1, 5},
    {14, 14, 12, 12, 10, 1, 8},      {16, 16, 14, 14, 12, 1, 12},
    {18, 18, 16, 16, 14, 1, 18},     {20, 20, 18, 18, 18, 1, 22},
    {22, 22, 20, 20, 20, 1, 30},     {24, 24, 22, 22, 24, 1, 36},
    {26, 26, 24, 24, 28, 1, 44},     {32, 32, 14, 14, 36, 1, 62},
    {36, 36, 16, 16, 42, 1, 86},     {40, 40, 18, 18, 48, 1, 114},
    {44, 44, 20, 20, 56, 1, 144},    {48, 48, 22, 22, 68, 1, 174},
    {52, 52, 24, 24, 42, 2, 204},    {64, 64, 14, 14, 56, 2, 280},
    {72, 72, 16, 16, 36, 4, 368},    {80, 80, 18, 18, 48, 4, 456},
    {88, 88, 20, 20, 56, 4, 576},    {96, 96, 22, 22, 68, 4, 696},
    {104, 104, 24, 24, 56, 6, 816},  {120, 120, 18, 18, 68, 6, 1050},
    {132, 132, 20, 20, 62, 8, 1304}, {144, 144, 22, 22, 62, 10, 1558},
    {8, 18, 6, 16, 7, 1, 5},         {8, 32, 6, 14, 11, 1, 10},
    {12, 26, 10, 24, 14, 1, 16},     {12, 36, 10, 16, 18, 1, 22},
    {16, 36, 14, 16, 24, 1, 32},     {16, 48, 14, 22, 28, 1, 49},
};

const Size* sizeOf(int rows, int columns) {
    for (const Size& s : kSizes)
        if (s.rows == rows && s.columns == columns) return &s;
    return nullptr;
}

// The module placement of ECC 200: codewords as eight-module "utah" shapes laid diagonally
// over the mapping matrix (the data regions side by side, without their patterns), wrapping
// at its edges, with four special shapes in the corners. Each cell gets codeword * 8 + bit
// (bit 0 the most significant), or -1 where nothing is placed.
class Placement {
  public:
    Placement(int rows, int columns)
        : rows_(rows), columns_(columns), cells_(std::size_t(rows) * std::size_t(columns), -1) {
        int codeword = 0, row = 4, column = 0;
        do {
            if (row == rows_ && column == 0) corner(codeword++, kCorner1);
            if (row == rows_ - 2 && column == 0 && columns_ % 4 != 0) corner(codeword++, kCorner2);
            if (row == rows_ - 2 && column == 0 && columns_ % 8 == 4) corner(codeword++, kCorner3);
            if (row == rows_ + 4 && column == 2 && columns_ % 8 == 0) corner(codeword++, kCorner4);
            do {
                if (row < rows_ && column >= 0 && free(row, column)) utah(row, column, codeword++);
                row -= 2;
                column += 2;
            } while (row >= 0 && column < columns_);
            row += 1;
            column += 3;
            do {
                if (row >= 0 && column < columns_ && free(row, column))
                    utah(row, column, codeword++);
                row += 2;
                column -= 2;
            } while (row < rows_ && column >= 0);
            row += 3;
            column += 1;
        } while (row < rows_ || column < columns_);
    }
    int at(int row, int column) const { return cells_[index(row, column)]; }

  private:
    // Row and column of each bit, counted back from the matrix's far edges when negative.
    using Shape = std::array<std::pair<int, int>, 8>;
    static constexpr int kFar = 1000;
    static constexpr Shape kCorner1 = {
        {{kFar - 1, 0}, {kFar - 1, 1}, {kFar - 1, 2}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
    static constexpr Shape kCorner2 = {
        {{kFar - 3, 0}, {kFar - 2, 0}, {kFar - 1, 0}, {0, -4}, {0, -3}, {0, -2}, {0, -1}, {1, -1}}};
    static constexpr Shape kCorner3 = {
        {{kFar - 3, 0}, {kFar - 2, 0}, {kFar - 1, 0}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
    static constexpr Shape kCorner4 = {
        {{kFar - 1, 0}, {kFar - 1, -1}, {0, -3}, {0, -2}, {0, -1}, {1, -3}, {1, -2}, {1, -1}}};

    std::size_t index(int row, int column) const {
        return std::size_t(row) * std::size_t(columns_) + std::size_t(column);
    }
    bool free(int row, int column) const { return cells_[index(row, column)] < 0; }
    void corner(int codeword, const Shape& shape) {
        for (int bit = 0; bit < 8; ++bit) {
            auto [r, c] = shape[std::size_t(bit)];
            if (r >= kFar - 8) r = rows_ - (kFar - r);
            if (c < 0) c += columns_;
            cells_[index(r, c)] = codeword * 8 + bit;
        }
    }
    void place(int row, int column, int codeword, int bit) {
        if (row < 0) {
            row += rows_;
            column += 4 - ((rows_ + 4) % 8);
        }
        if (column < 0) {
            column += columns_;
            row += 4 - ((columns_ + 4) % 8);
        }
        cells_[index(row, column)] = codeword * 8 + bit;
    }
    void utah(int row, int column, int codeword) {
        place(row - 2, column - 2, codeword, 0);
        place(row - 2, column - 1, codeword, 1);
        place(row - 1, column - 2, codeword, 2);
        place(row - 1, column - 1, codeword, 3);
        place(row - 1, column, codeword, 4);
        place(row, column - 2, codeword, 5);
        place(row, column - 1, codeword, 6);
        place(row, column, codeword, 7);
    }

    int rows_, columns_;
    std::vector<int> cells_;
};

// Where a cell of the mapping matrix lies in the symbol: past the patterns around each region.
Module symbolModule(const Size& s, int row, int column) {
    return {1 + (column / s.regionColumns) * (s.regionColumns + 2) + column % s.regionColumns,
            1 + (row / s.regionRows) * (s.regionRows + 2) + row % s.regionRows};
}

std::vector<Segment> fixedSegments(const Size& s) {
    Segment left{
        QStringLiteral("L-shape, left"), {}, {}, DamageScale::Share, {0, 0.09, 0.13, 0.17}};
    Segment bottom{
        QStringLiteral("L-shape, bottom"), {}, {}, DamageScale::Share, {0, 0.09, 0.13, 0.17}};
    Segment quietLeft{
        QStringLiteral("quiet zone, left"), {}, {}, DamageScale::Share, {0, 0.09, 0.13, 0.17}};
    Segment quietBottom{
        QStringLiteral("quiet zone, bottom"), {}, {}, DamageScale::Share, {0, 0.09, 0.13, 0.17}};
    Segment clock{QStringLiteral("clock track and alignment patterns"),
                  {},
                  {},
                  DamageScale::Share,
                  {0, 0.09, 0.13, 0.17}};
    for (int r = 0; r < s.rows; ++r) {
        left.modules.push_back({0, r});
        left.dark.push_back(true);
        quietLeft.modules.push_back({-1, r});
        quietLeft.dark.push_back(false);
    }
    for (int c = 0; c < s.columns; ++c) {
        bottom.modules.push_back({c, s.rows - 1});
        bottom.dark.push_back(true);
        quietBottom.modules.push_back({c, s.rows});
        quietBottom.dark.push_back(false);
    }
    // Every region's patterns but the outer L: solid lines at its bottom and left, alternating
    // ones at its top and right.
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.columns; ++c) {
            if (c == 0 || r == s.rows - 1) continue;
            const int inRow = r % (s.regionRows + 2), inColumn = c % (s.regionColumns + 2);
            const bool solidRow = inRow == s.regionRows + 1, solidColumn = inColumn == 0;
            const bool clockRow = inRow == 0, clockColumn = inColumn == s.regionColumns + 1;
            if (!(solidRow || solidColumn || clockRow || clockColumn)) continue;
            bool dark = false;
            if (solidRow || solidColumn)
                dark = true;
            else if (clockRow)
                dark = c % 2 == 0;
            else
                dark = r % 2 == 1;
            clock.modules.push_back({c, r});
            clock.dark.push_back(dark);
        }
    return {left, bottom, quietLeft, quietBottom, clock};
}

int unrandomize255(int codeword, int position) {
    const int pseudo = ((149 * position) % 255) + 1;
    const int value = codeword - pseudo;
    return value >= 0 ? value : value + 256;
}

constexpr char kC40Shift2[] = "!\"#$%&'()*+,-./:;<=>?@[\\]^_";

// The data codewords as text; nothing when they break the encodation rules.
std::optional<QString> decodeData(const std::vector<int>& data) {
    QByteArray bytes;
    bool upper = false;
    bool macroTrailer = false;
    std::size_t i = 0;
    auto put = [&](int c) {
        bytes.append(char(upper ? c + 128 : c));
        upper = false;
    };
    // Two codewords hold three values of a C40, Text or X12 set.
    auto tripletMode = [&](int mode) -> bool {
        int shift = 0;
        while (i + 1 < data.size() && data[i] != 254) {
            const int v = data[i] * 256 + data[i + 1] - 1;
            i += 2;
            for (const int value : {v / 1600, (v / 40) % 40, v % 40}) {
                if (mode == 238) { // X12
                    static constexpr char kX12[] = "\r*> ";
                    if (value < 4)
                        put(kX12[value]);
                    else if (value < 14)
                        put('0' + value - 4);
                    else
                        put('A' + value - 14);
                    continue;
                }
                if (shift == 0) {
                    if (value < 3)
                        shift = value + 1;
                    else if (value == 3)
                        put(' ');
                    else if (value < 14)
                        put('0' + value - 4);
                    else
                        put((mode == 230 ? 'A' : 'a') + value - 14);
                } else if (shift == 1) {
                    put(value);
                    shift = 0;
                } else if (shift == 2) {
                    if (value < 27)
                        put(kC40Shift2[value]);
                    else if (value == 27)
                        put(0x1D);
                    else if (value == 30)
                        upper = true;
                    else
                        return false;
                    shift = 0;
                } else {
                    if (mode == 230)
                        put(value + 96);
                    else if (value == 0)
                        put('`');
                    else if (value < 27)
                        put('A' + value - 1);
                    else
                        put('{' + value - 27);
                    shift = 0;
                }
            }
        }
        if (i < data.size() && data[i] == 254) ++i;
        return true;
    };
    while (i < data.size()) {
        const int c = data[i++];
        if (c >= 1 && c <= 128) {
            put(c - 1);
        } else if (c == 129) {
            break; // padding to the end
        } else if (c >= 130 && c <= 229) {
            const int pair = c - 130;
            put('0' + pair / 10);
            put('0' + pair % 10);
        } else if (c == 230 || c == 239 || c == 238) {
            if (!tripletMode(c)) return std::nullopt;
        } else if (c == 240) { // EDIFACT: four six-bit values in three codewords
            bool unlatched = false;
            while (!unlatched && i + 2 < data.size() + 2 && i < data.size()) {
                int bits = 0, available = 0;
                for (int k = 0; k < 3 && i < data.size(); ++k, available += 8)
                    bits = (bits << 8) | data[i++];
                bits <<= 24 - available;
                for (int k = 0; k < 4 && !unlatched; ++k) {
                    if ((k + 1) * 6 > available) break;
                    const int value = (bits >> (18 - 6 * k)) & 0x3F;
                    if (value == 0x1F)
                        unlatched = true;
                    else
                        put((value & 0x20) ? value : value | 0x40);
                }
            }
        } else if (c == 231) { // Base 256
            if (i >= data.size()) return std::nullopt;
            int length = unrandomize255(data[i], int(i) + 1);
            ++i;
            if (length >= 250) {
                if (i >= data.size()) return std::nullopt;
                length = (length - 249) * 250 + unrandomize255(data[i], int(i) + 1);
                ++i;
            } else if (length == 0) {
                length = int(data.size() - i);
            }
            if (i + std::size_t(length) > data.size()) return std::nullopt;
            for (int k = 0; k < length; ++k, ++i)
                bytes.append(char(unrandomize255(data[i], int(i) + 1)));
        } else if (c == 232) {
            if (i > 1) bytes.append(char(0x1D)); // FNC1 first marks GS1 data; later, a separator
        } else if (c == 235) {
            upper = true;
        } else if (c == 236 || c == 237) {
            if (i != 1) return std::nullopt;
            bytes.append(c == 236 ? "[)>\x1E"
                                    "05\x1D"
                                  : "[)>\x1E"
                                    "06\x1D");
            macroTrailer = true;
        } else if (c == 241) { // ECI: its number is not text
            if (i < data.size() && data[i] >= 128) ++i;
            if (i < data.size()) ++i;
        } else if (c == 233 || c == 234) {
            i += c == 233 ? 3 : 0; // structured append's sequence and file id; programming
        } else {
            return std::nullopt;
        }
    }
    if (macroTrailer) bytes.append("\x1E\x04");
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

bool isSize(int rows, int columns) {
    return sizeOf(rows, columns) != nullptr;
}

std::vector<std::pair<int, int>> sizesNear(int rows, int columns) {
    std::vector<std::pair<int, int>> sizes;
    for (const Size& s : kSizes)
        sizes.push_back({s.rows, s.columns});
    const auto distance = [&](const std::pair<int, int>& s) {
        return std::min(std::abs(s.first - rows) + std::abs(s.second - columns),
                        std::abs(s.first - columns) + std::abs(s.second - rows));
    };
    std::stable_sort(sizes.begin(), sizes.end(),
                     [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
    sizes.resize(3);
    return sizes;
}

GridSampler2D::Layout gridLayout(int rows, int columns) {
    using Kind = GridSampler2D::Reference::Kind;
    GridSampler2D::Layout layout{rows, columns, {}, 1};
    auto& refs = layout.references;
    for (int r = 0; r < rows; ++r) {
        refs.push_back({{0, r + 0.5}, Kind::EdgeAcross, 0, false}); // the L's outer edge
        if (r % 2 == 1) refs.push_back({{double(columns), r + 0.5}, Kind::EdgeAcross, 0, true});
        if (r > 0)
            refs.push_back({{columns - 0.5, double(r)}, Kind::EdgeDown, 0, (r - 1) % 2 == 1});
    }
    for (int c = 0; c < columns; ++c) {
        refs.push_back({{c + 0.5, double(rows)}, Kind::EdgeDown, 0, true});
        if (c % 2 == 0) refs.push_back({{c + 0.5, 0}, Kind::EdgeDown, 0, false});
        if (c > 0) refs.push_back({{double(c), 0.5}, Kind::EdgeAcross, 0, (c - 1) % 2 == 0});
    }
    return layout;
}

MatrixRead read(const ModuleMatrix& m) {
    MatrixRead result;
    const Size* size = sizeOf(m.rows, m.columns);
    if (!size) {
        result.failure =
            QStringLiteral("not a Data Matrix size: %1 by %2 modules").arg(m.rows).arg(m.columns);
        return result;
    }
    const Size& s = *size;
    result.segments = fixedSegments(s);
    const int regionsDown = s.rows / (s.regionRows + 2),
              regionsAcross = s.columns / (s.regionColumns + 2);
    const int mappingRows = regionsDown * s.regionRows,
              mappingColumns = regionsAcross * s.regionColumns;
    const Placement placement(mappingRows, mappingColumns);
    const int total = s.dataCodewords + s.ecPerBlock * s.blocks;
    std::vector<Codeword> inOrder(static_cast<std::size_t>(total));
    for (int r = 0; r < mappingRows; ++r)
        for (int c = 0; c < mappingColumns; ++c) {
            const int cell = placement.at(r, c);
            const Module module = symbolModule(s, r, c);
            if (cell < 0 || cell / 8 >= total) {
                // The corner left over in some sizes: a fixed checkerboard, dark at its
                // diagonal, part of the fixed pattern.
                continue;
            }
            auto& codeword = inOrder[std::size_t(cell / 8)];
            if (codeword.modules.size() < 8) codeword.modules.resize(8);
            codeword.modules[std::size_t(cell % 8)] = module;
        }
    std::vector<std::vector<int>> blocks(static_cast<std::size_t>(s.blocks));
    for (int i = 0; i < total; ++i) {
        Codeword& c = inOrder[std::size_t(i)];
        const bool check = i >= s.dataCodewords;
        c.block = (check ? i - s.dataCodewords : i) % s.blocks;
        c.index = int(blocks[std::size_t(c.block)].size());
        int value = 0;
        for (const Module& p : c.modules)
            value = (value << 1) | (m.dark(p.y(), p.x()) ? 1 : 0);
        blocks[std::size_t(c.block)].push_back(value);
    }
    for (int b = 0; b < s.blocks; ++b) {
        const int data = int(blocks[std::size_t(b)].size()) - s.ecPerBlock;
        // The small sizes with an odd count of check codewords keep one back against misreads.
        result.blocks.push_back(Block{data, s.ecPerBlock, s.ecPerBlock % 2, {}});
    }
    std::vector<std::vector<int>> corrected = blocks;
    bool allCorrected = true;
    for (int b = 0; b < s.blocks; ++b) {
        result.blocks[std::size_t(b)].result = ReedSolomon::correct(
            ReedSolomon::dataMatrixField(), corrected[std::size_t(b)], s.ecPerBlock);
        allCorrected = allCorrected && result.blocks[std::size_t(b)].result.corrected;
    }
    for (Codeword& c : inOrder)
        c.wrong = corrected[std::size_t(c.block)][std::size_t(c.index)] !=
                  blocks[std::size_t(c.block)][std::size_t(c.index)];
    result.codewords = std::move(inOrder);
    std::vector<int> data;
    for (int i = 0; i < s.dataCodewords; ++i) {
        const int b = i % s.blocks;
        data.push_back(corrected[std::size_t(b)][std::size_t(i / s.blocks)]);
    }
    return MatrixSymbol::finished(std::move(result), m, allCorrected, corrected,
                                  allCorrected ? decodeData(data) : std::nullopt,
                                  QStringLiteral("Data Matrix's encodation rules"));
}

} // namespace DataMatrixMatrix
