#pragma once

#include "render/Raster.h"
#include "render/SymbolLayout.h"
#include "symbology/Symbol.h"

// Prints the symbol's texts on its raster drawn at N whole pixels per module (symbolRaster) in
// the picture font's face (FontFace.h), with Qt Core alone: exactly the pixels Qt prints
// there. False, with nothing printed, when the face cannot print them all (its file missing,
// a character without a glyph in it): Qt's fonts then do (printSymbolTexts, SymbolPicture.h).
bool printSymbolTextsInFace(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                            int pixelsPerModule);

// The same as a model's printer of symbol texts (DrawModel::SymbolTextPrinter) where Qt's fonts
// are not at hand: throws FontUnavailable (FaceTextEngine.h) where the face cannot print them.
void printSymbolTextsInFaceOnly(Raster& picture, const Symbol& symbol, const SymbolLayout& layout,
                                int pixelsPerModule);
