#pragma once

#include <cstddef>

// The GS1 modulo-10 check digit of data digits: weights 3 and 1 alternate from the rightmost data
// digit, which weighs 3. `digitAt(i)` gives the value of digit i; plain C++, so that the encoders
// without Qt share it with those that have it.
template <typename DigitAt> constexpr int gs1CheckDigit(std::size_t count, DigitAt digitAt) {
    int sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += digitAt(i) * ((count - i) % 2 != 0 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

static_assert(gs1CheckDigit(12, [](std::size_t i) { return "400638133393"[i] - '0'; }) == 1);
