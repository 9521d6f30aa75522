#pragma once

#include "decode/ReedSolomon.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What every 2D symbology's reference decode shares: the modules as sampled, and what reading
// them gave - codewords in their blocks with the errors and erasures each held, where each
// codeword's modules lie, the fixed patterns, and the text. A symbology plugs in a function
// from a module matrix to a MatrixRead; the grader needs nothing else of it.
namespace MatrixSymbol {

// Modules by row and column, row 0 at the top as the symbol reads, 1 dark.
struct ModuleMatrix {
    int rows = 0;
    int columns = 0;
    std::vector<std::uint8_t> cells;

    ModuleMatrix() = default;
    ModuleMatrix(int rowCount, int columnCount)
        : rows(rowCount), columns(columnCount),
          cells(std::size_t(rowCount) * std::size_t(columnCount), 0) {}
    bool dark(int row, int column) const { return cells[index(row, column)] != 0; }
    void set(int row, int column, bool isDark) { cells[index(row, column)] = isDark ? 1 : 0; }
    bool contains(int row, int column) const {
        return row >= 0 && column >= 0 && row < rows && column < columns;
    }

  private:
    std::size_t index(int row, int column) const {
        return std::size_t(row) * std::size_t(columns) + std::size_t(column);
    }
};

// A module by row (y) and column (x).
using Module = QPoint;

struct Block {
    int dataCount = 0;
    int ecCount = 0;
    int misdecodeProtection = 0; // check codewords kept back from correction against misreads
    ReedSolomon::BlockResult result;
};

// How a fixed pattern's damage turns into a grade: by the number of modules wrong (A at none,
// then B, C, D at most limits[1..3]) or by their share of the segment's modules.
enum class DamageScale { Count, Share };

struct Segment {
    QString name; // "upper left finder", "L-shape", "clock track"
    std::vector<Module> modules;
    std::vector<bool> dark; // what each module should be
    DamageScale scale = DamageScale::Count;
    double limits[4] = {0, 1, 2, 3}; // the most damage for A, B, C, D
};

struct Codeword {
    int block = 0;
    int index = 0;               // within its block: data first, then check codewords
    std::vector<Module> modules; // most significant bit first
    std::vector<bool> inverted;  // per module, when a mask shows the bit inverted there
    bool wrong = false;          // read wrong: correction changed it
};

struct MatrixRead {
    bool decoded = false;
    QString text;
    QString failure; // why it did not decode
    std::vector<Block> blocks;
    std::vector<Codeword> codewords;
    std::vector<Segment> segments;
    // Each module as it should be, once the codewords are corrected: the reference for the
    // reflectance margin. Empty when nothing decoded.
    ModuleMatrix ideal;
};

using MatrixDecoder = MatrixRead (*)(const ModuleMatrix& modules);

// The ideal matrix from the sampled one, the corrected codewords written into their modules.
// `blockCodewords[b]` holds block b's codewords in block order.
inline void writeCodewords(MatrixRead& read, const ModuleMatrix& sampled,
                           const std::vector<std::vector<int>>& blockCodewords,
                           int bitsPerCodeword) {
    read.ideal = sampled;
    for (const Codeword& c : read.codewords) {
        const int value = blockCodewords[std::size_t(c.block)][std::size_t(c.index)];
        for (std::size_t bit = 0; bit < c.modules.size(); ++bit) {
            const bool one = (value >> (bitsPerCodeword - 1 - int(bit))) & 1;
            const bool flip = bit < c.inverted.size() && c.inverted[bit];
            read.ideal.set(c.modules[bit].y(), c.modules[bit].x(), one != flip);
        }
    }
    for (const Segment& s : read.segments)
        for (std::size_t i = 0; i < s.modules.size(); ++i)
            if (read.ideal.contains(s.modules[i].y(), s.modules[i].x()))
                read.ideal.set(s.modules[i].y(), s.modules[i].x(), s.dark[i]);
}

// Ends a read whose blocks have been corrected: the failure when a block could not be or the
// data broke the symbology's rules (named by `rules`), else the text and the ideal matrix.
inline MatrixRead finished(MatrixRead read, const ModuleMatrix& sampled, bool allCorrected,
                           const std::vector<std::vector<int>>& corrected,
                           const std::optional<QString>& text, const QString& rules) {
    if (!allCorrected) {
        read.failure = QStringLiteral("too many codewords in error to correct");
        return read;
    }
    if (!text) {
        read.failure = QStringLiteral("the data do not follow %1").arg(rules);
        return read;
    }
    read.decoded = true;
    read.text = *text;
    writeCodewords(read, sampled, corrected, 8);
    return read;
}

} // namespace MatrixSymbol
