#include "render/EanPainter.h"

#include "render/LinearRender.h"
#include "symbology/Ean.h"

namespace EanPainter {
namespace {

constexpr int kFirstXPosition = 5; // the first module lands on x = 16

// Where the window's caption prints a text of the symbol: x, and y below the bars' bottom.
struct CaptionPlace {
    double x;
    int belowBars;
};

struct WorkPicture {
    ::Symbology symbology;
    double widthTwips;
    QList<CaptionPlace> captionPlaces; // one per text of the symbol, in its order
    Symbol (*encode)(const QString&);
};

// Widths in twips from the classic formulas: 12 × 8 × 20 and (7 × 8 + 20) × 20.
const WorkPicture kEAN13 = {
    ::Symbology::Ean13, 12 * 8 * 20.0, {{5, 5}, {23, 10}, {68, 10}}, Ean::encodeEan13};
const WorkPicture kEAN8 = {
    ::Symbology::Ean8, (7 * 8 + 20) * 20.0, {{23, 10}, {53, 10}}, Ean::encodeEan8};

// Texts left of the first bar are printed before the bars, the others after them.
void printCaptions(LinearRender& render, const Symbol& symbol, const WorkPicture& picture,
                   bool inQuietZone) {
    for (qsizetype i = 0; i < symbol.texts.size(); ++i) {
        if ((symbol.texts[i].band.first < 0) != inQuietZone) continue;
        const CaptionPlace& place = picture.captionPlaces[i];
        render.surface.setTextX(place.x);
        render.surface.setTextY(render.barHeight + place.belowBars);
        render.surface.printText(symbol.texts[i].text);
    }
}

// The text is checked before anything but the picture has changed on the surface.
void drawEAN(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
             bool caption, const WorkPicture& picture) {
    LinearRender render(surface, codeText, caption, kFirstXPosition);
    surface.setBackgroundPicture(Raster());
    const Symbol symbol = picture.encode(codeText);
    render.prepareSurface(LinearRender::barHeightOf(heightUnits));
    surface.setWidthTwips(picture.widthTwips);
    if (caption) printCaptions(render, symbol, picture, true);
    render.drawSymbol(symbol);
    if (caption) printCaptions(render, symbol, picture, false);
    render.finish();
}

} // namespace

void drawEan13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN13);
}

void drawEan8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN8);
}

} // namespace EanPainter
