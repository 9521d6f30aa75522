#include "output/RasterFiles.h"

#include "output/OneBitPng.h"
#include "output/RgbPng.h"
#include "output/WindowsBitmap.h"
#include "render/Twips.h"

#include <cstring>

namespace RasterFiles {

QSize recordedDotsPerMeter(const Raster& picture) {
    if (picture.dotsPerMeterX() > 0 && picture.dotsPerMeterY() > 0)
        return {picture.dotsPerMeterX(), picture.dotsPerMeterY()};
    return {Geometry::kDotsPerMeter, Geometry::kDotsPerMeter};
}

int oneBitPitch(int width) {
    return ((width + 31) / 32) * 4;
}

std::optional<QByteArray> oneBitRows(const Raster& picture, int pitch) {
    const int width = picture.width(), height = picture.height();
    QByteArray rows(static_cast<qsizetype>(pitch) * height, '\0');
    const size_t lineBytes = static_cast<size_t>(width) * sizeof(Raster::Pixel);
    for (int y = 0; y < height; ++y) {
        const Raster::Pixel* line = picture.constRow(y);
        auto* row =
            reinterpret_cast<unsigned char*>(rows.data()) + static_cast<qsizetype>(y) * pitch;
        // Barcodes repeat one row down the bars: a row like the one above packs like it.
        if (y > 0 && std::memcmp(line, picture.constRow(y - 1), lineBytes) == 0) {
            std::memcpy(row, row - pitch, static_cast<size_t>(pitch));
            continue;
        }
        for (int x = 0; x < width; x += 8) {
            unsigned char byte = 0;
            for (int bit = 0; bit < 8 && x + bit < width; ++bit) {
                const Raster::Pixel rgb = line[x + bit] & 0xFFFFFF;
                if (rgb == 0xFFFFFF)
                    byte |= static_cast<unsigned char>(0x80 >> bit);
                else if (rgb != 0)
                    return std::nullopt;
            }
            row[x >> 3] = byte;
        }
    }
    return rows;
}

std::optional<QByteArray> png(const Raster& picture, bool compact) {
    const QSize dotsPerMeter = recordedDotsPerMeter(picture);
    if (compact && !picture.isNull()) {
        const int pitch = oneBitPitch(picture.width());
        if (const auto rows = oneBitRows(picture, pitch))
            return OneBitPng::encode(*rows, pitch, {picture.width(), picture.height()},
                                     dotsPerMeter);
    }
    return RgbPng::encode(picture, dotsPerMeter);
}

QByteArray bmp(const Raster& picture) {
    return WindowsBitmap::encode(picture, recordedDotsPerMeter(picture));
}

} // namespace RasterFiles
