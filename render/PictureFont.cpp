#include "render/PictureFont.h"

#include <QFont>

QFont defaultPictureFont() {
    const PictureFont picture = pictureFont();
    QFont font(picture.families.front());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(picture.pointSize);
    return font;
}

QFont qFontOf(const PictureFont& picture) {
    QFont font = defaultPictureFont();
    if (picture.families != pictureFont().families) font.setFamilies(picture.families);
    if (picture.pointSize != pictureFont().pointSize) font.setPointSizeF(picture.pointSize);
    if (picture.weight != pictureFont().weight) font.setWeight(QFont::Weight(picture.weight));
    return font;
}
