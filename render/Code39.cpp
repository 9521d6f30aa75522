#include "Code39.h"

#include "LinearRender.h"
#include "RendererError.h"

#include <array>
#include <cmath>

namespace Code39 {
namespace {

const QString kSource = QStringLiteral("Bar 39");
constexpr int kStartStop = 43;
constexpr int kModulesPerCharacter = 13; // 12 of pattern, 1 of gap

// Narrow element 1 module, wide element 2; indexed by character value.
constexpr std::array<const char*, 44> kPatterns = {
    "101001101101", "110100101011", "101100101011", "110110010101", "101001101011", "110100110101",
    "101100110101", "101001011011", "110100101101", "101100101101", "110101001011", "101101001011",
    "110110100101", "101011001011", "110101100101", "101101100101", "101010011011", "110101001101",
    "101101001101", "101011001101", "110101010011", "101101010011", "110110101001", "101011010011",
    "110101101001", "101101101001", "101010110011", "110101011001", "101101011001", "101011011001",
    "110010101011", "100110101011", "110011010101", "100101101011", "110010110101", "100110110101",
    "100101011011", "110010101101", "100110101101", "100100100101", "100100101001", "100101001001",
    "101001001001", "100101101101",
};

// The surface width in pixels for m symbol characters. The classic formula allows 12 pixels
// per character at 16 twips each, which falls short of the 13 a character takes once texts
// get long; then the surface is widened to the whole symbol and 10 white columns.
int surfaceWidthPixels(int symbolCharacters, double* twips) {
    *twips = (symbolCharacters * 12 + 20) * 16.0;
    const int formulaPixels = Geometry::twipsToPixels(*twips);
    const int symbolExtent = kModulesPerCharacter * symbolCharacters + 12;
    if (formulaPixels >= symbolExtent) return formulaPixels;
    const int widened = symbolExtent + 10;
    *twips = Geometry::pixelsToTwips(widened);
    return widened;
}

void drawChar39(LinearRender& render, int value) {
    render.drawModules(QString::fromLatin1(kPatterns[value]));
    ++render.xPosition; // the white gap after every character
    const int x = render.xPosition + 10;
    render.surface.Line(x, render.top, x, render.top + render.barHeight, kWhite);
}

void renderCode39(LinearRender& render, bool addCheckCharacter) {
    render.xPosition = 1;
    int sum = 0;
    drawChar39(render, kStartStop);
    for (const QChar c : render.codeText) {
        const int value = static_cast<int>(Code39Chars.indexOf(c));
        sum += value;
        drawChar39(render, value);
    }
    if (addCheckCharacter) drawChar39(render, sum % 43);
    drawChar39(render, kStartStop);
    if (render.caption) render.printCaption();
}

} // namespace

QString Code39Pattern(int value) {
    return QString::fromLatin1(kPatterns.at(value));
}

QString CheckCode39Text(const QString& codeText) {
    QString text = codeText;
    text.remove(u'*');
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    for (const QChar c : text)
        if (!Code39Chars.contains(c))
            throw RendererError::refusal(
                kSource, QStringLiteral("An Invalid Character Found in the Code Text"));
    return text;
}

void DrawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setPicture(QImage());
    render.codeText = CheckCode39Text(codeText);

    const int symbolCharacters =
        static_cast<int>(render.codeText.size()) + (addCheckCharacter ? 3 : 2);
    double widthTwips = 0;
    if (symbolCharacters > kMaxSymbolPixels / kModulesPerCharacter ||
        surfaceWidthPixels(symbolCharacters, &widthTwips) > kMaxSymbolPixels)
        throw RendererError::refusal(kSource, QStringLiteral("The Code Text is too long"));

    render.prepareSurface(LinearRender::barHeightOf(heightUnits, kSource));
    surface.setWidth(widthTwips);
    renderCode39(render, addCheckCharacter);
    render.finish();
}

} // namespace Code39
