#pragma once

#include "symbology/Symbology.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// What the command line says about a code text it cannot take: bytes that are not UTF-8, or a
// character the symbology has no pattern for, each shown so that a terminal shows it.
namespace CodeTexts {

// 'A' for a character that shows, its code point for one that would not (a tab, a NUL).
QString shownCharacter(char32_t character);

// Where the bytes stop being well-formed UTF-8 ("byte 3 (0xFF) begins no character"); nothing
// for text that is.
std::optional<QString> utf8Problem(QByteArrayView bytes);

// The first character of the text the classic symbology cannot encode, with its position
// counted in characters from 1 ("'日' (U+65E5) at character 1"); nothing when there is none.
std::optional<QString> unencodable(Symbology symbology, const QString& text);

// A classic symbology's refusal, naming the first character it has no pattern for: Code 128's
// own, the run-time error "Subscript out of range", says nothing a user can act on.
QString namingTheCharacter(const QString& refusal, Symbology symbology, const QString& text);

} // namespace CodeTexts
