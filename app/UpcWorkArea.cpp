#include "app/UpcWorkArea.h"

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

void DrawUPCA(const QString& codeText, UpcWorkArea& form) {
    form.L.fill(QString());
    form.R.fill(QString());
    form.picUPC.Cls();
    if (form.txtUPC.isEmpty()) {
        if (form.messages)
            form.messages->show(
                QStringLiteral("You must enter a minimum 12 digit number to complete the  \r\n"
                               "barcode example properly. Any length over 12 digits will  \r\n"
                               "be ignored."),
                form.caption, MessageIcon::Critical);
        form.txtUPC = QStringLiteral("097363395843");
        return;
    }
    PaintUPCA(codeText, form.picUPC, form.picUPCy, form);
}

} // namespace modUPC
