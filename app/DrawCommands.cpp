#include "app/DrawCommands.h"

#include "render/Code128Painter.h"
#include "render/Code39Painter.h"
#include "render/EanPainter.h"
#include "symbology/DigitCode.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/Symbology.h"

#include <array>
#include <string_view>

namespace {

constexpr std::int16_t kHeightUnits = 10;

} // namespace

DrawModel::DrawModel(const TextEngine* text, SymbolTextPrinter symbolTexts)
    : workPicture(6015, 2775, kWhite, text), outputPicture(6375, 2655, kWhite, text), upc(text),
      symbolTexts(symbolTexts) {
    upc.caption = kWindowCaption;
}

void DrawModel::setMessages(MessageBoxes* boxes) {
    messages = boxes;
    upc.messages = boxes;
}

namespace DrawCommands {
namespace {

// The output picture's size is a single-precision number, as the product below expects.
double sliderShare(int value, int maximum, double outerSize) {
    return static_cast<double>(value) / static_cast<double>(maximum) *
           static_cast<double>(static_cast<float>(outerSize));
}

// Erase the output picture and stretch the whole work image into the slider rectangle.
void stretchIntoOutput(DrawModel& model) {
    const Raster work = model.workPicture.pixels();
    model.stretchedRegion = QSizeF(outputWidthTwips(model), outputHeightTwips(model));
    model.outputPicture.clearAndDrawStretched(
        work, 0, 0, model.stretchedRegion->width(), model.stretchedRegion->height(), 0, 0,
        model.workPicture.widthTwips(), model.workPicture.heightTwips());
}

// The frame every linear symbology shares: clear, render, stretch.
template <typename Render> void drawFrame(DrawModel& model, const char* name, Render render) {
    model.drawnSymbol.reset();
    model.workPicture.clear();
    render(model.workPicture, model.codeText);
    stretchIntoOutput(model);
    model.drawnSymbol = encodeSymbol(*symbologyChoice(QLatin1String(name)), model.codeText);
}

void refuse(DrawModel& model, const QString& message) {
    if (model.messages)
        model.messages->show(message, DigitCode::kRefusalTitle, MessageIcon::Exclamation);
}

// The EAN and UPC-A commands take digits only, padded with "0"s or cut to their last digits.
// A whole EAN number as printed (its data digits and one more) ends in its check digit: the
// data digits are drawn, and a wrong check digit is refused rather than cut away, as cutting
// would draw another product's code. False when the text was refused (with a message); the
// command then draws nothing.
bool acceptDigits(DrawModel& model, const QString& name, int length, bool endsInCheckDigit) {
    if (!DigitCode::allDigits(model.codeText)) {
        refuse(model, DigitCode::refusalMessage(name));
        return false;
    }
    if (endsInCheckDigit && model.codeText.size() == length + 1) {
        const int expected = DigitCode::checkDigit(QStringView(model.codeText).first(length));
        if (model.codeText.back().digitValue() != expected) {
            refuse(model, DigitCode::checkDigitRefusal(name, model.codeText, expected));
            return false;
        }
        model.codeText.chop(1);
        return true;
    }
    model.codeText = DigitCode::normalised(model.codeText, length);
    return true;
}

// The command of every entry of the type list, in the list's order.
struct ChoiceCommand {
    std::string_view name;
    void (*draw)(DrawModel&);
};

constexpr std::array<ChoiceCommand, kSymbologyChoices.size()> kChoiceCommands = {{
    {"UPC-A", drawUpcA},
    {"39/n", drawCode39},
    {"39/c", drawCode39WithText},
    {"128/n", drawCode128},
    {"128/c", drawCode128WithText},
    {"EAN13", drawEan13},
    {"EAN8", drawEan8},
}};

constexpr bool commandsFollowTheChoices() {
    for (std::size_t i = 0; i < kChoiceCommands.size(); ++i)
        if (kChoiceCommands[i].name != kSymbologyChoices[i].name) return false;
    return true;
}
static_assert(commandsFollowTheChoices());

} // namespace

Command classicCommandFor(const QString& typeText) {
    for (const ChoiceCommand& entry : kChoiceCommands)
        if (typeText == QLatin1String(entry.name.data(), qsizetype(entry.name.size())))
            return entry.draw;
    return nullptr;
}

double outputWidthTwips(const DrawModel& model) {
    return sliderShare(model.widthValue, DrawModel::kWidthMax, model.outputPicture.widthTwips());
}

double outputHeightTwips(const DrawModel& model) {
    return sliderShare(model.heightValue, DrawModel::kHeightMax, model.outputPicture.heightTwips());
}

void drawCode39(DrawModel& model) {
    drawFrame(model, "39/n", [](DrawingSurface& s, const QString& t) {
        Code39Painter::drawCode39(s, kHeightUnits, t, false, false);
    });
}

void drawCode39WithText(DrawModel& model) {
    drawFrame(model, "39/c", [](DrawingSurface& s, const QString& t) {
        Code39Painter::drawCode39(s, kHeightUnits, t, false, true);
    });
}

void drawCode128WithText(DrawModel& model) {
    drawFrame(model, "128/c", [](DrawingSurface& s, const QString& t) {
        Code128Painter::drawCode128(s, kHeightUnits, t, true);
    });
}

void drawCode128(DrawModel& model) {
    drawFrame(model, "128/n", [](DrawingSurface& s, const QString& t) {
        Code128Painter::drawCode128(s, kHeightUnits, t, false);
    });
}

bool acceptCodeText(DrawModel& model, Symbology symbology) {
    const int digits = factsOf(symbology).dataDigits;
    if (digits == 0) return true;
    // The refusal names the symbology as the classic window did.
    const QString name = symbology == Symbology::Ean13  ? QStringLiteral("EAN13")
                         : symbology == Symbology::Ean8 ? QStringLiteral("EAN8")
                                                        : QStringLiteral("UPC");
    return acceptDigits(model, name, digits, symbology != Symbology::UpcA);
}

void drawEan13(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::Ean13)) return;
    drawFrame(model, "EAN13", [](DrawingSurface& s, const QString& t) {
        EanPainter::drawEan13(s, kHeightUnits, t, false);
    });
}

void drawEan8(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::Ean8)) return;
    drawFrame(model, "EAN8", [](DrawingSurface& s, const QString& t) {
        EanPainter::drawEan8(s, kHeightUnits, t, false);
    });
}

void drawUpcA(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::UpcA)) return;
    UpcWorkArea& upc = model.upc;
    model.drawnSymbol.reset();
    model.workPicture.clear();
    upc.upcPicture.setBackgroundPicture(Raster());
    upc.upcPicture.clear();
    upc.upcText = model.codeText;
    upc.L.fill(QStringLiteral("0"));
    upc.R.fill(QStringLiteral("0"));
    drawInWorkArea(upc.upcText, upc);
    // The work picture takes the UPC-A picture's size, so every UPC-A fills the slider
    // rectangle alike, whatever the previous render left behind.
    model.workPicture.setWidthTwips(upc.upcPicture.widthTwips());
    model.workPicture.setHeightTwips(upc.upcPicture.heightTwips());
    model.workPicture.setBackgroundPicture(upc.upcPicture.pixels());
    stretchIntoOutput(model);
    model.drawnSymbol = encodeSymbol(*symbologyChoice(QStringLiteral("UPC-A")), model.codeText);
}

} // namespace DrawCommands
