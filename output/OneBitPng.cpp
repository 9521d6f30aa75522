#include "OneBitPng.h"

#include <QtEndian>

#include <zlib.h>

#include <array>
#include <cstring>

namespace OneBitPng {
namespace {

// Barcode rows repeat the row above: level 3 finds those repeats as well as the usual level 6
// does at a third of the work, and a smaller hash table is quicker to set up for every file.
// A smaller window is not quicker: the window then slides, and every slide walks the tables.
constexpr int kLevel = 3;
constexpr int kMemoryLevel = 4;
constexpr int kWindowBits = 15;

constexpr std::array<char, 8> kSignature = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
constexpr char kGrey = 0;
constexpr char kNoFilter = 0;
constexpr char kPerMeter = 1;

void appendNumber(QByteArray& out, quint32 number) {
    const quint32 big = qToBigEndian(number);
    out.append(reinterpret_cast<const char*>(&big), sizeof big);
}

// Length, type, data and the check sum of type and data.
void appendChunk(QByteArray& out, const char (&type)[5], const QByteArray& data) {
    appendNumber(out, static_cast<quint32>(data.size()));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out.append(data);
    const auto* checked = reinterpret_cast<const Bytef*>(out.constData() + typeAt);
    appendNumber(out, static_cast<quint32>(crc32(crc32(0, nullptr, 0), checked,
                                                 static_cast<uInt>(4 + data.size()))));
}

std::optional<QByteArray> deflated(const QByteArray& data) {
    z_stream stream{};
    if (deflateInit2(&stream, kLevel, Z_DEFLATED, kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        return std::nullopt;
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(data.size()))),
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const bool finished = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return finished ? std::optional<QByteArray>(out) : std::nullopt;
}

} // namespace

std::optional<QByteArray> encode(const QByteArray& rows, int pitch, QSize size,
                                 QSize dotsPerMeter) {
    const qsizetype rowBytes = (static_cast<qsizetype>(size.width()) + 7) / 8;
    if (size.isEmpty() || pitch < rowBytes ||
        rows.size() < static_cast<qsizetype>(pitch) * size.height())
        return std::nullopt;
    // Each row is prefixed by its filter, none.
    QByteArray filtered((rowBytes + 1) * size.height(), Qt::Uninitialized);
    for (int y = 0; y < size.height(); ++y) {
        char* to = filtered.data() + (rowBytes + 1) * y;
        *to = kNoFilter;
        std::memcpy(to + 1, rows.constData() + static_cast<qsizetype>(pitch) * y,
                    static_cast<size_t>(rowBytes));
    }
    const std::optional<QByteArray> image = deflated(filtered);
    if (!image) return std::nullopt;

    QByteArray header;
    appendNumber(header, static_cast<quint32>(size.width()));
    appendNumber(header, static_cast<quint32>(size.height()));
    const char layout[] = {1, kGrey, 0, 0, 0}; // depth, colour, compression, filter, interlace
    header.append(layout, sizeof layout);
    QByteArray resolution;
    appendNumber(resolution, static_cast<quint32>(dotsPerMeter.width()));
    appendNumber(resolution, static_cast<quint32>(dotsPerMeter.height()));
    resolution.append(kPerMeter);

    QByteArray file(kSignature.data(), kSignature.size());
    file.reserve(file.size() + 3 * 12 + header.size() + resolution.size() + image->size() + 12);
    appendChunk(file, "IHDR", header);
    appendChunk(file, "pHYs", resolution);
    appendChunk(file, "IDAT", *image);
    appendChunk(file, "IEND", {});
    return file;
}

} // namespace OneBitPng
