#pragma once

#include "render/DrawingSurface.h"

#include <QImage>

// "Copy to Clipboard": the output picture, cut to the sliders' share of its size and
// stretched down to leave room under the bars, goes onto the clipboard as an image.

// Extra height in twips that the copy gains below the picture.
inline constexpr double kClipboardExtraHeightTwips = 140;

// The copied pixels for a share of W x H twips of the output image: round(W/15) by
// round((H+140)/15) pixels, column x from source column x, row y from source row
// floor(y * H / (H + 140)). White wherever the source has no pixel, everywhere when H is 0.
QImage clipboardImage(const QImage& outputImage, double W, double H);

// Resizes the work picture to W x (H + 140) twips, draws clipboardImage on it and replaces
// whatever the clipboard held with that image.
void CopyToClipboard(DrawingSurface& workPicture, const DrawingSurface& outputPicture, double W,
                     double H);
