// A newer symbology in the window: libzint's symbol drawn at whole pixels per module, with
// Qt Core alone when it carries no text.
#include "app/DrawCommands.h"

#include "render/SymbolRaster.h"
#include "symbology/DigitCode.h"

#include <algorithm>

namespace DrawCommands {
namespace {

Raster pictureOf(const DrawModel& model, const Symbol& symbol, const SymbolLayout& layout,
                 int pixelsPerModule) {
    Raster picture = symbolRaster(symbol, layout, pixelsPerModule);
    if (model.symbolTexts) model.symbolTexts(picture, symbol, layout, pixelsPerModule);
    return picture;
}

// Widens the light margin all round so that the layout fills `columns` by `rows` modules with
// the symbol in the middle.
void centreIn(SymbolLayout& layout, int columns, int rows) {
    const int across = std::max(0, columns - layout.width),
              down = std::max(0, rows - layout.height);
    layout.left += across / 2;
    layout.width += across;
    layout.top += down / 2;
    layout.height += down;
}

} // namespace

void drawZintChoice(DrawModel& model, const ZintChoice& choice) {
    model.drawnSymbol.reset();
    const auto encoded = encodeZintChoice(choice, model.codeText, model.zintRequest);
    if (const auto* refusal = std::get_if<QString>(&encoded)) {
        if (model.messages)
            model.messages->show(QStringLiteral("error: ") + *refusal, DigitCode::kRefusalTitle,
                                 MessageIcon::Exclamation);
        return;
    }
    const Symbol& symbol = std::get<EncodedSymbol>(encoded).symbol;
    const std::optional<int> margin =
        symbol.matrix ? std::optional(windowMargin(symbol)) : std::nullopt;
    SymbolLayout layout(symbol, std::nullopt, margin);
    const int regionWidth = Geometry::twipsToPixels(outputWidthTwips(model));
    const int regionHeight = Geometry::twipsToPixels(outputHeightTwips(model));
    const int pixelsPerModule =
        std::max(1, std::min(regionWidth / layout.width, regionHeight / layout.height));
    // The reading engine looks for an Aztec Code's bullseye from the picture's centre outwards:
    // off to one side of a wide picture, the symbol is not found at all.
    if (choice.type == zintsym::ZintType::Aztec)
        centreIn(layout, regionWidth / pixelsPerModule, regionHeight / pixelsPerModule);
    const Raster work = pictureOf(model, symbol, layout, 1);
    model.workPicture.clear();
    model.workPicture.setWidthTwips(Geometry::pixelsToTwips(work.width()));
    model.workPicture.setHeightTwips(Geometry::pixelsToTwips(work.height()));
    model.workPicture.setBackgroundPicture(work);
    model.outputPicture.clear();
    model.outputPicture.drawPicture(pictureOf(model, symbol, layout, pixelsPerModule), 0, 0);
    model.stretchedRegion = QSizeF(Geometry::pixelsToTwips(layout.width * pixelsPerModule),
                                   Geometry::pixelsToTwips(layout.height * pixelsPerModule));
    model.drawnSymbol = symbol;
}

} // namespace DrawCommands
