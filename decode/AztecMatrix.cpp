#include "decode/AztecMatrix.h"

#include "decode/ReedSolomon.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace AztecMatrix {
namespace {

using MatrixSymbol::DamageScale;
using MatrixSymbol::MatrixRead;
using MatrixSymbol::Module;
using MatrixSymbol::ModuleMatrix;
using MatrixSymbol::Segment;

constexpr int kMaxLayers[2] = {32, 4}; // full, compact
// Check codewords kept back from correction: the standard's "3 more for data security".
constexpr int kMisdecodeProtection = 3;

struct Format {
    bool compact = false;
    int layers = 0;
    int size = 0;
    int centre = 0;
    int dataWords = 0;
};

int wordSizeOf(int layers) {
    return layers <= 2 ? 6 : layers <= 8 ? 8 : layers <= 22 ? 10 : 12;
}

const ReedSolomon::Field& fieldOf(int wordSize) {
    static const ReedSolomon::Field gf16(4, 0x13, 1), gf64(6, 0x43, 1), gf256(8, 0x12D, 1),
        gf1024(10, 0x409, 1), gf4096(12, 0x1069, 1);
    switch (wordSize) {
    case 4:
        return gf16;
    case 6:
        return gf64;
    case 8:
        return gf256;
    case 10:
        return gf1024;
    default:
        return gf4096;
    }
}

// The core's rings: the bullseye's last dark ring, then the ring of the mode message.
int bullseyeRadius(bool compact) {
    return compact ? 4 : 6;
}
int modeRadius(bool compact) {
    return bullseyeRadius(compact) + 1;
}

// The mode message's modules in bit order, clockwise from the top left: 28 compact, 40 full.
std::vector<Module> modeModules(const Format& f) {
    const int c = f.centre, r = modeRadius(f.compact), n = f.compact ? 7 : 10;
    std::vector<Module> modules(std::size_t(4 * n));
    for (int i = 0; i < n; ++i) {
        // Full symbols step over the reference grid's centre line.
        const int offset = f.compact ? c - 3 + i : c - 5 + i + i / 5;
        modules[std::size_t(i)] = Module(offset, c - r);
        modules[std::size_t(i + n)] = Module(c + r, offset);
        modules[std::size_t(3 * n - 1 - i)] = Module(offset, c + r);
        modules[std::size_t(4 * n - 1 - i)] = Module(c - r, offset);
    }
    return modules;
}

// The data layers' modules in bit order: from the outermost layer inwards, each layer's four
// sides in turn, two modules across.
std::vector<Module> dataModules(const Format& f) {
    const int base = (f.compact ? 11 : 14) + 4 * f.layers;
    std::vector<int> map(std::size_t(base), 0);
    if (f.compact) {
        for (int i = 0; i < base; ++i)
            map[std::size_t(i)] = i;
    } else {
        // Positions skip the reference grid's lines, every 16th from the centre.
        const int half = base / 2;
        for (int i = 0; i < half; ++i) {
            const int away = i + i / 15;
            map[std::size_t(half - i - 1)] = f.centre - away - 1;
            map[std::size_t(half + i)] = f.centre + away + 1;
        }
    }
    const auto at = [&map](int i) { return map[std::size_t(i)]; };
    std::vector<Module> bits;
    for (int i = 0; i < f.layers; ++i) {
        const int side = (f.layers - i) * 4 + (f.compact ? 9 : 12);
        const int low = 2 * i, high = base - 1 - 2 * i;
        std::vector<Module> layer(std::size_t(side * 8));
        for (int j = 0; j < side; ++j)
            for (int k = 0; k < 2; ++k) {
                const auto put = [&](int quarter, Module m) {
                    layer[std::size_t(quarter * 2 * side + 2 * j + k)] = m;
                };
                put(0, Module(at(low + k), at(low + j)));
                put(1, Module(at(low + j), at(high - k)));
                put(2, Module(at(high - k), at(high - j)));
                put(3, Module(at(high - j), at(low + k)));
            }
        bits.insert(bits.end(), layer.begin(), layer.end());
    }
    return bits;
}

int wordAt(const ModuleMatrix& m, const std::vector<Module>& modules, std::size_t first, int bits) {
    int word = 0;
    for (int b = 0; b < bits; ++b) {
        const Module& at = modules[first + std::size_t(b)];
        word = (word << 1) | (m.dark(at.y(), at.x()) ? 1 : 0);
    }
    return word;
}

struct ModeMessage {
    std::vector<int> words;
    ReedSolomon::BlockResult result;
};

// The mode message, corrected, with the layers and data codewords it names written into `f`.
std::optional<ModeMessage> readMode(const ModuleMatrix& m, Format& f) {
    const std::vector<Module> modules = modeModules(f);
    const int count = f.compact ? 7 : 10, data = f.compact ? 2 : 4;
    ModeMessage mode;
    for (int w = 0; w < count; ++w)
        mode.words.push_back(wordAt(m, modules, std::size_t(4 * w), 4));
    mode.result = ReedSolomon::correct(fieldOf(4), mode.words, count - data);
    if (!mode.result.corrected) return std::nullopt;
    const std::vector<int>& w = mode.words;
    if (f.compact) {
        f.layers = (w[0] >> 2) + 1;
        f.dataWords = (((w[0] & 3) << 4) | w[1]) + 1;
    } else {
        f.layers = ((w[0] << 1) | (w[1] >> 3)) + 1;
        f.dataWords = (((w[1] & 7) << 8) | (w[2] << 4) | w[3]) + 1;
    }
    return mode;
}

Segment shareSegment(const char* name) {
    return Segment{QString::fromLatin1(name), {}, {}, DamageScale::Share, {0, 0.09, 0.13, 0.17}};
}

std::vector<Segment> fixedSegments(const Format& f) {
    const int c = f.centre, rim = bullseyeRadius(f.compact), r = modeRadius(f.compact);
    Segment finder = shareSegment("finder");
    for (int y = c - rim; y <= c + rim; ++y)
        for (int x = c - rim; x <= c + rim; ++x) {
            finder.modules.push_back(Module(x, y));
            finder.dark.push_back(std::max(std::abs(x - c), std::abs(y - c)) % 2 == 0);
        }
    // Three modules at each corner of the mode message's ring: 3, 2, 1 and 0 of them dark
    // clockwise from the top left, which tells the symbol's turn and mirroring.
    Segment orientation = shareSegment("orientation patterns");
    const auto mark = [&](int x, int y, bool dark) {
        orientation.modules.push_back(Module(x, y));
        orientation.dark.push_back(dark);
    };
    mark(c - r, c - r, true), mark(c - r + 1, c - r, true), mark(c - r, c - r + 1, true);
    mark(c + r, c - r, true), mark(c + r, c - r + 1, true), mark(c + r - 1, c - r, false);
    mark(c + r, c + r - 1, true), mark(c + r, c + r, false), mark(c + r - 1, c + r, false);
    mark(c - r, c + r, false), mark(c - r + 1, c + r, false), mark(c - r, c + r - 1, false);
    std::vector<Segment> segments{finder, orientation};
    if (f.compact) return segments;
    // Alternating modules on every 16th row and column from the centre, outside the core.
    Segment grid = shareSegment("reference grid");
    for (int y = 0; y < f.size; ++y)
        for (int x = 0; x < f.size; ++x) {
            const bool onLine = (x - c) % 16 == 0 || (y - c) % 16 == 0;
            if (!onLine || std::max(std::abs(x - c), std::abs(y - c)) <= r) continue;
            grid.modules.push_back(Module(x, y));
            grid.dark.push_back((x - c) % 2 == 0 && (y - c) % 2 == 0);
        }
    segments.push_back(grid);
    return segments;
}

// The bit stream of the data codewords: a codeword of all zeros or all ones is no codeword,
// and one that is all but its last bit alike carries those bits alone.
std::optional<std::vector<bool>> unstuffed(const std::vector<int>& words, int dataWords,
                                           int wordSize) {
    std::vector<bool> bits;
    const int ones = (1 << wordSize) - 1;
    for (int i = 0; i < dataWords; ++i) {
        const int w = words[std::size_t(i)];
        if (w == 0 || w == ones) return std::nullopt;
        if (w == 1 || w == ones - 1) {
            bits.insert(bits.end(), std::size_t(wordSize - 1), w > 1);
            continue;
        }
        for (int b = wordSize - 1; b >= 0; --b)
            bits.push_back((w >> b) & 1);
    }
    return bits;
}

enum class Mode { Upper, Lower, Mixed, Punct, Digit, Binary };

// A code's meaning in a mode: text, or a switch to another mode (a latch stays, a shift lasts
// one character), or FLG(n).
struct Code {
    std::string text;
    std::optional<Mode> to = std::nullopt;
    bool latch = false;
    bool flag = false;
};

Code codeOf(Mode mode, int code) {
    static const char* const kMixed[] = {"\x01", "\x02", "\x03", "\x04", "\x05", "\x06", "\x07",
                                         "\b",   "\t",   "\n",   "\x0B", "\f",   "\r",   "\x1B",
                                         "\x1C", "\x1D", "\x1E", "\x1F", "@",    "\\",   "^",
                                         "_",    "`",    "|",    "~",    "\x7F"};
    static const char* const kPunct[] = {"\r", "\r\n", ". ", ", ", ": ", "!", "\"", "#", "$", "%",
                                         "&",  "'",    "(",  ")",  "*",  "+", ",",  "-", ".", "/",
                                         ":",  ";",    "<",  "=",  ">",  "?", "[",  "]", "{", "}"};
    if (mode == Mode::Punct) {
        if (code == 0) return {{}, std::nullopt, false, true};
        if (code == 31) return {{}, Mode::Upper, true};
        return {kPunct[code - 1]};
    }
    if (code == 0) return {{}, Mode::Punct, false};
    if (code == 1) return {" "};
    switch (mode) {
    case Mode::Digit:
        if (code <= 11) return {std::string(1, char('0' + code - 2))};
        if (code <= 13) return {code == 12 ? "," : "."};
        return {{}, Mode::Upper, code == 14};
    case Mode::Mixed:
        if (code <= 27) return {kMixed[code - 2]};
        if (code == 31) return {{}, Mode::Binary, false};
        return {{}, code == 28 ? Mode::Lower : code == 29 ? Mode::Upper : Mode::Punct, true};
    default: // upper and lower case letters
        if (code <= 27) return {std::string(1, char((mode == Mode::Upper ? 'A' : 'a') + code - 2))};
        if (code == 28)
            return {{}, mode == Mode::Upper ? Mode::Lower : Mode::Upper, mode == Mode::Upper};
        if (code == 29) return {{}, Mode::Mixed, true};
        if (code == 30) return {{}, Mode::Digit, true};
        return {{}, Mode::Binary, false};
    }
}

class BitReader {
  public:
    explicit BitReader(const std::vector<bool>& bits) : bits_(bits) {}
    std::size_t left() const { return bits_.size() - at_; }
    int read(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 1) | (bits_[at_++] ? 1 : 0);
        return value;
    }

  private:
    const std::vector<bool>& bits_;
    std::size_t at_ = 0;
};

// The text of the bit stream; bytes are Latin-1 unless ECI 26 says UTF-8. An FNC1 after the
// first character is GS. A stream that ends inside a code ends the text there.
std::optional<QString> textOf(const std::vector<bool>& bits, QString& failure) {
    QString text;
    QByteArray pending;
    int eci = 3;
    const auto flush = [&] {
        text += eci == 26 ? QString::fromUtf8(pending) : QString::fromLatin1(pending);
        pending.clear();
    };
    Mode latch = Mode::Upper, current = Mode::Upper;
    BitReader reader(bits);
    while (true) {
        if (current == Mode::Binary) {
            if (reader.left() < 5) break;
            int length = reader.read(5);
            if (length == 0) {
                if (reader.left() < 11) break;
                length = reader.read(11) + 31;
            }
            for (; length > 0 && reader.left() >= 8; --length)
                pending.push_back(char(reader.read(8)));
            current = latch;
            continue;
        }
        const int size = current == Mode::Digit ? 4 : 5;
        if (reader.left() < std::size_t(size)) break;
        const Code code = codeOf(current, reader.read(size));
        if (code.flag) {
            if (reader.left() < 3) break;
            const int digits = reader.read(3);
            if (digits == 7) {
                failure = QStringLiteral("FLG(7) is reserved");
                return std::nullopt;
            }
            if (digits == 0 && (!text.isEmpty() || !pending.isEmpty())) pending.push_back('\x1D');
            if (digits > 0) {
                int value = 0;
                for (int i = 0; i < digits; ++i) {
                    const int digit = reader.left() >= 4 ? reader.read(4) - 2 : -1;
                    if (digit < 0 || digit > 9) {
                        failure = QStringLiteral("an ECI of other than digits");
                        return std::nullopt;
                    }
                    value = value * 10 + digit;
                }
                flush();
                eci = value;
            }
            current = latch;
            continue;
        }
        if (code.to) {
            latch = current;
            current = *code.to;
            if (code.latch) latch = current;
            continue;
        }
        pending.append(code.text.data(), qsizetype(code.text.size()));
        current = latch;
    }
    flush();
    return text;
}

// The format whose mode message corrects and names layers that fit the matrix's size.
std::optional<std::pair<Format, ModeMessage>> formatOf(const ModuleMatrix& m) {
    for (const bool compact : {true, false})
        for (int layers = 1; layers <= kMaxLayers[compact ? 1 : 0]; ++layers) {
            if (sizeOf(layers, compact) != m.rows) continue;
            Format f{compact, 0, m.rows, m.rows / 2, 0};
            auto mode = readMode(m, f);
            if (mode && sizeOf(f.layers, compact) == m.rows) return std::pair(f, std::move(*mode));
        }
    return std::nullopt;
}

bool isSize(int size) {
    for (const bool compact : {true, false})
        for (int layers = 1; layers <= kMaxLayers[compact ? 1 : 0]; ++layers)
            if (sizeOf(layers, compact) == size) return true;
    return false;
}

} // namespace

int sizeOf(int layers, bool compact) {
    const int base = (compact ? 11 : 14) + 4 * layers;
    return compact ? base : base + 1 + 2 * ((base / 2 - 1) / 15);
}

MatrixRead read(const ModuleMatrix& m) {
    MatrixRead result;
    if (m.rows != m.columns || !isSize(m.rows)) {
        result.failure =
            QStringLiteral("%1 x %2 modules is no Aztec Code size").arg(m.rows).arg(m.columns);
        return result;
    }
    const auto format = formatOf(m);
    if (!format) {
        result.failure = QStringLiteral("the mode message cannot be corrected");
        return result;
    }
    const auto& [f, mode] = *format;
    result.segments = fixedSegments(f);
    const int wordSize = wordSizeOf(f.layers);
    const std::vector<Module> bits = dataModules(f);
    const int total = int(bits.size()) / wordSize;
    const std::size_t pad = bits.size() % std::size_t(wordSize);
    if (f.dataWords >= total) {
        result.failure =
            QStringLiteral("the mode message names %1 data codewords; %2 layers hold %3")
                .arg(f.dataWords)
                .arg(f.layers)
                .arg(total);
        return result;
    }
    std::vector<int> words;
    for (int i = 0; i < total; ++i)
        words.push_back(wordAt(m, bits, pad + std::size_t(i * wordSize), wordSize));
    const std::vector<int> asRead = words;
    MatrixSymbol::Block block;
    block.dataCount = f.dataWords;
    block.ecCount = total - f.dataWords;
    block.misdecodeProtection = kMisdecodeProtection;
    block.result = ReedSolomon::correct(fieldOf(wordSize), words, block.ecCount);
    result.blocks.push_back(block);
    for (int i = 0; i < total; ++i) {
        MatrixSymbol::Codeword codeword;
        codeword.index = i;
        for (int b = 0; b < wordSize; ++b)
            codeword.modules.push_back(bits[pad + std::size_t(i * wordSize + b)]);
        codeword.wrong = words[std::size_t(i)] != asRead[std::size_t(i)];
        result.codewords.push_back(std::move(codeword));
    }
    if (!block.result.corrected) {
        result.failure = QStringLiteral("more codewords in error than %1 check codewords correct")
                             .arg(block.ecCount);
        return result;
    }
    const auto stream = unstuffed(words, f.dataWords, wordSize);
    if (!stream) {
        result.failure = QStringLiteral("a data codeword of all zeros or all ones");
        return result;
    }
    const auto text = textOf(*stream, result.failure);
    if (!text) return result;
    result.decoded = true;
    result.text = *text;
    MatrixSymbol::writeCodewords(result, m, {words}, wordSize);
    const std::vector<Module> modeAt = modeModules(f);
    for (std::size_t i = 0; i < modeAt.size(); ++i)
        result.ideal.set(modeAt[i].y(), modeAt[i].x(), (mode.words[i / 4] >> (3 - i % 4)) & 1);
    for (std::size_t i = 0; i < pad; ++i)
        result.ideal.set(bits[i].y(), bits[i].x(), false);
    return result;
}

std::vector<std::pair<int, int>> sizesNear(int rows, int columns) {
    const int around = (rows + columns) / 2;
    std::vector<int> sizes;
    for (int size = 15; size <= sizeOf(kMaxLayers[0], false); ++size)
        if (isSize(size)) sizes.push_back(size);
    std::ranges::stable_sort(sizes, {}, [around](int size) { return std::abs(size - around); });
    std::vector<std::pair<int, int>> nearest;
    for (std::size_t i = 0; i < sizes.size() && i < 3; ++i)
        nearest.push_back({sizes[i], sizes[i]});
    return nearest;
}

GridSampler2D::Layout gridLayout(int rows, int) {
    using Kind = GridSampler2D::Reference::Kind;
    GridSampler2D::Layout layout{rows, rows, {}, 0};
    auto& refs = layout.references;
    const int c = rows / 2;
    const double middle = c + 0.5;
    refs.push_back({{middle, middle}, Kind::DarkCentre, 1.2});
    // The edges of the bullseye's rings that compact and full symbols share, along its middle
    // row and column: ring k is dark when k is even.
    for (int k = 0; k < bullseyeRadius(true); ++k) {
        const bool innerDark = k % 2 == 0;
        refs.push_back({{double(c + k + 1), middle}, Kind::EdgeAcross, 0, innerDark});
        refs.push_back({{double(c - k), middle}, Kind::EdgeAcross, 0, !innerDark});
        refs.push_back({{middle, double(c + k + 1)}, Kind::EdgeDown, 0, innerDark});
        refs.push_back({{middle, double(c - k)}, Kind::EdgeDown, 0, !innerDark});
    }
    // A full symbol too large to be compact: its reference grid's alternating modules.
    if (rows <= sizeOf(kMaxLayers[1], true)) return layout;
    const int core = modeRadius(false);
    for (int line = c % 16; line < rows; line += 16)
        for (int k = 0; k + 1 < rows; ++k) {
            if (std::abs(k - c) <= core || std::abs(k + 1 - c) <= core) continue;
            const bool darkBefore = (k - c) % 2 == 0;
            refs.push_back({{line + 0.5, double(k + 1)}, Kind::EdgeDown, 0, darkBefore});
            refs.push_back({{double(k + 1), line + 0.5}, Kind::EdgeAcross, 0, darkBefore});
        }
    return layout;
}

} // namespace AztecMatrix
