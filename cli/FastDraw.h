#pragma once

#include "cli/CommandLine.h"

#include <optional>

// The draws that a script makes by the thousand, one call each, done with Qt Core alone: the
// window's picture (or, with --raw, the work picture) and any symbol drawn anew at whole
// pixels, as PNG or Windows Bitmap. Texts are printed in the picture font's face (FontFace.h);
// Qt Gui, font configuration, FreeImage and the grader stay unloaded.
namespace FastDraw {

// Whether the invocation may be such a draw.
bool handles(const CommandLine::Invocation& invocation);

// Draws and writes it with the messages and exit status of the full program. Nothing, before
// anything is written or said, when a text needs Qt's fonts (another font, a character the
// face lacks, the face's file missing) or the reading engine's quick look
// (three rows of a linear symbol, the whole picture of a 2D one) does not show that the picture
// decodes: the full program then does the draw, whose warning needs the whole reading engine.
std::optional<int> run(const CommandLine::Invocation& invocation);

} // namespace FastDraw
