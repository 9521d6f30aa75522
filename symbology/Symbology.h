#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

enum class Symbology { Code39, Code128, Ean13, Ean8, UpcA };

// The quiet zone the symbology's standard asks for before and after the bars, in modules.
struct QuietZone {
    int before;
    int after;
};

// What every caller asks of a symbology, stated once.
struct SymbologyFacts {
    Symbology symbology;
    std::string_view standardName; // "EAN-13"
    // Digits the code text holds before any check digit; 0 for symbologies that take text.
    int dataDigits;
    int barHeight; // the usual bar height in modules
    QuietZone quietZone;
};

// In the order of the enumeration, so that a symbology's facts are found by its number.
inline constexpr std::array<SymbologyFacts, 5> kSymbologies = {{
    {Symbology::Code39, "Code 39", 0, 50, {10, 10}},
    {Symbology::Code128, "Code 128", 0, 50, {10, 10}},
    {Symbology::Ean13, "EAN-13", 12, 69, {11, 7}},
    {Symbology::Ean8, "EAN-8", 7, 55, {7, 7}},
    {Symbology::UpcA, "UPC-A", 12, 69, {9, 9}},
}};

constexpr const SymbologyFacts& factsOf(Symbology symbology) {
    return kSymbologies[static_cast<std::size_t>(symbology)];
}

constexpr bool factsFollowTheEnumeration() {
    for (std::size_t i = 0; i < kSymbologies.size(); ++i)
        if (static_cast<std::size_t>(kSymbologies[i].symbology) != i) return false;
    return true;
}
static_assert(factsFollowTheEnumeration());

constexpr QuietZone quietZoneOf(Symbology symbology) {
    return factsOf(symbology).quietZone;
}

inline QString standardNameOf(Symbology symbology) {
    const std::string_view name = factsOf(symbology).standardName;
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

// One entry of the main window's type list: the name it shows and what that name draws.
struct SymbologyChoice {
    std::string_view name; // as the type list and the command line spell it
    Symbology symbology;
    bool caption;        // the code text printed under the bars
    bool checkCharacter; // the optional Code 39 check character
    std::string_view description;

    QString qName() const { return QString::fromLatin1(name.data(), qsizetype(name.size())); }
    // EAN and UPC-A take digits only, padded or cut to their length before drawing.
    bool takesDigitsOnly() const { return factsOf(symbology).dataDigits != 0; }
    // Letters or digits in the picture: the caption, and UPC-A's digits, which it always prints.
    bool printsText() const { return caption || symbology == Symbology::UpcA; }
};

// In the type list's order, which is also the order a name is looked up in.
inline constexpr std::array<SymbologyChoice, 7> kSymbologyChoices = {{
    {"UPC-A", Symbology::UpcA, false, false, "UPC-A: 12 digits, the last drawn as given"},
    {"39/n", Symbology::Code39, false, false, "Code 39: A-Z, 0-9 and - . space $ / + %"},
    {"39/c", Symbology::Code39, true, false, "Code 39 with the code text under the bars"},
    {"128/n", Symbology::Code128, false, false, "Code 128: printable ASCII"},
    {"128/c", Symbology::Code128, true, false, "Code 128 with the code text under the bars"},
    {"EAN13", Symbology::Ean13, false, false, "EAN-13: 12 digits, the check digit computed"},
    {"EAN8", Symbology::Ean8, false, false, "EAN-8: 7 digits, the check digit computed"},
}};

// The choice a name names, compared exactly.
inline std::optional<SymbologyChoice> symbologyChoice(const QString& name) {
    for (const SymbologyChoice& choice : kSymbologyChoices)
        if (name == QLatin1String(choice.name.data(), qsizetype(choice.name.size()))) return choice;
    return std::nullopt;
}
