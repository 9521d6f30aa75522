#include "render/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <QList>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace {

// FreeType's calls, from the library loaded when a face is first made: the program's start and
// its draws without text do without it and the libraries it needs in turn.
struct FreeTypeCalls {
    decltype(&FT_Init_FreeType) initFreeType = nullptr;
    decltype(&FT_Done_FreeType) doneFreeType = nullptr;
    decltype(&FT_New_Face) newFace = nullptr;
    decltype(&FT_Done_Face) doneFace = nullptr;
    decltype(&FT_Set_Char_Size) setCharSize = nullptr;
    decltype(&FT_Get_Char_Index) charIndex = nullptr;
    decltype(&FT_Load_Glyph) loadGlyph = nullptr;
    decltype(&FT_Render_Glyph) renderGlyph = nullptr;
    decltype(&FT_Get_Kerning) kerning = nullptr;

    // Loads them, all or none.
    bool load() {
        void* library = ::dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!library) return false;
        const auto call = [&](auto& to, const char* name) {
            to = reinterpret_cast<std::remove_reference_t<decltype(to)>>(::dlsym(library, name));
            return to != nullptr;
        };
        return call(initFreeType, "FT_Init_FreeType") && call(doneFreeType, "FT_Done_FreeType") &&
               call(newFace, "FT_New_Face") && call(doneFace, "FT_Done_Face") &&
               call(setCharSize, "FT_Set_Char_Size") && call(charIndex, "FT_Get_Char_Index") &&
               call(loadGlyph, "FT_Load_Glyph") && call(renderGlyph, "FT_Render_Glyph") &&
               call(kerning, "FT_Get_Kerning");
    }
};

// Set before the first face is made, never changed after.
FreeTypeCalls freeType;

// The text's characters with the f ligatures in place of their letters, as Qt's shaping puts
// the face's ligature glyphs there, the longest first: ffi, ffl, ff, fi, fl. The face has no
// other ligature.
std::u32string withLigatures(const QString& text) {
    static constexpr struct {
        std::u32string_view letters;
        char32_t ligature;
    } kLigatures[] = {{U"ffi", U'\uFB03'},
                      {U"ffl", U'\uFB04'},
                      {U"ff", U'\uFB00'},
                      {U"fi", U'\uFB01'},
                      {U"fl", U'\uFB02'}};
    const QList<uint> characters = text.toUcs4();
    const std::u32string all(characters.cbegin(), characters.cend());
    std::u32string shaped;
    for (size_t i = 0; i < all.size();) {
        const auto* found =
            std::find_if(std::begin(kLigatures), std::end(kLigatures), [&](const auto& ligature) {
                return std::u32string_view(all).substr(i).starts_with(ligature.letters);
            });
        const bool joined = found != std::end(kLigatures);
        shaped += joined ? found->ligature : all[i];
        i += joined ? found->letters.size() : 1;
    }
    return shaped;
}

// A glyph's black pixels, one byte each, and how far it moves the pen.
struct RenderedGlyph {
    FT_UInt index = 0;
    int left = 0, top = 0; // of its pixels, from the pen on the baseline (top upwards)
    int width = 0, rows = 0;
    std::vector<std::uint8_t> black;
    long advance = 0;
};

} // namespace

struct FontFace::State {
    FT_Face face = nullptr;
    long size = 0;            // in 64ths of a pixel
    mutable std::mutex mutex; // FreeType's faces are not to be used by two threads at once
    mutable std::unordered_map<char32_t, RenderedGlyph> glyphs;

    ~State() {
        if (face) freeType.doneFace(face);
    }

    // The glyph of the character, rendered when first asked for; the caller holds the mutex.
    const RenderedGlyph& glyph(char32_t character) const {
        const auto found = glyphs.find(character);
        if (found != glyphs.end()) return found->second;
        RenderedGlyph made;
        made.index = freeType.charIndex(face, character);
        if (freeType.loadGlyph(face, made.index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
            // Qt lays the picture font out with its design advances: unhinted, in 16.16.
            made.advance = face->glyph->linearHoriAdvance >> 10;
            if (freeType.renderGlyph(face->glyph, FT_RENDER_MODE_MONO) == 0) {
                const FT_Bitmap& bitmap = face->glyph->bitmap;
                made.left = face->glyph->bitmap_left;
                made.top = face->glyph->bitmap_top;
                made.width = static_cast<int>(bitmap.width);
                made.rows = static_cast<int>(bitmap.rows);
                made.black.resize(size_t(made.width) * size_t(made.rows));
                for (int r = 0; r < made.rows; ++r)
                    for (int c = 0; c < made.width; ++c)
                        made.black[size_t(r) * size_t(made.width) + size_t(c)] =
                            (bitmap.buffer[r * bitmap.pitch + c / 8] >> (7 - c % 8)) & 1;
            }
        }
        return glyphs.emplace(character, std::move(made)).first->second;
    }

    // Kerned as HarfBuzz kerns for Qt: the pair's value in font units scaled to 64ths of a
    // pixel, halves rounded up.
    long kerning(const RenderedGlyph& left, const RenderedGlyph& right) const {
        FT_Vector kern{};
        if (!FT_HAS_KERNING(face) ||
            freeType.kerning(face, left.index, right.index, FT_KERNING_UNSCALED, &kern) != 0)
            return 0;
        const std::int64_t perUnit = (std::int64_t(size) << 16) / face->units_per_EM;
        return static_cast<long>((kern.x * perUnit + 32768) >> 16);
    }

    // Calls `place` with each glyph and its pen position from `x`, kerned.
    template <typename Place> long layOut(const QString& text, long x, Place place) const {
        const RenderedGlyph* previous = nullptr;
        for (const char32_t character : withLigatures(text)) {
            const RenderedGlyph& current = glyph(character);
            if (previous) x += previous->advance + kerning(*previous, current);
            place(current, x);
            previous = &current;
        }
        return previous ? x + previous->advance : x;
    }
};

namespace {

// Where the package's font lies, as the font configuration of the machine it was built on
// found it.
const char* const kPictureFontFile = BARCODE_DESK_PICTURE_FONT_FILE;

// The FreeType library and the faces made from it, freed in that order at exit.
struct Faces {
    std::mutex mutex;
    FT_Library library = nullptr;
    bool tried = false;
    std::map<long, std::shared_ptr<const FontFace>> bySize; // in 64ths of a pixel
    ~Faces() {
        bySize.clear();
        if (library) freeType.doneFreeType(library);
    }
};

Faces& faces() {
    static Faces all;
    return all;
}

long inSixtyFourths(double pixels) {
    return std::lround(pixels * 64);
}

} // namespace

FontFace::FontFace(std::unique_ptr<State> state) : state_(std::move(state)) {}

FontFace::~FontFace() = default;

std::shared_ptr<const FontFace> FontFace::pictureFace(double pixelSize) {
    Faces& all = faces();
    const std::lock_guard lock(all.mutex);
    const long size = inSixtyFourths(pixelSize);
    if (const auto found = all.bySize.find(size); found != all.bySize.end()) return found->second;
    if (!all.tried) {
        all.tried = true;
        if (!freeType.load() || freeType.initFreeType(&all.library) != 0) all.library = nullptr;
    }
    std::shared_ptr<const FontFace> made;
    auto state = std::make_unique<State>();
    if (all.library && size > 0 &&
        freeType.newFace(all.library, kPictureFontFile, 0, &state->face) == 0 &&
        FT_IS_SCALABLE(state->face) && freeType.setCharSize(state->face, 0, size, 72, 72) == 0) {
        state->size = size;
        auto face = std::shared_ptr<FontFace>(new FontFace(std::move(state)));
        // Qt takes the line's ascent and descent from the font's design.
        const FT_Face ft = face->state_->face;
        face->ascent_ = std::lround(double(ft->ascender) * double(size) / ft->units_per_EM);
        face->descent_ = std::lround(-double(ft->descender) * double(size) / ft->units_per_EM);
        made = std::move(face);
    }
    all.bySize.emplace(size, made);
    return made;
}

bool FontFace::covers(const QString& text) const {
    const std::u32string characters = withLigatures(text);
    const std::lock_guard lock(state_->mutex);
    return std::all_of(characters.cbegin(), characters.cend(),
                       [&](char32_t character) { return state_->glyph(character).index != 0; });
}

long FontFace::advance(const QString& text) const {
    const std::lock_guard lock(state_->mutex);
    return state_->layOut(text, 0, [](const RenderedGlyph&, long) {});
}

void FontFace::print(Raster& picture, const QString& text, long x, long baseline, Raster::Pixel pen,
                     const Clip& clip) const {
    const long left = std::max(clip.left, 0L), top = std::max(clip.top, 0L);
    const long right = std::min<long>(clip.right, picture.width());
    const long bottom = std::min<long>(clip.bottom, picture.height());
    if (left >= right || top >= bottom) return;
    // Glyphs stand on the nearest whole pixel row, at the whole pixel left of their pen.
    const long baselineRow = (baseline + 32) >> 6;
    const std::lock_guard lock(state_->mutex);
    state_->layOut(text, x, [&](const RenderedGlyph& glyph, long penX) {
        const long x0 = (penX >> 6) + glyph.left, y0 = baselineRow - glyph.top;
        for (int r = 0; r < glyph.rows; ++r) {
            const long y = y0 + r;
            if (y < top || y >= bottom) continue;
            Raster::Pixel* row = picture.row(static_cast<int>(y));
            const std::uint8_t* black = glyph.black.data() + size_t(r) * size_t(glyph.width);
            for (int c = 0; c < glyph.width; ++c) {
                const long px = x0 + c;
                if (black[c] && px >= left && px < right) row[px] = pen;
            }
        }
    });
}
