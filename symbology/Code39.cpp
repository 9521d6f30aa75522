#include "symbology/Code39.h"

#include "symbology/RuntimeError.h"
#include "symbology/Twips.h"

namespace Code39 {
namespace {

// The work picture's width in pixels for m symbol characters. The classic formula allows 12
// pixels per character at 16 twips each, which falls short of the 13 a character takes once
// texts get long; then the picture is widened to the whole symbol and 10 white columns.
int workPictureWidthPixels(int symbolCharacters, double* twips) {
    *twips = (symbolCharacters * 12 + 20) * 16.0;
    const int formulaPixels = Geometry::twipsToPixels(*twips);
    const int symbolExtent = kModulesPerCharacter * symbolCharacters + 12;
    if (formulaPixels >= symbolExtent) return formulaPixels;
    const int widened = symbolExtent + 10;
    *twips = Geometry::pixelsToTwips(widened);
    return widened;
}

void appendCharacter(QString& modules, int value) {
    if (!modules.isEmpty()) modules += u'0'; // the narrow gap between characters
    modules += QString::fromLatin1(SymbologyTables::kCode39Patterns[value]);
}

} // namespace

double workPictureWidthTwips(int symbolCharacters) {
    double widthTwips = 0;
    if (symbolCharacters > kMaxSymbolPixels / kModulesPerCharacter ||
        workPictureWidthPixels(symbolCharacters, &widthTwips) > kMaxSymbolPixels)
        throw RuntimeError::refusal(QStringLiteral("The Code Text is too long"));
    return widthTwips;
}

QString CheckCode39Text(const QString& codeText) {
    QString text = codeText;
    text.remove(u'*');
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    for (const QChar c : text)
        if (!Code39Chars.contains(c))
            throw RuntimeError::refusal(
                QStringLiteral("An Invalid Character Found in the Code Text"));
    return text;
}

Symbol EncodeCode39(const QString& codeText, bool addCheckCharacter, bool caption) {
    const QString text = CheckCode39Text(codeText);
    workPictureWidthTwips(static_cast<int>(text.size()) + (addCheckCharacter ? 3 : 2));

    Symbol symbol;
    int sum = 0;
    appendCharacter(symbol.modules, SymbologyTables::kCode39StartStop);
    for (const QChar c : text) {
        const int value = static_cast<int>(Code39Chars.indexOf(c));
        sum += value;
        appendCharacter(symbol.modules, value);
    }
    if (addCheckCharacter) appendCharacter(symbol.modules, sum % 43);
    appendCharacter(symbol.modules, SymbologyTables::kCode39StartStop);
    if (caption) symbol.texts = {{text, {0, static_cast<int>(symbol.modules.size())}}};
    symbol.takeFactsOf(::Symbology::Code39);
    return symbol;
}

} // namespace Code39
