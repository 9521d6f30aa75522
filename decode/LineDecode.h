#pragma once

#include "decode/LineDecoded.h"
#include "symbology/Symbology.h"
#include "symbology/ZintEncoder.h"

#include <QString>

#include <optional>
#include <span>
#include <utility>

// Decodes a symbol from the widths of the elements along one scan line, as the symbology's
// reference decode does it: only from the widths' ratios, so that the same measurements also
// tell how close each character came to being misread.
namespace LineDecode {

// Every linear symbology read here: the five the program draws itself, in their order, then
// those libzint draws (ITF-14 is Interleaved 2 of 5, GS1-128 is Code 128).
enum class Linear { Code39, Code128, Ean13, Ean8, UpcA, Itf, Code93, Codabar, UpcE };

constexpr Linear linearOf(Symbology symbology) {
    return static_cast<Linear>(symbology);
}
static_assert(linearOf(Symbology::Code39) == Linear::Code39 &&
              linearOf(Symbology::Code128) == Linear::Code128 &&
              linearOf(Symbology::Ean13) == Linear::Ean13 &&
              linearOf(Symbology::Ean8) == Linear::Ean8 &&
              linearOf(Symbology::UpcA) == Linear::UpcA);

// The EAN and UPC symbologies, which may carry a 2- or 5-digit add-on.
constexpr bool takesAddOn(Linear symbology) {
    return symbology == Linear::Ean13 || symbology == Linear::Ean8 || symbology == Linear::UpcA ||
           symbology == Linear::UpcE;
}

// How each linear type libzint draws is read: the first of a symbology is the one whose quiet
// zones it keeps.
inline constexpr std::pair<zintsym::ZintType, Linear> kZintLinear[] = {
    {zintsym::ZintType::Itf, Linear::Itf},         {zintsym::ZintType::Code93, Linear::Code93},
    {zintsym::ZintType::Codabar, Linear::Codabar}, {zintsym::ZintType::UpcE, Linear::UpcE},
    {zintsym::ZintType::Itf14, Linear::Itf},       {zintsym::ZintType::Gs1_128, Linear::Code128},
    {zintsym::ZintType::Ean13, Linear::Ean13},     {zintsym::ZintType::UpcA, Linear::UpcA},
    {zintsym::ZintType::Ean8, Linear::Ean8},
};

constexpr std::optional<Linear> linearOf(zintsym::ZintType type) {
    for (const auto& [zint, linear] : kZintLinear)
        if (zint == type) return linear;
    return std::nullopt; // 2D
}

// The light the symbology asks for before and after its bars, in modules; after an add-on, 5.
QuietZone quietZoneOf(Linear symbology, bool addOn = false);

// Decodes the symbol whose first bar is element `first`; elements alternate dark and light.
// With `addOn`, an EAN or UPC symbol must be followed by its add-on, which it then includes.
// The quiet zones are not looked at here.
std::optional<Decoded> decode(Linear symbology, std::span<const double> widths, int first,
                              bool addOn = false);

// What a symbol's own modules ('1' dark, from the first bar to the last) decode to.
std::optional<QString> textOfModules(Linear symbology, QStringView modules, bool addOn = false);

} // namespace LineDecode
