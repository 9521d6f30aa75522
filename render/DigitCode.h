#pragma once

#include <QString>

#include <optional>

// The check and length normalisation that the EAN and UPC-A draw commands apply to the code
// text before drawing.
namespace DigitCode {

// True when every character is one of "0" to "9".
bool allDigits(const QString& text);

// Leading "0"s up to `length` characters, or only the last `length` characters.
QString normalised(const QString& text, int length);

// The two-line refusal shown for a text with a non-digit, e.g. "EAN13 cannot be used with
// letters.\r\nPlease use numbers only."; its title is kRefusalTitle.
QString refusalMessage(const QString& symbologyName);
inline const QString kRefusalTitle = QStringLiteral("Invalid Code");

} // namespace DigitCode
