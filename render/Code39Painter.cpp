#include "render/Code39Painter.h"

#include "render/LinearRender.h"
#include "render/Twips.h"
#include "symbology/Code39.h"

namespace Code39Painter {
namespace {

// The work picture's width in twips for m symbol characters. The classic formula allows 12
// pixels per character at 16 twips each, which falls short of the 13 a character takes once
// texts get long; then the picture is widened to the whole symbol and 10 white columns.
double workPictureWidthTwips(int symbolCharacters) {
    const double classic = (symbolCharacters * 12 + 20) * 16.0;
    const int symbolExtent = Code39::kModulesPerCharacter * symbolCharacters + 12;
    if (Geometry::twipsToPixels(classic) >= symbolExtent) return classic;
    return Geometry::pixelsToTwips(symbolExtent + 10);
}

} // namespace

void drawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setBackgroundPicture(Raster());
    const Symbol symbol = Code39::EncodeCode39(codeText, addCheckCharacter, caption);
    if (caption) render.codeText = symbol.texts.front().text;

    render.prepareSurface(LinearRender::barHeightOf(heightUnits));
    const int symbolCharacters =
        static_cast<int>(symbol.modules.size() + 1) / Code39::kModulesPerCharacter;
    surface.setWidthTwips(workPictureWidthTwips(symbolCharacters));
    render.drawSymbol(symbol);
    render.drawModules(u"0"); // the last character's gap, which the caption is centred with
    if (caption) render.printCaption();
    render.finish();
}

} // namespace Code39Painter
