#pragma once

#include "render/PixelSource.h"

#include <QString>

#include <cstdint>
#include <variant>

// Reads a Code 39 barcode along one pixel row, left to right, from a point left of it.
// A row gives its text or why it gave none, never an exception.
namespace Code39RowReader {

enum class Failure { NotSeen, NotReadable, Parity, Unrecognized, Invalid };
using Reading = std::variant<QString, Failure>;

Reading decodeRow(const PixelSource& picture, std::int32_t x, std::int32_t y);
// Tries the rows y, y + 1, ... (1 to 12 of them): the first text, or the last row's failure.
Reading readBarcode(const PixelSource& picture, std::int32_t x, std::int32_t y, std::int32_t tries);

// What a failed read shows: nothing, "Error", or why ("ERR: BC not seen" and the like). The
// numbers are the ones `barcode-desk-cli read --mode` takes.
enum class FailureShown : std::int32_t { Nothing = 0, Error = 1, Reason = 3 };
// The text a reading shows: its own, or its failure as `shown` says.
QString shownText(const Reading& reading, FailureShown shown);

} // namespace Code39RowReader
