#pragma once

#include "DrawingSurface.h"
#include "Symbol.h"

#include <QString>

#include <cstdint>

// EAN-13 (12 data digits) and EAN-8 (7 data digits), each with its computed check digit.
namespace EAN13and8 {

// The GS1 modulo-10 check digit of the data digits.
int CheckDigit(const QString& digits);

// The symbols of 12 and 7 data digits with their check digits, refused as drawing refuses them.
Symbol EncodeEAN13(const QString& codeText);
Symbol EncodeEAN8(const QString& codeText);

void DrawEAN13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption);
void DrawEAN8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption);

} // namespace EAN13and8
