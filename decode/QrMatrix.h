#pragma once

#include "decode/GridLayout2D.h"
#include "decode/MatrixSymbol.h"

// QR Code (versions 1 to 40) read from its module matrix: format and version information,
// the data modules unmasked into codewords, the blocks taken apart and corrected, the data
// segments decoded into text.
namespace QrMatrix {

MatrixSymbol::MatrixRead read(const MatrixSymbol::ModuleMatrix& modules);

// The modules a version's function patterns leave for data, row by row: the version's size
// squared when nothing else.
bool isFunctionModule(int version, int row, int column);
bool isAlignmentCentre(int version, int row, int column);

// The rows and columns through the alignment patterns' centres.
std::vector<int> alignmentCentres(int version);

// The grid's reference points: finder and alignment pattern centres, the finders' outer edges
// and the timing patterns' edges.
GridSampler2D::Layout gridLayout(int size);

int versionOfSize(int size); // 0 when no QR Code is that size

// The format information's 15 bits for an error correction level (L M Q H as 0 1 2 3) and mask.
int formatBits(int level, int mask);

} // namespace QrMatrix
