#include "Code39.h"

#include "LinearRender.h"
#include "RendererError.h"

#include <array>
#include <cmath>

namespace Code39 {
namespace {

const QString kSource = QStringLiteral("Bar 39");
constexpr int kStartStop = SymbologyTables::kCode39StartStop;
constexpr int kModulesPerCharacter = 13; // 12 of pattern, 1 of gap

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
    render.drawModules(QString::fromLatin1(SymbologyTables::kCode39Patterns[value]));
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
