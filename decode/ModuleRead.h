#pragma once

#include "symbology/Symbol.h"
#include "symbology/ZintEncoder.h"

#include <optional>

// Whether a 2D symbol reads with the program's own reference decoder straight from its cells,
// as a reader reads a picture of it drawn at whole pixels with its quiet zones. Nothing for a
// symbology without one (PDF417) or a symbol that is not 2D.
namespace ModuleRead {

std::optional<bool> readsAsDrawn(zintsym::ZintType type, const ModuleMatrix& cells);

} // namespace ModuleRead
