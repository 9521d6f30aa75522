#pragma once

#include "render/DrawingSurface.h"

#include <QString>

#include <cstdint>

namespace EAN13and8 {

// The symbols of 12 and 7 data digits on the work picture, one pixel per module, the digits
// under the bars with a caption.
void DrawEAN13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption);
void DrawEAN8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption);

} // namespace EAN13and8
