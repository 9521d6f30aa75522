#pragma once

#include "symbology/Symbol.h"
#include "symbology/ZintEncoder.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string_view>
#include <variant>

// The symbologies offered beside the classic seven, encoded by libzint: the word the command
// line and the type list use, a line that says what it holds, and its usual bar height.
struct ZintChoice {
    zintsym::ZintType type;
    std::string_view description;
    int barHeight; // in modules; 2D symbols take their height from their rows

    // A 2D symbol, which carries no text.
    bool isMatrix() const { return barHeight == 0; }

    QString word() const {
        const std::string_view name = zintsym::zintTypeName(type);
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
};

inline constexpr std::array<ZintChoice, 16> kZintChoices = {{
    {zintsym::ZintType::Gs1_128,
     "GS1-128: AIs such as (01)...(17)...(10)..., checked by GS1's dictionary", 50},
    {zintsym::ZintType::Itf14, "ITF-14: 13 or 14 digits for cartons, bearer bars (--bearer)", 50},
    {zintsym::ZintType::UpcE, "UPC-E: 6 to 8 digits or a zero-suppressible UPC-A; +2/+5 add-on",
     69},
    {zintsym::ZintType::Ean13,
     "EAN-13: 12 or 13 digits as printed, nothing filled or cut; +2 or +5 add-on", 69},
    {zintsym::ZintType::UpcA,
     "UPC-A: 11 or 12 digits as printed, nothing filled or cut; +2 or +5 add-on", 69},
    {zintsym::ZintType::Ean8,
     "EAN-8: 7 or 8 digits as printed, nothing filled or cut; +2 or +5 add-on", 55},
    {zintsym::ZintType::Code93, "Code 93: ASCII text", 50},
    {zintsym::ZintType::Codabar, "Codabar: digits and - $ : / . + between start/stop A-D", 50},
    {zintsym::ZintType::Itf, "Interleaved 2 of 5: digits, in pairs", 50},
    {zintsym::ZintType::Qr, "QR Code: any text (--ecc L|M|Q|H)", 0},
    {zintsym::ZintType::DataMatrix, "Data Matrix: any text", 0},
    {zintsym::ZintType::Gs1DataMatrix, "GS1 Data Matrix: AIs, checked by GS1's dictionary", 0},
    {zintsym::ZintType::Aztec, "Aztec Code: any text", 0},
    {zintsym::ZintType::Pdf417, "PDF417: any text", 0},
    {zintsym::ZintType::Gs1Qr, "GS1 QR Code: AIs with FNC1, checked by GS1's dictionary (--ecc)",
     0},
    {zintsym::ZintType::DigitalLink,
     "GS1 Digital Link in a QR Code: a URI such as https://id.gs1.org/01/09501101530003/10/ABC, "
     "or AIs built into one on --dl-domain; checked by GS1's dictionary (--ecc)",
     0},
}};

constexpr bool zintChoicesFollowTheEnumeration() {
    for (std::size_t i = 0; i < kZintChoices.size(); ++i)
        if (static_cast<std::size_t>(kZintChoices[i].type) != i) return false;
    return true;
}
static_assert(zintChoicesFollowTheEnumeration());
static_assert(kZintChoices.back().type == zintsym::ZintType::DigitalLink);

// The choice a word names, compared exactly. Inline: the command line asks it before it loads
// anything of libzint.
inline std::optional<ZintChoice> zintChoice(const QString& word) {
    for (const ZintChoice& choice : kZintChoices)
        if (word == choice.word()) return choice;
    return std::nullopt;
}

struct ZintRequest {
    char ecc = 'M'; // QR's error correction level: L, M, Q or H
    BearerBars bearer = BearerBars::Frame;
    QString digitalLinkDomain; // what Digital Link element strings are built on; empty: GS1's
};

struct EncodedSymbol {
    Symbol symbol;
    QStringList warnings;
};

// The symbol of the text, or why the symbology cannot hold it.
std::variant<EncodedSymbol, QString> encodeZintChoice(const ZintChoice& choice, const QString& text,
                                                      const ZintRequest& request = {});

// GS1-128 may be at most 165.10 mm wide with its quiet zones: the refusal at that X-dimension,
// naming the largest that fits; nothing for the other symbologies.
std::optional<QString> printedWidthRefusal(const ZintChoice& choice, const Symbol& symbol,
                                           double xDimensionMm);
