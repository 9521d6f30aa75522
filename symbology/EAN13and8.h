#pragma once

#include "symbology/Symbol.h"

#include <QString>

// EAN-13 (12 data digits) and EAN-8 (7 data digits), each with its computed check digit.
namespace EAN13and8 {

// The symbols of 12 and 7 data digits with their check digits; another length or a non-digit
// is refused.
Symbol EncodeEAN13(const QString& codeText);
Symbol EncodeEAN8(const QString& codeText);

} // namespace EAN13and8
