#include "symbology/Ean.h"

#include "symbology/DigitCode.h"
#include "symbology/RuntimeError.h"
#include "symbology/SymbologyTables.h"

namespace Ean {
namespace {

using SymbologyTables::DigitPatterns;

int digitAt(const QString& text, qsizetype i) {
    return text[i].unicode() - u'0';
}

void checkText(const QString& text, ::Symbology symbology) {
    const int dataDigits = factsOf(symbology).dataDigits;
    if (text.size() != dataDigits)
        throw RuntimeError::refusal(QStringLiteral("Should be %1 Digit Numbers").arg(dataDigits));
    if (!DigitCode::allDigits(text))
        throw RuntimeError::refusal(QStringLiteral("An Invalid Character Found in Bar Text"));
}

// Builds a symbol half by half: guards reach below the digits' bars.
class Modules {
  public:
    void guard(std::string_view modules) {
        const int first = size();
        append(modules);
        symbol.longModules.append({first, size()});
    }
    void digit(const DigitPatterns& table, int digit) { append(table[digit]); }
    // A text centred under the modules from `first` to `end`.
    void text(const QString& text, int first, int end) {
        symbol.texts.append({text, {first, end}});
    }
    int size() const { return static_cast<int>(symbol.modules.size()); }

    Symbol symbol;

  private:
    void append(std::string_view modules) { symbol.modules += QString::fromLatin1(modules); }
};

QString withCheckDigit(const QString& codeText) {
    return codeText + QString::number(DigitCode::checkDigit(codeText));
}

} // namespace

// Digit 1 is not drawn as bars: it picks the parity of digits 2 to 7 and stands in the left
// quiet zone.
Symbol encodeEan13(const QString& codeText) {
    checkText(codeText, ::Symbology::Ean13);
    const QString digits = withCheckDigit(codeText);
    const std::string_view parity = SymbologyTables::kEan13Parity[digitAt(digits, 0)];
    Modules modules;
    modules.guard(SymbologyTables::kEanEdgeGuard);
    for (qsizetype i = 1; i < 7; ++i)
        modules.digit(parity[i - 1] == 'E' ? SymbologyTables::kEanLeftEven
                                           : SymbologyTables::kEanLeftOdd,
                      digitAt(digits, i));
    modules.guard(SymbologyTables::kEanCentreGuard);
    for (qsizetype i = 7; i < 13; ++i)
        modules.digit(SymbologyTables::kEanRight, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanEdgeGuard);
    modules.text(digits.left(1), -8, -1);
    modules.text(digits.mid(1, 6), 3, 45);
    modules.text(digits.mid(7), 50, 92);
    modules.symbol.takeFactsOf(::Symbology::Ean13);
    return modules.symbol;
}

Symbol encodeEan8(const QString& codeText) {
    checkText(codeText, ::Symbology::Ean8);
    const QString digits = withCheckDigit(codeText);
    Modules modules;
    modules.guard(SymbologyTables::kEanEdgeGuard);
    for (qsizetype i = 0; i < 4; ++i)
        modules.digit(SymbologyTables::kEanLeftOdd, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanCentreGuard);
    for (qsizetype i = 4; i < 8; ++i)
        modules.digit(SymbologyTables::kEanRight, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanEdgeGuard);
    modules.text(digits.left(4), 3, 31);
    modules.text(digits.mid(4), 36, 64);
    modules.symbol.takeFactsOf(::Symbology::Ean8);
    return modules.symbol;
}

} // namespace Ean
