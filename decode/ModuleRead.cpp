#include "decode/ModuleRead.h"

#include "decode/AztecMatrix.h"
#include "decode/DataMatrixMatrix.h"
#include "decode/QrMatrix.h"

namespace ModuleRead {

std::optional<bool> readsAsDrawn(zintsym::ZintType type, const ModuleMatrix& cells) {
    using zintsym::ZintType;
    MatrixSymbol::MatrixDecoder decoder = nullptr;
    switch (type) {
    case ZintType::Qr:
    case ZintType::Gs1Qr:
    case ZintType::DigitalLink:
        decoder = QrMatrix::read;
        break;
    case ZintType::DataMatrix:
    case ZintType::Gs1DataMatrix:
        decoder = DataMatrixMatrix::read;
        break;
    case ZintType::Aztec:
        decoder = AztecMatrix::read;
        break;
    default:
        return std::nullopt;
    }
    if (cells.rowHeight != 1) return std::nullopt;
    MatrixSymbol::ModuleMatrix modules(cells.rows, cells.columns);
    modules.cells = cells.cells;
    return decoder(modules).decoded;
}

} // namespace ModuleRead
