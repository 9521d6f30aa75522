#include "output/OneBitPng.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace OneBitPng {
namespace {

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

// A zlib stream in one block of deflate's fixed codes (RFC 1951, 3.2.6). Barcode rows mostly
// repeat a row above: copying it needs no search for matches, which is most of a general
// compressor's work, and the file comes out about as small.
class FixedCodeStream {
  public:
    explicit FixedCodeStream(QByteArray& out) : out_(out) {
        out_.append("\x78\x01", 2); // deflate, 32 KiB window, no dictionary
        putBits(1, 1);              // the last block
        putBits(1, 2);              // with the fixed codes
    }

    // The bytes as literals, a run of one byte as a copy of the byte before it.
    void bytes(const uchar* data, qsizetype count) {
        for (qsizetype i = 0; i < count;) {
            symbol(data[i]);
            qsizetype end = i + 1;
            while (end < count && data[end] == data[i])
                ++end;
            copy(data + i + 1, end - i - 1, 1);
            i = end;
        }
    }

    // `length` bytes that repeat those `distance` bytes before them; the same `data`.
    void copy(const uchar* data, qsizetype length, int distance) {
        while (length >= kMinCopy) {
            // Never leave a rest too short to be a copy.
            qsizetype part = std::min(length, kMaxCopy);
            if (length - part > 0 && length - part < kMinCopy) part = length - kMinCopy;
            copyCode(static_cast<int>(part), distance);
            data += part;
            length -= part;
        }
        for (qsizetype i = 0; i < length; ++i)
            symbol(data[i]);
    }

    void finish(quint32 adler) {
        symbol(kEndOfBlock);
        if (count_ > 0) out_.append(static_cast<char>(bits_ & 0xFF));
        appendNumber(out_, adler);
    }

    static constexpr int kMaxDistance = 32768;

  private:
    static constexpr qsizetype kMinCopy = 3, kMaxCopy = 258;
    static constexpr int kEndOfBlock = 256;
    static constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                        15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                        67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr std::array<int, 29> kLengthExtra = {
        0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr std::array<int, 30> kDistanceBase = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

    // Bits go in from the least significant end of each byte.
    void putBits(quint32 value, int count) {
        bits_ |= static_cast<quint64>(value) << count_;
        count_ += count;
        while (count_ >= 8) {
            out_.append(static_cast<char>(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    // Codes go in from their most significant bit.
    void putCode(quint32 code, int length) {
        quint32 reversed = 0;
        for (int i = 0; i < length; ++i)
            reversed |= ((code >> i) & 1u) << (length - 1 - i);
        putBits(reversed, length);
    }
    void symbol(int value) {
        if (value < 144)
            putCode(0x30 + value, 8);
        else if (value < 256)
            putCode(0x190 + value - 144, 9);
        else if (value < 280)
            putCode(value - 256, 7);
        else
            putCode(0xC0 + value - 280, 8);
    }
    void copyCode(int length, int distance) {
        int code = static_cast<int>(kLengthBase.size()) - 1;
        while (kLengthBase[code] > length)
            --code;
        symbol(257 + code);
        putBits(static_cast<quint32>(length - kLengthBase[code]), kLengthExtra[code]);
        int distanceCode = static_cast<int>(kDistanceBase.size()) - 1;
        while (kDistanceBase[distanceCode] > distance)
            --distanceCode;
        putCode(static_cast<quint32>(distanceCode), 5);
        putBits(static_cast<quint32>(distance - kDistanceBase[distanceCode]),
                std::max(0, distanceCode / 2 - 1));
    }

    QByteArray& out_;
    quint64 bits_ = 0;
    int count_ = 0;
};

// The rows, each after its filter byte (none), deflated: a row like the one above or like one
// of the last few different rows within reach is a copy of it.
QByteArray compressedRows(const uchar* rows, int pitch, qsizetype rowBytes, int height) {
    constexpr size_t kRowsRemembered = 16;
    const qsizetype lineBytes = rowBytes + 1;
    QByteArray out;
    out.reserve(64 + lineBytes * 2);
    FixedCodeStream stream(out);
    QByteArray line(lineBytes, '\0'); // the filter byte, then the row
    auto* lineData = reinterpret_cast<uchar*>(line.data());
    quint32 adler = adler32(0, nullptr, 0);
    quint32 lineAdler = adler;
    struct Seen {
        const uchar* row;
        int y; // where it last stood
    };
    std::vector<Seen> seen;
    auto rowAt = [&](int y) { return rows + static_cast<qsizetype>(pitch) * y; };
    for (int y = 0; y < height;) {
        const uchar* row = rowAt(y);
        int repeats = 0; // rows below exactly like this one
        while (y + 1 + repeats < height &&
               std::memcmp(rowAt(y + 1 + repeats), row, static_cast<size_t>(rowBytes)) == 0)
            ++repeats;
        std::memcpy(lineData + 1, row, static_cast<size_t>(rowBytes));
        auto earlier = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) {
            return (y - s.y) * lineBytes <= FixedCodeStream::kMaxDistance &&
                   std::memcmp(s.row, row, static_cast<size_t>(rowBytes)) == 0;
        });
        if (earlier != seen.end()) {
            stream.copy(lineData, lineBytes, static_cast<int>((y - earlier->y) * lineBytes));
            seen.erase(earlier);
        } else {
            stream.bytes(lineData, lineBytes);
        }
        lineAdler = adler32(adler32(0, nullptr, 0), lineData, static_cast<uInt>(lineBytes));
        if (repeats > 0) stream.copy(lineData, lineBytes * repeats, static_cast<int>(lineBytes));
        for (int i = 0; i <= repeats; ++i)
            adler = adler32_combine(adler, lineAdler, lineBytes);
        y += repeats;
        seen.push_back({row, y});
        if (seen.size() > kRowsRemembered) seen.erase(seen.begin());
        ++y;
    }
    stream.finish(adler);
    return out;
}

} // namespace

std::optional<QByteArray> encode(const QByteArray& rows, int pitch, QSize size,
                                 QSize dotsPerMeter) {
    const qsizetype rowBytes = (static_cast<qsizetype>(size.width()) + 7) / 8;
    if (size.isEmpty() || pitch < rowBytes ||
        rows.size() < static_cast<qsizetype>(pitch) * size.height())
        return std::nullopt;
    const QByteArray image = compressedRows(reinterpret_cast<const uchar*>(rows.constData()), pitch,
                                            rowBytes, size.height());

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
    file.reserve(file.size() + 3 * 12 + header.size() + resolution.size() + image.size() + 12);
    appendChunk(file, "IHDR", header);
    appendChunk(file, "pHYs", resolution);
    appendChunk(file, "IDAT", image);
    appendChunk(file, "IEND", {});
    return file;
}

} // namespace OneBitPng
