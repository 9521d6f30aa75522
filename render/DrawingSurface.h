#pragma once

#include "render/Geometry.h"
#include "render/PixelSource.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>
#include <span>

// A raster picture that renderers draw on, behaving like a classic picture box: an outer size
// in twips, its own scale (twips or pixels), a background colour, a background picture, a
// persistent image that keeps all drawing, a text cursor and one-pixel lines.
// There is no border: the drawing area is the whole outer size.
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

    // The background picture; a null image is "nothing". Setting it redraws the surface as the
    // background colour with the picture at the top-left corner.
    const QImage& Picture() const { return picture_; }
    void setPicture(const QImage& picture);
    // The persistent image: everything drawn so far.
    const QImage& Image() const { return image_; }

    const QFont& Font() const { return font_; }
    void setFont(const QFont& font);

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void setCurrentX(double x) { currentX_ = x; }
    void setCurrentY(double y) { currentY_ = y; }

    // A one-pixel line; like the platform's line drawing, the end point itself is not drawn.
    // Whatever lies outside the surface is clipped.
    void Line(double x1, double y1, double x2, double y2, Colour colour);
    // Vertical lines side by side, one per colour, the first at x and each next one a scale
    // unit to the right, all from y1 towards y2: the same pixels and count as as many Line
    // calls, drawn a row at a time.
    void VerticalLines(double x, double y1, double y2, std::span<const Colour> colours);
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;
    // Prints at (CurrentX, CurrentY), top-left, then moves to the start of the next line.
    void Print(const QString& text);
    void Cls();
    Colour Point(int x, int y) const override;
    void pointsAlongRow(int x, int y, std::span<Colour> colours) const override;

    // Stretching copy: the source rectangle of the picture onto the destination rectangle,
    // both in this surface's scale, sampled nearest-neighbour so colours stay exact.
    void PaintPicture(const QImage& picture, double x1, double y1, double width1, double height1,
                      double x2, double y2, double width2, double height2);
    // Cls, then the stretching copy; what the copy covers is written once, not erased first.
    void ClsAndPaintPicture(const QImage& picture, double x1, double y1, double width1,
                            double height1, double x2, double y2, double width2, double height2);
    // Placement at natural size with the top-left corner at (x, y).
    void PaintPicture(const QImage& picture, double x, double y);

    // How many lines and texts went onto the surface since the last Cls or BackColor.
    int linesDrawn() const { return linesDrawn_; }
    int textsPrinted() const { return textsPrinted_; }

  private:
    double toPixels(double scaleUnits) const;
    long long pixelOf(double scaleUnits) const;
    double toScale(double pixels) const;
    void resizePixels(int width, int height);
    void erase();
    void resetCounters();
    void setPixel(int x, int y, QRgb rgb);
    void paintStretched(const QImage& picture, const QRectF& to, const QRectF& from,
                        bool eraseTheRest);

    double widthTwips_;
    double heightTwips_;
    QImage image_;
    QImage picture_;
    Colour backColour_;
    // The colour every pixel has while nothing but erasing happened since; nothing otherwise.
    std::optional<QRgb> plainColour_;
    Colour foreColour_ = kBlack;
    short scaleMode_ = Twips;
    bool autoRedraw_ = false;
    bool autoSize_ = false;
    double currentX_ = 0;
    double currentY_ = 0;
    QFont font_ = defaultPictureFont();
    // The font as text is drawn: without smoothing, so that pictures stay black and white.
    // Kept, not made per text: a new font looks its glyphs up anew.
    QFont drawingFont_;
    mutable std::optional<QFontMetrics> drawingMetrics_; // made when first asked for
    const QFontMetrics& drawingMetrics() const;

    // A printed text's pixels in its pen, with a margin around the text's box.
    struct TextStamp {
        QImage pixels;
        int margin;
        QRgb pen;
    };
    static constexpr qsizetype kStampsKept = 64;
    QHash<QString, TextStamp> stamps_; // for the drawing font
    const TextStamp* textStamp(const QString& text);
    void stampText(const TextStamp& stamp, long left, long top);
    int linesDrawn_ = 0;
    int textsPrinted_ = 0;
};
