#pragma once

#include "render/DrawingSurface.h"

#include <QString>

#include <cstdint>

namespace Code128Painter {

// The symbol on the work picture, one pixel per module, its caption under the bars.
void drawCode128(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                 bool caption);

} // namespace Code128Painter
