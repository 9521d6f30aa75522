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

UpcWorkArea::UpcWorkArea(const TextEngine* text)
    : upcPicture(1935, 975, kWhite, text), blankPicture(2055, 1095, kWhite, text) {
    upcPicture.setPaper(kWhite);
    upcPicture.setUnits(DrawingSurface::Unit::Pixels);
    upcPicture.setKeepsDrawing(true);
    upcPicture.setFont(upcFont());
    blankPicture.setPaper(kWhite);
    blankPicture.setUnits(DrawingSurface::Unit::Pixels);
    L.fill(QStringLiteral("0"));
    R.fill(QStringLiteral("0"));
}

void drawInWorkArea(const QString& codeText, UpcWorkArea& area) {
    area.L.fill(QString());
    area.R.fill(QString());
    area.upcPicture.clear();
    if (area.upcText.isEmpty()) {
        if (area.messages)
            area.messages->show(
                QStringLiteral("You must enter a minimum 12 digit number to complete the  \r\n"
                               "barcode example properly. Any length over 12 digits will  \r\n"
                               "be ignored."),
                area.caption, MessageIcon::Critical);
        area.upcText = QStringLiteral("097363395843");
        return;
    }
    UpcAPainter::paint(codeText, area.upcPicture, area.blankPicture, area);
}
