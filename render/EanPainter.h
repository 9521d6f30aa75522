#pragma once

#include "render/DrawingSurface.h"

#include <QString>

#include <cstdint>

namespace EanPainter {

// The symbols of 12 and 7 data digits on the work picture, one pixel per module, the digits
// under the bars with a caption.
void drawEan13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption);
void drawEan8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption);

} // namespace EanPainter
