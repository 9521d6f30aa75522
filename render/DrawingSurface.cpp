#include "render/DrawingSurface.h"

#include "symbology/RuntimeError.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// No side may grow past this, so a runaway size is refused instead of allocated.
constexpr int kMaxPixels = 65535;

QImage blankImage(int width, int height, Colour colour) {
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    image.setDotsPerMeterX(Geometry::kDotsPerMeter);
    image.setDotsPerMeterY(Geometry::kDotsPerMeter);
    image.fill(rgbOf(colour));
    return image;
}

int checkedPixels(double twips) {
    const double pixels = std::round(twips / Geometry::kTwipsPerPixel);
    if (!(pixels >= 0 && pixels <= kMaxPixels))
        throw RuntimeError(380, QStringLiteral("Picture"),
                           QStringLiteral("Invalid property value"));
    return static_cast<int>(pixels);
}

// Copies the source onto the target with its top-left corner at (x, y), clipped; both 32-bit.
void copyInto(QImage& target, const QImage& source, long long x, long long y) {
    const long long left = std::max(0LL, x), top = std::max(0LL, y);
    const long long right = std::min<long long>(target.width(), x + source.width());
    const long long bottom = std::min<long long>(target.height(), y + source.height());
    if (left >= right || top >= bottom) return;
    const size_t bytes = static_cast<size_t>(right - left) * sizeof(QRgb);
    for (long long row = top; row < bottom; ++row) {
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(row - y)));
        auto* to = reinterpret_cast<QRgb*>(target.scanLine(static_cast<int>(row)));
        std::memcpy(to + left, from + (left - x), bytes);
    }
}

// The rows of a picture of the height that a vertical line from row `from` towards row `to`
// covers, the end row excluded; first > last when none.
std::pair<int, int> rowsOfVerticalLine(long long from, long long to, int height) {
    if (from == to) return {0, -1};
    const long long first = to > from ? from : to + 1;
    const long long last = to > from ? to - 1 : from;
    return {static_cast<int>(std::max(0LL, first)),
            static_cast<int>(std::min<long long>(height - 1LL, last))};
}

QFont unsmoothed(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

DrawingSurface::DrawingSurface(double widthTwips, double heightTwips, Colour backColour)
    : widthTwips_(widthTwips), heightTwips_(heightTwips),
      image_(blankImage(checkedPixels(widthTwips), checkedPixels(heightTwips), backColour)),
      backColour_(backColour), plainColour_(rgbOf(backColour)), drawingFont_(unsmoothed(font_)) {}

void DrawingSurface::setFont(const QFont& font) {
    font_ = font;
    drawingFont_ = unsmoothed(font);
    drawingMetrics_.reset();
    stamps_.clear();
}

const QFontMetrics& DrawingSurface::drawingMetrics() const {
    // Every picture of a surface has the same resolution, which the metrics depend on.
    if (!drawingMetrics_) drawingMetrics_.emplace(drawingFont_, &image_);
    return *drawingMetrics_;
}

void DrawingSurface::setWidth(double twips) {
    const int pixels = checkedPixels(twips);
    widthTwips_ = twips;
    resizePixels(pixels, image_.height());
}

void DrawingSurface::setHeight(double twips) {
    const int pixels = checkedPixels(twips);
    heightTwips_ = twips;
    resizePixels(image_.width(), pixels);
}

void DrawingSurface::resizePixels(int width, int height) {
    if (width == image_.width() && height == image_.height()) return;
    QImage resized = blankImage(width, height, backColour_);
    if (!image_.isNull() && !resized.isNull()) copyInto(resized, image_, 0, 0);
    image_ = resized;
    if (plainColour_ != rgbOf(backColour_)) plainColour_.reset();
}

void DrawingSurface::setScaleMode(short mode) {
    scaleMode_ = mode == Pixels ? Pixels : Twips;
}

void DrawingSurface::setBackColor(Colour colour) {
    backColour_ = colour & 0xFFFFFF;
    erase();
    resetCounters();
}

void DrawingSurface::setAutoSize(bool on) {
    autoSize_ = on;
    if (on && !picture_.isNull()) resizePixels(picture_.width(), picture_.height());
}

void DrawingSurface::setPicture(const QImage& picture) {
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    if (autoSize_ && !picture_.isNull()) {
        widthTwips_ = Geometry::pixelsToTwips(picture_.width());
        heightTwips_ = Geometry::pixelsToTwips(picture_.height());
        resizePixels(picture_.width(), picture_.height());
    }
    erase();
}

void DrawingSurface::Cls() {
    erase();
    resetCounters();
    currentX_ = 0;
    currentY_ = 0;
}

void DrawingSurface::erase() {
    // A render ends by making its own image the picture: erasing then changes no pixel.
    if (!picture_.isNull() && picture_.constBits() == image_.constBits()) return;
    const bool pictureCoversAll = !picture_.isNull() && picture_.width() >= image_.width() &&
                                  picture_.height() >= image_.height();
    const QRgb background = rgbOf(backColour_);
    // A render sets the background more than once before it draws: the second fill is skipped.
    if (!pictureCoversAll && plainColour_ != background) image_.fill(background);
    plainColour_ = background;
    if (!picture_.isNull() && !image_.isNull()) {
        copyInto(image_, picture_, 0, 0);
        plainColour_.reset();
    }
}

void DrawingSurface::resetCounters() {
    linesDrawn_ = 0;
    textsPrinted_ = 0;
}

double DrawingSurface::toPixels(double scaleUnits) const {
    return scaleMode_ == Pixels ? scaleUnits : scaleUnits / Geometry::kTwipsPerPixel;
}

double DrawingSurface::toScale(double pixels) const {
    return scaleMode_ == Pixels ? pixels : pixels * Geometry::kTwipsPerPixel;
}

void DrawingSurface::setPixel(int x, int y, QRgb rgb) {
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = rgb;
}

long long DrawingSurface::pixelOf(double scaleUnits) const {
    // Kept within a margin around the surface so that far-away ends cannot make a walk along
    // a line long; the clamp only shortens parts that lie outside anyway.
    const double limit = 4.0 * kMaxPixels;
    return std::llround(std::clamp(toPixels(scaleUnits), -limit, limit));
}

void DrawingSurface::Line(double x1, double y1, double x2, double y2, Colour colour) {
    plainColour_.reset();
    ++linesDrawn_;
    const QRgb rgb = rgbOf(colour);
    long long ax = pixelOf(x1), ay = pixelOf(y1), bx = pixelOf(x2), by = pixelOf(y2);

    if (ax == bx) { // vertical: the bars of every barcode
        const auto [top, bottom] = rowsOfVerticalLine(ay, by, image_.height());
        if (ax < 0 || ax >= image_.width() || top > bottom) return;
        uchar* bits = image_.bits();
        const qsizetype stride = image_.bytesPerLine();
        for (int y = top; y <= bottom; ++y)
            reinterpret_cast<QRgb*>(bits + y * stride)[ax] = rgb;
        return;
    }
    // Bresenham, end point excluded.
    const long long dx = std::llabs(bx - ax), dy = -std::llabs(by - ay);
    const long long sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    long long err = dx + dy;
    while (!(ax == bx && ay == by)) {
        setPixel(static_cast<int>(ax), static_cast<int>(ay), rgb);
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            ax += sx;
        }
        if (e2 <= dx) {
            err += dx;
            ay += sy;
        }
    }
}

void DrawingSurface::VerticalLines(double x, double y1, double y2,
                                   std::span<const Colour> colours) {
    plainColour_.reset();
    linesDrawn_ += static_cast<int>(colours.size());
    const auto [top, bottom] = rowsOfVerticalLine(pixelOf(y1), pixelOf(y2), image_.height());
    if (colours.empty() || top > bottom) return;
    // The first row takes every line's pixel, later lines over earlier ones on a shared column;
    // the rows below copy the columns it covers, which lie side by side.
    auto* first = reinterpret_cast<QRgb*>(image_.scanLine(top));
    long long left = image_.width(), right = -1;
    for (size_t i = 0; i < colours.size(); ++i) {
        const long long column = pixelOf(x + static_cast<double>(i));
        if (column < 0 || column >= image_.width()) continue;
        first[column] = rgbOf(colours[i]);
        left = std::min(left, column);
        right = std::max(right, column);
    }
    if (left > right) return;
    const size_t bytes = static_cast<size_t>(right - left + 1) * sizeof(QRgb);
    for (int y = top + 1; y <= bottom; ++y)
        std::memcpy(reinterpret_cast<QRgb*>(image_.scanLine(y)) + left, first + left, bytes);
}

double DrawingSurface::TextWidth(const QString& text) const {
    return toScale(drawingMetrics().horizontalAdvance(text));
}

double DrawingSurface::TextHeight(const QString&) const {
    return toScale(drawingMetrics().height());
}

void DrawingSurface::Print(const QString& text) {
    plainColour_.reset();
    ++textsPrinted_;
    const long left = std::lround(toPixels(currentX_)), top = std::lround(toPixels(currentY_));
    if (const TextStamp* stamp = image_.isNull() ? nullptr : textStamp(text)) {
        stampText(*stamp, left, top);
    } else if (!image_.isNull()) {
        QPainter painter(&image_);
        painter.setFont(drawingFont_);
        painter.setPen(QColor(rgbOf(foreColour_)));
        painter.drawText(QPointF(left, top + drawingMetrics().ascent()), text);
    }
    currentX_ = 0;
    currentY_ += TextHeight(text);
}

// Texts repeat from draw to draw (digits under the bars, the same code drawn again): laying
// them out and rasterising them is most of the work of printing, so that is done once.
// Nothing for a new text wider than the picture: it is drawn where it shows rather than kept
// whole. A kept text is stamped on any picture; what lands off it is cut as drawing would.
const DrawingSurface::TextStamp* DrawingSurface::textStamp(const QString& text) {
    const QRgb pen = rgbOf(foreColour_);
    if (const auto found = stamps_.constFind(text); found != stamps_.cend() && found->pen == pen)
        return &*found;
    const QFontMetrics& metrics = drawingMetrics();
    const int advance = metrics.horizontalAdvance(text);
    if (advance > image_.width()) return nullptr;
    if (stamps_.size() >= kStampsKept) stamps_.clear();
    // A margin wide enough for any glyph reaching out of the text's box.
    const int margin = metrics.height();
    QImage pixels(advance + 2 * margin, metrics.height() + 2 * margin,
                  QImage::Format_ARGB32_Premultiplied);
    pixels.setDotsPerMeterX(image_.dotsPerMeterX());
    pixels.setDotsPerMeterY(image_.dotsPerMeterY());
    pixels.fill(Qt::transparent);
    if (!pixels.isNull()) { // a font without height draws nothing
        QPainter painter(&pixels);
        painter.setFont(drawingFont_);
        painter.setPen(QColor(pen));
        painter.drawText(QPointF(margin, margin + metrics.ascent()), text);
    }
    return &*stamps_.insert(text, TextStamp{pixels, margin, pen});
}

// The stamp's glyph pixels onto the picture, the text's top-left corner at (left, top).
void DrawingSurface::stampText(const TextStamp& stamp, long left, long top) {
    const long x0 = left - stamp.margin, y0 = top - stamp.margin;
    // The part of the stamp that lands on the picture.
    const long xFrom = std::max(0L, -x0),
               xTo = std::min<long>(stamp.pixels.width(), image_.width() - x0);
    const long yFrom = std::max(0L, -y0),
               yTo = std::min<long>(stamp.pixels.height(), image_.height() - y0);
    for (long y = yFrom; y < yTo; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(stamp.pixels.constScanLine(int(y)));
        auto* to = reinterpret_cast<QRgb*>(image_.scanLine(int(y0 + y)));
        for (long x = xFrom; x < xTo; ++x)
            if (qAlpha(from[x]) != 0) to[x0 + x] = from[x]; // unsmoothed: wholly or not at all
    }
}

Colour DrawingSurface::Point(int x, int y) const {
    const double px = std::floor(toPixels(x)), py = std::floor(toPixels(y));
    if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) return -1;
    return colourNumber(image_.pixel(static_cast<int>(px), static_cast<int>(py)));
}

void DrawingSurface::pointsAlongRow(int x, int y, std::span<Colour> colours) const {
    if (scaleMode_ == Pixels && image_.format() == QImage::Format_RGB32)
        imageRowColours(image_, x, y, colours);
    else
        PixelSource::pointsAlongRow(x, y, colours);
}

void DrawingSurface::PaintPicture(const QImage& picture, double x1, double y1, double width1,
                                  double height1, double x2, double y2, double width2,
                                  double height2) {
    paintStretched(picture, {x1, y1, width1, height1}, {x2, y2, width2, height2}, false);
}

void DrawingSurface::ClsAndPaintPicture(const QImage& picture, double x1, double y1, double width1,
                                        double height1, double x2, double y2, double width2,
                                        double height2) {
    resetCounters();
    currentX_ = 0;
    currentY_ = 0;
    // With a background picture, erasing shows it: there is more to it than the colour.
    const bool erasesToColour = picture_.isNull();
    if (!erasesToColour) erase();
    paintStretched(picture, {x1, y1, width1, height1}, {x2, y2, width2, height2}, erasesToColour);
}

void DrawingSurface::paintStretched(const QImage& picture, const QRectF& to, const QRectF& from,
                                    bool eraseTheRest) {
    plainColour_.reset();
    const QRgb background = rgbOf(backColour_);
    uchar* bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    auto eraseRow = [&](long long y, long long left, long long right) {
        if (left < right)
            std::fill(reinterpret_cast<QRgb*>(bits + y * stride) + left,
                      reinterpret_cast<QRgb*>(bits + y * stride) + right, background);
    };
    auto eraseRows = [&](long long first, long long end) {
        for (long long y = std::max(0LL, first); y < std::min<long long>(end, image_.height()); ++y)
            eraseRow(y, 0, image_.width());
    };
    const long long dx0 = pixelOf(to.x()), dy0 = pixelOf(to.y()), dw = pixelOf(to.width()),
                    dh = pixelOf(to.height());
    const long long sx0 = pixelOf(from.x()), sy0 = pixelOf(from.y()), sw = pixelOf(from.width()),
                    sh = pixelOf(from.height());
    // Only destination pixels that land on the surface are visited; each samples the source
    // pixel under its centre.
    const long long xFrom = std::max(0LL, -dx0), xTo = std::min(dw, image_.width() - dx0);
    const long long yFrom = std::max(0LL, -dy0), yTo = std::min(dh, image_.height() - dy0);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || picture.isNull() || xFrom >= xTo ||
        yFrom >= yTo) {
        if (eraseTheRest) eraseRows(0, image_.height());
        return;
    }
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    // The source column of every destination column, found once for all rows; -1 off the source.
    std::vector<int> sourceColumn(static_cast<size_t>(xTo - xFrom));
    bool everyColumnOnSource = true;
    for (long long dx = xFrom; dx < xTo; ++dx) {
        const long long sx = sx0 + (2 * dx + 1) * sw / (2 * dw);
        const bool onSource = sx >= 0 && sx < source.width();
        sourceColumn[static_cast<size_t>(dx - xFrom)] = onSource ? static_cast<int>(sx) : -1;
        everyColumnOnSource = everyColumnOnSource && onSource;
    }
    if (eraseTheRest) {
        eraseRows(0, dy0 + yFrom);
        eraseRows(dy0 + yTo, image_.height());
    }
    const QRgb* previousTarget = nullptr;
    const QRgb* previousSourceRow = nullptr;
    // The columns sampled, in order: a source row equal to the previous one over them (the same
    // row enlarged, or the next row of a bar code's bars) gives the previous target row again.
    const int firstColumn = sourceColumn.front(), lastColumn = sourceColumn.back();
    for (long long dy = yFrom; dy < yTo; ++dy) {
        const long long sy = sy0 + (2 * dy + 1) * sh / (2 * dh);
        const bool rowOnSource = sy >= 0 && sy < source.height();
        if (eraseTheRest) {
            const bool coversColumns = rowOnSource && everyColumnOnSource;
            eraseRow(dy0 + dy, 0, coversColumns ? dx0 + xFrom : image_.width());
            if (coversColumns) eraseRow(dy0 + dy, dx0 + xTo, image_.width());
        }
        if (!rowOnSource) continue;
        QRgb* target = reinterpret_cast<QRgb*>(bits + (dy0 + dy) * stride) + dx0 + xFrom;
        const int* column = sourceColumn.data();
        const long long count = xTo - xFrom;
        const auto* sourceRow =
            reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(sy)));
        if (everyColumnOnSource && previousSourceRow &&
            (sourceRow == previousSourceRow ||
             std::equal(sourceRow + firstColumn, sourceRow + lastColumn + 1,
                        previousSourceRow + firstColumn))) {
            std::copy_n(previousTarget, count, target);
            continue;
        }
        if (everyColumnOnSource) {
            for (long long i = 0; i < count; ++i)
                target[i] = sourceRow[column[i]];
        } else {
            for (long long i = 0; i < count; ++i)
                if (column[i] >= 0) target[i] = sourceRow[column[i]];
        }
        previousTarget = target;
        previousSourceRow = sourceRow;
    }
}

void DrawingSurface::PaintPicture(const QImage& picture, double x, double y) {
    plainColour_.reset();
    if (picture.isNull() || image_.isNull()) return;
    if (picture.hasAlphaChannel()) { // see-through parts show what lies beneath
        QPainter painter(&image_);
        painter.drawImage(QPointF(static_cast<double>(pixelOf(x)), static_cast<double>(pixelOf(y))),
                          picture);
        return;
    }
    copyInto(image_, picture.convertToFormat(QImage::Format_RGB32), pixelOf(x), pixelOf(y));
}
