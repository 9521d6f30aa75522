#include "EAN13and8.h"

#include "LinearRender.h"
#include "RendererError.h"
#include "SymbologyTables.h"

#include <array>

namespace EAN13and8 {
namespace {

using SymbologyTables::DigitPatterns;

const QString kDigits = QStringLiteral("0123456789");

constexpr int kFirstXPosition = 5; // the first module lands on x = 16

// Where the window's caption prints a text of the symbol: x, and y below the bars' bottom.
struct CaptionPlace {
    double x;
    int belowBars;
};

struct Symbology {
    QString source;
    int dataDigits;
    double widthTwips;
    ::Symbology kind;
    int barHeight;
    QList<CaptionPlace> captionPlaces; // one per text of the symbol, in its order
};

// Widths in twips from the classic formulas: 12 × 8 × 20 and (7 × 8 + 20) × 20.
const Symbology kEAN13 = {QStringLiteral("EAN-13"), 12, 12 * 8 * 20.0,
                          ::Symbology::Ean13,       69, {{5, 5}, {23, 10}, {68, 10}}};
const Symbology kEAN8 = {QStringLiteral("EAN-8"), 7,  (7 * 8 + 20) * 20.0,
                         ::Symbology::Ean8,       55, {{23, 10}, {53, 10}}};

int digitAt(const QString& text, qsizetype i) {
    return text[i].unicode() - u'0';
}

void checkText(const QString& text, const Symbology& symbology) {
    if (text.size() != symbology.dataDigits)
        throw RendererError::refusal(
            symbology.source,
            QStringLiteral("Should be %1 Digit Numbers").arg(symbology.dataDigits));
    for (const QChar c : text)
        if (!kDigits.contains(c))
            throw RendererError::refusal(symbology.source,
                                         QStringLiteral("An Invalid Character Found in Bar Text"));
}

// Builds a symbol half by half: guards reach below the digits' bars.
class Modules {
  public:
    void guard(std::string_view modules) {
        const int first = size();
        append(modules);
        symbol.longModules.append({first, size()});
    }
    void digit(const DigitPatterns& table, int digit) { append(table[digit]); }
    // A text centred under the modules from `first` to `end`.
    void text(const QString& text, int first, int end) {
        symbol.texts.append({text, {first, end}});
    }
    int size() const { return static_cast<int>(symbol.modules.size()); }

    Symbol symbol;

  private:
    void append(std::string_view modules) { symbol.modules += QString::fromLatin1(modules); }
};

Symbol finished(Modules& modules, const Symbology& symbology) {
    modules.symbol.setQuietZone(quietZoneOf(symbology.kind));
    modules.symbol.barHeight = symbology.barHeight;
    return modules.symbol;
}

// Texts left of the first bar are printed before the bars, the others after them.
void printCaptions(LinearRender& render, const Symbol& symbol, const Symbology& symbology,
                   bool inQuietZone) {
    for (qsizetype i = 0; i < symbol.texts.size(); ++i) {
        if ((symbol.texts[i].band.first < 0) != inQuietZone) continue;
        const CaptionPlace& place = symbology.captionPlaces[i];
        render.surface.setCurrentX(place.x);
        render.surface.setCurrentY(render.barHeight + place.belowBars);
        render.surface.Print(symbol.texts[i].text);
    }
}

// The text is checked before anything but the picture has changed on the surface.
void drawEAN(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
             bool caption, const Symbology& symbology, Symbol (*encode)(const QString&)) {
    LinearRender render(surface, codeText, caption, kFirstXPosition);
    surface.setPicture(Raster());
    const Symbol symbol = encode(codeText);
    render.prepareSurface(LinearRender::barHeightOf(heightUnits, symbology.source));
    surface.setWidth(symbology.widthTwips);
    if (caption) printCaptions(render, symbol, symbology, true);
    render.drawSymbol(symbol);
    if (caption) printCaptions(render, symbol, symbology, false);
    render.finish();
}

} // namespace

// Weights 3 and 1 alternate from the rightmost data digit, which weighs 3.
int CheckDigit(const QString& digits) {
    const qsizetype n = digits.size();
    int sum = 0;
    for (qsizetype i = 1; i <= n; ++i) {
        const int weight = (n + 1 - i) % 2 != 0 ? 3 : 1;
        sum += weight * digitAt(digits, i - 1);
    }
    const int remainder = sum % 10;
    return remainder != 0 ? 10 - remainder : 0;
}

// Digit 1 is not drawn as bars: it picks the parity of digits 2 to 7 and stands in the left
// quiet zone.
Symbol EncodeEAN13(const QString& codeText) {
    checkText(codeText, kEAN13);
    const QString digits = codeText + QString::number(CheckDigit(codeText));
    const std::string_view parity = SymbologyTables::kEan13Parity[digitAt(digits, 0)];
    Modules modules;
    modules.guard(SymbologyTables::kEanEdgeGuard);
    for (qsizetype i = 1; i < 7; ++i)
        modules.digit(parity[i - 1] == 'E' ? SymbologyTables::kEanLeftEven
                                           : SymbologyTables::kEanLeftOdd,
                      digitAt(digits, i));
    modules.guard(SymbologyTables::kEanCentreGuard);
    for (qsizetype i = 7; i < 13; ++i)
        modules.digit(SymbologyTables::kEanRight, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanEdgeGuard);
    modules.text(digits.left(1), -8, -1);
    modules.text(digits.mid(1, 6), 3, 45);
    modules.text(digits.mid(7), 50, 92);
    return finished(modules, kEAN13);
}

Symbol EncodeEAN8(const QString& codeText) {
    checkText(codeText, kEAN8);
    const QString digits = codeText + QString::number(CheckDigit(codeText));
    Modules modules;
    modules.guard(SymbologyTables::kEanEdgeGuard);
    for (qsizetype i = 0; i < 4; ++i)
        modules.digit(SymbologyTables::kEanLeftOdd, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanCentreGuard);
    for (qsizetype i = 4; i < 8; ++i)
        modules.digit(SymbologyTables::kEanRight, digitAt(digits, i));
    modules.guard(SymbologyTables::kEanEdgeGuard);
    modules.text(digits.left(4), 3, 31);
    modules.text(digits.mid(4), 36, 64);
    return finished(modules, kEAN8);
}

void DrawEAN13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN13, EncodeEAN13);
}

void DrawEAN8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN8, EncodeEAN8);
}

} // namespace EAN13and8
