#include "decode/ReadingEngine.h"

#include "decode/EngineHints.h"
#include "decode/EngineRows.h"

#include <QPainter>

#include <algorithm>
#include <optional>

namespace {

using ReadingEngine::engineHints;
using ReadingEngine::kFormats;

std::optional<Symbology> symbologyOf(ZXing::BarcodeFormat format) {
    for (const auto& [engineFormat, symbology] : kFormats)
        if (engineFormat == format) return symbology;
    return std::nullopt;
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

// Rows of a symbol that the first look did not count to its bars (a smudge across them, say)
// are read again: they extend the symbol found already, above or below them.
void addOrExtend(QList<ReadingEngine::Found>& found, const ReadingEngine::Found& symbol) {
    for (ReadingEngine::Found& known : found) {
        const int overlap = std::min(known.box.right(), symbol.box.right()) -
                            std::max(known.box.left(), symbol.box.left());
        if (known.symbology == symbol.symbology && known.text == symbol.text &&
            overlap > std::min(known.box.width(), symbol.box.width()) / 2) {
            known.box |= symbol.box;
            return;
        }
    }
    found.append(symbol);
}

// Symbols found one at a time, each painted out before the next look: far quicker than
// asking the engine for all of them, which makes it try every row to the end.
constexpr int kMostSymbols = 64;

} // namespace

namespace ReadingEngine {

QList<Found> findSymbols(const QImage& picture) {
    if (picture.isNull()) return {};
    QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QList<Found> found;
    while (found.size() < kMostSymbols) {
        // A look at some rows near the middle first; every row only when that finds nothing.
        ZXing::Result result = ZXing::ReadBarcode(viewOf(grey), engineHints(false));
        if (!result.isValid()) result = ZXing::ReadBarcode(viewOf(grey), engineHints(true));
        if (!result.isValid()) break;
        const QRect bars = barsOf(grey, boxOf(result.position()));
        if (const auto symbology = symbologyOf(result.format()))
            addOrExtend(found, {*symbology, QString::fromStdString(result.text()), bars});
        // Blank with a margin, so that no part of it is read again.
        const int margin = std::max(4, bars.width() / 8);
        QPainter(&grey).fillRect(bars.adjusted(-margin, -1, margin, 1), Qt::white);
    }
    return found;
}

bool decodesAlongRows(const QImage& picture, const QList<int>& rows) {
    for (const int row : rows) {
        if (row < 0 || row >= picture.height()) continue;
        const QImage grey = greyRow(picture, row);
        if (decodesGreyRow(grey.constBits(), grey.width())) return true;
    }
    return false;
}

} // namespace ReadingEngine
