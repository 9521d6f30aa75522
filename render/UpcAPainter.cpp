#include "render/UpcAPainter.h"

#include "render/LinearRender.h"
#include "symbology/DigitCode.h"
#include "symbology/SymbologyTables.h"
#include "symbology/UpcA.h"

#include <array>

namespace UpcAPainter {
namespace {

enum class Half { Left, Right };

// Where each of the twelve digits goes: its caption (L or R with an index), the text position
// and the first of its seven module columns.
struct DigitPlace {
    Half half;
    int label;
    int textX;
    int firstColumn;
};

constexpr int kTop = 6;
constexpr int kTextY = 42;
constexpr int kBottom = 42;
constexpr int kLongBottom = 50;
constexpr int kFirstColumn = 20; // the column of the first module
constexpr int kModulesPerDigit = 7;

constexpr std::array<DigitPlace, 12> kLayout = {{
    {Half::Left, 0, 10, 23},
    {Half::Left, 1, 32, 30},
    {Half::Left, 2, 38, 37},
    {Half::Left, 3, 44, 44},
    {Half::Left, 4, 50, 51},
    {Half::Left, 5, 56, 58},
    {Half::Right, 0, 71, 70},
    {Half::Right, 1, 78, 77},
    {Half::Right, 2, 84, 84},
    {Half::Right, 3, 90, 91},
    {Half::Right, 4, 96, 98},
    {Half::Right, 5, 118, 105},
}};

template <typename Captions> auto& captionOf(Captions& captions, const DigitPlace& place) {
    return place.half == Half::Left ? captions.L[place.label] : captions.R[place.label];
}

bool isDigit(const QString& caption) {
    return caption.size() == 1 && DigitCode::isDigit(caption[0]);
}

void fillCaptions(const QString& codeText, DigitCaptions& captions) {
    for (qsizetype n = 1; n <= qsizetype(kLayout.size()); ++n)
        captionOf(captions, kLayout[n - 1]) = UpcA::digitOf(codeText, n);
}

// The captions as a code text. Drawing stops at the first caption that is no digit, before its
// modules; it and the digits after it stand in as "0" only so the symbol can be built.
QString drawableDigits(const DigitCaptions& captions) {
    QString digits;
    for (const DigitPlace& place : kLayout) {
        const QString& caption = captionOf(captions, place);
        if (!isDigit(caption)) return digits.leftJustified(kLayout.size(), u'0');
        digits += caption;
    }
    return digits;
}

void drawColumns(DrawingSurface& picture, const Symbol& symbol, int first, int end) {
    drawModuleBars(picture, symbol, first, end, kFirstColumn + first, kTop, kBottom, kLongBottom);
}

void drawDigit(DrawingSurface& picture, const Symbol& symbol, const DigitPlace& place,
               const QString& caption) {
    picture.setTextX(place.textX);
    picture.setTextY(kTextY);
    picture.printText(caption);
    UpcA::digitValue(caption);
    const int first = place.firstColumn - kFirstColumn;
    drawColumns(picture, symbol, first, first + kModulesPerDigit);
}

// Left, centre and right guards, drawn after the digits in this order.
constexpr std::array<ModuleRange, 3> kGuardModules = {{
    {0, int(SymbologyTables::kEanEdgeGuard.size())},
    {45, 45 + int(SymbologyTables::kEanCentreGuard.size())},
    {95 - int(SymbologyTables::kEanEdgeGuard.size()), 95},
}};

} // namespace

void paint(const QString& codeText, DrawingSurface& picture, const DrawingSurface& background,
           DigitCaptions& captions) {
    fillCaptions(codeText, captions);
    const Symbol symbol = UpcA::encode(drawableDigits(captions));
    picture.setBackgroundPicture(background.pixels());
    for (const DigitPlace& place : kLayout)
        drawDigit(picture, symbol, place, captionOf(captions, place));
    // The guards: the modules no digit covers, left to right, over any digit printed there.
    for (const ModuleRange& guard : kGuardModules)
        drawColumns(picture, symbol, guard.first, guard.end);
    picture.setBackgroundPicture(picture.pixels());
}

} // namespace UpcAPainter
