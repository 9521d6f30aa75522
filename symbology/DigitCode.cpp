#include "symbology/DigitCode.h"

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
    const qsizetype n = digits.size();
    int sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int weight = (n - i) % 2 != 0 ? 3 : 1;
        sum += weight * (digits[i].unicode() - u'0');
    }
    const int remainder = sum % 10;
    return remainder != 0 ? 10 - remainder : 0;
}

QString refusalMessage(const QString& symbologyName) {
    return symbologyName +
           QStringLiteral(" cannot be used with letters.\r\nPlease use numbers only.");
}

} // namespace DigitCode
