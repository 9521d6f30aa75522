#pragma once

#include <cstdint>

// Colour numbers: 24-bit RGB with red in the low byte.
using Colour = std::int32_t;
inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 0xFFFFFF;
