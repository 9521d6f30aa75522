#pragma once

#include "symbology/Symbol.h"

#include <QString>

// EAN-13 (12 data digits) and EAN-8 (7 data digits), each with its computed check digit.
namespace Ean {

// The symbols of 12 and 7 data digits with their check digits; another length or a non-digit
// is refused.
Symbol encodeEan13(const QString& codeText);
Symbol encodeEan8(const QString& codeText);

} // namespace Ean
