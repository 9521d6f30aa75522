#include "DrawCommands.h"

#include "Code128.h"
#include "Code39.h"
#include "DigitCode.h"
#include "EAN13and8.h"

#include <array>
#include <utility>

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
    model.picout.Cls();
    const QImage work = model.pictmp.Image();
    model.stretchedRegion = QSizeF(outputWidthTwips(model), outputHeightTwips(model));
    model.picout.PaintPicture(work, 0, 0, model.stretchedRegion->width(),
                              model.stretchedRegion->height(), 0, 0, model.pictmp.Width(),
                              model.pictmp.Height());
}

// The frame every linear symbology shares: clear, render, stretch.
template <typename Render> void drawFrame(DrawModel& model, Render render) {
    model.pictmp.Cls();
    render(model.pictmp, model.txtcode);
    stretchIntoOutput(model);
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

// Dispatch order: the first equal name wins.
const std::array<std::pair<const char*, Command>, 7> kDispatch = {{
    {"UPC-A", Command7_Click},
    {"39/n", Command1_Click},
    {"39/c", Command2_Click},
    {"128/n", Command4_Click},
    {"128/c", Command3_Click},
    {"EAN13", Command5_Click},
    {"EAN8", Command6_Click},
}};

} // namespace

const QStringList& symbologyNames() {
    static const QStringList names = {"UPC-A", "39/n", "39/c", "128/n", "128/c", "EAN13", "EAN8"};
    return names;
}

Command commandFor(const QString& typeText) {
    for (const auto& [name, command] : kDispatch)
        if (typeText == QLatin1String(name)) return command;
    return nullptr;
}

double outputWidthTwips(const DrawModel& model) {
    return sliderShare(model.sldwidthValue, DrawModel::kWidthMax, model.picout.Width());
}

double outputHeightTwips(const DrawModel& model) {
    return sliderShare(model.sldheightValue, DrawModel::kHeightMax, model.picout.Height());
}

void Command1_Click(DrawModel& model) {
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        Code39::DrawCode39(s, kHeightUnits, t, false, false);
    });
}

void Command2_Click(DrawModel& model) {
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        Code39::DrawCode39(s, kHeightUnits, t, false, true);
    });
}

void Command3_Click(DrawModel& model) {
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        Code128::DrawCode128(s, kHeightUnits, t, true);
    });
}

void Command4_Click(DrawModel& model) {
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        Code128::DrawCode128(s, kHeightUnits, t, false);
    });
}

void Command5_Click(DrawModel& model) {
    if (!acceptDigits(model, QStringLiteral("EAN13"), 12)) return;
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        EAN13and8::DrawEAN13(s, kHeightUnits, t, false);
    });
}

void Command6_Click(DrawModel& model) {
    if (!acceptDigits(model, QStringLiteral("EAN8"), 7)) return;
    drawFrame(model, [](DrawingSurface& s, const QString& t) {
        EAN13and8::DrawEAN8(s, kHeightUnits, t, false);
    });
}

void Command7_Click(DrawModel& model) {
    if (!acceptDigits(model, QStringLiteral("UPC"), 12)) return;
    UpcWorkArea& upc = model.upc;
    model.pictmp.Cls();
    upc.picUPC.setPicture(QImage());
    upc.picUPC.Cls();
    upc.txtUPC = model.txtcode;
    upc.L.fill(QStringLiteral("0"));
    upc.R.fill(QStringLiteral("0"));
    modUPC::DrawUPCA(upc.txtUPC, upc);
    // The work picture takes the UPC-A picture's size, so every UPC-A fills the slider
    // rectangle alike, whatever the previous render left behind.
    model.pictmp.setWidth(upc.picUPC.Width());
    model.pictmp.setHeight(upc.picUPC.Height());
    model.pictmp.setPicture(upc.picUPC.Image());
    stretchIntoOutput(model);
}

} // namespace DrawCommands
