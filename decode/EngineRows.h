#pragma once

#include "render/Raster.h"

#include <cstdint>
#include <initializer_list>

// The reading engine's look along single rows, without Qt Gui: what ReadingEngine builds on,
// and what the command line asks of a picture it has just drawn.
namespace ReadingEngine {

// True when the engine decodes a symbol in one row of grey pixels (0 black, 255 white).
bool decodesGreyRow(const std::uint8_t* grey, int width);

// True when a row of the picture among `rows`, all black and white, decodes; false when none
// does or a row holds another colour (ReadingEngine::decodesAlongRows settles those).
bool blackAndWhiteRowsDecode(const Raster& picture, std::initializer_list<int> rows);

} // namespace ReadingEngine
