#include "render/DrawingSurface.h"

#include "symbology/RuntimeError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// No side may grow past this, so a runaway size is refused instead of allocated.
constexpr int kMaxPixels = 65535;

Raster blankImage(int width, int height, Colour colour) {
    Raster image(width, height, rgbOf(colour));
    image.setDotsPerMeter(Geometry::kDotsPerMeter, Geometry::kDotsPerMeter);
    return image;
}

int checkedPixels(double twips) {
    const double pixels = std::round(twips / Geometry::kTwipsPerPixel);
    if (!(pixels >= 0 && pixels <= kMaxPixels)) throw RuntimeError::invalidSize();
    return static_cast<int>(pixels);
}

// Copies the source onto the target with its top-left corner at (x, y), clipped.
void copyInto(Raster& target, const Raster& source, long long x, long long y) {
    const long long left = std::max(0LL, x), top = std::max(0LL, y);
    const long long right = std::min<long long>(target.width(), x + source.width());
    const long long bottom = std::min<long long>(target.height(), y + source.height());
    if (left >= right || top >= bottom) return;
    const size_t bytes = static_cast<size_t>(right - left) * sizeof(QRgb);
    for (long long row = top; row < bottom; ++row) {
        const QRgb* from = source.constRow(static_cast<int>(row - y));
        QRgb* to = target.row(static_cast<int>(row));
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

} // namespace

DrawingSurface::DrawingSurface(double widthTwips, double heightTwips, Colour backColour,
                               const TextEngine* text)
    : widthTwips_(widthTwips), heightTwips_(heightTwips),
      image_(blankImage(checkedPixels(widthTwips), checkedPixels(heightTwips), backColour)),
      paper_(backColour), plainColour_(rgbOf(backColour)), engine_(text) {}

void DrawingSurface::setFont(const PictureFont& font) {
    font_ = font;
    text_.reset();
}

SurfaceText& DrawingSurface::text() const {
    if (!text_) {
        // A program drawing bars alone asks for no text.
        if (!engine_) throw std::logic_error("text on a surface made without a text engine");
        text_ = engine_->textIn(font_);
    }
    return *text_;
}

void DrawingSurface::setWidthTwips(double twips) {
    const int pixels = checkedPixels(twips);
    widthTwips_ = twips;
    resizePixels(pixels, image_.height());
}

void DrawingSurface::setHeightTwips(double twips) {
    const int pixels = checkedPixels(twips);
    heightTwips_ = twips;
    resizePixels(image_.width(), pixels);
}

void DrawingSurface::resizePixels(int width, int height) {
    if (width == image_.width() && height == image_.height()) return;
    Raster resized = blankImage(width, height, paper_);
    // A surface of nothing but its background needs no copy into the new one.
    const bool onlyBackground = plainColour_ == rgbOf(paper_);
    if (!image_.isNull() && !resized.isNull() && !onlyBackground) copyInto(resized, image_, 0, 0);
    image_ = resized;
    if (plainColour_ != rgbOf(paper_)) plainColour_.reset();
}

void DrawingSurface::setPaper(Colour colour) {
    paper_ = colour & 0xFFFFFF;
    erase();
}

void DrawingSurface::setFitsPicture(bool on) {
    fitsPicture_ = on;
    if (on && !picture_.isNull()) resizePixels(picture_.width(), picture_.height());
}

void DrawingSurface::setBackgroundPicture(const Raster& picture) {
    picture_ = picture;
    if (fitsPicture_ && !picture_.isNull()) {
        widthTwips_ = Geometry::pixelsToTwips(picture_.width());
        heightTwips_ = Geometry::pixelsToTwips(picture_.height());
        resizePixels(picture_.width(), picture_.height());
    }
    erase();
}

void DrawingSurface::clear() {
    erase();
    textX_ = 0;
    textY_ = 0;
}

void DrawingSurface::erase() {
    // A render ends by making its own image the picture: erasing then changes no pixel.
    if (!picture_.isNull() && picture_.sharesPixelsWith(image_)) return;
    const bool pictureCoversAll = !picture_.isNull() && picture_.width() >= image_.width() &&
                                  picture_.height() >= image_.height();
    const QRgb background = rgbOf(paper_);
    // A render sets the background more than once before it draws: the second fill is skipped.
    if (!pictureCoversAll && plainColour_ != background) image_.fill(background);
    plainColour_ = background;
    if (!picture_.isNull() && !image_.isNull()) {
        copyInto(image_, picture_, 0, 0);
        plainColour_.reset();
    }
}

double DrawingSurface::toPixels(double scaleUnits) const {
    return units_ == Unit::Pixels ? scaleUnits : scaleUnits / Geometry::kTwipsPerPixel;
}

double DrawingSurface::toScale(double pixels) const {
    return units_ == Unit::Pixels ? pixels : pixels * Geometry::kTwipsPerPixel;
}

long long DrawingSurface::pixelOf(double scaleUnits) const {
    // Kept within a margin around the surface so that far-away ends cannot make a walk along
    // a line long; the clamp only shortens parts that lie outside anyway.
    const double limit = 4.0 * kMaxPixels;
    return std::llround(std::clamp(toPixels(scaleUnits), -limit, limit));
}

void DrawingSurface::verticalLines(double x, double y1, double y2,
                                   std::span<const Colour> colours) {
    plainColour_.reset();
    const auto [top, bottom] = rowsOfVerticalLine(pixelOf(y1), pixelOf(y2), image_.height());
    if (colours.empty() || top > bottom) return;
    // The first row takes every line's pixel, later lines over earlier ones on a shared column;
    // the rows below copy the columns it covers, which lie side by side.
    QRgb* const bits = image_.bits();
    const qsizetype stride = image_.width();
    QRgb* first = bits + top * stride;
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
        std::memcpy(bits + y * stride + left, first + left, bytes);
}

double DrawingSurface::textWidth(const QString& text) const {
    return toScale(this->text().width(text));
}

double DrawingSurface::textHeight(const QString&) const {
    return toScale(text().height());
}

void DrawingSurface::printText(const QString& text) {
    plainColour_.reset();
    const long left = std::lround(toPixels(textX_)), top = std::lround(toPixels(textY_));
    if (!image_.isNull()) this->text().print(image_, left, top, rgbOf(ink_), text);
    textX_ = 0;
    textY_ += textHeight(text);
}

Colour DrawingSurface::colourAt(int x, int y) const {
    const double px = std::floor(toPixels(x)), py = std::floor(toPixels(y));
    if (px < 0 || py < 0 || px >= image_.width() || py >= image_.height()) return -1;
    return colourNumber(image_.constRow(static_cast<int>(py))[static_cast<int>(px)]);
}

void DrawingSurface::pointsAlongRow(int x, int y, std::span<Colour> colours) const {
    if (units_ == Unit::Pixels)
        rasterRowColours(image_, x, y, colours);
    else
        PixelSource::pointsAlongRow(x, y, colours);
}

void DrawingSurface::clearAndDrawStretched(const Raster& picture, double x1, double y1,
                                           double width1, double height1, double x2, double y2,
                                           double width2, double height2) {
    textX_ = 0;
    textY_ = 0;
    // With a background picture, erasing shows it: there is more to it than the colour.
    const bool erasesToColour = picture_.isNull();
    if (!erasesToColour) erase();
    paintStretched(picture, {x1, y1, width1, height1}, {x2, y2, width2, height2}, erasesToColour);
}

void DrawingSurface::paintStretched(const Raster& source, const QRectF& to, const QRectF& from,
                                    bool eraseTheRest) {
    plainColour_.reset();
    const QRgb background = rgbOf(paper_);
    QRgb* bits = image_.bits();
    const qsizetype stride = image_.width();
    auto eraseRow = [&](long long y, long long left, long long right) {
        if (left < right)
            std::fill(bits + y * stride + left, bits + y * stride + right, background);
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
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || source.isNull() || xFrom >= xTo ||
        yFrom >= yTo) {
        if (eraseTheRest) eraseRows(0, image_.height());
        return;
    }
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
        QRgb* target = bits + (dy0 + dy) * stride + dx0 + xFrom;
        const int* column = sourceColumn.data();
        const long long count = xTo - xFrom;
        const QRgb* sourceRow = source.constRow(static_cast<int>(sy));
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

void DrawingSurface::drawPicture(const Raster& picture, double x, double y) {
    place(picture, x, y);
}

void DrawingSurface::place(const Raster& picture, double x, double y) {
    plainColour_.reset();
    if (picture.isNull() || image_.isNull()) return;
    copyInto(image_, picture, pixelOf(x), pixelOf(y));
}
