// The parts of a drawing surface that need Qt Gui: fonts and text, and QImage pictures.
#include "render/DrawingSurface.h"
#include "render/RasterImage.h"
#include "render/TextEngine.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

QFont unsmoothed(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Text drawn without smoothing, so that pictures stay black and white, at the pictures' 96
// dots per inch.
class QtSurfaceText : public SurfaceText {
  public:
    explicit QtSurfaceText(const QFont& font) : drawingFont_(unsmoothed(font)) {}

    int width(const QString& text) const override { return metrics().horizontalAdvance(text); }
    int height() const override { return metrics().height(); }

    void print(Raster& picture, long left, long top, Raster::Pixel pen,
               const QString& text) override {
        if (const TextStamp* stamp = textStamp(text, pen, picture.width())) {
            stampText(*stamp, picture, left, top);
            return;
        }
        QImage image(reinterpret_cast<uchar*>(picture.bits()), picture.width(), picture.height(),
                     picture.width() * qsizetype(sizeof(Raster::Pixel)), QImage::Format_RGB32);
        image.setDotsPerMeterX(Geometry::kDotsPerMeter);
        image.setDotsPerMeterY(Geometry::kDotsPerMeter);
        QPainter painter(&image);
        painter.setFont(drawingFont_);
        painter.setPen(QColor(pen));
        painter.drawText(QPointF(left, top + metrics().ascent()), text);
    }

  private:
    // A printed text's pixels in its pen, with a margin around the text's box.
    struct TextStamp {
        QImage pixels;
        int margin;
        QRgb pen;
    };
    static constexpr qsizetype kStampsKept = 64;

    const QFontMetrics& metrics() const {
        if (!metrics_) {
            QImage device(1, 1, QImage::Format_RGB32);
            device.setDotsPerMeterX(Geometry::kDotsPerMeter);
            device.setDotsPerMeterY(Geometry::kDotsPerMeter);
            metrics_.emplace(drawingFont_, &device);
        }
        return *metrics_;
    }

    // Texts repeat from draw to draw (digits under the bars, the same code drawn again):
    // laying them out and rasterising them is most of the work of printing, so that is done
    // once. Nothing for a new text wider than the picture: it is drawn where it shows rather
    // than kept whole. A kept text is stamped on any picture; what lands off it is cut as
    // drawing would.
    const TextStamp* textStamp(const QString& text, QRgb pen, int pictureWidth) {
        if (const auto found = stamps_.constFind(text);
            found != stamps_.cend() && found->pen == pen)
            return &*found;
        const int advance = metrics().horizontalAdvance(text);
        if (advance > pictureWidth) return nullptr;
        if (stamps_.size() >= kStampsKept) stamps_.clear();
        // A margin wide enough for any glyph reaching out of the text's box.
        const int margin = metrics().height();
        QImage pixels(advance + 2 * margin, metrics().height() + 2 * margin,
                      QImage::Format_ARGB32_Premultiplied);
        pixels.setDotsPerMeterX(Geometry::kDotsPerMeter);
        pixels.setDotsPerMeterY(Geometry::kDotsPerMeter);
        pixels.fill(Qt::transparent);
        if (!pixels.isNull()) { // a font without height draws nothing
            QPainter painter(&pixels);
            painter.setFont(drawingFont_);
            painter.setPen(QColor(pen));
            painter.drawText(QPointF(margin, margin + metrics().ascent()), text);
        }
        return &*stamps_.insert(text, TextStamp{pixels, margin, pen});
    }

    // The stamp's glyph pixels onto the picture, the text's top-left corner at (left, top).
    static void stampText(const TextStamp& stamp, Raster& picture, long left, long top) {
        const long x0 = left - stamp.margin, y0 = top - stamp.margin;
        // The part of the stamp that lands on the picture.
        const long xFrom = std::max(0L, -x0),
                   xTo = std::min<long>(stamp.pixels.width(), picture.width() - x0);
        const long yFrom = std::max(0L, -y0),
                   yTo = std::min<long>(stamp.pixels.height(), picture.height() - y0);
        for (long y = yFrom; y < yTo; ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(stamp.pixels.constScanLine(int(y)));
            Raster::Pixel* to = picture.row(int(y0 + y));
            for (long x = xFrom; x < xTo; ++x)
                if (qAlpha(from[x]) != 0) to[x0 + x] = from[x]; // unsmoothed: wholly or not at all
        }
    }

    QFont drawingFont_; // kept, not made per text: a new font looks its glyphs up anew
    mutable std::optional<QFontMetrics> metrics_; // made when first asked for
    QHash<QString, TextStamp> stamps_;
};

class QtTextEngine : public TextEngine {
  public:
    std::shared_ptr<SurfaceText> textIn(const PictureFont& font) const override {
        return std::make_shared<QtSurfaceText>(qFontOf(font));
    }
};

} // namespace

const TextEngine& qtTextEngine() {
    static const QtTextEngine engine;
    return engine;
}

QImage imageOf(const Raster& raster) {
    if (raster.isNull()) return {};
    // The image holds on to the pixels; the raster copies them before it changes them.
    auto* handle = new std::shared_ptr<const Raster::Pixel[]>(raster.pixelHandle());
    QImage image(
        reinterpret_cast<const uchar*>(raster.constBits()), raster.width(), raster.height(),
        raster.width() * qsizetype(sizeof(Raster::Pixel)), QImage::Format_RGB32,
        [](void* pixels) { delete static_cast<std::shared_ptr<const Raster::Pixel[]>*>(pixels); },
        handle);
    if (raster.dotsPerMeterX() > 0) image.setDotsPerMeterX(raster.dotsPerMeterX());
    if (raster.dotsPerMeterY() > 0) image.setDotsPerMeterY(raster.dotsPerMeterY());
    return image;
}

Raster rasterOf(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Raster raster(rgb.width(), rgb.height(), 0);
    raster.setDotsPerMeter(rgb.dotsPerMeterX(), rgb.dotsPerMeterY());
    const size_t bytes = size_t(rgb.width()) * sizeof(Raster::Pixel);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(raster.row(y), rgb.constScanLine(y), bytes);
    return raster;
}

QImage DrawingSurface::image() const {
    return imageOf(image_);
}

QImage DrawingSurface::backgroundPicture() const {
    return imageOf(picture_);
}

void DrawingSurface::setBackgroundPicture(const QImage& picture) {
    setBackgroundPicture(rasterOf(picture));
}

void DrawingSurface::clearAndDrawStretched(const QImage& picture, double x1, double y1,
                                           double width1, double height1, double x2, double y2,
                                           double width2, double height2) {
    clearAndDrawStretched(rasterOf(picture), x1, y1, width1, height1, x2, y2, width2, height2);
}

void DrawingSurface::drawPicture(const QImage& picture, double x, double y) {
    if (!picture.hasAlphaChannel() || picture.isNull() || image_.isNull()) {
        place(rasterOf(picture), x, y);
        return;
    }
    // See-through parts show what lies beneath.
    plainColour_.reset();
    QImage image(reinterpret_cast<uchar*>(image_.bits()), image_.width(), image_.height(),
                 image_.width() * qsizetype(sizeof(Raster::Pixel)), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.drawImage(QPointF(static_cast<double>(pixelOf(x)), static_cast<double>(pixelOf(y))),
                      picture);
}
