#pragma once

#include "symbology/Symbol.h"
#include "symbology/SymbologyTables.h"

#include <QString>

// Code 39: start "*", one 12-module pattern and a 1-module gap per character, an optional
// modulo-43 check character, stop "*"; lower case is drawn as upper case.
namespace Code39 {

inline const QString Code39Chars =
    QString::fromLatin1(SymbologyTables::kCode39Characters.data(),
                        qsizetype(SymbologyTables::kCode39Characters.size()));

inline constexpr int kModulesPerCharacter = SymbologyTables::kCode39PatternModules + 1; // gap

// Drops every "*", turns a-z into A-Z and checks every character against Code39Chars;
// throws the run-time error at the first character that is not there.
QString CheckCode39Text(const QString& codeText);

// The symbol of the text, refused when a character is not in the set or the work picture would
// be wider than kMaxSymbolPixels; the caption is the checked text.
Symbol EncodeCode39(const QString& codeText, bool addCheckCharacter, bool caption);

} // namespace Code39
