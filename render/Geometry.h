#pragma once

#include "symbology/Twips.h"

#include <QFont>

#include <cstdint>

// Colour numbers: 24-bit RGB with red in the low byte.
using Colour = std::int32_t;
inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 0xFFFFFF;

// The font pictures use unless given one: the desktop's sans-serif face at 8.25 points, the
// classic dialog size. Fixed here so that the window and the command line draw alike.
QFont defaultPictureFont();
