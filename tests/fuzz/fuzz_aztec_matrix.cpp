// Aztec Code's reference decode on any module matrix of an Aztec size: a read or a failure,
// never a crash or a hang; what it reads keeps its codewords and fixed patterns inside the
// symbol, and a decoded read's ideal matrix reads back to the same text.
#include "decode/AztecMatrix.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks a size among the Aztec sizes in order, the rest are the modules row
    // by row, a bit each, light beyond the input.
    std::vector<int> sizes;
    for (int side = 15; side <= 151; ++side)
        for (const bool compact : {true, false})
            for (int layers = 1; layers <= (compact ? 4 : 32); ++layers)
                if (AztecMatrix::sizeOf(layers, compact) == side &&
                    (sizes.empty() || sizes.back() != side))
                    sizes.push_back(side);
    const int side = sizes[data[0] % sizes.size()];
    MatrixSymbol::ModuleMatrix modules(side, side);
    for (int i = 0; i < side * side && std::size_t(1 + i / 8) < size; ++i)
        modules.set(i / side, i % side, (data[1 + i / 8] >> (i % 8)) & 1);
    const MatrixSymbol::MatrixRead read = AztecMatrix::read(modules);
    if (!read.decoded && read.failure.isEmpty()) std::abort();
    for (const auto& codeword : read.codewords)
        for (const auto& m : codeword.modules)
            if (!modules.contains(m.y(), m.x())) std::abort();
    for (const auto& segment : read.segments)
        for (const auto& m : segment.modules)
            if (!modules.contains(m.y(), m.x())) std::abort();
    if (!read.decoded) return 0;
    const MatrixSymbol::MatrixRead again = AztecMatrix::read(read.ideal);
    if (!again.decoded || again.text != read.text || again.blocks[0].result.errors != 0)
        std::abort();
    return 0;
}
