#include "decode/EngineRows.h"

#include "decode/EngineHints.h"

#include <algorithm>
#include <vector>

namespace ReadingEngine {

ZXing::DecodeHints engineHints(bool tryHarder, int maxSymbols) {
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
    hints.setMaxNumberOfSymbols(static_cast<uint8_t>(maxSymbols));
    return hints;
}

bool decodesGreyRow(const std::uint8_t* grey, int width) {
    ZXing::DecodeHints quick = engineHints(false);
    quick.setMinLineCount(1); // the engine otherwise wants a symbol on two rows
    return ZXing::ReadBarcode({grey, width, 1, ZXing::ImageFormat::Lum, width}, quick).isValid();
}

bool blackAndWhiteRowsDecode(const Raster& picture, std::initializer_list<int> rows) {
    std::vector<std::uint8_t> grey(static_cast<size_t>(std::max(picture.width(), 0)));
    for (const int row : rows) {
        if (row < 0 || row >= picture.height()) continue;
        const Raster::Pixel* pixels = picture.constRow(row);
        for (int x = 0; x < picture.width(); ++x) {
            const Raster::Pixel rgb = pixels[x] & 0xFFFFFF;
            if (rgb != 0 && rgb != 0xFFFFFF) return false;
            grey[size_t(x)] = rgb == 0 ? 0 : 255;
        }
        if (decodesGreyRow(grey.data(), picture.width())) return true;
    }
    return false;
}

} // namespace ReadingEngine
