#pragma once

#include "render/DrawingSurface.h"

#include <QString>

#include <cstdint>

namespace Code39Painter {

// The symbol on the work picture, one pixel per module, its caption under the bars.
void drawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption);

} // namespace Code39Painter
