// The Reed-Solomon decoder on any block, check codeword count and erasures in each field it
// serves: a block it calls corrected is a codeword (correcting it again finds nothing), within
// what the check codewords can correct, never a crash or a hang.
#include "FuzzInput.h"
#include "decode/ReedSolomon.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ReedSolomon::Field fields[] = {ReedSolomon::qrField(),
                                                ReedSolomon::dataMatrixField(),
                                                ReedSolomon::Field(6, 0x43, 1),
                                                ReedSolomon::Field(10, 0x409, 1),
                                                ReedSolomon::Field(12, 0x1069, 1),
                                                ReedSolomon::Field(4, 0x13, 1)};
    FuzzInput input(data, size);
    const ReedSolomon::Field& field = fields[input.byte() % std::size(fields)];
    const int ecCount = input.byte() % 70;
    std::vector<int> erasures;
    for (int count = input.byte() % 16; count > 0; --count)
        erasures.push_back(input.byte() - 8);
    std::vector<int> block;
    while (input.left() >= 2 && block.size() < 4000)
        block.push_back(((input.byte() << 8) | input.byte()) % field.size());
    const auto result = ReedSolomon::correct(field, block, ecCount, erasures);
    if (!result.corrected) return 0;
    if (2 * result.errors + result.erasures > ecCount) std::abort();
    const auto again = ReedSolomon::correct(field, block, ecCount);
    if (!again.corrected || again.errors != 0) std::abort();
    return 0;
}
