#include "render/FaceTextEngine.h"

#include "render/FontFace.h"
#include "render/Twips.h"

namespace {

// At the pictures' 96 dots per inch, as Qt sizes a font on them.
double pixelSizeOf(const PictureFont& font) {
    return font.pointSize * (Geometry::kTwipsPerInch / Geometry::kTwipsPerPixel) / 72.0;
}

// Qt rounds a line's measures to whole pixels, half a pixel up.
int wholePixels(long sixtyFourths) {
    return static_cast<int>((sixtyFourths + 32) >> 6);
}

class FaceSurfaceText : public SurfaceText {
  public:
    explicit FaceSurfaceText(std::shared_ptr<const FontFace> face) : face_(std::move(face)) {}

    int width(const QString& text) const override { return wholePixels(face_->advance(text)); }
    int height() const override { return wholePixels(face_->ascent() + face_->descent()); }

    void print(Raster& picture, long left, long top, Raster::Pixel pen,
               const QString& text) override {
        if (!face_->covers(text))
            throw FontUnavailable("the picture font's face has no glyph for a character");
        // The baseline lies the line's ascent, in whole pixels, under the top.
        face_->print(picture, text, left * 64, (top + wholePixels(face_->ascent())) * 64, pen,
                     {0, 0, picture.width(), picture.height()});
    }

  private:
    std::shared_ptr<const FontFace> face_;
};

class FaceTextEngine : public TextEngine {
  public:
    std::shared_ptr<SurfaceText> textIn(const PictureFont& font) const override {
        const PictureFont usual = pictureFont();
        if (font.families != usual.families || font.weight != usual.weight)
            throw FontUnavailable("only the picture font's face is at hand");
        auto face = FontFace::pictureFace(pixelSizeOf(font));
        if (!face) throw FontUnavailable("the picture font's file cannot be read");
        return std::make_shared<FaceSurfaceText>(std::move(face));
    }
};

} // namespace

const TextEngine& faceTextEngine() {
    static const FaceTextEngine engine;
    return engine;
}
