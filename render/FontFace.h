#pragma once

#include "render/Raster.h"

#include <QString>

#include <memory>

// The picture font's face (DejaVu Sans, which the package depends on) at one pixel size, read
// with FreeType straight from its file: a program that prints a few digits under its bars
// starts no font configuration. Texts come out as Qt prints the picture font without
// smoothing, pixel for pixel: its f ligatures, advances unhinted and kerned, the line's ascent
// from the font's design, each glyph hinted for black and white and put at the whole pixel
// left of its pen.
// Lengths are in 64ths of a pixel. Safe to use from several threads.
class FontFace {
  public:
    // The face at the size, made once; nothing when the font's file cannot be read.
    static std::shared_ptr<const FontFace> pictureFace(double pixelSize);

    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Whether every character of the text has a glyph in the face. Qt would find another font
    // for one that has none: that takes the font configuration.
    bool covers(const QString& text) const;
    long advance(const QString& text) const;
    long ascent() const { return ascent_; }
    long descent() const { return descent_; }

    // The picture's pixels inside a rectangle, in whole pixels.
    struct Clip {
        long left, top, right, bottom; // right and bottom outside
    };
    // Prints the text in the pen, its pen starting at `x` on the baseline at `baseline`.
    void print(Raster& picture, const QString& text, long x, long baseline, Raster::Pixel pen,
               const Clip& clip) const;

  private:
    struct State;
    explicit FontFace(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
    long ascent_ = 0;
    long descent_ = 0;
};
