#include "EAN13and8.h"

#include "LinearRender.h"
#include "RendererError.h"
#include "SymbologyTables.h"

#include <array>

namespace EAN13and8 {
namespace {

using SymbologyTables::DigitPatterns;
using SymbologyTables::kEanLeftEven;
using SymbologyTables::kEanLeftOdd;
using SymbologyTables::kEanRight;

const QString kGuard = QString::fromLatin1(SymbologyTables::kEanEdgeGuard);
const QString kCentre = QString::fromLatin1(SymbologyTables::kEanCentreGuard);
const QString kDigits = QStringLiteral("0123456789");

constexpr int kFirstXPosition = 5; // the first module lands on x = 16
constexpr int kGuardExtension = 5; // guards reach 5 pixels below the digits' bars

struct Symbology {
    QString source;
    int dataDigits;
    double widthTwips;
    void (*render)(LinearRender&);
};

int digitAt(const QString& text, qsizetype i) {
    return text[i].unicode() - u'0';
}

void drawGuard(LinearRender& render, const QString& modules) {
    render.drawModules(modules, kGuardExtension);
}

void drawDigit(LinearRender& render, const DigitPatterns& table, int digit) {
    render.drawModules(QString::fromLatin1(table[digit]));
}

void printAt(LinearRender& render, double x, double y, const QString& text) {
    render.surface.setCurrentX(x);
    render.surface.setCurrentY(y);
    render.surface.Print(text);
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

// The caption puts digit 1 left of the guard and the other digits in two groups under the halves.
void renderEAN13(LinearRender& render) {
    const QString& text = render.codeText;
    const int check = CheckDigit(text);
    if (render.caption) printAt(render, 5, render.barHeight + 5, text.left(1));
    drawGuard(render, kGuard);
    const std::string_view parity = SymbologyTables::kEan13Parity[digitAt(text, 0)];
    for (qsizetype i = 1; i < 7; ++i)
        drawDigit(render, parity[i - 1] == 'E' ? kEanLeftEven : kEanLeftOdd, digitAt(text, i));
    drawGuard(render, kCentre);
    for (qsizetype i = 7; i < 12; ++i)
        drawDigit(render, kEanRight, digitAt(text, i));
    drawDigit(render, kEanRight, check);
    drawGuard(render, kGuard);
    if (!render.caption) return;
    printAt(render, 23, render.barHeight + 10, text.mid(1, 6));
    printAt(render, 68, render.barHeight + 10, text.mid(7) + QString::number(check));
}

void renderEAN8(LinearRender& render) {
    const QString& text = render.codeText;
    const int check = CheckDigit(text);
    drawGuard(render, kGuard);
    for (qsizetype i = 0; i < 4; ++i)
        drawDigit(render, kEanLeftOdd, digitAt(text, i));
    drawGuard(render, kCentre);
    for (qsizetype i = 4; i < 7; ++i)
        drawDigit(render, kEanRight, digitAt(text, i));
    drawDigit(render, kEanRight, check);
    drawGuard(render, kGuard);
    if (!render.caption) return;
    printAt(render, 23, render.barHeight + 10, text.left(4));
    printAt(render, 53, render.barHeight + 10, text.mid(4) + QString::number(check));
}

// Widths in twips from the classic formulas: 12 × 8 × 20 and (7 × 8 + 20) × 20.
const Symbology kEAN13 = {QStringLiteral("EAN-13"), 12, 12 * 8 * 20.0, renderEAN13};
const Symbology kEAN8 = {QStringLiteral("EAN-8"), 7, (7 * 8 + 20) * 20.0, renderEAN8};

// The text is checked before anything but the picture has changed on the surface.
void drawEAN(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
             bool caption, const Symbology& symbology) {
    LinearRender render(surface, codeText, caption, kFirstXPosition);
    surface.setPicture(QImage());
    checkText(codeText, symbology);
    render.prepareSurface(LinearRender::barHeightOf(heightUnits, symbology.source));
    surface.setWidth(symbology.widthTwips);
    symbology.render(render);
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

void DrawEAN13(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
               bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN13);
}

void DrawEAN8(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
              bool caption) {
    drawEAN(surface, heightUnits, codeText, caption, kEAN8);
}

} // namespace EAN13and8
