#include "render/Code128.h"

#include "render/LinearRender.h"
#include "symbology/Code128.h"
#include "symbology/RuntimeError.h"

namespace Code128 {

// A character without a value stops the drawing there, after the characters before it.
void DrawCode128(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                 bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setBackgroundPicture(Raster());
    const PartialSymbol encoded = EncodeCode128AsFarAsPossible(codeText, caption);

    render.prepareSurface(LinearRender::barHeightOf(heightUnits));
    surface.setWidthTwips(static_cast<double>(workPictureWidthPixels(codeText)) *
                          Geometry::kTwipsPerPixel);
    render.drawSymbol(encoded.symbol);
    if (!encoded.complete) throw RuntimeError::noValue();
    if (caption) render.printCaption();
    render.finish();
}

} // namespace Code128
