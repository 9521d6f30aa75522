#include "render/Code39.h"

#include "render/LinearRender.h"
#include "symbology/Code39.h"

namespace Code39 {

void DrawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setBackgroundPicture(Raster());
    const Symbol symbol = EncodeCode39(codeText, addCheckCharacter, caption);
    if (caption) render.codeText = symbol.texts.front().text;

    render.prepareSurface(
        LinearRender::barHeightOf(heightUnits, errorSourceOf(::Symbology::Code39)));
    const int symbolCharacters = static_cast<int>(symbol.modules.size() + 1) / kModulesPerCharacter;
    surface.setWidthTwips(workPictureWidthTwips(symbolCharacters));
    render.drawSymbol(symbol);
    render.drawModules(u"0"); // the last character's gap, which the caption is centred with
    if (caption) render.printCaption();
    render.finish();
}

} // namespace Code39
