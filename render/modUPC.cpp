#include "modUPC.h"

#include "RendererError.h"
#include "SymbologyTables.h"

#include <array>

namespace {

// The classic caption font where it is installed; elsewhere the picture font at the same size.
// The families are tried in order when text is first drawn, not looked up here.
QFont upcFont() {
    QFont font = defaultPictureFont();
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), font.family()});
    font.setPointSizeF(6.75);
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
// and the module columns. Digits 1 and 12 stand outside the guards and reach down as far.
struct DigitPlace {
    Half half;
    int label;
    int textX;
    int firstColumn;
    int bottom;
};

constexpr int kTop = 6;
constexpr int kTextY = 42;
constexpr int kGuardBottom = 50;

constexpr std::array<DigitPlace, 12> kLayout = {{
    {Half::Left, 0, 10, 23, 50},
    {Half::Left, 1, 32, 30, 42},
    {Half::Left, 2, 38, 37, 42},
    {Half::Left, 3, 44, 44, 42},
    {Half::Left, 4, 50, 51, 42},
    {Half::Left, 5, 56, 58, 42},
    {Half::Right, 0, 71, 70, 42},
    {Half::Right, 1, 78, 77, 42},
    {Half::Right, 2, 84, 84, 42},
    {Half::Right, 3, 90, 91, 42},
    {Half::Right, 4, 96, 98, 42},
    {Half::Right, 5, 118, 105, 50},
}};

struct GuardLine {
    int x;
    Colour colour;
};

// Left, centre and right guards, drawn after the digits in this order.
constexpr std::array<GuardLine, 11> kGuards = {{
    {20, kBlack},
    {21, kWhite},
    {22, kBlack},
    {65, kWhite},
    {66, kBlack},
    {67, kWhite},
    {68, kBlack},
    {69, kWhite},
    {112, kBlack},
    {113, kWhite},
    {114, kBlack},
}};

QString& captionOf(UpcWorkArea& form, const DigitPlace& place) {
    return place.half == Half::Left ? form.L[place.label] : form.R[place.label];
}

const SymbologyTables::DigitPatterns& tableOf(const DigitPlace& place) {
    return place.half == Half::Left ? SymbologyTables::kEanLeftOdd : SymbologyTables::kEanRight;
}

void showEmptyTextMessage(UpcWorkArea& form) {
    if (!form.messages) return;
    form.messages->show(
        QStringLiteral("You must enter a minimum 12 digit number to complete the  \r\n"
                       "barcode example properly. Any length over 12 digits will  \r\n"
                       "be ignored."),
        form.caption, MessageIcon::Critical);
}

// The whole-number conversion of a caption; captions hold one character at most, so only a
// single digit converts.
int captionValue(const QString& caption) {
    if (caption.size() != 1 || caption[0] < u'0' || caption[0] > u'9')
        throw RendererError::typeMismatch(kSource);
    return caption[0].unicode() - u'0';
}

// A text shorter than twelve repeats its last character; an empty one leaves empty captions.
void fillCaptions(const QString& codeText, UpcWorkArea& form) {
    for (qsizetype n = 1; n <= qsizetype(kLayout.size()); ++n)
        captionOf(form, kLayout[n - 1]) = codeText.left(n).right(1);
}

void drawDigit(DrawingSurface& picture, const DigitPlace& place, const QString& caption) {
    picture.setCurrentX(place.textX);
    picture.setCurrentY(kTextY);
    picture.Print(caption);
    const int digit = captionValue(caption);
    int x = place.firstColumn;
    for (const char module : tableOf(place)[digit]) {
        picture.Line(x, kTop, x, place.bottom, module == '1' ? kBlack : kWhite);
        ++x;
    }
}

} // namespace

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
    form.picUPC.setPicture(form.picUPCy.Image());
    for (const DigitPlace& place : kLayout)
        drawDigit(form.picUPC, place, captionOf(form, place));
    for (const GuardLine& guard : kGuards)
        form.picUPC.Line(guard.x, kTop, guard.x, kGuardBottom, guard.colour);
    form.picUPC.setPicture(form.picUPC.Image());
}

} // namespace modUPC
