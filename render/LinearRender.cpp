#include "LinearRender.h"

#include "RendererError.h"

#include <limits>
#include <vector>

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
    std::vector<Colour> colours;
    colours.reserve(static_cast<size_t>(modules.size()));
    for (const QChar module : modules)
        colours.push_back(module == u'1' ? kBlack : kWhite);
    const int x = xPosition + 11;
    surface.VerticalLines(x, top, top + barHeight + extension, colours);
    xPosition += static_cast<int>(modules.size());
}

void LinearRender::drawSymbol(const Symbol& symbol) {
    const QStringView modules = symbol.modules;
    // Runs of modules that reach equally far down are drawn together.
    for (int first = 0; first < modules.size();) {
        const bool isLong = symbol.isLong(first);
        int end = first + 1;
        while (end < modules.size() && symbol.isLong(end) == isLong)
            ++end;
        drawModules(modules.mid(first, end - first), isLong ? Symbol::kGuardExtension : 0);
        first = end;
    }
}

void LinearRender::printCaption() {
    surface.setCurrentX((xPosition + 20) / 2.0 - surface.TextWidth(codeText) / 2.0);
    surface.setCurrentY(barHeight + 15);
    surface.Print(codeText);
}

void LinearRender::finish() {
    surface.setPicture(surface.Image());
}
