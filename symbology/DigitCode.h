#pragma once

#include <QString>
#include <QStringView>

// Digits as EAN, UPC-A and Code 128 take them, and the normalisation that the EAN and UPC-A
// draw commands apply to the code text before drawing.
namespace DigitCode {

inline bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// True when every character is one of "0" to "9".
bool allDigits(QStringView text);

// Leading "0"s up to `length` characters, or only the last `length` characters.
QString normalised(const QString& text, int length);

// The GS1 modulo-10 check digit of the data digits.
int checkDigit(QStringView digits);

// The two-line refusal shown for a text with a non-digit, e.g. "EAN13 cannot be used with
// letters.\r\nPlease use numbers only."; its title is kRefusalTitle.
QString refusalMessage(const QString& symbologyName);
// The refusal shown for a whole number whose last digit is not the check digit of the others,
// e.g. "The check digit of 4006381333932 should be 1.\r\nEAN13 takes the 13 digits as printed,
// or the first 12 alone."; its title is kRefusalTitle.
QString checkDigitRefusal(const QString& symbologyName, const QString& text, int expected);
inline const QString kRefusalTitle = QStringLiteral("Invalid Code");

} // namespace DigitCode
