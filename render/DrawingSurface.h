#pragma once

#include "render/Colour.h"
#include "render/PictureFont.h"
#include "render/PixelSource.h"
#include "render/Raster.h"
#include "render/TextEngine.h"
#include "render/Twips.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <span>

class QImage;

// A raster picture that renderers draw on: an outer size in twips, its own units (twips or
// pixels), a paper colour, a background picture, a persistent image that keeps all drawing,
// a text cursor and one-pixel lines.
// There is no border: the drawing area is the whole outer size.
// Bars need nothing but Qt Core; text needs the text engine the surface is made with, and
// QImage pictures need Qt Gui: the library "render" brings both (DrawingSurfaceText.cpp), and
// a program drawing bars alone does without, making its surfaces with no engine.
class DrawingSurface : public PixelSource {
  public:
    enum class Unit { Twips, Pixels };

    // Without an engine the surface draws bars only: measuring or printing text is a fault.
    DrawingSurface(double widthTwips, double heightTwips, Colour backColour = kWhite,
                   const TextEngine* text = &qtTextEngine());

    // Outer size in twips; a resize keeps the drawing and shows the background in added area.
    double widthTwips() const { return widthTwips_; }
    double heightTwips() const { return heightTwips_; }
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    int pixelWidth() const { return image_.width(); }
    int pixelHeight() const { return image_.height(); }

    // The units every position and size below is given in.
    Unit units() const { return units_; }
    void setUnits(Unit unit) { units_ = unit; }

    Colour paper() const { return paper_; }
    void setPaper(Colour colour); // fills the surface, erasing all drawing
    Colour ink() const { return ink_; }
    void setInk(Colour colour) { ink_ = colour; }

    bool keepsDrawing() const { return keepsDrawing_; }
    void setKeepsDrawing(bool on) { keepsDrawing_ = on; }
    bool fitsPicture() const { return fitsPicture_; }
    void setFitsPicture(bool on);

    // The background picture; a null picture is "nothing". Setting it redraws the surface as
    // the background colour with the picture at the top-left corner.
    QImage backgroundPicture() const;
    void setBackgroundPicture(const QImage& picture);
    void setBackgroundPicture(const Raster& picture);
    // The persistent image: everything drawn so far.
    QImage image() const;
    const Raster& pixels() const { return image_; }

    const PictureFont& font() const { return font_; }
    void setFont(const PictureFont& font);

    // The text cursor: where the next printText starts.
    double textX() const { return textX_; }
    double textY() const { return textY_; }
    void setTextX(double x) { textX_ = x; }
    void setTextY(double y) { textY_ = y; }

    // Vertical one-pixel lines side by side, one per colour, the first at x and each next one
    // a scale unit to the right, all from y1 towards y2; like the platform's line drawing, the
    // end row itself is not drawn. Whatever lies outside the surface is clipped.
    void verticalLines(double x, double y1, double y2, std::span<const Colour> colours);
    double textWidth(const QString& text) const;
    double textHeight(const QString& text) const;
    // Prints at (textX, textY), top-left, then moves to the start of the next line.
    void printText(const QString& text);
    void clear();
    Colour colourAt(int x, int y) const override;
    void pointsAlongRow(int x, int y, std::span<Colour> colours) const override;

    // Clears, then a stretching copy: the source rectangle of the picture onto the destination
    // rectangle, both in this surface's scale, sampled nearest-neighbour so colours stay
    // exact; what the copy covers is written once, not erased first.
    void clearAndDrawStretched(const QImage& picture, double x1, double y1, double width1,
                               double height1, double x2, double y2, double width2, double height2);
    void clearAndDrawStretched(const Raster& picture, double x1, double y1, double width1,
                               double height1, double x2, double y2, double width2, double height2);
    // Placement at natural size with the top-left corner at (x, y).
    void drawPicture(const QImage& picture, double x, double y);
    void drawPicture(const Raster& picture, double x, double y);

  private:
    double toPixels(double scaleUnits) const;
    long long pixelOf(double scaleUnits) const;
    double toScale(double pixels) const;
    void resizePixels(int width, int height);
    void erase();
    void paintStretched(const Raster& picture, const QRectF& to, const QRectF& from,
                        bool eraseTheRest);
    void place(const Raster& picture, double x, double y);
    // The text engine of the font, made when text is first measured or printed.
    SurfaceText& text() const;

    double widthTwips_;
    double heightTwips_;
    Raster image_;
    Raster picture_;
    Colour paper_;
    // The colour every pixel has while nothing but erasing happened since; nothing otherwise.
    std::optional<QRgb> plainColour_;
    Colour ink_ = kBlack;
    Unit units_ = Unit::Twips;
    bool keepsDrawing_ = false;
    bool fitsPicture_ = false;
    double textX_ = 0;
    double textY_ = 0;
    const TextEngine* engine_;
    PictureFont font_ = pictureFont();
    // Shared by copies of the surface, which draw in the same font; a new font makes its own.
    mutable std::shared_ptr<SurfaceText> text_;
};
