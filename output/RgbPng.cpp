#include "output/RgbPng.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace RgbPng {
namespace {

constexpr int kBytesPerPixel = 3;
// The image library wrote image data in chunks of this many bytes.
constexpr size_t kChunkBytes = 8192;

void put32(QByteArray& out, std::uint32_t v) {
    const std::array<char, 4> bytes = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(bytes.data(), 4);
}

void chunk(QByteArray& out, const char* type, const unsigned char* data, size_t size) {
    put32(out, std::uint32_t(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(reinterpret_cast<const char*>(data), qsizetype(size));
    put32(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start),
                                   uInt(size + 4))));
}

// How far a filtered byte is from zero, read as a signed byte: the measure the filter with
// the smallest sum over a row is chosen by.
unsigned distance(unsigned char v) {
    return v < 128 ? v : 256u - v;
}

// One row filtered as None, Sub or Paeth, whichever sums smallest (the earlier on a tie),
// after its filter type byte.
void filterRow(const unsigned char* row, const unsigned char* above, size_t bytes,
               unsigned char* out, std::vector<unsigned char>& sub,
               std::vector<unsigned char>& paeth) {
    size_t sumNone = 0, sumSub = 0, sumPaeth = 0;
    for (size_t i = 0; i < bytes; ++i) {
        sumNone += distance(row[i]);
        sub[i] = static_cast<unsigned char>(row[i] - (i >= kBytesPerPixel ? row[i - 3] : 0));
        sumSub += distance(sub[i]);
        int predictor = above[i];
        if (i >= kBytesPerPixel) {
            const int a = row[i - 3], b = above[i], c = above[i - 3];
            const int p = b - c, q = a - c;
            const int pa = std::abs(p), pb = std::abs(q), pc = std::abs(p + q);
            predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        }
        paeth[i] = static_cast<unsigned char>(row[i] - predictor);
        sumPaeth += distance(paeth[i]);
    }
    const unsigned char* best = row;
    unsigned char type = 0;
    size_t least = sumNone;
    if (sumSub < least) {
        best = sub.data(), type = 1, least = sumSub;
    }
    if (sumPaeth < least) best = paeth.data(), type = 4;
    out[0] = type;
    std::memcpy(out + 1, best, bytes);
}

// The deflate window the image library asked zlib for: smaller for small images.
int windowBits(size_t imageBytes) {
    int bits = 15;
    if (imageBytes <= 16384) {
        unsigned halfWindow = 1u << (bits - 1);
        while (imageBytes + 262 <= halfWindow) {
            halfWindow >>= 1;
            --bits;
        }
    }
    return bits;
}

// The zlib header names the smallest window that holds a small image, as the library wrote it.
void narrowHeader(unsigned char* stream, size_t imageBytes) {
    if (imageBytes > 16384) return;
    unsigned cmf = stream[0];
    if ((cmf & 0x0f) != 8 || (cmf & 0xf0) > 0x70) return;
    unsigned info = cmf >> 4;
    unsigned halfWindow = 1u << (info + 7);
    if (imageBytes > halfWindow) return;
    do {
        halfWindow >>= 1;
        --info;
    } while (info > 0 && imageBytes <= halfWindow);
    cmf = (cmf & 0x0f) | (info << 4);
    stream[0] = static_cast<unsigned char>(cmf);
    unsigned flags = stream[1] & 0xe0;
    flags += 0x1f - ((cmf << 8) + flags) % 0x1f;
    stream[1] = static_cast<unsigned char>(flags);
}

// The rows, each filtered after its filter type byte, deflated at level 6 with the filtered
// strategy, as the library had zlib do it: a row at a time. A row like the two above it
// filters like the one above: barcodes repeat a row down the bars.
std::optional<std::vector<unsigned char>> deflatedRows(const Raster& picture, size_t imageBytes) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, windowBits(imageBytes), 8, Z_FILTERED) != Z_OK)
        return std::nullopt;
    const size_t bytes = size_t(picture.width()) * kBytesPerPixel;
    std::vector<unsigned char> out(kChunkBytes);
    size_t written = 0;
    // Deflates what is in the input, making room for output as it fills.
    const auto pump = [&](int flush) {
        for (;;) {
            if (out.size() - written < kChunkBytes) out.resize(out.size() * 2);
            stream.next_out = out.data() + written;
            stream.avail_out = uInt(out.size() - written);
            const int result = deflate(&stream, flush);
            written = out.size() - stream.avail_out;
            // Z_OK with Z_FINISH, or a full buffer, asks for more room; Z_BUF_ERROR after
            // the last of a row just says there was nothing left to do.
            if (flush == Z_FINISH ? result == Z_OK : result == Z_OK && stream.avail_out == 0)
                continue;
            return result == Z_BUF_ERROR && flush != Z_FINISH ? Z_OK : result;
        }
    };
    std::vector<unsigned char> above(bytes, 0), row(bytes), sub(bytes), paeth(bytes);
    std::vector<unsigned char> filtered(bytes + 1);
    const size_t pixelBytes = size_t(picture.width()) * sizeof(Raster::Pixel);
    const auto bytesOf = [&](int y, std::vector<unsigned char>& into) {
        const Raster::Pixel* pixels = picture.constRow(y);
        for (int x = 0; x < picture.width(); ++x) {
            into[3 * size_t(x)] = static_cast<unsigned char>(pixels[x] >> 16);
            into[3 * size_t(x) + 1] = static_cast<unsigned char>(pixels[x] >> 8);
            into[3 * size_t(x) + 2] = static_cast<unsigned char>(pixels[x]);
        }
    };
    bool failed = false;
    for (int y = 0; y < picture.height() && !failed; ++y) {
        const bool likeAbove =
            y >= 2 && std::memcmp(picture.constRow(y), picture.constRow(y - 1), pixelBytes) == 0 &&
            std::memcmp(picture.constRow(y - 1), picture.constRow(y - 2), pixelBytes) == 0;
        if (!likeAbove) {
            bytesOf(y, row);
            if (y > 0) bytesOf(y - 1, above);
            filterRow(row.data(), above.data(), bytes, filtered.data(), sub, paeth);
        }
        stream.next_in = filtered.data();
        stream.avail_in = uInt(filtered.size());
        failed = pump(Z_NO_FLUSH) != Z_OK;
    }
    const int result = failed ? Z_STREAM_ERROR : pump(Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END || written < 2) return std::nullopt;
    out.resize(written);
    narrowHeader(out.data(), imageBytes);
    return out;
}

} // namespace

std::optional<QByteArray> encode(const Raster& picture, QSize dotsPerMeter) {
    // Rows and image as the library bounded them.
    if (picture.isNull() || picture.width() > 1000000 || picture.height() > 1000000)
        return std::nullopt;
    // The library measured small images by their rows; larger ones never shrink the window.
    const size_t rowBytes = size_t(picture.width()) * kBytesPerPixel;
    const size_t imageBytes = rowBytes < 32768 && picture.height() < 32768
                                  ? (rowBytes + 1) * size_t(picture.height())
                                  : size_t(0xffffffffu);
    const auto stream = deflatedRows(picture, imageBytes);
    if (!stream) return std::nullopt;

    QByteArray file("\x89PNG\r\n\x1a\n", 8);
    std::array<unsigned char, 13> header{};
    const auto store32 = [](unsigned char* at, std::uint32_t v) {
        at[0] = static_cast<unsigned char>(v >> 24), at[1] = static_cast<unsigned char>(v >> 16);
        at[2] = static_cast<unsigned char>(v >> 8), at[3] = static_cast<unsigned char>(v);
    };
    store32(header.data(), std::uint32_t(picture.width()));
    store32(header.data() + 4, std::uint32_t(picture.height()));
    header[8] = 8; // bits per channel
    header[9] = 2; // red, green, blue
    chunk(file, "IHDR", header.data(), header.size());
    if (dotsPerMeter.width() > 0 && dotsPerMeter.height() > 0) {
        std::array<unsigned char, 9> resolution{};
        store32(resolution.data(), std::uint32_t(dotsPerMeter.width()));
        store32(resolution.data() + 4, std::uint32_t(dotsPerMeter.height()));
        resolution[8] = 1; // per metre
        chunk(file, "pHYs", resolution.data(), resolution.size());
    }
    for (size_t at = 0; at < stream->size(); at += kChunkBytes)
        chunk(file, "IDAT", stream->data() + at, std::min(kChunkBytes, stream->size() - at));
    chunk(file, "IEND", nullptr, 0);
    return file;
}

} // namespace RgbPng
