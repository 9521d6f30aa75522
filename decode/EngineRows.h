#pragma once

#include "render/Raster.h"

#include <cstdint>
#include <initializer_list>

// The reading engine's look along single rows, without Qt Gui: what ReadingEngine builds on,
// and what the command line asks of a picture it has just drawn.
namespace ReadingEngine {

// What a look tries: the formats of the window's own symbologies, or every format the program
// draws (the newer symbologies', 2D ones included).
enum class Formats { Classic, Every };

// True when the engine decodes a symbol in one row of grey pixels (0 black, 255 white).
bool decodesGreyRow(const std::uint8_t* grey, int width, Formats formats = Formats::Classic);

// True when a row of the picture among `rows`, all black and white, decodes; false when none
// does or a row holds another colour (ReadingEngine::decodesAlongRows settles those).
bool blackAndWhiteRowsDecode(const Raster& picture, std::initializer_list<int> rows,
                             Formats formats = Formats::Classic);

// True when the engine finds a symbol of any format the program draws (2D ones included) in
// the whole picture, all black and white, upright and unblurred as drawn; false when it finds
// none or the picture holds another colour (ScanCheck::decodesAny settles those).
bool blackAndWhiteDecodes(const Raster& picture);

} // namespace ReadingEngine
