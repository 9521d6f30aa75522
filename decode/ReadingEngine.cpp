#include "decode/ReadingEngine.h"

#include "decode/EngineHints.h"
#include "decode/EngineRows.h"

#include <QMargins>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using ReadingEngine::engineHints;
using ReadingEngine::everyFormatHints;
using ReadingEngine::kFormats;
using ReadingEngine::kNewerFormats;
using ReadingEngine::Reach;

std::optional<Symbology> symbologyOf(ZXing::BarcodeFormat format) {
    for (const auto& [engineFormat, symbology] : kFormats)
        if (engineFormat == format) return symbology;
    return std::nullopt;
}

std::optional<LineDecode::Linear> linearOf(ZXing::BarcodeFormat format) {
    if (const auto classic = symbologyOf(format)) return LineDecode::linearOf(*classic);
    for (const ReadingEngine::NewerFormat& entry : kNewerFormats)
        if (entry.format == format) return entry.linear;
    return std::nullopt;
}

bool gtinCheckHolds(const QString& digits) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (!digits[i].isDigit()) return false;
        const int weight = (digits.size() - 1 - i) % 2 == 1 ? 3 : 1;
        sum += weight * digits[i].digitValue();
    }
    return !digits.isEmpty() && sum % 10 == 0;
}

// The name a report gives the symbology: ITF of 14 digits with a GTIN check digit is ITF-14,
// Code 128 that starts with FNC1 is GS1-128.
QString kindOf(const ZXing::Result& result, const QString& text) {
    if (const auto symbology = symbologyOf(result.format())) {
        if (*symbology == Symbology::Code128 && result.symbologyIdentifier() == "]C1")
            return QStringLiteral("GS1-128");
        return standardNameOf(*symbology);
    }
    if (result.format() == ZXing::BarcodeFormat::ITF && text.size() == 14 && gtinCheckHolds(text))
        return QStringLiteral("ITF-14");
    if (result.format() == ZXing::BarcodeFormat::DataMatrix &&
        result.symbologyIdentifier() == "]d2")
        return QStringLiteral("GS1 Data Matrix");
    if (result.format() == ZXing::BarcodeFormat::QRCode && result.symbologyIdentifier() == "]Q3")
        return QStringLiteral("GS1 QR Code");
    for (const ReadingEngine::NewerFormat& entry : kNewerFormats)
        if (entry.format == result.format()) return QString::fromLatin1(entry.name);
    return QString::fromLatin1(ZXing::ToString(result.format()));
}

bool isMatrix(ZXing::BarcodeFormat format) {
    return ZXing::BarcodeFormats(ZXing::BarcodeFormat::MatrixCodes).testFlag(format);
}

// The light margin each 2D symbology asks for, in modules.
int quietModulesOf(ZXing::BarcodeFormat format) {
    switch (format) {
    case ZXing::BarcodeFormat::QRCode:
        return 4;
    case ZXing::BarcodeFormat::DataMatrix:
        return 1;
    case ZXing::BarcodeFormat::PDF417:
        return 2;
    default:
        return 0; // Aztec finds itself by its bullseye
    }
}

ZXing::ImageView viewOf(const QImage& grey) {
    return {grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
            static_cast<int>(grey.bytesPerLine())};
}

// One row of the picture in grey. Only the row is made grey: it costs less than the engine's
// look at it. Black and white, as drawn pictures are, needs no colour conversion.
QImage greyRow(const QImage& picture, int row) {
    QImage grey(picture.width(), 1, QImage::Format_Grayscale8);
    if (picture.format() == QImage::Format_RGB32) {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
        uchar* out = grey.scanLine(0);
        bool blackAndWhite = true;
        for (int x = 0; x < picture.width() && blackAndWhite; ++x) {
            const QRgb rgb = pixels[x] & 0xFFFFFF;
            out[x] = rgb == 0 ? 0 : 255;
            blackAndWhite = rgb == 0 || rgb == 0xFFFFFF;
        }
        if (blackAndWhite) return grey;
    }
    return picture.copy(0, row, picture.width(), 1).convertToFormat(QImage::Format_Grayscale8);
}

QRect boxOf(const ZXing::Position& position) {
    int left = position[0].x, right = left, top = position[0].y, bottom = top;
    for (const ZXing::PointI& corner : position) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

int crossingsOf(const uchar* row, int from, int to, int threshold) {
    int crossings = 0;
    for (int x = from + 1; x < to; ++x)
        crossings += (row[x] < threshold) != (row[x - 1] < threshold);
    return crossings;
}

// The engine reports the rows it decoded on. The bars reach over every row that crosses the
// same columns about as often as the middle one; text under the bars and guard bars alone
// cross them far fewer or more times.
QRect barsOf(const QImage& grey, const QRect& found) {
    const int from = std::clamp(found.left() - 2, 0, grey.width() - 1);
    const int to = std::clamp(found.right() + 3, from + 1, grey.width());
    const int middle = std::clamp(found.center().y(), 0, grey.height() - 1);
    const uchar* reference = grey.constScanLine(middle);
    const auto [low, high] = std::minmax_element(reference + from, reference + to);
    const int threshold = (*low + *high + 1) / 2;
    const int crossings = crossingsOf(reference, from, to, threshold);
    const int slack = std::max(2, crossings / 20);
    auto matches = [&](int y) {
        return std::abs(crossingsOf(grey.constScanLine(y), from, to, threshold) - crossings) <=
               slack;
    };
    int top = middle, bottom = middle;
    while (top > 0 && matches(top - 1))
        --top;
    while (bottom + 1 < grey.height() && matches(bottom + 1))
        ++bottom;
    return QRect(QPoint(found.left(), top), QPoint(found.right(), bottom));
}

std::array<QPointF, 4> cornersOf(const ZXing::Position& position) {
    std::array<QPointF, 4> corners;
    for (std::size_t i = 0; i < corners.size(); ++i)
        corners[i] = QPointF(position[int(i)].x, position[int(i)].y);
    return corners;
}

// A symbol read along the picture's columns has its bars found as one read along rows in the
// picture mirrored across its diagonal. Qt hands a transformed grey picture back in 32 bits.
QImage transposed(const QImage& grey) {
    return grey.transformed(QTransform(0, 1, 1, 0, 0, 0))
        .convertToFormat(QImage::Format_Grayscale8);
}
QRect transposed(const QRect& rect) {
    return QRect(rect.y(), rect.x(), rect.height(), rect.width());
}
bool readsDown(const ZXing::Position& position) {
    const auto reading = position.topRight() - position.topLeft();
    return std::abs(reading.y) > std::abs(reading.x);
}

// Rows of a symbol that the first look did not count to its bars (a smudge across them, say)
// are read again: they extend the symbol found already, above or below them.
void addOrExtend(QList<ReadingEngine::Found>& found, const ReadingEngine::Found& symbol) {
    for (ReadingEngine::Found& known : found) {
        const int overlap = std::min(known.box.right(), symbol.box.right()) -
                            std::max(known.box.left(), symbol.box.left());
        if (known.kind == symbol.kind && known.text == symbol.text &&
            overlap > std::min(known.box.width(), symbol.box.width()) / 2) {
            known.box |= symbol.box;
            return;
        }
    }
    found.append(symbol);
}

// Midway between the darkest and the lightest pixel in the area.
int thresholdIn(const QImage& grey, const QRect& area) {
    const QRect inside = area & grey.rect();
    int low = 255, high = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = inside.left(); x <= inside.right(); ++x) {
            low = std::min<int>(low, row[x]);
            high = std::max<int>(high, row[x]);
        }
    }
    return (low + high + 1) / 2;
}

bool anyDark(const QImage& grey, const QRect& area, int threshold) {
    const QRect inside = area & grey.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (row[x] < threshold) return true;
    }
    return false;
}

// The dark extent of a 2D symbol: the engine's corners grown while a dark pixel lies on the
// box's edge, so that finder patterns and outer modules are all inside.
QRect matrixExtent(const QImage& grey, QRect box, int threshold) {
    box &= grey.rect();
    for (bool grew = true; grew && !box.isEmpty();) {
        grew = false;
        const QRect edges[] = {{box.left() - 1, box.top(), 1, box.height()},
                               {box.right() + 1, box.top(), 1, box.height()},
                               {box.left(), box.top() - 1, box.width(), 1},
                               {box.left(), box.bottom() + 1, box.width(), 1}};
        const QMargins growth[] = {{1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}};
        for (int i = 0; i < 4; ++i)
            if (grey.rect().contains(edges[i]) && anyDark(grey, edges[i], threshold)) {
                box = box.marginsAdded(growth[i]);
                grew = true;
            }
    }
    // The engine's corners may lie a pixel beyond the last module.
    while (box.width() > 1 && !anyDark(grey, {box.left(), box.top(), 1, box.height()}, threshold))
        box.setLeft(box.left() + 1);
    while (box.width() > 1 && !anyDark(grey, {box.right(), box.top(), 1, box.height()}, threshold))
        box.setRight(box.right() - 1);
    while (box.height() > 1 && !anyDark(grey, {box.left(), box.top(), box.width(), 1}, threshold))
        box.setTop(box.top() + 1);
    while (box.height() > 1 &&
           !anyDark(grey, {box.left(), box.bottom(), box.width(), 1}, threshold))
        box.setBottom(box.bottom() - 1);
    return box;
}

// The module width along the rows of a symbol, in pixels: the mean of the runs, dark or light,
// about as narrow as the narrowest. An enlarged picture's edges blur, so that single modules
// come out a pixel narrower or wider.
double moduleWidthOf(const QImage& grey, const QRect& box, int threshold) {
    std::vector<int> runs;
    const int step = std::max(1, box.height() / 64);
    for (int y = box.top(); y <= box.bottom(); y += step) {
        const uchar* row = grey.constScanLine(y);
        int run = 1;
        for (int x = box.left() + 1; x <= box.right(); ++x) {
            if ((row[x] < threshold) == (row[x - 1] < threshold)) {
                ++run;
                continue;
            }
            runs.push_back(run);
            run = 1;
        }
    }
    if (runs.empty()) return std::max(1, box.width());
    const int narrowest = *std::min_element(runs.begin(), runs.end());
    double sum = 0;
    int count = 0;
    for (const int run : runs)
        if (2 * run <= 3 * narrowest) {
            sum += run;
            ++count;
        }
    return sum / count;
}

// PDF417's rows are several modules tall: they count as often as the pattern sampled at the
// middle of every module column changes from one pixel row to the next.
int rowsOf(const QImage& grey, const QRect& box, int columns, int threshold) {
    const double column = double(box.width()) / columns;
    QByteArray previous;
    int rows = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        QByteArray pattern(columns, '0');
        const uchar* row = grey.constScanLine(y);
        for (int c = 0; c < columns; ++c)
            if (row[box.left() + std::min(box.width() - 1, int((c + 0.5) * column))] < threshold)
                pattern[c] = '1';
        rows += pattern != previous;
        previous = pattern;
    }
    return std::max(1, rows);
}

// Modules across from the module width, and down as square modules fill the height; whether
// the light margin the symbology asks for is there, to half a pixel.
void measureMatrix(const QImage& grey, const QRect& box, ReadingEngine::Found& found,
                   ZXing::BarcodeFormat format, int threshold) {
    if (box.isEmpty()) return; // nothing dark where the engine saw it: nothing to count
    const double module = moduleWidthOf(grey, box, threshold);
    found.columns = std::max(1, qRound(box.width() / module));
    const double column = double(box.width()) / found.columns;
    if (format != ZXing::BarcodeFormat::PDF417) {
        // Square modules: as many down as their height holds.
        found.rows = std::max(1, qRound(box.height() / column));
    } else {
        found.rows = rowsOf(grey, box, found.columns, threshold);
    }
    const int quiet = qRound(quietModulesOf(format) * column);
    const QRect margin = box.marginsAdded(QMargins(quiet, quiet, quiet, quiet));
    found.quietZoneKept = grey.rect().contains(margin);
    if (found.quietZoneKept) {
        // Light all round: nothing dark between the symbol's extent and the margin's edge.
        const QRect ring[] = {{margin.left(), margin.top(), margin.width(), quiet},
                              {margin.left(), box.bottom() + 1, margin.width(), quiet},
                              {margin.left(), box.top(), quiet, box.height()},
                              {box.right() + 1, box.top(), quiet, box.height()}};
        for (const QRect& part : ring)
            if (!part.isEmpty() && anyDark(grey, part, threshold)) found.quietZoneKept = false;
    }
}

// Symbols found one at a time, each painted out before the next look: far quicker than
// asking the engine for all of them, which makes it try every row to the end.
constexpr int kMostSymbols = 64;

} // namespace

namespace ReadingEngine {

QList<Found> findSymbols(const QImage& picture, Reach reach) {
    if (picture.isNull()) return {};
    QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const bool every = reach == Reach::Every;
    QList<Found> found;
    bool matrixFound = false;
    while (found.size() < kMostSymbols) {
        // A look at some rows near the middle first; every row only when that finds nothing.
        // Symbols turned by a quarter only in the thorough look, which upright ones rarely need.
        // Once a 2D symbol is painted out, the thorough look alone: it finds all the quick one
        // would, and the 2D detectors make the quick one the dearer on a camera picture.
        ZXing::Result result;
        if (!matrixFound)
            result = ZXing::ReadBarcode(viewOf(grey),
                                        every ? everyFormatHints(false) : engineHints(false));
        if (!result.isValid()) {
            ZXing::DecodeHints thorough = every ? everyFormatHints(true) : engineHints(true);
            thorough.setTryRotate(true);
            result = ZXing::ReadBarcode(viewOf(grey), thorough);
        }
        if (!result.isValid()) break;
        const QString text = QString::fromStdString(result.text());
        const QRect engineBox = boxOf(result.position());
        if (isMatrix(result.format())) {
            const int threshold = thresholdIn(grey, engineBox);
            Found symbol{
                Symbology::Code128,           text,  matrixExtent(grey, engineBox, threshold),
                cornersOf(result.position()), false, kindOf(result, text)};
            symbol.matrix = true;
            matrixFound = true;
            // Rows and columns as the symbol reads, also when it lies on its side.
            if (readsDown(result.position()))
                measureMatrix(transposed(grey), transposed(symbol.box), symbol, result.format(),
                              threshold);
            else
                measureMatrix(grey, symbol.box, symbol, result.format(), threshold);
            found.append(symbol);
            const int margin = std::max(4, symbol.box.width() / 8);
            QPainter(&grey).fillRect(symbol.box.adjusted(-margin, -margin, margin, margin),
                                     Qt::white);
            continue;
        }
        const bool down = readsDown(result.position());
        const QRect bars = down ? transposed(barsOf(transposed(grey), transposed(engineBox)))
                                : barsOf(grey, engineBox);
        const auto symbology = symbologyOf(result.format());
        Found symbol{symbology.value_or(Symbology::Code128),
                     text,
                     bars,
                     cornersOf(result.position()),
                     symbology.has_value(),
                     kindOf(result, text)};
        symbol.linear = linearOf(result.format());
        addOrExtend(found, symbol);
        // Blank with a margin, so that no part of it is read again.
        const int margin = std::max(4, (down ? bars.height() : bars.width()) / 8);
        QPainter(&grey).fillRect(down ? bars.adjusted(-1, -margin, 1, margin)
                                      : bars.adjusted(-margin, -1, margin, 1),
                                 Qt::white);
    }
    return found;
}

QString shownText(const QString& text) {
    static constexpr const char* kNames[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                             "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                             "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                             "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    QString shown;
    for (const QChar c : text) {
        if (c.unicode() < std::size(kNames))
            shown += u'<' + QLatin1String(kNames[c.unicode()]) + u'>';
        else if (c.unicode() == 0x7F)
            shown += QStringLiteral("<DEL>");
        else
            shown += c;
    }
    return shown;
}

bool decodesAlongRows(const QImage& picture, const QList<int>& rows) {
    for (const int row : rows) {
        if (row < 0 || row >= picture.height()) continue;
        const QImage grey = greyRow(picture, row);
        if (decodesGreyRow(grey.constBits(), grey.width())) return true;
    }
    return false;
}

bool decodesAsDrawnAlone(const QImage& picture) {
    if (picture.isNull()) return false;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints slowest = everyFormatHints(true);
    slowest.setTryRotate(true);
    slowest.setIsPure(true);
    return ZXing::ReadBarcode(viewOf(grey), slowest).isValid();
}

} // namespace ReadingEngine
