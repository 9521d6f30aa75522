#pragma once

#include "decode/LineDecoded.h"
#include "symbology/Symbology.h"

#include <cstddef>
#include <optional>
#include <span>

// The reference decodes of the linear symbologies, a family to a file, each from the widths of
// the elements along a line and the index of the symbol's first bar.
namespace LineFamilies {

using LineDecode::Decoded;

// Code128Decode.cpp
std::optional<Decoded> decodeCode128(std::span<const double> w, std::size_t first);

// EanUpcDecode.cpp: EAN-13, EAN-8 and UPC-A by `symbology`, UPC-E, and an EAN or UPC symbol
// `main` followed by its add-on, as one symbol.
std::optional<Decoded> decodeEan(std::span<const double> w, std::size_t first, Symbology symbology);
std::optional<Decoded> decodeUpcE(std::span<const double> w, std::size_t first);
std::optional<Decoded> withAddOn(std::span<const double> w, std::size_t first,
                                 std::optional<Decoded> main);

// TwoWidthDecode.cpp
std::optional<Decoded> decodeCode39(std::span<const double> w, std::size_t first);
std::optional<Decoded> decodeItf(std::span<const double> w, std::size_t first);
std::optional<Decoded> decodeCodabar(std::span<const double> w, std::size_t first);

// Code93Decode.cpp
std::optional<Decoded> decodeCode93(std::span<const double> w, std::size_t first);

} // namespace LineFamilies
