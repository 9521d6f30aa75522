#include "render/SymbolPicture.h"

#include "render/PictureFont.h"
#include "render/RasterImage.h"
#include "render/SymbolRaster.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The picture font's faces, then a metric twin of the usual sans-serif where those are missing.
QFont textFont(double pixelSize, bool antialiased) {
    const QStringList families = pictureFont().families + QStringList{"Liberation Sans"};
    QFont font(families.front());
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    if (!antialiased) font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void paintMatrix(QPainter& painter, const ModuleMatrix& matrix, const SymbolLayout& layout,
                 double unit) {
    for (int row = 0; row < matrix.rows; ++row)
        for (int column = 0; column < matrix.columns;) {
            int end = column;
            while (end < matrix.columns && matrix.dark(row, end))
                ++end;
            if (end > column)
                painter.fillRect(QRectF((layout.left + column) * unit,
                                        (layout.top + row * matrix.rowHeight) * unit,
                                        (end - column) * unit, matrix.rowHeight * unit),
                                 Qt::black);
            column = end + 1;
        }
}

// The band of a text above the bars that holds the module, if any.
const SymbolText* textAbove(const Symbol& symbol, int module) {
    for (const SymbolText& text : symbol.texts)
        if (text.above && module >= text.band.first && module < text.band.end) return &text;
    return nullptr;
}

void paintBars(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    const int modules = static_cast<int>(symbol.modules.size());
    for (int first = 0; first < modules;) {
        const bool isLong = symbol.isLong(first);
        const SymbolText* above = textAbove(symbol, first);
        int end = first + 1;
        while (end < modules && symbol.modules[end] == symbol.modules[first] &&
               symbol.isLong(end) == isLong && textAbove(symbol, end) == above)
            ++end;
        if (symbol.modules[first] == u'1') {
            // Bars under a text above them start below its band and reach as low as guards.
            const int barTop = above ? SymbolLayout::kTextBand + SymbolLayout::kTextGap : 0;
            const int barBottom =
                layout.barHeight + (isLong || above ? Symbol::kGuardExtension : 0);
            painter.fillRect(QRectF((layout.left + first) * unit, (layout.top + barTop) * unit,
                                    (end - first) * unit, (barBottom - barTop) * unit),
                             Qt::black);
        }
        first = end;
    }
}

void paintBearer(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    const int bearer = symbol.bearerWidth;
    const double bottom = layout.top + layout.barHeight;
    const double frameWidth = symbol.bearer == BearerBars::Frame ? layout.width : 0;
    const QRectF outer(0, 0, layout.width * unit, (bottom + bearer) * unit);
    painter.fillRect(QRectF(0, 0, outer.width(), bearer * unit), Qt::black);
    painter.fillRect(QRectF(0, bottom * unit, outer.width(), bearer * unit), Qt::black);
    if (frameWidth == 0) return;
    painter.fillRect(QRectF(0, 0, bearer * unit, outer.height()), Qt::black);
    painter.fillRect(QRectF((layout.width - bearer) * unit, 0, bearer * unit, outer.height()),
                     Qt::black);
}

// Each text is held to its band, so it can never run into a guard bar beside it.
void paintTexts(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    if (symbol.texts.isEmpty()) return;
    painter.setFont(textFont(SymbolLayout::kFontSize * unit,
                             painter.renderHints().testFlag(QPainter::TextAntialiasing)));
    painter.setPen(Qt::black);
    const int bearerBelow = symbol.bearer == BearerBars::None ? 0 : symbol.bearerWidth;
    const double below =
        (layout.top + layout.barHeight + bearerBelow + SymbolLayout::kTextGap) * unit;
    for (const SymbolText& text : symbol.texts) {
        const double top = text.above ? layout.top * unit : below;
        const QRectF band((layout.left + text.band.first) * unit, top,
                          (text.band.end - text.band.first) * unit, SymbolLayout::kTextBand * unit);
        painter.save();
        painter.setClipRect(band);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, text.text);
        painter.restore();
    }
}

} // namespace

void paintSymbol(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    painter.fillRect(QRectF(0, 0, layout.width * unit, layout.height * unit), Qt::white);
    if (symbol.matrix) {
        paintMatrix(painter, *symbol.matrix, layout, unit);
        return;
    }
    paintBars(painter, symbol, layout, unit);
    if (symbol.bearer != BearerBars::None && symbol.bearerWidth > 0)
        paintBearer(painter, symbol, layout, unit);
    paintTexts(painter, symbol, layout, unit);
}

void printSymbolTexts(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                      int pixelsPerModule) {
    if (symbol.texts.isEmpty() || picture.isNull()) return;
    QImage image(reinterpret_cast<uchar*>(picture.bits()), picture.width(), picture.height(),
                 picture.width() * qsizetype(sizeof(Raster::Pixel)), QImage::Format_RGB32);
    if (picture.dotsPerMeterX() > 0) image.setDotsPerMeterX(picture.dotsPerMeterX());
    if (picture.dotsPerMeterY() > 0) image.setDotsPerMeterY(picture.dotsPerMeterY());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    paintTexts(painter, symbol, layout, pixelsPerModule);
}

QImage symbolPicture(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                     std::optional<int> dotsPerInch) {
    Raster picture = symbolRaster(symbol, layout, pixelsPerModule, dotsPerInch);
    printSymbolTexts(picture, symbol, layout, pixelsPerModule);
    return imageOf(picture);
}
