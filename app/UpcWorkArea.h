#pragma once

#include "app/MessageBoxes.h"
#include "render/DrawingSurface.h"
#include "render/modUPC.h"

#include <QString>

// The controls of the main window that the UPC-A renderer works with, off screen.
struct UpcWorkArea : modUPC::DigitCaptions {
    UpcWorkArea();

    DrawingSurface picUPC;  // 129 x 65 pixels, white, pixels, keeps its drawing
    DrawingSurface picUPCy; // a blank white background picture
    QString txtUPC = QStringLiteral("972526002361");
    QString caption; // the main window's caption: the title of the renderer's message
    MessageBoxes* messages = nullptr;
};

namespace modUPC {

// Draws the code text on picUPC; an empty txtUPC draws nothing but a message, and puts an
// example number in its place.
void DrawUPCA(const QString& codeText, UpcWorkArea& form);

} // namespace modUPC
