#pragma once

#include "DrawingSurface.h"
#include "Symbol.h"
#include "SymbologyTables.h"

#include <QString>

#include <cstdint>

// Code 39: start "*", one 12-module pattern and a 1-module gap per character, an optional
// modulo-43 check character, stop "*"; lower case is drawn as upper case.
namespace Code39 {

inline const QString Code39Chars =
    QString::fromLatin1(SymbologyTables::kCode39Characters.data(),
                        qsizetype(SymbologyTables::kCode39Characters.size()));

// Symbols wider than this many pixels are refused rather than allocated.
inline constexpr int kMaxSymbolPixels = 32000;

// Drops every "*", turns a-z into A-Z and checks every character against Code39Chars;
// throws the renderer error at the first character that is not there.
QString CheckCode39Text(const QString& codeText);

// The symbol of the text (refused as DrawCode39 refuses it); the caption is the checked text.
Symbol EncodeCode39(const QString& codeText, bool addCheckCharacter, bool caption);

void DrawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption);

} // namespace Code39
