#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

enum class Symbology { Code39, Code128, Ean13, Ean8, UpcA };

// The quiet zone the symbology's standard asks for before and after the bars, in modules.
struct QuietZone {
    int before;
    int after;
};
constexpr QuietZone quietZoneOf(Symbology symbology) {
    switch (symbology) {
    case Symbology::Ean13:
        return {11, 7};
    case Symbology::Ean8:
        return {7, 7};
    case Symbology::UpcA:
        return {9, 9};
    case Symbology::Code39:
    case Symbology::Code128:
        break;
    }
    return {10, 10};
}

// One entry of the main window's type list: the name it shows and what that name draws.
struct SymbologyChoice {
    std::string_view name; // as the type list and the command line spell it
    Symbology symbology;
    bool caption;        // the code text printed under the bars
    bool checkCharacter; // the optional Code 39 check character
    std::string_view standardName;

    QString qName() const { return QString::fromLatin1(name.data(), qsizetype(name.size())); }
    // EAN and UPC-A take digits only, padded or cut to their length before drawing.
    bool takesDigitsOnly() const {
        return symbology != Symbology::Code39 && symbology != Symbology::Code128;
    }
    // Letters or digits in the picture: the caption, and UPC-A's digits, which it always prints.
    bool printsText() const { return caption || symbology == Symbology::UpcA; }
};

// In the type list's order, which is also the order a name is looked up in.
inline constexpr std::array<SymbologyChoice, 7> kSymbologyChoices = {{
    {"UPC-A", Symbology::UpcA, false, false, "UPC-A"},
    {"39/n", Symbology::Code39, false, false, "Code 39"},
    {"39/c", Symbology::Code39, true, false, "Code 39"},
    {"128/n", Symbology::Code128, false, false, "Code 128"},
    {"128/c", Symbology::Code128, true, false, "Code 128"},
    {"EAN13", Symbology::Ean13, false, false, "EAN-13"},
    {"EAN8", Symbology::Ean8, false, false, "EAN-8"},
}};

// The choice a name names, compared exactly.
inline std::optional<SymbologyChoice> symbologyChoice(const QString& name) {
    for (const SymbologyChoice& choice : kSymbologyChoices)
        if (name == QLatin1String(choice.name.data(), qsizetype(choice.name.size()))) return choice;
    return std::nullopt;
}
