#pragma once

#include "render/PixelSource.h"

#include <QString>

#include <cstdint>

// Reads a Code 39 barcode along one pixel row, left to right, from a point left of it.
// Failures come back as texts beginning with "ERR:", never as exceptions.
namespace Code39RowReader {

QString decodeRow(const PixelSource& picture, std::int32_t x, std::int32_t y);

// Tries the rows y, y + 1, ... (1 to 12 of them) and returns the first decoded text; when all
// fail: mode 0 gives "", mode 1 "Error", any other mode the last row's error text.
QString readBarcode(const PixelSource& picture, std::int32_t x, std::int32_t y, std::int32_t tries,
                    std::int32_t mode);
// What readBarcode gives in the mode for a read that failed with the error text.
QString failureText(const QString& error, std::int32_t mode);

} // namespace Code39RowReader
