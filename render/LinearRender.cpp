#include "LinearRender.h"

#include "RendererError.h"

#include <limits>

LinearRender::LinearRender(DrawingSurface& surface, QString codeText, bool caption,
                           int firstXPosition)
    : surface(surface), codeText(std::move(codeText)), caption(caption), xPosition(firstXPosition) {
}

int LinearRender::barHeightOf(std::int16_t heightUnits, const QString& source) {
    const int product = heightUnits * 10;
    if (product > std::numeric_limits<std::int16_t>::max() ||
        product < std::numeric_limits<std::int16_t>::min())
        throw RendererError::overflow(source);
    return product;
}

void LinearRender::prepareSurface(int barHeightPixels) {
    barHeight = barHeightPixels;
    top = kTop;
    surface.setBackColor(kWhite);
    surface.setAutoRedraw(true);
    surface.setScaleMode(DrawingSurface::Pixels);
    const double pixels =
        caption ? surface.TextHeight(codeText) + barHeight + 25 : barHeight + 20.0;
    surface.setHeight(pixels * Geometry::TwipsPerPixelY);
}

void LinearRender::drawModules(QStringView modules, int extension) {
    for (const QChar module : modules) {
        ++xPosition;
        const int x = xPosition + 10;
        surface.Line(x, top, x, top + barHeight + extension, module == u'1' ? kBlack : kWhite);
    }
}

void LinearRender::drawSymbol(const Symbol& symbol) {
    const QStringView modules = symbol.modules;
    for (int i = 0; i < modules.size(); ++i)
        drawModules(modules.mid(i, 1), symbol.isLong(i) ? Symbol::kGuardExtension : 0);
}

void LinearRender::printCaption() {
    surface.setCurrentX((xPosition + 20) / 2.0 - surface.TextWidth(codeText) / 2.0);
    surface.setCurrentY(barHeight + 15);
    surface.Print(codeText);
}

void LinearRender::finish() {
    surface.setPicture(surface.Image());
}
