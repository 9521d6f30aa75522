#pragma once

#include "decode/GridLayout2D.h"
#include "decode/MatrixSymbol.h"

#include <utility>
#include <vector>

// Aztec Code, compact (1 to 4 layers) and full (1 to 32), read from its module matrix: the mode
// message around the bullseye corrected over GF(16), the data layers read in their spiral, the
// codewords corrected over GF(64), GF(256), GF(1024) or GF(4096) as the layers ask, stuffed bits
// taken out and the bit stream decoded (upper, lower, mixed, punctuation and digit modes, byte
// shifts, FNC1 and ECI).
namespace AztecMatrix {

MatrixSymbol::MatrixRead read(const MatrixSymbol::ModuleMatrix& modules);

// Modules a side: 11 + 4 x layers compact; full symbols add a reference grid line every 16.
int sizeOf(int layers, bool compact);

// The sizes nearest to a count of modules, nearest first.
std::vector<std::pair<int, int>> sizesNear(int rows, int columns);

// The grid's reference points: the bullseye's centre and ring edges, and the reference grid's
// alternating modules in full symbols.
GridSampler2D::Layout gridLayout(int rows, int columns);

} // namespace AztecMatrix
