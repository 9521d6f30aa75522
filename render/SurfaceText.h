#pragma once

#include "render/Geometry.h"
#include "render/Raster.h"

#include <QString>

class QFont;

// Measuring and printing text on a surface: fonts come from Qt Gui, which the surfaces' bar
// drawing does without. Made by the library "render" for a surface's font.
class SurfaceText {
  public:
    virtual ~SurfaceText() = default;
    virtual const QFont& font() const = 0;
    // In pixels.
    virtual int width(const QString& text) const = 0;
    virtual int height() const = 0;
    // The text in the pen, its top-left corner at (left, top), on the picture.
    virtual void print(Raster& picture, long left, long top, Raster::Pixel pen,
                       const QString& text) = 0;
};

// The text engine for a font; weak, so that a program linking only the bar drawing finds none
// (null) instead of loading Qt Gui. Programs linking "render" get it (its link option -u).
extern "C" [[gnu::weak]] SurfaceText* barcode_desk_surface_text(const PictureFont* font);
