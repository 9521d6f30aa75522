#pragma once

#include "app/MessageBoxes.h"
#include "render/DrawingSurface.h"
#include "render/UpcAPainter.h"

#include <QString>

// The controls of the main window that the UPC-A renderer works with, off screen.
struct UpcWorkArea : UpcAPainter::DigitCaptions {
    explicit UpcWorkArea(const TextEngine* text = &qtTextEngine());

    DrawingSurface upcPicture;   // 129 x 65 pixels, white, pixels, keeps its drawing
    DrawingSurface blankPicture; // a blank white background picture
    QString upcText = QStringLiteral("972526002361");
    QString caption; // the main window's caption: the title of the renderer's message
    MessageBoxes* messages = nullptr;
};

// Draws the code text on upcPicture; an empty upcText draws nothing but a message, and puts an
// example number in its place.
void drawInWorkArea(const QString& codeText, UpcWorkArea& area);
