#pragma once

// The symbologies Barcode Desk does not draw with its own encoders, encoded by libzint and
// handed back as plain modules: a row of bars for linear symbols, a module matrix for 2D ones,
// with the quiet zones and the text under the bars their standards ask for. GS1 content is
// checked by parseGs1 first; libzint only encodes it (its own GS1 rules are older).

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zintsym {

enum class ZintType {
    Gs1_128,
    Itf14,
    UpcE,
    Ean13,
    UpcA,
    Ean8,
    Code93,
    Codabar,
    Itf,
    Qr,
    DataMatrix,
    Gs1DataMatrix,
    Aztec,
    Pdf417,
    Gs1Qr,
    DigitalLink,
};

// The words that name the types, in the enumeration's order; inline so that naming a type
// needs no part of libzint.
inline constexpr std::string_view kZintTypeNames[] = {
    "gs1-128", "itf14",   "upce",   "ean13",       "upca",       "ean8",
    "code93",  "codabar", "itf",    "qr",          "datamatrix", "gs1-datamatrix",
    "aztec",   "pdf417",  "gs1-qr", "digital-link"};
static_assert(std::size(kZintTypeNames) == static_cast<std::size_t>(ZintType::DigitalLink) + 1);

constexpr std::string_view zintTypeName(ZintType type) {
    return kZintTypeNames[static_cast<std::size_t>(type)];
}
constexpr std::optional<ZintType> zintTypeNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kZintTypeNames); ++i)
        if (kZintTypeNames[i] == name) return static_cast<ZintType>(i);
    return std::nullopt;
}

enum class Bearer { None, Bars, Frame };

// Modules from first to one before end, counted from the first bar; may reach into a quiet zone.
struct ModuleSpan {
    int first;
    int end;
    bool operator==(const ModuleSpan&) const = default;
};

// Human-readable text centred on a band of modules: under the bars, or above them for an
// EAN/UPC add-on.
struct TextBand {
    std::string text;
    ModuleSpan band;
    bool above = false;
    bool operator==(const TextBand&) const = default;
};

struct LinearModules {
    std::string modules; // '1' dark, '0' light, one character per module, quiet zones excluded
    int quietLeft = 0;
    int quietRight = 0;
    std::vector<ModuleSpan> longBars; // EAN/UPC guards (UPC-A: with its outer digits) reach lower
    std::vector<TextBand> texts;
    Bearer bearer = Bearer::None;
    int bearerWidth = 0; // modules
};

struct MatrixModules {
    int rows = 0;
    int columns = 0;
    std::vector<std::uint8_t> cells; // rows x columns, row by row, 1 dark
    int quietZone = 0;               // modules on every side
    int rowHeight = 1;               // modules per row: PDF417 rows are taller than wide

    bool dark(int row, int column) const {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(column)] != 0;
    }
};

struct ZintSymbol {
    ZintType type;
    std::variant<LinearModules, MatrixModules> modules;
    std::string text;                  // human-readable text under a linear symbol, UTF-8
    std::vector<std::string> warnings; // GS1 pairing warnings, libzint's notes
};

struct ZintOptions {
    char qrEcc = 'M';                   // L, M, Q or H
    std::string digitalLinkDomain = {}; // what element strings are built on; empty: GS1's
};

struct ZintRefusal {
    std::string message;
};

using ZintResult = std::variant<ZintSymbol, ZintRefusal>;

ZintResult encodeWithZint(ZintType type, std::string_view text, const ZintOptions& options = {});

// GS1-128 may be at most 165.10 mm wide, quiet zones included; the refusal names the largest
// X-dimension that fits. Needs the drawing's X, so it is asked once that is known.
std::optional<ZintRefusal> gs1_128WidthRefusal(const LinearModules& linear, double xdimMm);

// The light modules the type's standard asks for before and after a linear symbol, or all round
// a 2D one.
struct QuietModules {
    int before;
    int after;
};
QuietModules quietModulesOf(ZintType type);
// After an EAN or UPC add-on only 5 light modules are asked for.
inline constexpr int kAddOnQuietAfter = 5;

// A 12-digit UPC-A written as the 8 digits of its UPC-E, or why it cannot be.
std::variant<std::string, ZintRefusal> upcAToUpcE(std::string_view upcA);
// The other way: the first 11 digits of the UPC-A that a number system (0 or 1) and six UPC-E
// digits stand for, the suppressed zeros put back where the last digit says.
std::string upcEToUpcA(char numberSystem, std::string_view six);

} // namespace zintsym
