// The 2D grader's own parts on any input: the QR Code and Data Matrix reference decodes on any
// module matrix, and the grid sampler on any picture with any corners and size, never a crash,
// a hang or a module outside the matrix.
#include "FuzzInput.h"
#include "decode/DataMatrixMatrix.h"
#include "decode/GridSampler2D.h"
#include "decode/QrMatrix.h"

#include <QImage>

#include <cstdlib>

namespace {

void checkRead(const MatrixSymbol::MatrixRead& read, const MatrixSymbol::ModuleMatrix& m) {
    for (const auto& c : read.codewords)
        for (const auto& p : c.modules)
            if (!m.contains(p.y(), p.x())) std::abort();
    if (read.decoded && (read.ideal.rows != m.rows || read.ideal.columns != m.columns))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int mode = input.byte() % 3;
    if (mode < 2) {
        // A matrix of a size the symbology has, or near one, filled from the input.
        const int rows = 8 + input.byte() % 140,
                  columns = mode == 0 ? rows : 8 + input.byte() % 140;
        MatrixSymbol::ModuleMatrix m(rows, columns);
        const QByteArray bits = input.rest();
        for (int i = 0; i < rows * columns && !bits.isEmpty(); ++i)
            m.cells[std::size_t(i)] = (bits[i / 8 % bits.size()] >> (i % 8)) & 1;
        checkRead(mode == 0 ? QrMatrix::read(m) : DataMatrixMatrix::read(m), m);
        return 0;
    }
    const int width = 1 + input.byte() % 96, height = 1 + input.byte() % 96;
    std::array<QPointF, 4> corners;
    for (QPointF& corner : corners)
        corner = QPointF(input.int32() / 65536.0, input.int32() / 65536.0);
    const bool qr = input.byte() % 2 == 0;
    const int sizeByte = input.byte();
    const GridSampler2D::Layout layout =
        qr ? QrMatrix::gridLayout(21 + 4 * (sizeByte % 10))
           : DataMatrixMatrix::gridLayout(
                 DataMatrixMatrix::sizesNear(sizeByte % 150, sizeByte % 150).front().first,
                 DataMatrixMatrix::sizesNear(sizeByte % 150, sizeByte % 150).front().second);
    QImage plane(width, height, QImage::Format_Grayscale8);
    const QByteArray pixels = input.rest();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            plane.scanLine(y)[x] =
                pixels.isEmpty() ? 255 : uchar(pixels[(y * width + x) % pixels.size()]);
    const GridSampler2D::Grid grid = GridSampler2D::sample(plane, corners, layout, 0.8);
    if (!grid.reflectance.empty())
        checkRead(qr ? QrMatrix::read(grid.modules) : DataMatrixMatrix::read(grid.modules),
                  grid.modules);
    return 0;
}
