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

QString checkDigitRefusal(const QString& symbologyName, const QString& text, int expected) {
    return QStringLiteral("The check digit of %1 should be %2.\r\n%3 takes the %4 digits as "
                          "printed, or the first %5 alone.")
        .arg(text)
        .arg(expected)
        .arg(symbologyName)
        .arg(text.size())
        .arg(text.size() - 1);
}

} // namespace DigitCode
