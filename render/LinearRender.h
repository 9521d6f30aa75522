#pragma once

#include "render/DrawingSurface.h"
#include "symbology/Symbol.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// The symbol's modules from `first` to `end` as one-pixel bars, module `first` at column x, from
// `top` down to `bottom`, or to `longBottom` for long modules: a run of equally long modules
// at a time, black for "1", white for "0".
void drawModuleBars(DrawingSurface& surface, const Symbol& symbol, int first, int end, int x,
                    int top, int bottom, int longBottom);

// What the Code 39, Code 128 and EAN renderers share while drawing one symbol: the surface,
// the code text, the bar geometry, the module counter and the caption flag, with the steps
// that all of them perform alike.
struct LinearRender {
    static constexpr int kTop = 10;

    LinearRender(DrawingSurface& surface, QString codeText, bool caption, int firstXPosition);

    // Height units are 16-bit and so is their product by ten; a larger product overflows.
    static int barHeightOf(std::int16_t heightUnits);

    // White background, pixels, persistent drawing, and the height: bars with a 10-pixel
    // margin above and below, or with the caption line and its gaps below them.
    void prepareSurface(int barHeightPixels);
    // One vertical line per module, black for "1", white for "0".
    void drawModules(QStringView modules);
    // Every module of the symbol, its long ones lengthened by the guard extension in pixels.
    void drawSymbol(const Symbol& symbol);
    // The code text centred on the band from x = 0 to x = x position + 20, 5 pixels under the bars.
    void printCaption();
    // The drawing becomes the surface's picture.
    void finish();

    DrawingSurface& surface;
    QString codeText;
    bool caption;
    int barHeight = 0;
    int top = kTop;
    int xPosition;
};
