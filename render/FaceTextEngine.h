#pragma once

#include "render/TextEngine.h"

#include <stdexcept>

// Text in the picture font's face (FontFace.h) with Qt Core alone, measured and printed as Qt's
// engine does it, pixel for pixel: for a program that starts no font configuration.
const TextEngine& faceTextEngine();

// What the face's engine throws for a font it does not have (another family first, another
// size or weight, a face file missing): Qt's engine prints in it.
class FontUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
