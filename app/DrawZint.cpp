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

void drawZintChoice(DrawModel& model, const ZintChoice& choice) {
    model.drawnSymbol.reset();
    const auto encoded = encodeZintChoice(choice, model.codeText);
    if (const auto* refusal = std::get_if<QString>(&encoded)) {
        if (model.messages)
            model.messages->show(QStringLiteral("error: ") + *refusal, DigitCode::kRefusalTitle,
                                 MessageIcon::Exclamation);
        return;
    }
    const Symbol& symbol = std::get<EncodedSymbol>(encoded).symbol;
    const SymbolLayout layout(symbol, std::nullopt, std::nullopt);
    const int regionWidth = Geometry::twipsToPixels(outputWidthTwips(model));
    const int regionHeight = Geometry::twipsToPixels(outputHeightTwips(model));
    const int pixelsPerModule =
        std::max(1, std::min(regionWidth / layout.width, regionHeight / layout.height));
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
