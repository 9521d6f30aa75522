#pragma once

#include "DrawingSurface.h"
#include "MessageBoxes.h"
#include "Symbol.h"

#include <QString>

#include <array>

// The controls of the main window that the UPC-A renderer works with, off screen.
struct UpcWorkArea {
    UpcWorkArea();

    DrawingSurface picUPC;    // 129 x 65 pixels, white, pixels, keeps its drawing
    DrawingSurface picUPCy;   // a blank white background picture
    std::array<QString, 6> L; // digits 1 to 6
    std::array<QString, 6> R; // digits 7 to 12
    QString txtUPC = QStringLiteral("972526002361");
    QString caption; // the main window's caption: the title of the renderer's message
    MessageBoxes* messages = nullptr;
};

// UPC-A: twelve digits at fixed places on picUPC, the twelfth drawn as given.
namespace modUPC {

// The symbol of twelve digits taken as DrawUPCA takes them; a non-digit among them is the
// conversion error drawing raises.
Symbol EncodeUPCA(const QString& codeText);

void DrawUPCA(const QString& codeText, UpcWorkArea& form);

} // namespace modUPC
