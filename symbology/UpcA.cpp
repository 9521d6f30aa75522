#include "symbology/UpcA.h"

#include "symbology/DigitCode.h"
#include "symbology/RuntimeError.h"
#include "symbology/SymbologyTables.h"

namespace UpcA {

QString digitOf(const QString& codeText, qsizetype n) {
    return codeText.left(n).right(1);
}

int digitValue(const QString& digit) {
    if (digit.size() != 1 || !DigitCode::isDigit(digit[0])) throw RuntimeError::notADigit();
    return digit[0].unicode() - u'0';
}

// The twelfth digit is the check digit as given, the way the window draws it.
Symbol encode(const QString& codeText) {
    Symbol symbol;
    const auto append = [&](std::string_view modules) {
        symbol.modules += QString::fromLatin1(modules);
    };
    append(SymbologyTables::kEanEdgeGuard);
    for (qsizetype n = 1; n <= 6; ++n)
        append(SymbologyTables::kEanLeftOdd[digitValue(digitOf(codeText, n))]);
    append(SymbologyTables::kEanCentreGuard);
    for (qsizetype n = 7; n <= 12; ++n)
        append(SymbologyTables::kEanRight[digitValue(digitOf(codeText, n))]);
    append(SymbologyTables::kEanEdgeGuard);
    // The guards, and digits 1 and 12 outside them, reach down as far as each other.
    symbol.longModules = {{0, 10}, {45, 50}, {85, 95}};
    QString digits;
    for (qsizetype n = 1; n <= 12; ++n)
        digits += digitOf(codeText, n);
    symbol.texts = {{digits.left(1), {-8, -1}},
                    {digits.mid(1, 5), {10, 45}},
                    {digits.mid(6, 5), {50, 85}},
                    {digits.right(1), {96, 103}}};
    symbol.takeFactsOf(::Symbology::UpcA);
    return symbol;
}

} // namespace UpcA
