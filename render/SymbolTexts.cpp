#include "render/SymbolTexts.h"

#include "render/FaceTextEngine.h"
#include "render/FontFace.h"

#include <algorithm>

namespace {

constexpr Raster::Pixel kBlack = 0xFF000000;

} // namespace

bool printSymbolTextsInFace(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                            int pixelsPerModule) {
    const std::vector<TextPlace> places = textPlaces(symbol, layout);
    if (places.empty()) return true;
    const auto face = FontFace::pictureFace(SymbolLayout::kFontSize * pixelsPerModule);
    if (!face || !std::all_of(places.cbegin(), places.cend(), [&](const TextPlace& place) {
            return face->covers(place.text->text);
        }))
        return false;
    const long unit = pixelsPerModule;
    for (const TextPlace& place : places) {
        const long left = place.band.left * unit, top = place.band.top * unit;
        const long width = place.band.width * unit, height = place.band.height * unit;
        // Centred as Qt centres a line in a rectangle: half the room left, which may be less
        // than none, cut to the 64th of a pixel towards zero.
        const long x = (2 * left * 64 + width * 64 - face->advance(place.text->text)) / 2;
        face->print(picture, place.text->text, x, top * 64 + face->ascent(), kBlack,
                    {left, top, left + width, top + height});
    }
    return true;
}

void printSymbolTextsInFaceOnly(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                                int pixelsPerModule) {
    if (!printSymbolTextsInFace(picture, symbol, layout, pixelsPerModule))
        throw FontUnavailable("the picture font's face cannot print the symbol's texts");
}
