#include "symbology/Code39.h"

#include "symbology/RuntimeError.h"

namespace Code39 {
namespace {

// The work picture holds the symbol with 12 white columns before it and 10 after it, a module
// to a column, when the classic width falls short of that: past kMaxSymbolPixels, the text is
// too long.
void refuseTooLong(int symbolCharacters) {
    if (static_cast<long long>(kModulesPerCharacter) * symbolCharacters + 12 + 10 >
        kMaxSymbolPixels)
        throw RuntimeError::refusal(QStringLiteral("The Code Text is too long"));
}

void appendCharacter(QString& modules, int value) {
    if (!modules.isEmpty()) modules += u'0'; // the narrow gap between characters
    modules += QString::fromLatin1(SymbologyTables::kCode39Patterns[value]);
}

} // namespace

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
    refuseTooLong(static_cast<int>(text.size()) + (addCheckCharacter ? 3 : 2));

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
