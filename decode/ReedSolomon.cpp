#include "decode/ReedSolomon.h"

#include <algorithm>
#include <set>

namespace ReedSolomon {

Field::Field(int bits, int primitivePolynomial, int generatorBase)
    : size_(1 << bits), base_(generatorBase), exp_(std::size_t(2 * size_)),
      log_(std::size_t(size_)) {
    int value = 1;
    for (int i = 0; i < size_ - 1; ++i) {
        exp_[std::size_t(i)] = value;
        log_[std::size_t(value)] = i;
        value <<= 1;
        if (value >= size_) value ^= primitivePolynomial;
    }
    for (int i = size_ - 1; i < 2 * size_; ++i)
        exp_[std::size_t(i)] = exp_[std::size_t(i - (size_ - 1))];
}

int Field::divide(int a, int b) const {
    if (a == 0) return 0;
    return exp_[std::size_t(log_[std::size_t(a)] + (size_ - 1) - log_[std::size_t(b)])];
}

const Field& qrField() {
    static const Field field(8, 0x11D, 0);
    return field;
}
const Field& dataMatrixField() {
    static const Field field(8, 0x12D, 1);
    return field;
}

namespace {

// Polynomials lowest power first.
using Poly = std::vector<int>;

Poly multiply(const Field& f, const Poly& a, const Poly& b) {
    Poly product(a.size() + b.size() - 1, 0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            product[i + j] ^= f.multiply(a[i], b[j]);
    return product;
}

int evaluate(const Field& f, const Poly& p, int x) {
    int value = 0;
    for (auto it = p.rbegin(); it != p.rend(); ++it)
        value = f.multiply(value, x) ^ *it;
    return value;
}

int degree(const Poly& p) {
    for (int i = int(p.size()) - 1; i > 0; --i)
        if (p[std::size_t(i)] != 0) return i;
    return 0;
}

// S_i = r(alpha^(base + i)), the block read as a polynomial whose first codeword is the highest
// power.
Poly syndromesOf(const Field& f, std::span<const int> block, int ecCount) {
    Poly s(std::size_t(ecCount), 0);
    for (int i = 0; i < ecCount; ++i) {
        const int x = f.exp(f.generatorBase() + i);
        int value = 0;
        for (const int c : block)
            value = f.multiply(value, x) ^ c;
        s[std::size_t(i)] = value;
    }
    return s;
}

// Berlekamp-Massey: the shortest recursion that generates `s`.
Poly locatorOf(const Field& f, std::span<const int> s) {
    Poly c{1}, b{1};
    int length = 0, shift = 1, lastDiscrepancy = 1;
    for (std::size_t n = 0; n < s.size(); ++n) {
        int d = s[n];
        for (int i = 1; i <= length && i < int(c.size()); ++i)
            d ^= f.multiply(c[std::size_t(i)], s[n - std::size_t(i)]);
        if (d == 0) {
            ++shift;
            continue;
        }
        const int scale = f.divide(d, lastDiscrepancy);
        Poly next = c;
        if (next.size() < b.size() + std::size_t(shift))
            next.resize(b.size() + std::size_t(shift), 0);
        for (std::size_t i = 0; i < b.size(); ++i)
            next[i + std::size_t(shift)] ^= f.multiply(scale, b[i]);
        if (2 * length <= int(n)) {
            b = c;
            length = int(n) + 1 - length;
            lastDiscrepancy = d;
            shift = 1;
        } else {
            ++shift;
        }
        c = std::move(next);
    }
    c.resize(std::size_t(length) + 1, 0);
    return c;
}

} // namespace

BlockResult correct(const Field& f, std::span<int> block, int ecCount,
                    std::span<const int> erasures) {
    const int n = int(block.size());
    const std::set<int> erased(erasures.begin(), erasures.end());
    BlockResult result;
    result.erasures = int(erased.size());
    if (ecCount <= 0 || ecCount > n || n >= f.size() || result.erasures > ecCount ||
        (!erased.empty() && (*erased.begin() < 0 || *erased.rbegin() >= n)))
        return result;
    const Poly s = syndromesOf(f, block, ecCount);
    if (std::all_of(s.begin(), s.end(), [](int v) { return v == 0; })) {
        result.corrected = true;
        return result;
    }
    // Codeword i of the block stands at power n - 1 - i; its locator X = alpha^(n - 1 - i).
    Poly erasureLocator{1};
    for (const int i : erased)
        erasureLocator = multiply(f, erasureLocator, Poly{1, f.exp(n - 1 - i)});
    // Forney's syndromes: the erasures' part taken out, what is left locates the errors.
    Poly modified = multiply(f, s, erasureLocator);
    modified.resize(std::size_t(ecCount));
    const std::span<const int> errorPart(modified.data() + result.erasures,
                                         std::size_t(ecCount - result.erasures));
    const Poly errorLocator = locatorOf(f, errorPart);
    const int errorCount = int(errorLocator.size()) - 1;
    if (2 * errorCount + result.erasures > ecCount) return result;
    const Poly locator = multiply(f, errorLocator, erasureLocator);
    const int locatorDegree = degree(locator);

    std::vector<int> positions;
    for (int i = 0; i < n; ++i)
        if (evaluate(f, locator, f.exp(-(n - 1 - i))) == 0) positions.push_back(i);
    if (int(positions.size()) != locatorDegree) return result;

    Poly evaluator = multiply(f, s, locator);
    evaluator.resize(std::size_t(ecCount));
    Poly derivative(locator.size() > 1 ? locator.size() - 1 : 1, 0);
    for (std::size_t i = 1; i < locator.size(); i += 2)
        derivative[i - 1] = locator[i];

    std::vector<int> corrected(block.begin(), block.end());
    int errors = 0;
    for (const int i : positions) {
        const int power = n - 1 - i;
        const int xInverse = f.exp(-power);
        const int denominator = evaluate(f, derivative, xInverse);
        if (denominator == 0) return result;
        const int magnitude = f.multiply(f.exp(power * (1 - f.generatorBase())),
                                         f.divide(evaluate(f, evaluator, xInverse), denominator));
        corrected[std::size_t(i)] ^= magnitude;
        if (magnitude != 0 && !erased.contains(i)) ++errors;
    }
    const Poly check = syndromesOf(f, corrected, ecCount);
    if (!std::all_of(check.begin(), check.end(), [](int v) { return v == 0; })) return result;
    std::copy(corrected.begin(), corrected.end(), block.begin());
    result.corrected = true;
    result.errors = errors;
    return result;
}

std::vector<int> checkCodewords(const Field& f, std::span<const int> data, int ecCount) {
    // The generator: the product of (x - alpha^(base + i)), highest power first here.
    std::vector<int> generator{1};
    for (int i = 0; i < ecCount; ++i) {
        std::vector<int> next(generator.size() + 1, 0);
        const int root = f.exp(f.generatorBase() + i);
        for (std::size_t j = 0; j < generator.size(); ++j) {
            next[j] ^= generator[j];
            next[j + 1] ^= f.multiply(generator[j], root);
        }
        generator = std::move(next);
    }
    std::vector<int> remainder(std::size_t(ecCount), 0);
    for (const int d : data) {
        const int factor = d ^ remainder.front();
        remainder.erase(remainder.begin());
        remainder.push_back(0);
        for (std::size_t j = 0; j < remainder.size(); ++j)
            remainder[j] ^= f.multiply(generator[j + 1], factor);
    }
    return remainder;
}

} // namespace ReedSolomon
