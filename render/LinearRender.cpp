#include "render/LinearRender.h"

#include "symbology/RuntimeError.h"

#include <limits>
#include <vector>

LinearRender::LinearRender(DrawingSurface& surface, QString codeText, bool caption,
                           int firstXPosition)
    : surface(surface), codeText(std::move(codeText)), caption(caption), xPosition(firstXPosition) {
}

int LinearRender::barHeightOf(std::int16_t heightUnits) {
    const int product = heightUnits * 10;
    if (product > std::numeric_limits<std::int16_t>::max() ||
        product < std::numeric_limits<std::int16_t>::min())
        throw RuntimeError::overflow();
    return product;
}

void LinearRender::prepareSurface(int barHeightPixels) {
    barHeight = barHeightPixels;
    top = kTop;
    surface.setPaper(kWhite);
    surface.setKeepsDrawing(true);
    surface.setUnits(DrawingSurface::Unit::Pixels);
    const double pixels =
        caption ? surface.textHeight(codeText) + barHeight + 25 : barHeight + 20.0;
    surface.setHeightTwips(pixels * Geometry::kTwipsPerPixel);
}

namespace {

std::vector<Colour> barColours(QStringView modules) {
    std::vector<Colour> colours;
    colours.reserve(static_cast<size_t>(modules.size()));
    for (const QChar module : modules)
        colours.push_back(module == u'1' ? kBlack : kWhite);
    return colours;
}

} // namespace

void drawModuleBars(DrawingSurface& surface, const Symbol& symbol, int first, int end, int x,
                    int top, int bottom, int longBottom) {
    const QStringView modules = symbol.modules;
    for (int from = first; from < end;) {
        const bool isLong = symbol.isLong(from);
        int to = from + 1;
        while (to < end && symbol.isLong(to) == isLong)
            ++to;
        surface.verticalLines(x + from - first, top, isLong ? longBottom : bottom,
                              barColours(modules.mid(from, to - from)));
        from = to;
    }
}

void LinearRender::drawModules(QStringView modules) {
    surface.verticalLines(xPosition + 11, top, top + barHeight, barColours(modules));
    xPosition += static_cast<int>(modules.size());
}

void LinearRender::drawSymbol(const Symbol& symbol) {
    const int size = static_cast<int>(symbol.modules.size());
    drawModuleBars(surface, symbol, 0, size, xPosition + 11, top, top + barHeight,
                   top + barHeight + Symbol::kGuardExtension);
    xPosition += size;
}

void LinearRender::printCaption() {
    surface.setTextX((xPosition + 20) / 2.0 - surface.textWidth(codeText) / 2.0);
    surface.setTextY(barHeight + 15);
    surface.printText(codeText);
}

void LinearRender::finish() {
    surface.setBackgroundPicture(surface.pixels());
}
