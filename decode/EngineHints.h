#pragma once

#include "symbology/Symbology.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <utility>

namespace ReadingEngine {

// The engine's formats of the symbologies the program draws.
inline constexpr std::pair<ZXing::BarcodeFormat, Symbology> kFormats[] = {
    {ZXing::BarcodeFormat::Code39, Symbology::Code39},
    {ZXing::BarcodeFormat::Code128, Symbology::Code128},
    {ZXing::BarcodeFormat::EAN13, Symbology::Ean13},
    {ZXing::BarcodeFormat::EAN8, Symbology::Ean8},
    {ZXing::BarcodeFormat::UPCA, Symbology::UpcA},
};

// Those symbologies, read exactly as drawn.
ZXing::DecodeHints engineHints(bool tryHarder, int maxSymbols = 1);

} // namespace ReadingEngine
