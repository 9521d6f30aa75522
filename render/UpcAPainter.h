#pragma once

#include "render/DrawingSurface.h"

#include <QString>

#include <array>

namespace UpcAPainter {

// The digits as the UPC-A picture shows them: digits 1 to 6 and 7 to 12.
struct DigitCaptions {
    std::array<QString, 6> L;
    std::array<QString, 6> R;
};

// Twelve digits at fixed places on the 129 x 65 picture, over the blank background; the
// captions take the digits as drawn. Drawing stops at the first caption that is no digit,
// with the type mismatch error.
void paint(const QString& codeText, DrawingSurface& picture, const DrawingSurface& background,
           DigitCaptions& captions);

} // namespace UpcAPainter
