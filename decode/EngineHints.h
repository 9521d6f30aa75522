#pragma once

#include "decode/LineDecode.h"
#include "symbology/Symbology.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <optional>
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

// The engine's formats of the symbologies libzint draws for the program beside those, by the
// name reports give them, and the row decoder's name of the linear ones. ITF-14 and GS1-128 are
// told from ITF and Code 128 by their content.
struct NewerFormat {
    ZXing::BarcodeFormat format;
    const char* name;
    std::optional<LineDecode::Linear> linear;
};
inline constexpr NewerFormat kNewerFormats[] = {
    {ZXing::BarcodeFormat::Code93, "Code 93", LineDecode::Linear::Code93},
    {ZXing::BarcodeFormat::Codabar, "Codabar", LineDecode::Linear::Codabar},
    {ZXing::BarcodeFormat::ITF, "Interleaved 2 of 5", LineDecode::Linear::Itf},
    {ZXing::BarcodeFormat::UPCE, "UPC-E", LineDecode::Linear::UpcE},
    {ZXing::BarcodeFormat::QRCode, "QR Code", std::nullopt},
    {ZXing::BarcodeFormat::DataMatrix, "Data Matrix", std::nullopt},
    {ZXing::BarcodeFormat::Aztec, "Aztec Code", std::nullopt},
    {ZXing::BarcodeFormat::PDF417, "PDF417", std::nullopt},
};

// Those symbologies, read exactly as drawn, one symbol a look. Never more than one: asked for
// several, the engine compares the symbols it found on different scales of the picture, and
// Debian's build aborts on an assertion there for some linear symbols (an ITF-14 with its
// bearer frame, enlarged).
ZXing::DecodeHints engineHints(bool tryHarder);
// Every symbology the program draws, add-ons read with their symbol.
ZXing::DecodeHints everyFormatHints(bool tryHarder);

} // namespace ReadingEngine
