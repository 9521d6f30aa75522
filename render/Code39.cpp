#include "Code39.h"

#include "LinearRender.h"
#include "RendererError.h"

namespace Code39 {
namespace {

const QString kSource = QStringLiteral("Bar 39");
constexpr int kModulesPerCharacter = SymbologyTables::kCode39PatternModules + 1; // and the gap
constexpr int kBarHeight = 50;

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

// The surface width in twips for a symbol of that many characters, or the refusal when the
// symbol would be wider than kMaxSymbolPixels.
double surfaceWidthTwips(int symbolCharacters) {
    double widthTwips = 0;
    if (symbolCharacters > kMaxSymbolPixels / kModulesPerCharacter ||
        surfaceWidthPixels(symbolCharacters, &widthTwips) > kMaxSymbolPixels)
        throw RendererError::refusal(kSource, QStringLiteral("The Code Text is too long"));
    return widthTwips;
}

int symbolCharactersOf(const Symbol& symbol) {
    return static_cast<int>(symbol.modules.size() + 1) / kModulesPerCharacter;
}

void appendCharacter(QString& modules, int value) {
    if (!modules.isEmpty()) modules += u'0'; // the narrow gap between characters
    modules += QString::fromLatin1(SymbologyTables::kCode39Patterns[value]);
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

Symbol EncodeCode39(const QString& codeText, bool addCheckCharacter, bool caption) {
    const QString text = CheckCode39Text(codeText);
    surfaceWidthTwips(static_cast<int>(text.size()) + (addCheckCharacter ? 3 : 2));

    Symbol symbol;
    int sum = 0;
    appendCharacter(symbol.modules, SymbologyTables::kCode39StartStop);
    for (const QChar c : text) {
        const int value = static_cast<int>(Code39Chars.indexOf(c));
        sum += value;
        appendCharacter(symbol.modules, value);
    }
    if (addCheckCharacter) appendCharacter(symbol.modules, sum % 43);
    appendCharacter(symbol.modules, SymbologyTables::kCode39StartStop);
    if (caption) symbol.texts = {{text, {0, static_cast<int>(symbol.modules.size())}}};
    symbol.setQuietZone(quietZoneOf(::Symbology::Code39));
    symbol.barHeight = kBarHeight;
    return symbol;
}

void DrawCode39(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                bool addCheckCharacter, bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setPicture(Raster());
    const Symbol symbol = EncodeCode39(codeText, addCheckCharacter, caption);
    if (caption) render.codeText = symbol.texts.front().text;

    render.prepareSurface(LinearRender::barHeightOf(heightUnits, kSource));
    surface.setWidth(surfaceWidthTwips(symbolCharactersOf(symbol)));
    render.drawSymbol(symbol);
    render.drawModules(u"0"); // the last character's gap, which the caption is centred with
    if (caption) render.printCaption();
    render.finish();
}

} // namespace Code39
