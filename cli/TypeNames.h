#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The names --type takes, forgiving of case, hyphens and spaces where that leaves one name.
namespace TypeNames {

// Every name, the window's seven first.
QStringList all();

// The one name `value` spells (exactly, or differing only in case, hyphens or spaces), or the
// names it may have meant: several it differs from only so ("Ean13": EAN13, ean13), or those
// sharing its digits or words ("Code128": 128/n, 128/c); empty when none is near.
std::variant<QString, QStringList> resolve(const QString& value);

// Which of the two names of EAN-13, EAN-8 or UPC-A to use when, for a type that has a twin:
// e.g. "EAN13 is the window's EAN-13, ... ; ean13 takes ...".
std::optional<QString> twinAdvice(const QString& type);

// A refused text's message, followed by that advice for a type that has a twin.
QString withTwinAdvice(const QString& type, const QString& refusal);

} // namespace TypeNames
