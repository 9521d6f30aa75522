#include "DrawCommands.h"

#include "Code39.h"

#include <array>
#include <utility>

namespace {

constexpr std::int16_t kHeightUnits = 10;

} // namespace

DrawModel::DrawModel() : pictmp(6015, 2775), picout(6375, 2655) {}

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
    model.picout.PaintPicture(work, 0, 0, outputWidthTwips(model), outputHeightTwips(model), 0, 0,
                              model.pictmp.Width(), model.pictmp.Height());
}

void drawCode39(DrawModel& model, bool caption) {
    model.pictmp.Cls();
    Code39::DrawCode39(model.pictmp, kHeightUnits, model.txtcode, false, caption);
    stretchIntoOutput(model);
}

// Dispatch order: the first equal name wins.
const std::array<std::pair<const char*, Command>, 2> kDispatch = {{
    {"39/n", Command1_Click},
    {"39/c", Command2_Click},
}};

} // namespace

const QStringList& symbologyNames() {
    static const QStringList names = {QStringLiteral("39/n"), QStringLiteral("39/c")};
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

void Command1_Click(DrawModel& model) { drawCode39(model, false); }
void Command2_Click(DrawModel& model) { drawCode39(model, true); }

} // namespace DrawCommands
