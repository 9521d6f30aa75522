#pragma once

#include <QString>

// Numbers typed into text boxes, read and written the classic way.
namespace NumberText {

// The number the text begins with: blanks before and inside it are skipped, reading stops at
// the first character that cannot continue a decimal number (the period is the decimal point),
// and a text that does not begin with a number gives 0. "3 pieces" gives 3.
double leadingNumber(const QString& text);

// The shortest general form: no trailing zeros, no exponent for ordinary values, and the
// decimal separator of the user's locale. 2.50 gives "2.5".
QString shortestText(double value);

} // namespace NumberText
