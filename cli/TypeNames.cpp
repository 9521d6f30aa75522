#include "cli/TypeNames.h"

#include "symbology/Symbology.h"
#include "symbology/ZintChoices.h"

#include <algorithm>

namespace TypeNames {
namespace {

QString folded(const QString& name) {
    QString text = name.toLower();
    text.remove(u'-');
    text.remove(u' ');
    return text;
}

QString digitsOf(const QString& name) {
    QString digits;
    for (const QChar c : name)
        if (c.isDigit()) digits += c;
    return digits;
}

// The window's name of a symbology that libzint also draws, and the advice on the two.
struct Twin {
    const char* window;
    const char* zint;
    const char* advice;
};

constexpr Twin kTwins[] = {
    {"EAN13", "ean13",
     "EAN13 is the window's EAN-13: 12 digits, fewer filled with 0s, more cut to the last 12, "
     "13 as printed with their check digit; ean13 takes 12 or 13 digits as printed, nothing "
     "filled or cut, and +2/+5 add-ons"},
    {"EAN8", "ean8",
     "EAN8 is the window's EAN-8: 7 digits, fewer filled with 0s, more cut to the last 7, 8 as "
     "printed with their check digit; ean8 takes 7 or 8 digits as printed, nothing filled or "
     "cut, and +2/+5 add-ons"},
    {"UPC-A", "upca",
     "UPC-A is the window's UPC-A: 12 digits drawn as given, fewer filled with 0s, more cut to "
     "the last 12; upca takes 11 or 12 digits, the check digit computed or checked, nothing "
     "filled or cut, and +2/+5 add-ons"},
};

} // namespace

QStringList all() {
    QStringList names;
    for (const SymbologyChoice& choice : kSymbologyChoices)
        names << choice.qName();
    for (const ZintChoice& choice : kZintChoices)
        names << choice.word();
    return names;
}

std::variant<QString, QStringList> resolve(const QString& value) {
    const QStringList names = all();
    if (names.contains(value)) return value;
    QStringList alike;
    for (const QString& name : names)
        if (folded(name) == folded(value)) alike << name;
    if (alike.size() == 1) return alike.front();
    if (!alike.isEmpty()) return alike;
    // Names with the same digits ("Code128"), or without digits one inside the other
    // ("QR-Code", "UPC").
    const QString digits = digitsOf(value), word = folded(value);
    const auto inside = [&](const QString& name) {
        return word.size() >= 2 && (word.contains(folded(name)) || folded(name).contains(word));
    };
    QStringList near;
    for (const QString& name : names)
        if (digits.isEmpty() ? inside(name) : digitsOf(name) == digits) near << name;
    return near;
}

std::optional<QString> twinAdvice(const QString& type) {
    for (const Twin& twin : kTwins)
        if (type == QLatin1String(twin.window) || type == QLatin1String(twin.zint))
            return QString::fromLatin1(twin.advice);
    return std::nullopt;
}

QString withTwinAdvice(const QString& type, const QString& refusal) {
    const auto advice = twinAdvice(type);
    return advice ? refusal + u'\n' + *advice + u'.' : refusal;
}

} // namespace TypeNames
