#include "symbology/ZintEncoder.h"

#include "symbology/CheckDigit.h"
#include "symbology/Gs1.h"
#include "symbology/Gs1DigitalLink.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace zintsym {
namespace {

struct TypeInfo {
    ZintType type;
    int symbology;
    bool matrix;
    int quietLeft; // the whole quiet zone for 2D symbols
    int quietRight;
};

// Quiet zones as the symbologies' standards ask: EAN-13 11/7, UPC-A and UPC-E 9 (UPC-E 7 on
// the right), EAN-8 7/7, the other linear ones 10 each; QR 4, Data Matrix 1, Aztec none (its
// finder needs none), PDF417 2.
constexpr TypeInfo kTypes[] = {
    {ZintType::Gs1_128, BARCODE_GS1_128, false, 10, 10},
    {ZintType::Itf14, BARCODE_ITF14, false, 10, 10},
    {ZintType::UpcE, BARCODE_UPCE, false, 9, 7},
    {ZintType::Ean13, BARCODE_EANX, false, 11, 7},
    {ZintType::UpcA, BARCODE_UPCA, false, 9, 9},
    {ZintType::Ean8, BARCODE_EANX, false, 7, 7},
    {ZintType::Code93, BARCODE_CODE93, false, 10, 10},
    {ZintType::Codabar, BARCODE_CODABAR, false, 10, 10},
    {ZintType::Itf, BARCODE_C25INTER, false, 10, 10},
    {ZintType::Qr, BARCODE_QRCODE, true, 4, 4},
    {ZintType::DataMatrix, BARCODE_DATAMATRIX, true, 1, 1},
    {ZintType::Gs1DataMatrix, BARCODE_DATAMATRIX, true, 1, 1},
    {ZintType::Aztec, BARCODE_AZTEC, true, 0, 0},
    {ZintType::Pdf417, BARCODE_PDF417, true, 2, 2},
    {ZintType::Gs1Qr, BARCODE_QRCODE, true, 4, 4},
    {ZintType::DigitalLink, BARCODE_QRCODE, true, 4, 4},
};

const TypeInfo& info(ZintType type) {
    return *std::ranges::find(kTypes, type, &TypeInfo::type);
}

bool isQr(ZintType type) {
    return info(type).symbology == BARCODE_QRCODE;
}

// libzint draws ITF-14's bearer bars this many modules thick unless told otherwise.
constexpr int kItf14BearerWidth = 5;
// PDF417 rows at least three modules high, as its standard recommends.
constexpr int kPdf417RowHeight = 3;
// More than any symbol here holds (QR: 7089 digits); refused before libzint sees it.
constexpr std::size_t kLongestInput = 8000;

ZintRefusal refusal(ZintType type, const std::string& why) {
    return ZintRefusal{std::string(zintTypeName(type)) + ": " + why};
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<ZintRefusal> onlyDigits(ZintType type, std::string_view digits) {
    for (std::size_t i = 0; i < digits.size(); ++i)
        if (!isDigit(digits[i]))
            return refusal(type, "character " + std::to_string(i + 1) + " is not a digit");
    return std::nullopt;
}

std::optional<ZintRefusal> lengthIn(ZintType type, std::string_view digits,
                                    std::initializer_list<std::size_t> lengths,
                                    const std::string& what) {
    if (std::ranges::find(lengths, digits.size()) != lengths.end()) return std::nullopt;
    return refusal(type, std::to_string(digits.size()) + " digits; " + what);
}

// GS1's mod 10 check digit over digits, weights 3 and 1 from the right.
char checkDigit(std::string_view digits) {
    return static_cast<char>(
        '0' + gs1CheckDigit(digits.size(), [&](std::size_t i) { return digits[i] - '0'; }));
}

// Bars, add-on and the input libzint takes, after our own checks, which name the fix.
struct Prepared {
    std::string input;
    int inputMode = DATA_MODE;
    bool addOn = false;
    int eci = 0;
    std::vector<std::string> warnings;
};

std::variant<Prepared, ZintRefusal> prepareRetail(ZintType type, std::string_view text) {
    Prepared prepared;
    std::string_view main = text;
    const std::size_t plus = text.find('+');
    if (plus != std::string_view::npos) {
        const std::string_view addOn = text.substr(plus + 1);
        if (auto bad = onlyDigits(type, addOn)) return *bad;
        if (addOn.size() != 2 && addOn.size() != 5)
            return refusal(type,
                           "an add-on has 2 or 5 digits, not " + std::to_string(addOn.size()));
        main = text.substr(0, plus);
        prepared.addOn = true;
    }
    if (auto bad = onlyDigits(type, main)) return *bad;
    std::string digits(main);
    switch (type) {
    case ZintType::Ean13:
        if (auto bad = lengthIn(type, main, {12, 13}, "EAN-13 takes 12 (13 with the check digit)"))
            return *bad;
        break;
    case ZintType::UpcA:
        if (auto bad = lengthIn(type, main, {11, 12}, "UPC-A takes 11 (12 with the check digit)"))
            return *bad;
        break;
    case ZintType::Ean8:
        if (auto bad = lengthIn(type, main, {7, 8}, "EAN-8 takes 7 (8 with the check digit)"))
            return *bad;
        // libzint reads 8 digits as a short EAN-13; it gets the 7 and adds the check digit.
        if (main.size() == 8) {
            if (main[7] != checkDigit(main.substr(0, 7)))
                return refusal(type, std::string("check digit ") + main[7] + " should be " +
                                         checkDigit(main.substr(0, 7)));
            digits.pop_back();
        }
        break;
    default: { // UPC-E
        if (auto bad = lengthIn(type, main, {6, 7, 8, 12},
                                "UPC-E takes 6, 7 or 8, or a 12-digit UPC-A to zero-suppress"))
            return *bad;
        if (main.size() == 12) {
            auto upcE = upcAToUpcE(main);
            if (auto* refused = std::get_if<ZintRefusal>(&upcE)) return *refused;
            digits = std::get<std::string>(upcE);
        }
        if (digits.size() >= 7 && digits[0] != '0' && digits[0] != '1')
            return refusal(type, "number system " + digits.substr(0, 1) + ": UPC-E has 0 or 1");
        // The last of the six digits says where the zeros were; a zero where it would make a
        // shorter form possible is not a UPC-E.
        const std::string_view six = std::string_view(digits).substr(digits.size() == 6 ? 0 : 1, 6);
        const char last = six[5];
        if ((last == '3' && six[2] <= '2') || (last == '4' && six[3] == '0') ||
            (last >= '5' && six[4] == '0'))
            return refusal(type, "UPC-E " + std::string(six) + " is not zero-suppressed: ending " +
                                     last +
                                     (last == '3'   ? ", its third digit is 3 to 9"
                                      : last == '4' ? ", its fourth digit is 1 to 9"
                                                    : ", its fifth digit is 1 to 9"));
    }
    }
    prepared.input = digits + (prepared.addOn ? std::string(text.substr(plus)) : std::string());
    return prepared;
}

std::variant<Prepared, ZintRefusal> prepare(ZintType type, std::string_view text,
                                            const ZintOptions& options) {
    Prepared prepared;
    switch (type) {
    case ZintType::Gs1_128:
    case ZintType::Gs1DataMatrix:
    case ZintType::Gs1Qr: {
        const auto checked = gs1::parseGs1(text, type == ZintType::Gs1_128 ? gs1::Carrier::Gs1_128
                                                                           : gs1::Carrier::Matrix);
        if (const auto* error = std::get_if<gs1::Gs1Error>(&checked))
            return ZintRefusal{error->message};
        const auto& message = std::get<gs1::Gs1Message>(checked);
        // libzint places FNC1 after every AI whose length is not predefined, as we do; its
        // no-check mode keeps it from refusing the AIs its older table lacks.
        prepared.input = message.bracketed();
        prepared.inputMode = GS1_MODE | GS1NOCHECK_MODE;
        prepared.warnings = message.warnings;
        return prepared;
    }
    case ZintType::DigitalLink: {
        const auto link =
            gs1::digitalLinkOf(text, options.digitalLinkDomain.empty() ? gs1::kDigitalLinkDomain
                                                                       : options.digitalLinkDomain);
        if (const auto* error = std::get_if<gs1::Gs1Error>(&link))
            return ZintRefusal{error->message};
        // A URI is plain ASCII; readers hand it to a browser as it stands.
        prepared.input = std::get<gs1::DigitalLink>(link).uri;
        return prepared;
    }
    case ZintType::Itf14:
        if (auto bad = onlyDigits(type, text)) return *bad;
        if (auto bad = lengthIn(type, text, {13, 14}, "ITF-14 takes 13 (14 with the check digit)"))
            return *bad;
        if (text.size() == 14 && text[13] != checkDigit(text.substr(0, 13)))
            return refusal(type, std::string("check digit ") + text[13] + " should be " +
                                     checkDigit(text.substr(0, 13)));
        prepared.input = std::string(text.substr(0, 13));
        return prepared;
    case ZintType::UpcE:
    case ZintType::Ean13:
    case ZintType::UpcA:
    case ZintType::Ean8:
        return prepareRetail(type, text);
    case ZintType::Itf:
        if (text.empty()) return refusal(type, "no digits");
        if (auto bad = onlyDigits(type, text)) return *bad;
        // Interleaved 2 of 5 pairs its digits: an odd count gets a leading zero, said aloud.
        prepared.input = std::string(text.size() % 2 ? "0" : "") + std::string(text);
        if (text.size() % 2) prepared.warnings.push_back("itf: a leading 0 makes the digits pairs");
        return prepared;
    case ZintType::Code93:
        for (std::size_t i = 0; i < text.size(); ++i)
            if (static_cast<unsigned char>(text[i]) > 0x7F)
                return refusal(type, "character " + std::to_string(i + 1) +
                                         " is not ASCII; Code 93 holds ASCII only");
        prepared.input = std::string(text);
        return prepared;
    case ZintType::Codabar:
        prepared.input = std::string(text);
        return prepared;
    default:
        // 2D, from UTF-8 text. Bytes without an ECI mean Latin-1, yet readers guess (Shift JIS
        // among others), so text beyond ASCII goes as UTF-8 and says so with ECI 26.
        prepared.input = std::string(text);
        prepared.inputMode = UNICODE_MODE;
        if (std::ranges::any_of(text, [](char c) { return static_cast<unsigned char>(c) > 0x7F; }))
            prepared.eci = 26;
        return prepared;
    }
}

// encoded_data holds each row's modules as bits, the first module in bit 0 of the first byte.
bool moduleIsSet(const zint_symbol& symbol, int row, int column) {
    return (symbol.encoded_data[row][column >> 3] >> (column & 7)) & 1;
}

std::string zintMessage(const zint_symbol& symbol) {
    std::string text(symbol.errtxt);
    // "Error 123: why" / "Warning 123: why": the number means nothing to the reader
    const std::size_t colon = text.find(": ");
    if ((text.rfind("Error ", 0) == 0 || text.rfind("Warning ", 0) == 0) &&
        colon != std::string::npos)
        text.erase(0, colon + 2);
    return text;
}

// Where EAN and UPC print their digits and which bars reach lower: the first digit of EAN-13,
// UPC-A and UPC-E, and the last of UPC-A and UPC-E, stand in the quiet zones. The add-on's
// digits stand above its bars.
void placeTexts(ZintType type, LinearModules& linear, const std::string& text) {
    const int size = static_cast<int>(linear.modules.size());
    const std::size_t plus = text.find('+');
    const std::string main = text.substr(0, plus);
    const auto part = [&main](std::size_t from, std::size_t count) {
        return main.substr(from, count);
    };
    struct Layout {
        std::size_t digits;
        int width;
        std::vector<ModuleSpan> longBars;
        std::vector<TextBand> texts;
    };
    Layout layout;
    switch (type) {
    case ZintType::Ean13:
        layout = {13,
                  95,
                  {{0, 3}, {45, 50}, {92, 95}},
                  {{part(0, 1), {-8, -1}}, {part(1, 6), {3, 45}}, {part(7, 6), {50, 92}}}};
        break;
    case ZintType::Ean8:
        layout = {
            8, 67, {{0, 3}, {31, 36}, {64, 67}}, {{part(0, 4), {3, 31}}, {part(4, 4), {36, 64}}}};
        break;
    case ZintType::UpcA:
        layout = {12,
                  95,
                  {{0, 10}, {45, 50}, {85, 95}},
                  {{part(0, 1), {-8, -1}},
                   {part(1, 5), {10, 45}},
                   {part(6, 5), {50, 85}},
                   {part(11, 1), {96, 103}}}};
        break;
    case ZintType::UpcE:
        layout = {8,
                  51,
                  {{0, 3}, {45, 51}},
                  {{part(0, 1), {-8, -1}}, {part(1, 6), {3, 45}}, {part(7, 1), {52, 59}}}};
        break;
    default:
        linear.texts = {{text, {0, size}}};
        return;
    }
    const std::string addOn = plus == std::string::npos ? std::string() : text.substr(plus + 1);
    const int addOnWidth = addOn.size() == 2 ? 20 : addOn.size() == 5 ? 47 : 0;
    if (main.size() != layout.digits || (addOnWidth == 0) != addOn.empty() ||
        size < layout.width + addOnWidth) {
        linear.texts = {{text, {0, size}}}; // a libzint whose text reads otherwise
        return;
    }
    linear.longBars = std::move(layout.longBars);
    linear.texts = std::move(layout.texts);
    if (addOnWidth) linear.texts.push_back({addOn, {size - addOnWidth, size}, true});
}

struct ZintDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

} // namespace

QuietModules quietModulesOf(ZintType type) {
    return {info(type).quietLeft, info(type).quietRight};
}

std::variant<std::string, ZintRefusal> upcAToUpcE(std::string_view upcA) {
    const ZintType type = ZintType::UpcE;
    if (auto bad = onlyDigits(type, upcA)) return *bad;
    if (upcA.size() != 12) return refusal(type, "a UPC-A has 12 digits");
    if (upcA[11] != checkDigit(upcA.substr(0, 11)))
        return refusal(type, std::string("UPC-A check digit ") + upcA[11] + " should be " +
                                 checkDigit(upcA.substr(0, 11)));
    if (upcA[0] != '0' && upcA[0] != '1')
        return refusal(type, "UPC-A " + std::string(upcA) + " has number system " +
                                 std::string(1, upcA[0]) + "; only 0 and 1 can be zero-suppressed");
    const std::string_view m = upcA.substr(1, 5), p = upcA.substr(6, 5);
    std::string six;
    if (m.substr(3) == "00" && m[2] <= '2' && p.substr(0, 2) == "00")
        six = std::string(m.substr(0, 2)) + std::string(p.substr(2)) + m[2];
    else if (m.substr(3) == "00" && p.substr(0, 3) == "000")
        six = std::string(m.substr(0, 3)) + std::string(p.substr(3)) + "3";
    else if (m[4] == '0' && p.substr(0, 4) == "0000")
        six = std::string(m.substr(0, 4)) + p[4] + "4";
    else if (p.substr(0, 4) == "0000" && p[4] >= '5')
        six = std::string(m) + p[4];
    else
        return refusal(type,
                       "UPC-A " + std::string(upcA) + " cannot be zero-suppressed: manufacturer " +
                           std::string(m) + " and product " + std::string(p) +
                           " leave no zeros in the places UPC-E drops (manufacturer ending 000, "
                           "100 or 200 with product up to 00999; ending 00 with product up to "
                           "00099; ending 0 with product up to 00009; or product 00005 to "
                           "00009)");
    return std::string(1, upcA[0]) + six + upcA[11];
}

std::string upcEToUpcA(char numberSystem, std::string_view six) {
    const std::string d(six);
    std::string body;
    switch (d[5]) {
    case '0':
    case '1':
    case '2':
        body = d.substr(0, 2) + d[5] + "0000" + d.substr(2, 3);
        break;
    case '3':
        body = d.substr(0, 3) + "00000" + d.substr(3, 2);
        break;
    case '4':
        body = d.substr(0, 4) + "00000" + d[4];
        break;
    default:
        body = d.substr(0, 5) + "0000" + d[5];
    }
    return numberSystem + body;
}

std::optional<ZintRefusal> gs1_128WidthRefusal(const LinearModules& linear, double xdimMm) {
    constexpr double kLongest = 165.10;
    const double modules =
        static_cast<double>(linear.quietLeft + linear.quietRight) + linear.modules.size();
    const double width = modules * xdimMm;
    if (width <= kLongest + 1e-9) return std::nullopt;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%.2f mm wide at X %.3f mm, quiet zones included; GS1-128 may be %.2f mm at "
                  "most: X up to %.3f mm fits",
                  width, xdimMm, kLongest, std::floor(kLongest / modules * 1000.0) / 1000.0);
    return refusal(ZintType::Gs1_128, text);
}

ZintResult encodeWithZint(ZintType type, std::string_view text, const ZintOptions& options) {
    const TypeInfo& t = info(type);
    if (text.size() > kLongestInput)
        return refusal(type, std::to_string(text.size()) +
                                 " characters are more than any symbol holds (at most " +
                                 std::to_string(kLongestInput) + ")");
    auto prepared = prepare(type, text, options);
    if (auto* refused = std::get_if<ZintRefusal>(&prepared)) return *refused;
    Prepared& input = std::get<Prepared>(prepared);

    std::unique_ptr<zint_symbol, ZintDeleter> symbol(ZBarcode_Create());
    if (!symbol) return refusal(type, "libzint has no memory");
    symbol->symbology = t.symbology;
    symbol->input_mode = input.inputMode;
    symbol->eci = input.eci;
    if (isQr(type)) {
        static constexpr std::string_view levels = "LMQH";
        const std::size_t level = levels.find(options.qrEcc);
        if (level == std::string_view::npos)
            return refusal(type, std::string("error correction '") + options.qrEcc +
                                     "' is not L, M, Q or H");
        symbol->option_1 = static_cast<int>(level) + 1;
    }
    if (type == ZintType::DataMatrix || type == ZintType::Gs1DataMatrix)
        symbol->option_3 = DM_SQUARE;

    const int result =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(input.input.data()),
                        static_cast<int>(input.input.size()));
    if (result >= ZINT_ERROR) return refusal(type, zintMessage(*symbol));
    std::vector<std::string> warnings = std::move(input.warnings);
    if (result != 0)
        warnings.push_back(std::string(zintTypeName(t.type)) + ": " + zintMessage(*symbol));

    const int rows = symbol->rows, columns = symbol->width;
    if (rows < 1 || columns < 1 || columns > 144 * 8 || rows > 200)
        return refusal(type, "libzint gave no modules");
    if (!t.matrix) {
        if (rows != 1) return refusal(type, "libzint gave more than one row of bars");
        LinearModules linear;
        linear.modules.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
            linear.modules.push_back(moduleIsSet(*symbol, 0, c) ? '1' : '0');
        // libzint ends Codabar with the gap between characters; quiet zones count from the bars.
        const std::size_t first = linear.modules.find('1'), last = linear.modules.rfind('1');
        if (first == std::string::npos) return refusal(type, "libzint gave no bars");
        linear.modules = linear.modules.substr(first, last - first + 1);
        linear.quietLeft = t.quietLeft;
        linear.quietRight = input.addOn ? kAddOnQuietAfter : t.quietRight;
        // An EAN-13 beginning with 0 is the same symbol as a UPC-A, and readers report it as
        // one: UPC-A's quiet zone on the right then has to be there too.
        if (type == ZintType::Ean13 && !input.addOn && input.input.front() == '0')
            linear.quietRight = std::max(linear.quietRight, info(ZintType::UpcA).quietRight);
        if (type == ZintType::Itf14) {
            linear.bearer = Bearer::Frame;
            linear.bearerWidth = kItf14BearerWidth;
        }
        std::string text(reinterpret_cast<const char*>(symbol->text));
        placeTexts(type, linear, text);
        return ZintSymbol{type, std::move(linear), std::move(text), std::move(warnings)};
    }
    MatrixModules matrix;
    matrix.rows = rows;
    matrix.columns = columns;
    matrix.cells.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            matrix.cells.push_back(moduleIsSet(*symbol, r, c) ? 1 : 0);
    matrix.quietZone = t.quietLeft;
    matrix.rowHeight = type == ZintType::Pdf417 ? kPdf417RowHeight : 1;
    return ZintSymbol{type, std::move(matrix), std::string(), std::move(warnings)};
}

} // namespace zintsym
