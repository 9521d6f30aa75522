#pragma once

#include "render/Geometry.h"
#include "render/PixelSource.h"
#include "render/Raster.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <span>

class QFont;
class QImage;
class SurfaceText;

// A raster picture that renderers draw on, behaving like a classic picture box: an outer size
// in twips, its own scale (twips or pixels), a background colour, a background picture, a
// persistent image that keeps all drawing, a text cursor and one-pixel lines.
// There is no border: the drawing area is the whole outer size.
// Bars need nothing but Qt Core; text and QImage pictures need Qt Gui, which the library
// "render" brings (DrawingSurfaceText.cpp) and a program drawing bars alone does without.
class DrawingSurface : public PixelSource {
  public:
    enum ScaleModeUnit : short { Twips = 1, Pixels = 3 };

    DrawingSurface(double widthTwips, double heightTwips, Colour backColour = kWhite);

    // Outer size in twips; a resize keeps the drawing and shows the background in added area.
    double Width() const { return widthTwips_; }
    double Height() const { return heightTwips_; }
    void setWidth(double twips);
    void setHeight(double twips);
    int pixelWidth() const { return image_.width(); }
    int pixelHeight() const { return image_.height(); }

    short ScaleMode() const { return scaleMode_; }
    void setScaleMode(short mode);

    Colour BackColor() const { return backColour_; }
    void setBackColor(Colour colour); // fills the surface, erasing all drawing
    Colour ForeColor() const { return foreColour_; }
    void setForeColor(Colour colour) { foreColour_ = colour; }

    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    // The background picture; a null picture is "nothing". Setting it redraws the surface as
    // the background colour with the picture at the top-left corner.
    QImage Picture() const;
    void setPicture(const QImage& picture);
    void setPicture(const Raster& picture);
    // The persistent image: everything drawn so far.
    QImage Image() const;
    const Raster& pixels() const { return image_; }

    const QFont& Font() const;
    void setFont(const QFont& font);
    void setFont(const PictureFont& font);

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void setCurrentX(double x) { currentX_ = x; }
    void setCurrentY(double y) { currentY_ = y; }

    // Vertical one-pixel lines side by side, one per colour, the first at x and each next one
    // a scale unit to the right, all from y1 towards y2; like the platform's line drawing, the
    // end row itself is not drawn. Whatever lies outside the surface is clipped.
    void VerticalLines(double x, double y1, double y2, std::span<const Colour> colours);
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;
    // Prints at (CurrentX, CurrentY), top-left, then moves to the start of the next line.
    void Print(const QString& text);
    void Cls();
    Colour Point(int x, int y) const override;
    void pointsAlongRow(int x, int y, std::span<Colour> colours) const override;

    // Cls, then a stretching copy: the source rectangle of the picture onto the destination
    // rectangle, both in this surface's scale, sampled nearest-neighbour so colours stay
    // exact; what the copy covers is written once, not erased first.
    void ClsAndPaintPicture(const QImage& picture, double x1, double y1, double width1,
                            double height1, double x2, double y2, double width2, double height2);
    void ClsAndPaintPicture(const Raster& picture, double x1, double y1, double width1,
                            double height1, double x2, double y2, double width2, double height2);
    // Placement at natural size with the top-left corner at (x, y).
    void PaintPicture(const QImage& picture, double x, double y);

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
    Colour backColour_;
    // The colour every pixel has while nothing but erasing happened since; nothing otherwise.
    std::optional<QRgb> plainColour_;
    Colour foreColour_ = kBlack;
    short scaleMode_ = Twips;
    bool autoRedraw_ = false;
    bool autoSize_ = false;
    double currentX_ = 0;
    double currentY_ = 0;
    PictureFont font_ = pictureFont();
    // Shared by copies of the surface, which draw in the same font; a new font makes its own.
    mutable std::shared_ptr<SurfaceText> text_;
};
