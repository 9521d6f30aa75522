#pragma once

#include "DrawingSurface.h"
#include "Symbol.h"

#include <QString>

#include <cstdint>

// Code 128: set B for single characters, set C for a final run of four or more digits,
// the modulo-103 check character and the 13-module stop pattern.
namespace Code128 {

inline constexpr int kMaxSymbolPixels = 32000;

// The number of symbol characters between start and check, as the width formula estimates it.
int CountCode128Symbols(const QString& text);

// The symbol values from the start character to the check character, in drawing order.
// A character outside codes 32 to 126 raises error 9, "Subscript out of range".
QList<int> Code128Values(const QString& text);

// The symbol of the text, refused as DrawCode128 refuses it; the caption is the text itself.
Symbol EncodeCode128(const QString& codeText, bool caption);

void DrawCode128(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                 bool caption);

} // namespace Code128
