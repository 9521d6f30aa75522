#include "render/SymbolPicture.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QFont textFont(double pixelSize, bool antialiased) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    if (!antialiased) font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int textOverhangLeft(const Symbol& symbol) {
    int overhang = 0;
    for (const SymbolText& text : symbol.texts)
        overhang = std::max(overhang, -text.band.first);
    return overhang;
}

int textOverhangRight(const Symbol& symbol) {
    const int modules = static_cast<int>(symbol.modules.size());
    int overhang = 0;
    for (const SymbolText& text : symbol.texts)
        overhang = std::max(overhang, text.band.end - modules);
    return overhang;
}

} // namespace

SymbolLayout::SymbolLayout(const Symbol& symbol, std::optional<int> barHeight,
                           std::optional<int> quietZone)
    : barHeight(barHeight.value_or(symbol.barHeight)),
      left(std::max(quietZone.value_or(symbol.quietLeft), textOverhangLeft(symbol))) {
    const int right = std::max(quietZone.value_or(symbol.quietRight), textOverhangRight(symbol));
    width = left + static_cast<int>(symbol.modules.size()) + right;
    const int guards = symbol.longModules.isEmpty() ? 0 : Symbol::kGuardExtension;
    const int text = symbol.texts.isEmpty() ? 0 : kTextGap + kTextBand;
    height = this->barHeight + std::max(guards, text);
}

void paintSymbol(QPainter& painter, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    painter.fillRect(QRectF(0, 0, layout.width * unit, layout.height * unit), Qt::white);
    const int modules = static_cast<int>(symbol.modules.size());
    for (int first = 0; first < modules;) {
        int end = first + 1;
        while (end < modules && symbol.modules[end] == symbol.modules[first] &&
               symbol.isLong(end) == symbol.isLong(first))
            ++end;
        if (symbol.modules[first] == u'1') {
            const int bars =
                layout.barHeight + (symbol.isLong(first) ? Symbol::kGuardExtension : 0);
            painter.fillRect(
                QRectF((layout.left + first) * unit, 0, (end - first) * unit, bars * unit),
                Qt::black);
        }
        first = end;
    }
    if (symbol.texts.isEmpty()) return;
    painter.setFont(textFont(SymbolLayout::kFontSize * unit,
                             painter.renderHints().testFlag(QPainter::TextAntialiasing)));
    painter.setPen(Qt::black);
    // Each text is held to its band, so it can never run into a guard bar beside it.
    const double top = (layout.barHeight + SymbolLayout::kTextGap) * unit;
    for (const SymbolText& text : symbol.texts) {
        const QRectF band((layout.left + text.band.first) * unit, top,
                          (text.band.end - text.band.first) * unit, SymbolLayout::kTextBand * unit);
        painter.save();
        painter.setClipRect(band);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, text.text);
        painter.restore();
    }
}

QImage symbolPicture(const Symbol& symbol, const SymbolLayout& layout, int pixelsPerModule,
                     std::optional<int> dotsPerInch) {
    QImage picture(layout.width * pixelsPerModule, layout.height * pixelsPerModule,
                   QImage::Format_RGB32);
    if (dotsPerInch) {
        const int dotsPerMeter = static_cast<int>(std::lround(*dotsPerInch / 0.0254));
        picture.setDotsPerMeterX(dotsPerMeter);
        picture.setDotsPerMeterY(dotsPerMeter);
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    paintSymbol(painter, symbol, layout, pixelsPerModule);
    return picture;
}

int dotsPerModule(double xDimensionMm, int dotsPerInch) {
    return std::max(1, static_cast<int>(std::lround(xDimensionMm * dotsPerInch / 25.4)));
}
