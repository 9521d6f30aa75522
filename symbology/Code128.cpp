#include "symbology/Code128.h"

#include "symbology/DigitCode.h"
#include "symbology/RuntimeError.h"
#include "symbology/SymbologyTables.h"

#include <array>
#include <cstdint>

namespace Code128 {
namespace {

// Codes 32 to 126 in order: a character's set-B value is its position here.
const QString Code128Chars = [] {
    QString chars;
    for (char16_t code = 32; code <= 126; ++code)
        chars.append(QChar(code));
    return chars;
}();

constexpr int kCodeC = SymbologyTables::kCode128CodeC;
constexpr int kStartB = SymbologyTables::kCode128StartB;
constexpr int kStartC = SymbologyTables::kCode128StartC;
constexpr int kNoValue = -1; // a character outside codes 32 to 126

// The symbol values in drawing order with the weighted sum the check character comes from.
// Wide integers: long texts would overflow 16 bits long before the width limit.
class Encoder {
  public:
    void addSetBChar(QChar c) {
        ++weight_;
        const int value = static_cast<int>(Code128Chars.indexOf(c));
        sum_ += weight_ * value;
        start(kStartB);
        values_.append(value);
    }

    // The pairs' patterns are all drawn before their weights are added; the sum is the same.
    void addSetCDigits(QStringView digits) {
        if (!started_) {
            start(kStartC);
        } else {
            values_.append(kCodeC);
            ++weight_;
            sum_ += weight_ * kCodeC;
        }
        for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
            const int value = (digits[i].unicode() - u'0') * 10 + (digits[i + 1].unicode() - u'0');
            values_.append(value);
            ++weight_;
            sum_ += weight_ * value;
        }
    }

    // An empty text still gets its start character, so the symbol stays readable.
    QList<int> finish() {
        start(kStartB);
        const auto check = static_cast<int>(((sum_ % 103) + 103) % 103);
        values_.append(check);
        return values_;
    }

  private:
    void start(int startValue) {
        if (started_) return;
        started_ = true;
        sum_ += startValue;
        values_.append(startValue);
    }

    QList<int> values_;
    std::int64_t sum_ = 0;
    std::int64_t weight_ = 0;
    bool started_ = false;
};

// Single characters go in set B; a final run of four or more digits goes in set C in pairs,
// an odd one's first digit staying in set B. Unknown characters keep kNoValue.
QList<int> encode(const QString& text) {
    Encoder encoder;
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (DigitCode::isDigit(text[i])) {
            ++run;
            continue;
        }
        for (qsizetype j = i - run; j <= i; ++j)
            encoder.addSetBChar(text[j]);
        run = 0;
    }
    const QStringView tail = QStringView(text).right(run);
    if (run >= 4) {
        const qsizetype odd = run % 2;
        if (odd) encoder.addSetBChar(tail[0]);
        encoder.addSetCDigits(tail.mid(odd));
    } else {
        for (const QChar c : tail)
            encoder.addSetBChar(c);
    }
    return encoder.finish();
}

// The symbol as far as the values reach: up to the first character without a value, or whole
// with its stop pattern.
Symbol symbolOf(const QList<int>& values, const QString& text, bool caption) {
    Symbol symbol;
    const bool complete = !values.contains(kNoValue);
    for (const int value : values) {
        if (value == kNoValue) break;
        symbol.modules += QString::fromLatin1(SymbologyTables::kCode128Patterns[value]);
    }
    if (!complete) return symbol;
    symbol.modules += QString::fromLatin1(SymbologyTables::kCode128Stop);
    if (caption) symbol.texts = {{text, {0, static_cast<int>(symbol.modules.size())}}};
    symbol.takeFactsOf(::Symbology::Code128);
    return symbol;
}

void refuseTooLong(const QString& text) {
    if (workPictureWidthPixels(text) > kMaxSymbolPixels)
        throw RuntimeError::refusal(QStringLiteral("The Code Text is too long"));
}

} // namespace

int CountCode128Symbols(const QString& text) {
    int run = 0;
    int total = 0;
    for (const QChar c : text) {
        if (DigitCode::isDigit(c)) {
            ++run;
        } else {
            total += run + 1;
            run = 0;
        }
    }
    if (run < 4) return total + run;
    if (total != 0) total += 1; // CODE C
    // An odd run counts two for its set-B digit, one more than it takes after other characters.
    if (run % 2 != 0) {
        run -= 1;
        total += 2;
    }
    return total + run / 2;
}

// Throws the same error as drawing would for a character outside codes 32 to 126.
QList<int> Code128Values(const QString& text) {
    const QList<int> values = encode(text);
    if (values.contains(kNoValue)) throw RuntimeError::noValue();
    return values;
}

Symbol EncodeCode128(const QString& codeText, bool caption) {
    refuseTooLong(codeText);
    return symbolOf(Code128Values(codeText), codeText, caption);
}

// The work picture's width the classic formula gives, a module to a pixel.
std::int64_t workPictureWidthPixels(const QString& text) {
    return (static_cast<std::int64_t>(CountCode128Symbols(text)) + 3) * 11 + 25;
}

PartialSymbol EncodeCode128AsFarAsPossible(const QString& codeText, bool caption) {
    refuseTooLong(codeText);
    const QList<int> values = encode(codeText);
    return {symbolOf(values, codeText, caption), !values.contains(kNoValue)};
}

} // namespace Code128
