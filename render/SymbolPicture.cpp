#include "render/SymbolPicture.h"

#include "render/PictureFont.h"
#include "render/RasterImage.h"
#include "render/SymbolRaster.h"
#include "render/SymbolTexts.h"

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

void paintTexts(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    const std::vector<TextPlace> places = textPlaces(symbol, layout);
    if (places.empty()) return;
    painter.setFont(textFont(SymbolLayout::kFontSize * unit,
                             painter.renderHints().testFlag(QPainter::TextAntialiasing)));
    painter.setPen(Qt::black);
    for (const TextPlace& place : places) {
        const QRectF band(place.band.left * unit, place.band.top * unit, place.band.width * unit,
                          place.band.height * unit);
        painter.save();
        painter.setClipRect(band);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, place.text->text);
        painter.restore();
    }
}

} // namespace

void paintSymbol(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    painter.fillRect(QRectF(0, 0, layout.width * unit, layout.height * unit), Qt::white);
    forEachDarkRect(symbol, layout, [&](const ModuleRect& r) {
        painter.fillRect(QRectF(r.left * unit, r.top * unit, r.width * unit, r.height * unit),
                         Qt::black);
    });
    if (!symbol.matrix) paintTexts(painter, symbol, layout, unit);
}

void printSymbolTexts(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                      int pixelsPerModule) {
    if (symbol.texts.isEmpty() || picture.isNull() ||
        printSymbolTextsInFace(picture, symbol, layout, pixelsPerModule))
        return;
    // Qt finds the font that the face alone does not give.
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
