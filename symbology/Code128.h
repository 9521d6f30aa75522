#pragma once

#include "symbology/Symbol.h"

#include <QList>
#include <QString>

#include <cstdint>

// Code 128: set B for single characters, set C for a final run of four or more digits,
// the modulo-103 check character and the 13-module stop pattern.
namespace Code128 {

// The number of symbol characters between start and check, as the width formula estimates it.
int CountCode128Symbols(const QString& text);

// The symbol values from the start character to the check character, in drawing order.
// A character outside codes 32 to 126 raises error 9, "Subscript out of range".
QList<int> Code128Values(const QString& text);

// The symbol of the text, refused when the work picture would be too wide or a character is
// outside codes 32 to 126; the caption is the text itself.
Symbol EncodeCode128(const QString& codeText, bool caption);

// As far as the text can be drawn: the modules up to the first character outside codes 32 to
// 126, or the whole symbol. Too long a text is refused.
struct PartialSymbol {
    Symbol symbol;
    bool complete;
};
PartialSymbol EncodeCode128AsFarAsPossible(const QString& codeText, bool caption);

// The classic work picture's width in pixels, from the estimated symbol count.
std::int64_t workPictureWidthPixels(const QString& text);

} // namespace Code128
