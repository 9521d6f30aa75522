#include "modUPC.h"

#include "LinearRender.h"
#include "RendererError.h"
#include "SymbologyTables.h"

#include <array>

namespace {

// The classic caption font where it is installed; elsewhere the picture font at the same size.
// The families are tried in order when text is first drawn, not looked up here.
PictureFont upcFont() {
    PictureFont font = pictureFont();
    font.families.prepend(QStringLiteral("Microsoft Sans Serif"));
    font.pointSize = 6.75;
    return font;
}

} // namespace

UpcWorkArea::UpcWorkArea() : picUPC(1935, 975), picUPCy(2055, 1095) {
    picUPC.setBackColor(kWhite);
    picUPC.setScaleMode(DrawingSurface::Pixels);
    picUPC.setAutoRedraw(true);
    picUPC.setFont(upcFont());
    picUPCy.setBackColor(kWhite);
    picUPCy.setScaleMode(DrawingSurface::Pixels);
    L.fill(QStringLiteral("0"));
    R.fill(QStringLiteral("0"));
}

namespace modUPC {
namespace {

const QString kSource = QStringLiteral("modUPC");

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

QString& captionOf(UpcWorkArea& form, const DigitPlace& place) {
    return place.half == Half::Left ? form.L[place.label] : form.R[place.label];
}

void showEmptyTextMessage(UpcWorkArea& form) {
    if (!form.messages) return;
    form.messages->show(
        QStringLiteral("You must enter a minimum 12 digit number to complete the  \r\n"
                       "barcode example properly. Any length over 12 digits will  \r\n"
                       "be ignored."),
        form.caption, MessageIcon::Critical);
}

bool isDigit(const QString& caption) {
    return caption.size() == 1 && caption[0] >= u'0' && caption[0] <= u'9';
}

// The whole-number conversion of a caption; captions hold one character at most, so only a
// single digit converts.
int captionValue(const QString& caption) {
    if (!isDigit(caption)) throw RendererError::typeMismatch(kSource);
    return caption[0].unicode() - u'0';
}

// Digit n of the text as the captions take it: a text shorter than twelve repeats its last
// character, an empty one gives empty captions.
QString digitOf(const QString& codeText, qsizetype n) {
    return codeText.left(n).right(1);
}

void fillCaptions(const QString& codeText, UpcWorkArea& form) {
    for (qsizetype n = 1; n <= qsizetype(kLayout.size()); ++n)
        captionOf(form, kLayout[n - 1]) = digitOf(codeText, n);
}

// The captions as a code text. Drawing stops at the first caption that is no digit, before its
// modules; it and the digits after it stand in as "0" only so the symbol can be built.
QString drawableDigits(const UpcWorkArea& form) {
    QString digits;
    for (const DigitPlace& place : kLayout) {
        const QString& caption =
            place.half == Half::Left ? form.L[place.label] : form.R[place.label];
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
    picture.setCurrentX(place.textX);
    picture.setCurrentY(kTextY);
    picture.Print(caption);
    captionValue(caption);
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

// The twelfth digit is the check digit as given, the way the window draws it.
Symbol EncodeUPCA(const QString& codeText) {
    Symbol symbol;
    const auto append = [&](std::string_view modules) {
        symbol.modules += QString::fromLatin1(modules);
    };
    append(SymbologyTables::kEanEdgeGuard);
    for (qsizetype n = 1; n <= 6; ++n)
        append(SymbologyTables::kEanLeftOdd[captionValue(digitOf(codeText, n))]);
    append(SymbologyTables::kEanCentreGuard);
    for (qsizetype n = 7; n <= 12; ++n)
        append(SymbologyTables::kEanRight[captionValue(digitOf(codeText, n))]);
    append(SymbologyTables::kEanEdgeGuard);
    // The guards, and digits 1 and 12 outside them, reach down as far as each other.
    symbol.longModules = {{0, 10}, {45, 50}, {85, 95}};
    QString digits;
    for (qsizetype n = 1; n <= 12; ++n)
        digits += digitOf(codeText, n);
    symbol.texts = {{digits.left(1), {-8, -1}},
                    {digits.mid(1, 5), {10, 45}},
                    {digits.mid(6, 5), {50, 85}},
                    {digits.right(1), {96, 103}}};
    symbol.setQuietZone(quietZoneOf(::Symbology::UpcA));
    symbol.barHeight = 69;
    return symbol;
}

void DrawUPCA(const QString& codeText, UpcWorkArea& form) {
    form.L.fill(QString());
    form.R.fill(QString());
    form.picUPC.Cls();
    if (form.txtUPC.isEmpty()) {
        showEmptyTextMessage(form);
        form.txtUPC = QStringLiteral("097363395843");
        return;
    }
    fillCaptions(codeText, form);
    const Symbol symbol = EncodeUPCA(drawableDigits(form));
    form.picUPC.setPicture(form.picUPCy.pixels());
    for (const DigitPlace& place : kLayout)
        drawDigit(form.picUPC, symbol, place, captionOf(form, place));
    // The guards: the modules no digit covers, left to right, over any digit printed there.
    for (const ModuleRange& guard : kGuardModules)
        drawColumns(form.picUPC, symbol, guard.first, guard.end);
    form.picUPC.setPicture(form.picUPC.pixels());
}

} // namespace modUPC
