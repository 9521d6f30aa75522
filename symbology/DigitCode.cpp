#include "symbology/DigitCode.h"

#include "symbology/CheckDigit.h"

#include <algorithm>

namespace DigitCode {

bool allDigits(QStringView text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

QString normalised(const QString& text, int length) {
    if (text.size() < length) return QString(length - text.size(), u'0') + text;
    return text.right(length);
}

int checkDigit(QStringView digits) {
    return gs1CheckDigit(std::size_t(digits.size()),
                         [&](std::size_t i) { return digits[qsizetype(i)].unicode() - u'0'; });
}

QString refusalMessage(const QString& symbologyName) {
    return symbologyName +
           QStringLiteral(" cannot be used with letters.\r\nPlease use numbers only.");
}

} // namespace DigitCode
