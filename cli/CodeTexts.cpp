#include "cli/CodeTexts.h"

#include "symbology/Code39.h"

#include <QChar>

namespace CodeTexts {

QString shownCharacter(char32_t character) {
    const QString codePoint =
        QStringLiteral("U+") +
        QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
    const QChar::Category category = QChar::category(character);
    const bool shows = character > 0x20 && category != QChar::Other_Control &&
                       category != QChar::Other_Format && category != QChar::Other_Surrogate &&
                       category != QChar::Other_NotAssigned && category != QChar::Separator_Line &&
                       category != QChar::Separator_Paragraph;
    if (!shows) return codePoint;
    return QStringLiteral("'%1' (%2)").arg(QString::fromUcs4(&character, 1), codePoint);
}

std::optional<QString> utf8Problem(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        // The lengths and the second byte's range of RFC 3629's table, which leaves out
        // overlong forms, surrogates and code points past U+10FFFF.
        int length = 1;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else if (lead >= 0x80) {
            length = 0;
        }
        bool whole = length > 0 && i + length <= bytes.size();
        for (int k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            whole = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
        }
        if (!whole)
            return QStringLiteral("byte %1 (0x%2) begins no UTF-8 character")
                .arg(i + 1)
                .arg(QString::number(lead, 16).toUpper().rightJustified(2, u'0'));
        i += length;
    }
    return std::nullopt;
}

namespace {

// Whether the classic symbology has a pattern for the character, as its encoder reads the
// text: Code 39 in upper case, without the start and stop character; the digit symbologies'
// refusals of other characters say so already.
bool encodable(Symbology symbology, char32_t character) {
    switch (symbology) {
    case Symbology::Code39:
        return character == u'*' ||
               (character < 0x80 && Code39::Code39Chars.contains(QChar(QChar::toUpper(character))));
    case Symbology::Code128:
        return character >= 32 && character <= 126;
    default:
        return character >= u'0' && character <= u'9';
    }
}

} // namespace

std::optional<QString> unencodable(Symbology symbology, const QString& text) {
    qsizetype position = 0;
    for (const char32_t character : text.toUcs4()) {
        ++position;
        if (!encodable(symbology, character))
            return QStringLiteral("%1 at character %2")
                .arg(shownCharacter(character))
                .arg(position);
    }
    return std::nullopt;
}

QString namingTheCharacter(const QString& refusal, Symbology symbology, const QString& text) {
    const auto where = unencodable(symbology, text);
    if (!where) return refusal;
    if (symbology == Symbology::Code128)
        return QStringLiteral("Code 128 cannot encode %1: it takes ASCII characters 32 to 126.")
            .arg(*where);
    return refusal + QStringLiteral("\nCannot encode %1.").arg(*where);
}

} // namespace CodeTexts
