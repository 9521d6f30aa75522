// The newer symbologies in the window (their names in the type list, their drawing): libzint's
// symbols painted with Qt Gui, apart from the classic commands, which the command line draws
// with Qt Core alone.
#include "app/DrawCommands.h"

#include "render/SymbolPicture.h"
#include "symbology/DigitCode.h"
#include "symbology/ZintChoices.h"

#include <algorithm>

namespace DrawCommands {

const QStringList& symbologyNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const SymbologyChoice& choice : kSymbologyChoices)
            list << choice.qName();
        for (const ZintChoice& choice : kZintChoices)
            list << choice.word();
        return list;
    }();
    return names;
}

Command commandFor(const QString& typeText) {
    if (Command classic = classicCommandFor(typeText)) return classic;
    if (const std::optional<ZintChoice> choice = zintChoice(typeText))
        return [choice = *choice](DrawModel& model) { drawZintChoice(model, choice); };
    return nullptr;
}

namespace {

// Widens the light margin all round so that the layout fills `columns` by `rows` modules with
// the symbol in the middle.
void centreIn(SymbolLayout& layout, int columns, int rows) {
    const int across = std::max(0, columns - layout.width),
              down = std::max(0, rows - layout.height);
    layout.left += across / 2;
    layout.width += across;
    layout.top += down / 2;
    layout.height += down;
}

} // namespace

void drawZintChoice(DrawModel& model, const ZintChoice& choice) {
    model.drawnSymbol.reset();
    const auto encoded = encodeZintChoice(choice, model.codeText, model.zintRequest);
    if (const auto* refusal = std::get_if<QString>(&encoded)) {
        if (model.messages)
            model.messages->show(QStringLiteral("error: ") + *refusal, DigitCode::kRefusalTitle,
                                 MessageIcon::Exclamation);
        return;
    }
    const Symbol& symbol = std::get<EncodedSymbol>(encoded).symbol;
    // A 2D symbol keeps a light margin of at least two modules: Aztec's standard asks for none,
    // and drawn flush against the picture's edge readers do not find it.
    constexpr int kLeast2DMargin = 2;
    const std::optional<int> margin =
        symbol.matrix ? std::optional(std::max(symbol.quietLeft, kLeast2DMargin)) : std::nullopt;
    SymbolLayout layout(symbol, std::nullopt, margin);
    const int regionWidth = Geometry::twipsToPixels(outputWidthTwips(model));
    const int regionHeight = Geometry::twipsToPixels(outputHeightTwips(model));
    const int pixelsPerModule =
        std::max(1, std::min(regionWidth / layout.width, regionHeight / layout.height));
    // The reading engine looks for an Aztec Code's bullseye from the picture's centre outwards:
    // off to one side of a wide picture, the symbol is not found at all.
    if (choice.type == zintsym::ZintType::Aztec)
        centreIn(layout, regionWidth / pixelsPerModule, regionHeight / pixelsPerModule);
    const QImage work = symbolPicture(symbol, layout, 1);
    model.workPicture.clear();
    model.workPicture.setWidthTwips(Geometry::pixelsToTwips(work.width()));
    model.workPicture.setHeightTwips(Geometry::pixelsToTwips(work.height()));
    model.workPicture.setBackgroundPicture(work);
    model.outputPicture.clear();
    model.outputPicture.drawPicture(symbolPicture(symbol, layout, pixelsPerModule), 0, 0);
    model.stretchedRegion = QSizeF(Geometry::pixelsToTwips(layout.width * pixelsPerModule),
                                   Geometry::pixelsToTwips(layout.height * pixelsPerModule));
    model.drawnSymbol = symbol;
}

} // namespace DrawCommands
