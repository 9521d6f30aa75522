#include "decode/EngineRows.h"

#include "decode/EngineHints.h"

#include <algorithm>
#include <vector>

namespace ReadingEngine {

ZXing::DecodeHints engineHints(bool tryHarder) {
    ZXing::BarcodeFormats formats;
    for (const auto& entry : kFormats)
        formats |= entry.first;
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(tryHarder);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    // Code 39 text exactly as drawn: no full-ASCII decoding, an optional check character kept.
    hints.setTryCode39ExtendedMode(false);
    hints.setValidateCode39CheckSum(false);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Ignore);
    hints.setMaxNumberOfSymbols(1);
    return hints;
}

ZXing::DecodeHints everyFormatHints(bool tryHarder) {
    ZXing::DecodeHints hints = engineHints(tryHarder);
    ZXing::BarcodeFormats formats = hints.formats();
    for (const NewerFormat& entry : kNewerFormats)
        formats |= entry.format;
    hints.setFormats(formats);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
    return hints;
}

bool decodesGreyRow(const std::uint8_t* grey, int width, Formats formats) {
    ZXing::DecodeHints quick =
        formats == Formats::Classic ? engineHints(false) : everyFormatHints(false);
    quick.setMinLineCount(1); // the engine otherwise wants a symbol on two rows
    return ZXing::ReadBarcode({grey, width, 1, ZXing::ImageFormat::Lum, width}, quick).isValid();
}

bool blackAndWhiteRowsDecode(const Raster& picture, std::initializer_list<int> rows,
                             Formats formats) {
    std::vector<std::uint8_t> grey(static_cast<size_t>(std::max(picture.width(), 0)));
    for (const int row : rows) {
        if (row < 0 || row >= picture.height()) continue;
        const Raster::Pixel* pixels = picture.constRow(row);
        for (int x = 0; x < picture.width(); ++x) {
            const Raster::Pixel rgb = pixels[x] & 0xFFFFFF;
            if (rgb != 0 && rgb != 0xFFFFFF) return false;
            grey[size_t(x)] = rgb == 0 ? 0 : 255;
        }
        if (decodesGreyRow(grey.data(), picture.width(), formats)) return true;
    }
    return false;
}

bool blackAndWhiteDecodes(const Raster& picture) {
    if (picture.isNull()) return false;
    const int width = picture.width(), height = picture.height();
    std::vector<std::uint8_t> grey(size_t(width) * size_t(height));
    std::uint8_t* out = grey.data();
    for (int y = 0; y < height; ++y) {
        const Raster::Pixel* pixels = picture.constRow(y);
        for (int x = 0; x < width; ++x) {
            const Raster::Pixel rgb = pixels[x] & 0xFFFFFF;
            if (rgb != 0 && rgb != 0xFFFFFF) return false;
            *out++ = rgb == 0 ? 0 : 255;
        }
    }
    return ZXing::ReadBarcode({grey.data(), width, height, ZXing::ImageFormat::Lum, width},
                              everyFormatHints(false))
        .isValid();
}

} // namespace ReadingEngine
