#include "decode/LineDecode.h"

#include "decode/LineFamilies.h"
#include "symbology/ZintEncoder.h"

#include <algorithm>
#include <vector>

namespace LineDecode {

QuietZone quietZoneOf(Linear symbology, bool addOn) {
    QuietZone zone{};
    if (int(symbology) < int(kSymbologies.size())) {
        zone = ::quietZoneOf(Symbology(symbology));
    } else {
        // As the encoder that draws them leaves them.
        const auto drawn =
            std::find_if(std::begin(kZintLinear), std::end(kZintLinear),
                         [&](const auto& entry) { return entry.second == symbology; });
        const zintsym::QuietModules q = zintsym::quietModulesOf(drawn->first);
        zone = {q.before, q.after};
    }
    if (addOn && takesAddOn(symbology)) zone.after = zintsym::kAddOnQuietAfter;
    return zone;
}

std::optional<Decoded> decode(Linear symbology, std::span<const double> widths, int first,
                              bool addOn) {
    if (first < 0 || std::size_t(first) >= widths.size()) return std::nullopt;
    const auto at = std::size_t(first);
    std::optional<Decoded> decoded;
    switch (symbology) {
    case Linear::Code39:
        return LineFamilies::decodeCode39(widths, at);
    case Linear::Code128:
        return LineFamilies::decodeCode128(widths, at);
    case Linear::Itf:
        return LineFamilies::decodeItf(widths, at);
    case Linear::Code93:
        return LineFamilies::decodeCode93(widths, at);
    case Linear::Codabar:
        return LineFamilies::decodeCodabar(widths, at);
    case Linear::Ean13:
    case Linear::Ean8:
    case Linear::UpcA:
        decoded = LineFamilies::decodeEan(widths, at, Symbology(symbology));
        break;
    case Linear::UpcE:
        decoded = LineFamilies::decodeUpcE(widths, at);
        break;
    }
    return addOn ? LineFamilies::withAddOn(widths, at, decoded) : decoded;
}

std::optional<QString> textOfModules(Linear symbology, QStringView modules, bool addOn) {
    std::vector<double> widths;
    for (qsizetype i = 0; i < modules.size(); ++i) {
        if (i == 0 || modules[i] != modules[i - 1]) widths.push_back(0);
        ++widths.back();
    }
    if (modules.isEmpty() || modules.front() != u'1') return std::nullopt;
    const auto decoded = decode(symbology, widths, 0, addOn);
    if (!decoded || decoded->elementCount != int(widths.size())) return std::nullopt;
    return decoded->text;
}

} // namespace LineDecode
