#pragma once

#include "app/MessageBoxes.h"
#include "app/UpcWorkArea.h"
#include "render/DrawingSurface.h"
#include "render/SymbolPicture.h"
#include "symbology/Symbol.h"
#include "symbology/Symbology.h"
#include "symbology/ZintChoices.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <optional>

// What the draw commands read and write on the main window, without any widget: the code
// field, the two sliders, the work picture and the output picture.
struct DrawModel {
    // What prints a newer symbology's texts on its picture.
    using SymbolTextPrinter = void (*)(Raster& picture, const Symbol& symbol,
                                       const SymbolLayout& layout, int pixelsPerModule);

    // Without a text engine and a text printer, the model draws the commands that print no text.
    explicit DrawModel(const TextEngine* text = &qtTextEngine(),
                       SymbolTextPrinter symbolTexts = &printSymbolTexts);

    static constexpr int kWidthMax = 50;
    static constexpr int kHeightMax = 160;
    static constexpr int kHeightClamp = 150;
    // The main window's caption, also the title of the UPC-A renderer's message.
    static inline const QString kWindowCaption = QStringLiteral("Barcode Desk");

    QString codeText;
    int widthValue = kWidthMax;
    int heightValue = kHeightClamp;
    DrawingSurface workPicture;   // the renderers' work picture
    DrawingSurface outputPicture; // the visible output picture, in twips
    UpcWorkArea upc;              // the UPC-A renderer's own work pictures
    // The symbol the output picture shows since the last complete draw.
    std::optional<Symbol> drawnSymbol;
    MessageBoxes* messages = nullptr;
    // Where in the output picture the last draw stretched its barcode, in twips; nothing
    // before the first draw.
    std::optional<QSizeF> stretchedRegion;
    // How the newer symbologies are encoded, and what the last of them said beside its symbol.
    ZintRequest zintRequest;
    QStringList drawWarnings;
    SymbolTextPrinter symbolTexts;

    void setMessages(MessageBoxes* boxes);
};

// The per-symbology draw commands and the dispatch table of "Draw Barcode".
namespace DrawCommands {

using Command = std::function<void(DrawModel&)>;

// The symbology names in the order of the type list: the classic seven, then the newer ones.
const QStringList& symbologyNames();
// The command that a type text names, compared exactly; null when it names none.
Command commandFor(const QString& typeText);
// The same for the classic seven alone.
Command classicCommandFor(const QString& typeText);

void drawCode39(DrawModel& model);          // "39/n"
void drawCode39WithText(DrawModel& model);  // "39/c"
void drawCode128WithText(DrawModel& model); // "128/c"
void drawCode128(DrawModel& model);         // "128/n"
void drawEan13(DrawModel& model);           // "EAN13"
void drawEan8(DrawModel& model);            // "EAN8"
void drawUpcA(DrawModel& model);            // "UPC-A"

// Applies to model.codeText what the symbology's command applies before drawing: EAN and UPC-A
// take digits only, padded or cut. False when the command would refuse the text; its message
// has then been shown.
bool acceptCodeText(DrawModel& model, Symbology symbology);

// A newer symbology: the symbol at whole modules, as many pixels per module as the sliders'
// rectangle holds, at least one; a refusal shows "error: " and the reason in a message box.
// Its texts need the model's text printer; the 2D symbologies have none.
void drawZintChoice(DrawModel& model, const ZintChoice& choice);
// A 2D symbol keeps a light margin of at least this many modules there: Aztec's standard asks
// for none, and drawn flush against the picture's edge readers do not find it.
inline constexpr int kLeast2DMargin = 2;
// The margin of the 2D symbol in the window's pictures.
inline int windowMargin(const Symbol& symbol) {
    return std::max(symbol.quietLeft, kLeast2DMargin);
}

// Output rectangle of the sliders, in twips.
double outputWidthTwips(const DrawModel& model);
double outputHeightTwips(const DrawModel& model);

} // namespace DrawCommands
