#include "RgbPng.h"

#include <png.h>
#include <zlib.h>

#include <vector>

namespace RgbPng {
namespace {

void append(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flush(png_structp) {}

// Kept apart from encode: after libpng's long jump back here only the file is looked at.
bool write(const Raster& picture, QSize dotsPerMeter, QByteArray& file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(picture.width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &file, append, flush);
    if (dotsPerMeter.width() > 0 && dotsPerMeter.height() > 0)
        png_set_pHYs(png, info, png_uint_32(dotsPerMeter.width()),
                     png_uint_32(dotsPerMeter.height()), PNG_RESOLUTION_METER);
    png_set_compression_level(png, 6);
    png_set_compression_strategy(png, Z_FILTERED);
    png_set_filter(png, 0, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH);
    png_set_IHDR(png, info, png_uint_32(picture.width()), png_uint_32(picture.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < picture.height(); ++y) {
        const Raster::Pixel* pixels = picture.constRow(y);
        for (int x = 0; x < picture.width(); ++x) {
            row[3 * size_t(x)] = png_byte(pixels[x] >> 16);
            row[3 * size_t(x) + 1] = png_byte(pixels[x] >> 8);
            row[3 * size_t(x) + 2] = png_byte(pixels[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::optional<QByteArray> encode(const Raster& picture, QSize dotsPerMeter) {
    if (picture.isNull()) return std::nullopt;
    QByteArray file;
    if (!write(picture, dotsPerMeter, file) || file.isEmpty()) return std::nullopt;
    return file;
}

} // namespace RgbPng
