#include "Code128.h"

#include "LinearRender.h"
#include "RendererError.h"

#include <array>
#include <cstdint>

namespace Code128 {
namespace {

const QString kSource = QStringLiteral("Code 128");

// Codes 32 to 126 in order: a character's set-B value is its position here.
const QString Code128Chars = [] {
    QString chars;
    for (char16_t code = 32; code <= 126; ++code)
        chars.append(QChar(code));
    return chars;
}();

constexpr int kCodeC = 99;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kNoValue = -1; // a character outside codes 32 to 126

// Bars "1", spaces "0", one character per module; indexed by symbol value.
constexpr std::array<const char*, 106> kPatterns = {
    "11011001100", "11001101100", "11001100110", "10010011000", "10010001100", // 0
    "10001001100", "10011001000", "10011000100", "10001100100", "11001001000", // 5
    "11001000100", "11000100100", "10110011100", "10011011100", "10011001110", // 10
    "10111001100", "10011101100", "10011100110", "11001110010", "11001011100", // 15
    "11001001110", "11011100100", "11001110100", "11101101110", "11101001100", // 20
    "11100101100", "11100100110", "11101100100", "11100110100", "11100110010", // 25
    "11011011000", "11011000110", "11000110110", "10100011000", "10001011000", // 30
    "10001000110", "10110001000", "10001101000", "10001100010", "11010001000", // 35
    "11000101000", "11000100010", "10110111000", "10110001110", "10001101110", // 40
    "10111011000", "10111000110", "10001110110", "11101110110", "11010001110", // 45
    "11000101110", "11011101000", "11011100010", "11011101110", "11101011000", // 50
    "11101000110", "11100010110", "11101101000", "11101100010", "11100011010", // 55
    "11101111010", "11001000010", "11110001010", "10100110000", "10100001100", // 60
    "10010110000", "10010000110", "10000101100", "10000100110", "10110010000", // 65
    "10110000100", "10011010000", "10011000010", "10000110100", "10000110010", // 70
    "11000010010", "11001010000", "11110111010", "11000010100", "10001111010", // 75
    "10100111100", "10010111100", "10010011110", "10111100100", "10011110100", // 80
    "10011110010", "11110100100", "11110010100", "11110010010", "11011011110", // 85
    "11011110110", "11110110110", "10101111000", "10100011110", "10001011110", // 90
    "10111101000", "10111100010", "11110101000", "11110100010", "10111011110", // 95
    "10111101110", "11101011110", "11110101110", "11010000100", "11010010000", // 100
    "11010011100",                                                             // 105
};
constexpr const char* kStopPattern = "1100011101011";

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

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
        if (isDigit(text[i])) {
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

// The surface width the classic formula gives, in pixels (15 twips each).
std::int64_t surfaceWidthPixels(const QString& text) {
    return (static_cast<std::int64_t>(CountCode128Symbols(text)) + 3) * 11 + 25;
}

// Draws in order and fails at the first character without a value, after those before it.
void renderCode128(LinearRender& render) {
    for (const int value : encode(render.codeText)) {
        if (value == kNoValue) throw RendererError::subscriptOutOfRange(kSource);
        render.drawModules(QString::fromLatin1(kPatterns[value]));
    }
    render.drawModules(QString::fromLatin1(kStopPattern));
    if (render.caption) render.printCaption();
}

} // namespace

int CountCode128Symbols(const QString& text) {
    int run = 0;
    int total = 0;
    for (const QChar c : text) {
        if (isDigit(c)) {
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
    if (values.contains(kNoValue)) throw RendererError::subscriptOutOfRange(kSource);
    return values;
}

void DrawCode128(DrawingSurface& surface, std::int16_t heightUnits, const QString& codeText,
                 bool caption) {
    LinearRender render(surface, codeText, caption, 1);
    surface.setPicture(QImage());
    const std::int64_t widthPixels = surfaceWidthPixels(codeText);
    if (widthPixels > kMaxSymbolPixels)
        throw RendererError::refusal(kSource, QStringLiteral("The Code Text is too long"));

    render.prepareSurface(LinearRender::barHeightOf(heightUnits, kSource));
    surface.setWidth(static_cast<double>(widthPixels) * Geometry::TwipsPerPixelX);
    renderCode128(render);
    render.finish();
}

} // namespace Code128
