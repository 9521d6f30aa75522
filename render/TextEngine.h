#pragma once

#include "render/PictureFont.h"
#include "render/Raster.h"

#include <QString>

#include <memory>

// Measuring and printing text in one picture font, in pixels.
class SurfaceText {
  public:
    virtual ~SurfaceText() = default;
    virtual int width(const QString& text) const = 0;
    virtual int height() const = 0;
    // The text in the pen, its top-left corner at (left, top), on the picture.
    virtual void print(Raster& picture, long left, long top, Raster::Pixel pen,
                       const QString& text) = 0;
};

// What a surface measures and prints its text with. Glyphs need a font library, which a
// program drawing bars alone does without: it gives its surfaces no engine.
class TextEngine {
  public:
    virtual ~TextEngine() = default;
    virtual std::shared_ptr<SurfaceText> textIn(const PictureFont& font) const = 0;
};

// Qt Gui's engine, from the library "render"; naming it is what links Qt Gui's fonts.
const TextEngine& qtTextEngine();
