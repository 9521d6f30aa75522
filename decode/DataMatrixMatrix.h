#pragma once

#include "decode/GridLayout2D.h"
#include "decode/MatrixSymbol.h"

#include <utility>
#include <vector>

// Data Matrix ECC 200, square and rectangular, read from its module matrix: the finder and
// alignment patterns stripped, the codewords taken from their places in the data regions, the
// blocks corrected, the data decoded in every encodation (ASCII, C40, Text, X12, EDIFACT,
// Base 256).
namespace DataMatrixMatrix {

MatrixSymbol::MatrixRead read(const MatrixSymbol::ModuleMatrix& modules);

// The sizes (rows, columns) nearest to a count of modules, nearest first.
std::vector<std::pair<int, int>> sizesNear(int rows, int columns);

// The grid's reference points: the L-shape's outer edges and the clock tracks' edges.
GridSampler2D::Layout gridLayout(int rows, int columns);

bool isSize(int rows, int columns);

} // namespace DataMatrixMatrix
