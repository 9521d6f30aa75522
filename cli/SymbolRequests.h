#pragma once

#include "app/DrawCommands.h"
#include "cli/CommandLine.h"
#include "cli/Jobs.h"
#include "output/ImageExport.h"
#include "render/SymbolLayout.h"
#include "symbology/Symbol.h"
#include "symbology/ZintChoices.h"

#include <QString>

#include <optional>
#include <variant>

// A picture drawn anew from the symbol (--scale, --xdim --dpi, --bar-height, --quiet-zone, a
// vector format) as draw and batch take it from their options, in both halves of the program.
namespace SymbolRequests {

struct SymbolRequest {
    bool vector = false; // the format's lines and text instead of pixels
    int pixelsPerModule = 1;
    std::optional<int> dotsPerInch;
    double xDimensionMm = 0.33;
    std::optional<int> barHeight;
    std::optional<int> quietZone;
};

// The symbol picture the options ask for, nothing when they ask for the window's picture.
std::optional<SymbolRequest> symbolRequestOf(const CommandLine::Invocation& args,
                                             ImageExport::ImageFormat format);

// One line when whole dots move the X-dimension by more than 5 %.
void warnOfRoundedXDimension(const SymbolRequest& request);

// How --ecc, --bearer and --dl-domain ask the newer symbologies to be encoded.
ZintRequest zintRequestOf(const CommandLine::Invocation& args);

// The symbol of the model's code text as the type's window command accepts it: EAN and UPC-A
// padded or cut to their digits; the encoder refuses what the window's renderer refuses, a
// newer symbology's refusal reading as the command line's errors do, GS1-128 too wide for
// print at the requested X-dimension included. The newer symbologies' warnings go to the
// model's drawWarnings.
std::variant<Symbol, QString> encoded(const QString& type, const SymbolRequest& request,
                                      DrawModel& model, const Jobs::RecordedMessages& messages);

// True when a symbol of the type, drawn anew as the request asks in `layout`, reads with the
// program's own reference decoder from its modules: a 2D symbol's cells with the margin readers
// need, a Code 128 symbol's bars with its quiet zones. Then a reader reads the picture. False
// when that does not settle it (no such decoder, a margin narrower than readers need, a
// module of one pixel, which readers may not resolve, modules that do not read), and the
// picture itself is to be looked at.
bool readsFromCells(const QString& type, const Symbol& symbol, const SymbolRequest& request,
                    const SymbolLayout& layout);

} // namespace SymbolRequests
