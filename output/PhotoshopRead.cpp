#include "output/PhotoshopRead.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace PhotoshopRead {
namespace {

enum class ColourMode : quint16 {
    Bitmap = 0,
    Grey = 1,
    Indexed = 2,
    Rgb = 3,
    Cmyk = 4,
    Duotone = 8,
};

constexpr qsizetype kHeaderBytes = 26;
// The format's own bounds (version 1): at most 30,000 pixels a side and 56 channels.
constexpr quint32 kMaxSide = 30000;
constexpr quint16 kMaxChannels = 56;

// Reads big-endian numbers and sections from the bytes, never past their end.
class Cursor {
  public:
    explicit Cursor(QByteArrayView bytes) : bytes_(bytes) {}
    bool has(qsizetype count) const { return count >= 0 && count <= bytes_.size() - at_; }
    std::optional<quint16> u16() {
        if (!has(2)) return std::nullopt;
        const auto value = qFromBigEndian<quint16>(bytes_.data() + at_);
        at_ += 2;
        return value;
    }
    std::optional<quint32> u32() {
        if (!has(4)) return std::nullopt;
        const auto value = qFromBigEndian<quint32>(bytes_.data() + at_);
        at_ += 4;
        return value;
    }
    std::optional<QByteArrayView> take(qsizetype count) {
        if (!has(count)) return std::nullopt;
        const QByteArrayView part = bytes_.sliced(at_, count);
        at_ += count;
        return part;
    }
    // A section introduced by its length in four bytes.
    std::optional<QByteArrayView> section() {
        const auto length = u32();
        if (!length) return std::nullopt;
        return take(static_cast<qsizetype>(*length));
    }

  private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

struct Header {
    quint16 channels;
    quint32 height, width;
    quint16 depth;
    ColourMode mode;
};

std::optional<Header> headerOf(Cursor& cursor) {
    if (!cursor.take(4) || !cursor.take(2) || !cursor.take(6)) return std::nullopt;
    const auto channels = cursor.u16();
    const auto height = cursor.u32();
    const auto width = cursor.u32();
    const auto depth = cursor.u16();
    const auto mode = cursor.u16();
    if (!mode) return std::nullopt;
    return Header{*channels, *height, *width, *depth, static_cast<ColourMode>(*mode)};
}

// The colour channels a mode paints with (alpha and spot channels after them are not read).
int colourChannels(ColourMode mode) {
    switch (mode) {
    case ColourMode::Rgb:
        return 3;
    case ColourMode::Cmyk:
        return 4;
    case ColourMode::Bitmap:
    case ColourMode::Grey:
    case ColourMode::Indexed:
    case ColourMode::Duotone:
        return 1;
    }
    return 0;
}

bool supported(const Header& header) {
    const int needed = colourChannels(header.mode);
    if (needed == 0 || header.channels < needed || header.channels > kMaxChannels) return false;
    if (header.mode == ColourMode::Bitmap) return header.depth == 1;
    return header.depth == 8;
}

// PackBits: a count n ≥ 0 copies n + 1 bytes, a count n < 0 repeats the next byte 1 − n
// times, −128 does nothing. The row must fill exactly.
bool unpackRow(QByteArrayView packed, std::span<uchar> row) {
    qsizetype in = 0;
    size_t out = 0;
    while (in < packed.size() && out < row.size()) {
        const auto count = static_cast<signed char>(packed[in++]);
        if (count >= 0) {
            const size_t length = size_t(count) + 1;
            if (length > size_t(packed.size() - in) || length > row.size() - out) return false;
            std::copy_n(packed.data() + in, length, row.begin() + out);
            in += qsizetype(length);
            out += length;
        } else if (count != -128) {
            const size_t length = size_t(1 - count);
            if (in >= packed.size() || length > row.size() - out) return false;
            std::fill_n(row.begin() + out, length, uchar(packed[in++]));
            out += length;
        }
    }
    return out == row.size();
}

// The planes of the colour channels, one after another, rows of rowBytes each.
std::optional<std::vector<uchar>> planesOf(Cursor& cursor, const Header& header, size_t rowBytes,
                                           int planes) {
    const auto compression = cursor.u16();
    if (!compression) return std::nullopt;
    const size_t rows = size_t(header.height) * header.channels;
    std::vector<uchar> pixels(rowBytes * header.height * size_t(planes));
    if (*compression == 0) {
        const auto raw = cursor.take(qsizetype(pixels.size()));
        if (!raw) return std::nullopt;
        std::copy(raw->begin(), raw->end(), pixels.begin());
        return pixels;
    }
    if (*compression != 1) return std::nullopt;
    std::vector<quint16> lengths(rows);
    for (quint16& length : lengths) {
        const auto read = cursor.u16();
        if (!read) return std::nullopt;
        length = *read;
    }
    const size_t wanted = size_t(header.height) * size_t(planes);
    for (size_t row = 0; row < wanted; ++row) {
        const auto packed = cursor.take(lengths[row]);
        if (!packed) return std::nullopt;
        if (!unpackRow(*packed, std::span(pixels).subspan(row * rowBytes, rowBytes)))
            return std::nullopt;
    }
    return pixels;
}

QRgb pixelOf(const Header& header, const std::vector<uchar>& pixels, size_t plane, size_t at,
             const std::array<QRgb, 256>& palette) {
    const auto sample = [&](int channel) { return pixels[size_t(channel) * plane + at]; };
    switch (header.mode) {
    case ColourMode::Rgb:
        return qRgb(sample(0), sample(1), sample(2));
    case ColourMode::Cmyk: {
        // Photoshop stores CMYK inverted: 255 is no ink.
        const int k = sample(3);
        return qRgb(sample(0) * k / 255, sample(1) * k / 255, sample(2) * k / 255);
    }
    case ColourMode::Indexed:
        return palette[sample(0)];
    case ColourMode::Grey:
    case ColourMode::Duotone:
        return qRgb(sample(0), sample(0), sample(0));
    case ColourMode::Bitmap:
        break;
    }
    return 0;
}

// An indexed file's colour section: 256 reds, then greens, then blues.
std::optional<std::array<QRgb, 256>> paletteOf(QByteArrayView colours, ColourMode mode) {
    std::array<QRgb, 256> palette{};
    if (mode != ColourMode::Indexed) return palette;
    if (colours.size() != 768) return std::nullopt;
    for (int i = 0; i < 256; ++i)
        palette[size_t(i)] =
            qRgb(uchar(colours[i]), uchar(colours[256 + i]), uchar(colours[512 + i]));
    return palette;
}

} // namespace

bool isPhotoshop(QByteArrayView bytes) {
    return bytes.size() >= kHeaderBytes && bytes.first(4) == "8BPS" &&
           qFromBigEndian<quint16>(bytes.data() + 4) == 1;
}

std::optional<QSize> sizeOf(QByteArrayView bytes) {
    if (!isPhotoshop(bytes)) return std::nullopt;
    Cursor cursor(bytes);
    const auto header = headerOf(cursor);
    if (!header || !supported(*header) || header->width == 0 || header->height == 0 ||
        header->width > kMaxSide || header->height > kMaxSide)
        return std::nullopt;
    return QSize(int(header->width), int(header->height));
}

std::optional<QImage> pictureOf(QByteArrayView bytes, qint64 maxPixels) {
    const std::optional<QSize> bound = sizeOf(bytes);
    if (!bound || qint64(bound->width()) > maxPixels / bound->height()) return std::nullopt;
    const QSize size = *bound;
    Cursor cursor(bytes);
    const auto header = headerOf(cursor);
    const auto colours = cursor.section();
    if (!colours || !cursor.section() || !cursor.section()) return std::nullopt;
    const auto palette = paletteOf(*colours, header->mode);
    if (!palette) return std::nullopt;
    const bool bitmap = header->mode == ColourMode::Bitmap;
    const size_t rowBytes = bitmap ? (size_t(size.width()) + 7) / 8 : size_t(size.width());
    const int planes = colourChannels(header->mode);
    const auto pixels = planesOf(cursor, *header, rowBytes, planes);
    if (!pixels) return std::nullopt;
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull()) return std::nullopt;
    const size_t plane = rowBytes * size_t(size.height());
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            if (bitmap) {
                // A set bit is black.
                const uchar byte = (*pixels)[size_t(y) * rowBytes + size_t(x) / 8];
                line[x] = (byte >> (7 - x % 8)) & 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            } else {
                line[x] =
                    pixelOf(*header, *pixels, plane, size_t(y) * rowBytes + size_t(x), *palette);
            }
        }
    }
    return picture;
}

} // namespace PhotoshopRead
