#pragma once

#include "cli/CommandLine.h"

// The batches drawn with Qt Core alone: PNG and Windows Bitmap pictures of every symbology, their
// texts printed in the picture font's face (FontFace.h), but for the UPC-A window picture's
// captions, whose font may be another.
// A picture whose decoding the reading engine's quick look leaves open is settled by the rest
// of the program, loaded only then.
namespace QuickBatch {

// Whether the invocation is such a batch; decided before the first line is drawn.
bool handles(const CommandLine::Invocation& invocation);

// Runs it with the messages, files and exit status of the full program.
int run(const CommandLine::Invocation& invocation, int argc, char** argv);

} // namespace QuickBatch
