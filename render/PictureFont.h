#pragma once

#include <QStringList>

class QFont;

// A picture's font as the surfaces keep it, without Qt Gui: the families tried in order, the
// size in points and the weight (400 regular, 700 bold), on top of the sans-serif style.
struct PictureFont {
    QStringList families;
    double pointSize;
    int weight = 400;
    bool operator==(const PictureFont&) const = default;
};

// The font pictures use unless given one: the desktop's sans-serif face at 8.25 points, the
// classic dialog size. Fixed here so that the window and the command line draw alike.
inline PictureFont pictureFont() {
    return {{QStringLiteral("DejaVu Sans")}, 8.25};
}
QFont defaultPictureFont();
// The QFont of a picture font (Qt Gui).
QFont qFontOf(const PictureFont& font);
