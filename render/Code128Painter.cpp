#include "render/Code128Painter.h"

#include "render/LinearRender.h"
#include "symbology/Code128.h"
#include "symbology/RuntimeError.h"

namespace Code128Painter {

// A character without a value stops the drawing there, after the characters before it.
void drawCode128(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                 bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setBackgroundPicture(Raster());
    const Code128::PartialSymbol encoded = Code128::EncodeCode128AsFarAsPossible(codeText, caption);

    render.prepareSurface(LinearRender::barHeightOf(heightUnits));
    surface.setWidthTwips(static_cast<double>(Code128::workPictureWidthPixels(codeText)) *
                          Geometry::kTwipsPerPixel);
    render.drawSymbol(encoded.symbol);
    if (!encoded.complete) throw RuntimeError::noValue();
    if (caption) render.printCaption();
    render.finish();
}

} // namespace Code128Painter
