#pragma once

#include "symbology/Symbol.h"

#include <QString>

// UPC-A: twelve digits, the twelfth drawn as given.
namespace UpcA {

// Digit n (1 to 12) of the text as the window takes it: a text shorter than twelve repeats its
// last character, an empty one gives empty digits.
QString digitOf(const QString& codeText, qsizetype n);

// The whole-number conversion of one digit's text; only a single digit converts, anything else
// is the type mismatch error.
int digitValue(const QString& digit);

// The symbol of twelve digits taken as the window takes them; a non-digit among them is the
// type mismatch error.
Symbol encode(const QString& codeText);

} // namespace UpcA
