#include "labels/ZplWriter.h"

#include "symbology/DigitCode.h"
#include "symbology/SymbologyTables.h"
#include "symbology/ZintChoices.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>

namespace Labels {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

QByteArray number(qint64 value) {
    return QByteArray::number(value);
}

// Each run of equal modules: its first module, its end, and whether it is dark.
struct Run {
    int first, end;
    bool dark;
};
std::vector<Run> runsOf(const QString& modules, int from, int to) {
    std::vector<Run> runs;
    for (int first = from; first < to;) {
        int end = first + 1;
        while (end < to && modules[end] == modules[first])
            ++end;
        runs.push_back({first, end, modules[first] == u'1'});
        first = end;
    }
    return runs;
}

// The widest element of a two-width symbology, in narrow modules: ^BY's wide to narrow ratio,
// which the printer takes from 2.0 to 3.0. Nullopt for any other mix of widths.
std::optional<int> wideRatio(const Symbol& symbol) {
    int narrow = 1 << 30, wide = 0;
    for (const Run& run : runsOf(symbol.modules, 0, int(symbol.modules.size()))) {
        narrow = std::min(narrow, run.end - run.first);
        wide = std::max(wide, run.end - run.first);
    }
    if (narrow != 1 || (wide != 2 && wide != 3)) return std::nullopt;
    return wide;
}

// The Code 128 symbol values of the modules, start to check character; nullopt when a slice
// is no symbol character.
std::optional<std::vector<int>> code128Values(const QString& modules) {
    const int stop = int(SymbologyTables::kCode128Stop.size());
    const int width = SymbologyTables::kCode128Modules;
    if (modules.size() < stop + 2 * width || (modules.size() - stop) % width != 0)
        return std::nullopt;
    std::vector<int> values;
    for (qsizetype at = 0; at + stop < modules.size(); at += width) {
        const QByteArray slice = modules.mid(at, width).toLatin1();
        const auto found = std::find(SymbologyTables::kCode128Patterns.begin(),
                                     SymbologyTables::kCode128Patterns.end(),
                                     std::string_view(slice.constData(), size_t(slice.size())));
        if (found == SymbologyTables::kCode128Patterns.end()) return std::nullopt;
        values.push_back(int(found - SymbologyTables::kCode128Patterns.begin()));
    }
    return values;
}

// ^BC's field data in its mode N, every code set and FNC1 spelt out with the printer's
// invocation codes (>9 >: >; start A B C, >5 >6 >7 code C B A, >8 FNC1), so that the printer
// encodes the very characters we did; it adds the check character. Nullopt for what the
// invocation codes cannot say here (FNC2-4, shift).
std::optional<QString> code128FieldData(const std::vector<int>& values) {
    enum class Set { A, B, C } set;
    QString data;
    switch (values.front()) {
    case SymbologyTables::kCode128StartA:
        set = Set::A, data = QStringLiteral(">9");
        break;
    case SymbologyTables::kCode128StartB:
        set = Set::B, data = QStringLiteral(">:");
        break;
    case SymbologyTables::kCode128StartC:
        set = Set::C, data = QStringLiteral(">;");
        break;
    default:
        return std::nullopt;
    }
    for (std::size_t i = 1; i + 1 < values.size(); ++i) {
        const int value = values[i];
        if (value == SymbologyTables::kCode128Fnc1) {
            data += QStringLiteral(">8");
        } else if (set == Set::C && value < 100) {
            data += QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
        } else if (value == SymbologyTables::kCode128CodeC && set != Set::C) {
            set = Set::C, data += QStringLiteral(">5");
        } else if (value == SymbologyTables::kCode128CodeB && set != Set::B) {
            set = Set::B, data += QStringLiteral(">6");
        } else if (value == SymbologyTables::kCode128CodeA && set != Set::A) {
            set = Set::A, data += QStringLiteral(">7");
        } else if (value < 64 || (set == Set::B && value < 96)) {
            const QChar c(value + 32);
            data += c == u'>' ? QStringLiteral("><") : QString(c);
        } else if (set == Set::A && value < 96) {
            data += QChar(value - 64); // a control character, hex-escaped by ^FH
        } else {
            return std::nullopt;
        }
    }
    return data;
}

// The Code 39 characters between the start and stop characters, check character included.
std::optional<QString> code39FieldData(const QString& modules) {
    const int width = SymbologyTables::kCode39PatternModules;
    if ((modules.size() + 1) % (width + 1) != 0) return std::nullopt;
    QString data;
    for (qsizetype at = 0; at < modules.size(); at += width + 1) {
        const QByteArray slice = modules.mid(at, width).toLatin1();
        const auto found = std::find(SymbologyTables::kCode39Patterns.begin(),
                                     SymbologyTables::kCode39Patterns.end(),
                                     std::string_view(slice.constData(), size_t(slice.size())));
        if (found == SymbologyTables::kCode39Patterns.end()) return std::nullopt;
        data += QChar(SymbologyTables::kCode39Characters[std::size_t(
            found - SymbologyTables::kCode39Patterns.begin())]);
    }
    if (data.size() < 2 || !data.startsWith(u'*') || !data.endsWith(u'*')) return std::nullopt;
    return data.mid(1, data.size() - 2);
}

// A QR Code's error correction level and mask, read from the format information beside its
// top left finder pattern.
struct QrFormat {
    char ecc;
    int mask;
};
QrFormat qrFormatOf(const ModuleMatrix& matrix) {
    int bits = 0;
    const auto put = [&](int bit, int row, int column) {
        if (matrix.dark(row, column)) bits |= 1 << bit;
    };
    for (int i = 0; i < 6; ++i)
        put(i, i, 8);
    put(6, 7, 8);
    put(7, 8, 8);
    put(8, 8, 7);
    for (int i = 9; i < 15; ++i)
        put(i, 8, 14 - i);
    const int data = (bits ^ 0x5412) >> 10;
    return {"MLHQ"[(data >> 3) & 3], data & 7};
}

// The part of a code text before an EAN/UPC add-on, and the add-on.
QStringList mainAndAddOn(const QString& expected) {
    QStringList parts = expected.split(u'+');
    if (parts.size() == 1) parts << QString();
    return parts;
}

// The first module of an EAN/UPC add-on: the first bar after the main symbol's modules.
int addOnStart(const QString& modules, int mainModules) {
    const qsizetype at = modules.indexOf(u'1', mainModules);
    return at < 0 ? int(modules.size()) : int(at);
}

} // namespace

QByteArray zplFieldData(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray data;
    data.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '^' || c == '~' || c == '_') {
            data += '_';
            data += kHexDigits[byte >> 4];
            data += kHexDigits[byte & 15];
        } else {
            data += c;
        }
    }
    return data;
}

namespace {

// A run of `count` equal hex digits: counts 20 to 400 as g to z in twenties, 1 to 19 as G to Y.
void appendRun(QByteArray& out, char digit, int count) {
    while (count > 0) {
        const int twenties = std::min(count / 20, 20);
        if (twenties > 0) out += char('g' + twenties - 1);
        const int rest = twenties == 20 ? 0 : count % 20;
        if (rest > 0) out += char('G' + rest - 1);
        out += digit;
        count -= twenties * 20 + rest;
    }
}

} // namespace

QByteArray zplCompressedHex(const std::vector<QByteArray>& rows) {
    QByteArray out;
    const QByteArray* previous = nullptr;
    for (const QByteArray& row : rows) {
        if (previous && *previous == row) {
            out += ':';
            continue;
        }
        previous = &row;
        QByteArray hex;
        hex.reserve(row.size() * 2);
        for (const char c : row) {
            hex += kHexDigits[static_cast<unsigned char>(c) >> 4];
            hex += kHexDigits[static_cast<unsigned char>(c) & 15];
        }
        qsizetype end = hex.size();
        while (end > 0 && hex[end - 1] == '0')
            --end;
        for (qsizetype at = 0; at < end;) {
            qsizetype next = at + 1;
            while (next < end && hex[next] == hex[at])
                ++next;
            if (next - at == 1)
                out += hex[at];
            else
                appendRun(out, hex[at], int(next - at));
            at = next;
        }
        if (end < hex.size()) out += ',';
    }
    return out;
}

ZplWriter::ZplWriter(QIODevice& out, const LabelTemplate& roll, const QString& typeName,
                     const ZplSettings& settings)
    : out_(out), roll_(roll), typeName_(typeName), settings_(settings),
      fontDots_(static_cast<int>(std::lround(kTextLineMm / mmPerDot()))),
      lineHeight_(std::ceil(fontDots_ * 1.15)) {}

QString ZplWriter::errorString() const {
    return out_.errorString();
}

bool ZplWriter::beginLabel(const Sheet::Place& place) {
    if (place.page != rowPage_ && !endRow()) return false;
    rowPage_ = place.page;
    ++rowLabels_;
    return true;
}

bool ZplWriter::paint(const Sheet::Place& place, const LabelSymbol& made, const Fit& fit,
                      const QStringList& lines, double textWidth) {
    if (!beginLabel(place)) return false;
    const Symbol& symbol = made.symbol;
    const SymbolLayout layout(symbol, fit.barHeight, std::nullopt);
    const QPointF label = place.label.topLeft() * dotsPerPoint();
    const QRectF box = fit.box.translated(label);
    const QPointF centre = box.center();
    const double modules = symbol.matrix ? symbol.matrix->columns : symbol.modules.size();
    // Whole dots from the label's corner, as on a sheet: the picture's top left corner.
    const int x =
        static_cast<int>(std::lround(centre.x() - (layout.left + modules / 2) * fit.dots));
    const int y = static_cast<int>(std::lround(box.top()));
    symbolFields(made, typeName_, layout, fit.dots, x, y);
    textFields(symbol, layout, fit.dots, x, y);
    double top = y + layout.height * fit.dots;
    for (const QString& line : lines) {
        // ^A0 is proportional: about 0.55 of its height per character on average.
        const int fits = std::max(1, static_cast<int>(textWidth / (0.55 * fontDots_)));
        text(static_cast<int>(std::lround(centre.x() - textWidth / 2)),
             static_cast<int>(std::lround(top)), static_cast<int>(textWidth), fontDots_,
             line.size() > fits ? line.left(fits - 1) + QChar(0x2026) : line);
        top += lineHeight_;
    }
    return true;
}

void ZplWriter::addSymbol(const LabelSymbol& made, const QString& typeName, int barHeight, int dots,
                          QPoint at) {
    const SymbolLayout layout(made.symbol, barHeight, std::nullopt);
    symbolFields(made, typeName, layout, dots, at.x(), at.y());
    textFields(made.symbol, layout, dots, at.x(), at.y());
}

void ZplWriter::symbolFields(const LabelSymbol& made, const QString& typeName,
                             const SymbolLayout& layout, int dots, int x, int y) {
    if (settings_.graphicsOnly || dots > kZplMaxModuleDots ||
        !nativeFields(made, typeName, layout, dots, x, y))
        graphicField(made.symbol, layout, dots, x, y);
}

// The printer's own barcode command where it draws exactly our modules at these dots; false
// where it would not, or cannot say what we drew.
bool ZplWriter::nativeFields(const LabelSymbol& made, const QString& typeName,
                             const SymbolLayout& layout, int dots, int x, int y) {
    const Symbol& symbol = made.symbol;
    const int barsX = x + layout.left * dots, barsY = y + layout.top * dots;
    const QByteArray height = number(qint64(layout.barHeight) * dots);
    const auto field = [&](const QByteArray& command, const QString& data) {
        row_ += "^FO" + number(barsX) + ',' + number(barsY) + command + "^FH^FD" +
                zplFieldData(data) + "^FS\n";
    };
    const auto moduleWidth = [&](int ratio) {
        row_ += "^BY" + number(dots) + ',' + number(ratio) + ".0," + height;
    };
    const auto retail = [&](const char* command, int mainModules, int dataDigits) {
        const QStringList parts = mainAndAddOn(made.expected.trimmed());
        moduleWidth(3);
        field(QByteArray(command) + "N," + height + ",N,N", parts[0].left(dataDigits));
        longBarBoxes(symbol, layout, dots, barsX, barsY, mainModules);
        if (parts[1].isEmpty()) return true;
        // The add-on's bars start under its digits and reach as low as the guards.
        const int start = addOnStart(symbol.modules, mainModules);
        const int drop = (SymbolLayout::kTextBand + SymbolLayout::kTextGap) * dots;
        row_ += "^FO" + number(barsX + start * dots) + ',' + number(barsY + drop) + "^BSN," +
                number((layout.barHeight + Symbol::kGuardExtension) * dots - drop) + ",N^FH^FD" +
                zplFieldData(parts[1]) + "^FS\n";
        return true;
    };
    const auto classic = symbologyChoice(typeName);
    const auto zint = zintChoice(typeName);
    const Symbology classicSymbology = classic ? classic->symbology : Symbology::Code39;
    using zintsym::ZintType;
    const std::optional<ZintType> type = zint ? std::optional(zint->type) : std::nullopt;

    if ((classic && classicSymbology == Symbology::Ean13) || type == ZintType::Ean13)
        return retail("^BE", 95, 12);
    if ((classic && classicSymbology == Symbology::Ean8) || type == ZintType::Ean8)
        return retail("^B8", 67, 7);
    if ((classic && classicSymbology == Symbology::UpcA) || type == ZintType::UpcA)
        return retail("^BU", 95, 11);
    if ((classic && classicSymbology == Symbology::Code128) || type == ZintType::Gs1_128) {
        const auto values = code128Values(symbol.modules);
        const auto data = values ? code128FieldData(*values) : std::nullopt;
        if (!data) return false;
        moduleWidth(3);
        field("^BCN," + height + ",N,N,N,N", *data);
        return true;
    }
    if (classic && classicSymbology == Symbology::Code39) {
        const auto data = code39FieldData(symbol.modules);
        const auto ratio = wideRatio(symbol);
        if (!data || !ratio) return false;
        moduleWidth(*ratio);
        field("^B3N,N," + height + ",N,N", *data);
        return true;
    }
    if (type == ZintType::Itf || type == ZintType::Itf14) {
        QString digits = made.expected.trimmed();
        if (type == ZintType::Itf14 && digits.size() == 13)
            digits += QChar(u'0' + DigitCode::checkDigit(digits));
        if (digits.size() % 2 != 0) digits.prepend(u'0');
        const auto ratio = wideRatio(symbol);
        if (!ratio || !DigitCode::allDigits(digits)) return false;
        moduleWidth(*ratio);
        field("^B2N," + height + ",N,N,N", digits);
        bearerBoxes(symbol, layout, dots, x, y);
        return true;
    }
    if (type == ZintType::Code93) {
        // The printer's full-ASCII shifts are its own; the 47 characters of the basic set
        // encode alike everywhere.
        const QString data = made.expected.trimmed();
        for (const QChar c : data)
            if (!(c.isDigit() || (c >= u'A' && c <= u'Z') || QStringLiteral("-. $/+%").contains(c)))
                return false;
        moduleWidth(3);
        field("^BAN," + height + ",N,N,N", data);
        return true;
    }
    if (type == ZintType::Codabar) {
        const QString data = made.expected.trimmed().toUpper();
        const auto ratio = wideRatio(symbol);
        if (!ratio || data.size() < 3) return false;
        moduleWidth(*ratio);
        field("^BKN,N," + height + ",N,N," + QString(data.front()).toLatin1() + ',' +
                  QString(data.back()).toLatin1(),
              data.mid(1, data.size() - 2));
        return true;
    }
    if (type == ZintType::Qr) {
        // ^BQ prints its symbol this many dots below the field origin.
        constexpr int kQrDrop = 10;
        if (barsY < kQrDrop) return false;
        const QrFormat format = qrFormatOf(*symbol.matrix);
        row_ += "^FO" + number(barsX) + ',' + number(barsY - kQrDrop) + "^BQN,2," + number(dots) +
                ',' + format.ecc + ',' + number(format.mask) + "^FH^FD" + format.ecc + "A," +
                zplFieldData(made.expected.trimmed()) + "^FS\n";
        return true;
    }
    if (type == ZintType::DataMatrix) {
        // ~ is ^BX's escape character (its default, never written: a ~ would start a command
        // of its own); a text with one goes out as a bitmap.
        const QString data = made.expected.trimmed();
        if (data.contains(u'~')) return false;
        field("^BXN," + number(dots) + ",200," + number(symbol.matrix->columns) + ',' +
                  number(symbol.matrix->rows) + ",6",
              data);
        return true;
    }
    return false;
}

// Guard bars (and an add-on's bars) reach below the others: boxes under the printer's bars.
void ZplWriter::longBarBoxes(const Symbol& symbol, const SymbolLayout& layout, int dots, int x,
                             int y, int end) {
    for (const Run& run : runsOf(symbol.modules, 0, end))
        if (run.dark && symbol.isLong(run.first))
            box(x + run.first * dots, y + layout.barHeight * dots, (run.end - run.first) * dots,
                Symbol::kGuardExtension * dots);
}

void ZplWriter::bearerBoxes(const Symbol& symbol, const SymbolLayout& layout, int dots, int x,
                            int y) {
    if (symbol.bearer == BearerBars::None || symbol.bearerWidth == 0) return;
    const int bearer = symbol.bearerWidth * dots, width = layout.width * dots;
    const int bottom = y + (layout.top + layout.barHeight) * dots;
    box(x, y, width, bearer);
    box(x, bottom, width, bearer);
    if (symbol.bearer != BearerBars::Frame) return;
    box(x, y, bearer, bottom + bearer - y);
    box(x + width - bearer, y, bearer, bottom + bearer - y);
}

void ZplWriter::box(int x, int y, int width, int height) {
    row_ += "^FO" + number(x) + ',' + number(y) + "^GB" + number(width) + ',' + number(height) +
            ',' + number(std::min(width, height)) + "^FS\n";
}

// The symbol as one bitmap of the dots the painter fills: bars (or cells) and bearer bars, the
// quiet zones light; its text stays text.
void ZplWriter::graphicField(const Symbol& symbol, const SymbolLayout& layout, int dots, int x,
                             int y) {
    const int width = layout.width * dots;
    const int bytesPerRow = (width + 7) / 8;
    int height = layout.height;
    if (!symbol.matrix) {
        const bool textAbove = std::any_of(symbol.texts.begin(), symbol.texts.end(),
                                           [](const SymbolText& text) { return text.above; });
        const int reach = !symbol.longModules.isEmpty() || textAbove ? Symbol::kGuardExtension : 0;
        const int bearer = symbol.bearer == BearerBars::None ? 0 : symbol.bearerWidth;
        height = layout.top + layout.barHeight + std::max(reach, bearer);
    }
    std::vector<QByteArray> rows(std::size_t(height) * dots, QByteArray(bytesPerRow, '\0'));
    const auto fill = [&](int left, int top, int w, int h) {
        for (int row = top * dots; row < (top + h) * dots; ++row)
            for (int column = left * dots; column < (left + w) * dots; ++column)
                rows[std::size_t(row)][column / 8] =
                    char(rows[std::size_t(row)][column / 8] | (0x80 >> (column % 8)));
    };
    if (symbol.matrix) {
        const ModuleMatrix& matrix = *symbol.matrix;
        for (int row = 0; row < matrix.rows; ++row)
            for (int column = 0; column < matrix.columns; ++column)
                if (matrix.dark(row, column))
                    fill(layout.left + column, layout.top + row * matrix.rowHeight, 1,
                         matrix.rowHeight);
    } else {
        const auto above = [&](int module) {
            return std::any_of(
                symbol.texts.begin(), symbol.texts.end(), [&](const SymbolText& text) {
                    return text.above && module >= text.band.first && module < text.band.end;
                });
        };
        for (int module = 0; module < symbol.modules.size(); ++module) {
            if (symbol.modules[module] != u'1') continue;
            const bool reaches = symbol.isLong(module) || above(module);
            const int top = above(module) ? SymbolLayout::kTextBand + SymbolLayout::kTextGap : 0;
            const int bottom = layout.barHeight + (reaches ? Symbol::kGuardExtension : 0);
            fill(layout.left + module, layout.top + top, 1, bottom - top);
        }
        if (symbol.bearer != BearerBars::None && symbol.bearerWidth > 0) {
            const int bearer = symbol.bearerWidth, bottom = layout.top + layout.barHeight;
            fill(0, 0, layout.width, bearer);
            fill(0, bottom, layout.width, bearer);
            if (symbol.bearer == BearerBars::Frame) {
                fill(0, 0, bearer, bottom + bearer);
                fill(layout.width - bearer, 0, bearer, bottom + bearer);
            }
        }
    }
    bitmapField(rows, bytesPerRow, x, y);
}

void ZplWriter::bitmapField(const std::vector<QByteArray>& rows, int bytesPerRow, int x, int y,
                            bool reversed) {
    const qint64 total = qint64(bytesPerRow) * qint64(rows.size());
    row_ += "^FO" + number(x) + ',' + number(y) + (reversed ? "^FR" : "") + "^GFA," +
            number(total) + ',' + number(total) + ',' + number(bytesPerRow) + ',' +
            zplCompressedHex(rows) + "^FS\n";
}

void ZplWriter::addPicture(const QImage& picture, QPoint at, bool reversed) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
    const int bytesPerRow = (pixels.width() + 7) / 8;
    std::vector<QByteArray> rows(std::size_t(pixels.height()), QByteArray(bytesPerRow, '\0'));
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            if (qAlpha(line[x]) >= 128 && (qGray(line[x]) < 128) != reversed)
                rows[std::size_t(y)][x / 8] = char(rows[std::size_t(y)][x / 8] | (0x80 >> (x % 8)));
    }
    bitmapField(rows, bytesPerRow, at.x(), at.y(), reversed);
}

void ZplWriter::addBox(QRect box, int thickness, bool white) {
    row_ += "^FO" + number(box.x()) + ',' + number(box.y()) + "^GB" + number(box.width()) + ',' +
            number(box.height()) + ',' + number(std::max(1, thickness)) + (white ? ",W" : ",B") +
            "^FS\n";
}

void ZplWriter::addEllipse(QRect box, int thickness, bool white) {
    row_ += "^FO" + number(box.x()) + ',' + number(box.y()) + "^GE" + number(box.width()) + ',' +
            number(box.height()) + ',' + number(std::max(1, thickness)) + (white ? ",W" : ",B") +
            "^FS\n";
}

void ZplWriter::addDiagonal(QRect box, int thickness, bool rising) {
    row_ += "^FO" + number(box.x()) + ',' + number(box.y()) + "^GD" + number(box.width()) + ',' +
            number(box.height()) + ',' + number(std::max(1, thickness)) + ",B," +
            (rising ? 'R' : 'L') + "^FS\n";
}

void ZplWriter::addTextBlock(QPoint at, int width, int fontDots, int maxLines, int spacing,
                             Qt::Alignment align, const QStringList& lines) {
    // In ^FB's data \& breaks the line and \\ is a backslash.
    QStringList escaped;
    for (const QString& line : lines)
        escaped << QString(line).replace(u'\\', QStringLiteral("\\\\"));
    const char justify = align & Qt::AlignHCenter ? 'C' : align & Qt::AlignRight ? 'R' : 'L';
    row_ += "^FO" + number(at.x()) + ',' + number(at.y()) + "^A0N," + number(fontDots) + ",0^FB" +
            number(width) + ',' + number(std::max(1, maxLines)) + ',' + number(spacing) + ',' +
            justify + "^FH^FD" + zplFieldData(escaped.join(QStringLiteral("\\&"))) + "^FS\n";
}

// The symbol's own text (digits under EAN bars, a caption) in the printer's scalable font,
// centred on its band as the painter centres it.
void ZplWriter::textFields(const Symbol& symbol, const SymbolLayout& layout, int dots, int x,
                           int y) {
    const int bearerBelow = symbol.bearer == BearerBars::None ? 0 : symbol.bearerWidth;
    const int below =
        y + (layout.top + layout.barHeight + bearerBelow + SymbolLayout::kTextGap) * dots;
    for (const SymbolText& symbolText : symbol.texts)
        text(x + (layout.left + symbolText.band.first) * dots,
             symbolText.above ? y + layout.top * dots : below,
             (symbolText.band.end - symbolText.band.first) * dots, SymbolLayout::kFontSize * dots,
             symbolText.text);
}

void ZplWriter::text(int x, int y, int width, int height, const QString& text) {
    row_ += "^FO" + number(x) + ',' + number(y) + "^A0N," + number(height) + ",0^FB" +
            number(width) + ",1,0,C^FH^FD" + zplFieldData(text) + "^FS\n";
}

// The row in hand ends: written at once unless it may repeat the last one, which then goes
// out with ^PQ for its copies.
bool ZplWriter::endRow() {
    if (rowLabels_ == 0) return true;
    if (pendingCopies_ > 0 && row_ == pending_) {
        ++pendingCopies_;
    } else {
        if (pendingCopies_ > 0 && !writeFormat()) return false;
        pending_ = std::move(row_);
        pendingLabels_ = rowLabels_;
        pendingCopies_ = 1;
    }
    row_.clear();
    rowLabels_ = 0;
    ++rows_;
    return true;
}

bool ZplWriter::writeFormat() {
    QByteArray format;
    if (!setupWritten_) {
        // Settings the printer keeps: sent once, ahead of the first label.
        if (settings_.darkness) format += "~SD" + number(*settings_.darkness) + '\n';
        format += "^XA\n";
        format += settings_.media == Media::Continuous ? "^MNN"
                  : settings_.media == Media::Mark     ? "^MNM"
                                                       : "^MNY";
        if (settings_.thermal) format += *settings_.thermal == Thermal::Direct ? "^MTD" : "^MTT";
        if (settings_.speed) format += "^PR" + number(*settings_.speed);
        format += "\n^XZ\n";
        setupWritten_ = true;
    }
    const double dots = dotsPerPoint();
    format += "^XA^CI28^PW" + number(std::lround(roll_.paper.width() * dots)) + "^LL" +
              number(std::lround(roll_.paper.height() * dots)) + "^LH0,0\n";
    format += pending_;
    if (pendingCopies_ > 1) format += "^PQ" + number(pendingCopies_) + '\n';
    format += "^XZ\n";
    if (out_.write(format) != format.size()) return false;
    written_ += format.size();
    formatEnds_.push_back({written_, pendingLabels_ * pendingCopies_});
    pendingCopies_ = 0;
    return true;
}

std::optional<QString> ZplWriter::commit() {
    if (!endRow() || (pendingCopies_ > 0 && !writeFormat()))
        return QStringLiteral("Cannot write the label stream: %1").arg(out_.errorString());
    return std::nullopt;
}

} // namespace Labels
