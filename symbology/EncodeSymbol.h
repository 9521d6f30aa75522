#pragma once

#include "symbology/Symbol.h"
#include "symbology/Symbology.h"

#include <QString>

// The symbol a window choice draws from the code text. EAN and UPC-A take the text as their draw
// commands pass it on: 12, 7 and 12 digits. Refusals are the numbered run-time errors.
Symbol encodeSymbol(const SymbologyChoice& choice, const QString& codeText);
