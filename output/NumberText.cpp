#include "output/NumberText.h"

#include <QLocale>

#include <cmath>

namespace NumberText {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The characters of the number, blanks dropped, up to the first that cannot continue it.
QString numberPrefix(const QString& text) {
    QString digits;
    bool point = false, exponent = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isBlank(c)) continue;
        const bool signAllowed = digits.isEmpty() || digits.back() == u'E';
        if ((c == u'+' || c == u'-') && signAllowed) {
            digits += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            any = true;
        } else if (c == u'.' && !point && !exponent) {
            digits += c;
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && any && !exponent) {
            // only an exponent when digits follow (after an optional sign)
            qsizetype j = i + 1;
            while (j < text.size() && (isBlank(text[j]) || text[j] == u'+' || text[j] == u'-'))
                ++j;
            if (j >= text.size() || !text[j].isDigit()) break;
            digits += u'E';
            exponent = true;
        } else {
            break;
        }
    }
    return any ? digits : QString();
}

} // namespace

double leadingNumber(const QString& text) {
    const QString prefix = numberPrefix(text);
    if (prefix.isEmpty()) return 0;
    bool ok = false;
    const double value = prefix.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

QString shortestText(double value) {
    if (value == 0) return QStringLiteral("0"); // also turns -0 into 0
    QString text = QString::number(value, 'g', 15);
    const QString separator = QLocale::system().decimalPoint();
    text.replace(u'.', separator);
    return text;
}

} // namespace NumberText
