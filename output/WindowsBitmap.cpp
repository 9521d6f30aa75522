#include "output/WindowsBitmap.h"

#include <cstdint>

namespace WindowsBitmap {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

void put16(QByteArray& out, int offset, std::uint16_t v) {
    out[offset] = static_cast<char>(v & 0xFF);
    out[offset + 1] = static_cast<char>(v >> 8);
}

void put32(QByteArray& out, int offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray encode(const Raster& picture, QSize dotsPerMeter) {
    const int width = picture.width(), height = picture.height();
    const int stride = (width * 3 + 3) & ~3;
    const int offset = kFileHeaderSize + kInfoHeaderSize;
    QByteArray out(offset + static_cast<qsizetype>(stride) * height, '\0');

    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, offset);
    put32(out, 14, kInfoHeaderSize);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);  // planes
    put16(out, 28, 24); // bits per pixel
    put32(out, 34, static_cast<std::uint32_t>(stride) * height);
    put32(out, 38, static_cast<std::uint32_t>(dotsPerMeter.width()));
    put32(out, 42, static_cast<std::uint32_t>(dotsPerMeter.height()));

    for (int y = 0; y < height; ++y) {
        const Raster::Pixel* line = picture.constRow(y);
        char* row = out.data() + offset + static_cast<qsizetype>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<char>(line[x] & 0xFF);
            row[3 * x + 1] = static_cast<char>((line[x] >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((line[x] >> 16) & 0xFF);
        }
    }
    return out;
}

} // namespace WindowsBitmap
