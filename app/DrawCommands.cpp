#include "app/DrawCommands.h"

#include "render/Code128.h"
#include "render/Code39.h"
#include "render/EAN13and8.h"
#include "symbology/DigitCode.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/Symbology.h"

namespace {

constexpr std::int16_t kHeightUnits = 10;

} // namespace

DrawModel::DrawModel() : pictmp(6015, 2775), picout(6375, 2655) {
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
    const Raster work = model.pictmp.pixels();
    model.stretchedRegion = QSizeF(outputWidthTwips(model), outputHeightTwips(model));
    model.picout.ClsAndPaintPicture(work, 0, 0, model.stretchedRegion->width(),
                                    model.stretchedRegion->height(), 0, 0, model.pictmp.Width(),
                                    model.pictmp.Height());
}

// The frame every linear symbology shares: clear, render, stretch.
template <typename Render> void drawFrame(DrawModel& model, const char* name, Render render) {
    model.drawnSymbol.reset();
    model.pictmp.Cls();
    render(model.pictmp, model.txtcode);
    stretchIntoOutput(model);
    model.drawnSymbol = encodeSymbol(*symbologyChoice(QLatin1String(name)), model.txtcode);
}

// The EAN and UPC-A commands take digits only, padded with "0"s or cut to their last digits.
// False when the text was refused (with a message); the command then draws nothing.
bool acceptDigits(DrawModel& model, const QString& name, int length) {
    if (!DigitCode::allDigits(model.txtcode)) {
        if (model.messages)
            model.messages->show(DigitCode::refusalMessage(name), DigitCode::kRefusalTitle,
                                 MessageIcon::Exclamation);
        return false;
    }
    model.txtcode = DigitCode::normalised(model.txtcode, length);
    return true;
}

Command commandOf(const SymbologyChoice& choice) {
    switch (choice.symbology) {
    case Symbology::Code39:
        return choice.caption ? Command2_Click : Command1_Click;
    case Symbology::Code128:
        return choice.caption ? Command3_Click : Command4_Click;
    case Symbology::Ean13:
        return Command5_Click;
    case Symbology::Ean8:
        return Command6_Click;
    case Symbology::UpcA:
        return Command7_Click;
    }
    return nullptr;
}

} // namespace

Command classicCommandFor(const QString& typeText) {
    const std::optional<SymbologyChoice> choice = symbologyChoice(typeText);
    return choice ? commandOf(*choice) : nullptr;
}

double outputWidthTwips(const DrawModel& model) {
    return sliderShare(model.sldwidthValue, DrawModel::kWidthMax, model.picout.Width());
}

double outputHeightTwips(const DrawModel& model) {
    return sliderShare(model.sldheightValue, DrawModel::kHeightMax, model.picout.Height());
}

void Command1_Click(DrawModel& model) {
    drawFrame(model, "39/n", [](DrawingSurface& s, const QString& t) {
        Code39::DrawCode39(s, kHeightUnits, t, false, false);
    });
}

void Command2_Click(DrawModel& model) {
    drawFrame(model, "39/c", [](DrawingSurface& s, const QString& t) {
        Code39::DrawCode39(s, kHeightUnits, t, false, true);
    });
}

void Command3_Click(DrawModel& model) {
    drawFrame(model, "128/c", [](DrawingSurface& s, const QString& t) {
        Code128::DrawCode128(s, kHeightUnits, t, true);
    });
}

void Command4_Click(DrawModel& model) {
    drawFrame(model, "128/n", [](DrawingSurface& s, const QString& t) {
        Code128::DrawCode128(s, kHeightUnits, t, false);
    });
}

bool acceptCodeText(DrawModel& model, Symbology symbology) {
    const int digits = factsOf(symbology).dataDigits;
    if (digits == 0) return true;
    // The refusal names the symbology as the classic window did.
    const QString name = symbology == Symbology::Ean13  ? QStringLiteral("EAN13")
                         : symbology == Symbology::Ean8 ? QStringLiteral("EAN8")
                                                        : QStringLiteral("UPC");
    return acceptDigits(model, name, digits);
}

void Command5_Click(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::Ean13)) return;
    drawFrame(model, "EAN13", [](DrawingSurface& s, const QString& t) {
        EAN13and8::DrawEAN13(s, kHeightUnits, t, false);
    });
}

void Command6_Click(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::Ean8)) return;
    drawFrame(model, "EAN8", [](DrawingSurface& s, const QString& t) {
        EAN13and8::DrawEAN8(s, kHeightUnits, t, false);
    });
}

void Command7_Click(DrawModel& model) {
    if (!acceptCodeText(model, Symbology::UpcA)) return;
    UpcWorkArea& upc = model.upc;
    model.drawnSymbol.reset();
    model.pictmp.Cls();
    upc.picUPC.setPicture(Raster());
    upc.picUPC.Cls();
    upc.txtUPC = model.txtcode;
    upc.L.fill(QStringLiteral("0"));
    upc.R.fill(QStringLiteral("0"));
    modUPC::DrawUPCA(upc.txtUPC, upc);
    // The work picture takes the UPC-A picture's size, so every UPC-A fills the slider
    // rectangle alike, whatever the previous render left behind.
    model.pictmp.setWidth(upc.picUPC.Width());
    model.pictmp.setHeight(upc.picUPC.Height());
    model.pictmp.setPicture(upc.picUPC.pixels());
    stretchIntoOutput(model);
    model.drawnSymbol = encodeSymbol(*symbologyChoice(QStringLiteral("UPC-A")), model.txtcode);
}

} // namespace DrawCommands
