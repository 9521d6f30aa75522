#pragma once

#include <span>
#include <vector>

// Reed-Solomon decoding over GF(2^m), for any primitive polynomial and first root of the
// generator: the codes of QR Code, Data Matrix and Aztec. Corrects errors and erasures together
// and tells how many of each a block held, which a verifier's unused error correction needs.
namespace ReedSolomon {

// A field GF(2^m), 2 <= m <= 12, and the generator polynomial's first root alpha^base.
class Field {
  public:
    Field(int bits, int primitivePolynomial, int generatorBase);

    int size() const { return size_; } // 2^m
    int generatorBase() const { return base_; }
    // Inline: reading a symbol multiplies thousands of times.
    int exp(int power) const { // alpha^power, any power
        const int order = size_ - 1;
        return exp_[std::size_t(((power % order) + order) % order)];
    }
    int log(int value) const { return log_[std::size_t(value)]; } // value != 0
    int multiply(int a, int b) const {
        if (a == 0 || b == 0) return 0;
        return exp_[std::size_t(log_[std::size_t(a)] + log_[std::size_t(b)])];
    }
    int divide(int a, int b) const; // b != 0

  private:
    int size_;
    int base_;
    std::vector<int> exp_; // twice the field's order long, so that a sum of two logs indexes it
    std::vector<int> log_;
};

// The fields the program reads: QR Code's, Data Matrix's (and Aztec's 8-bit one), Aztec's others.
const Field& qrField();         // GF(256), x^8+x^4+x^3+x^2+1, base 0
const Field& dataMatrixField(); // GF(256), x^8+x^5+x^3+x^2+1, base 1

struct BlockResult {
    bool corrected = false; // the block is a codeword now (or was one already)
    int errors = 0;         // wrong codewords found where none was known to be doubtful
    int erasures = 0;       // codewords known doubtful beforehand (whether wrong or not)
};

// Corrects `block` in place: codewords as sent, data first and `ecCount` check codewords last,
// each < field.size(). `erasures` are indices into the block of codewords known to be
// unreliable. Fails (corrected false, block unchanged) when 2 * errors + erasures exceeds
// ecCount or the result is not a codeword.
BlockResult correct(const Field& field, std::span<int> block, int ecCount,
                    std::span<const int> erasures = {});

// The check codewords for `data` (for tests and generators that damage known symbols).
std::vector<int> checkCodewords(const Field& field, std::span<const int> data, int ecCount);

} // namespace ReedSolomon
