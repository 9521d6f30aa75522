#include "DigitCode.h"

namespace DigitCode {

bool allDigits(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < u'0' || c.unicode() > u'9') return false;
    return true;
}

QString normalised(const QString& text, int length) {
    if (text.size() < length) return QString(length - text.size(), u'0') + text;
    return text.right(length);
}

QString refusalMessage(const QString& symbologyName) {
    return symbologyName +
           QStringLiteral(" cannot be used with letters.\r\nPlease use numbers only.");
}

} // namespace DigitCode
