#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The bar patterns of every symbology, one character per module: "1" a dark module, "0" a light
// one. Encoders, renderers and the row decoder all read them from here, so a pattern can only be
// wrong in one place.
namespace SymbologyTables {

// Code 39: the characters in value order; a character's value is its position here.
inline constexpr std::string_view kCode39Characters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
inline constexpr int kCode39StartStop = 43;
inline constexpr int kCode39PatternModules = 12;

// Narrow element 1 module, wide element 2; indexed by character value.
inline constexpr std::array<std::string_view, 44> kCode39Patterns = {
    "101001101101", "110100101011", "101100101011", "110110010101", "101001101011", "110100110101",
    "101100110101", "101001011011", "110100101101", "101100101101", "110101001011", "101101001011",
    "110110100101", "101011001011", "110101100101", "101101100101", "101010011011", "110101001101",
    "101101001101", "101011001101", "110101010011", "101101010011", "110110101001", "101011010011",
    "110101101001", "101101101001", "101010110011", "110101011001", "101101011001", "101011011001",
    "110010101011", "100110101011", "110011010101", "100101101011", "110010110101", "100110110101",
    "100101011011", "110010101101", "100110101101", "100100100101", "100100101001", "100101001001",
    "101001001001", "100101101101",
};
static_assert(kCode39Patterns.size() == kCode39Characters.size());

// The lengths of the first N runs of equal modules: the widths of bars and spaces in modules.
template <std::size_t N> constexpr std::array<int, N> runsOf(std::string_view modules) {
    std::array<int, N> runs{};
    std::size_t count = 0;
    for (std::size_t i = 0; i < modules.size() && count < N; ++count) {
        std::size_t run = 1;
        while (i + run < modules.size() && modules[i + run] == modules[i])
            ++run;
        runs[count] = static_cast<int>(run);
        i += run;
    }
    return runs;
}

// A Code 39 character as its nine elements (bar, space, ..., bar; "1" wide, "0" narrow) and the
// narrow gap after it, the form a reader measures along a row.
constexpr std::array<char, 11> code39Elements(int value) {
    const std::array<int, 9> runs = runsOf<9>(kCode39Patterns[static_cast<std::size_t>(value)]);
    std::array<char, 11> elements{};
    for (std::size_t i = 0; i < runs.size(); ++i)
        elements[i] = runs[i] == 1 ? '0' : '1';
    elements[runs.size()] = '0';
    return elements;
}

// A group of ten Code 39 elements as a number: the first element in the highest bit, "1" wide.
constexpr std::size_t code39GroupNumber(std::string_view elements) {
    std::size_t number = 0;
    for (const char element : elements.substr(0, 10))
        number = number << 1 | (element == '1' ? 1 : 0);
    return number;
}

// The Code 39 value of every group number, -1 where no character has that group: a reader
// looks a measured character up once instead of comparing it with every pattern.
inline constexpr std::array<std::int8_t, 1024> kCode39ValueOfGroup = [] {
    std::array<std::int8_t, 1024> values{};
    values.fill(-1);
    for (int value = int(kCode39Patterns.size()); value-- > 0;)
        values[code39GroupNumber(std::string_view(code39Elements(value).data(), 10))] =
            static_cast<std::int8_t>(value);
    return values;
}();

// Code 39 asks for exactly nine elements, three of them wide, in every character.
constexpr bool everyCode39CharacterHasThreeWide() {
    for (int value = 0; value < int(kCode39Patterns.size()); ++value) {
        if (runsOf<10>(kCode39Patterns[static_cast<std::size_t>(value)])[9] != 0) return false;
        const std::array<char, 11> elements = code39Elements(value);
        int wide = 0, counted = 0;
        for (const char e : elements)
            if (e != '\0') {
                ++counted;
                wide += e == '1';
            }
        if (counted != 10 || wide != 3) return false;
    }
    return true;
}
static_assert(everyCode39CharacterHasThreeWide());
static_assert(std::string_view(code39Elements(kCode39StartStop).data()) == "0100101000");

// Code 128: indexed by symbol value, 11 modules each; the stop pattern has 13. The special
// values:
inline constexpr int kCode128Modules = 11;
inline constexpr int kCode128Shift = 98;
inline constexpr int kCode128CodeC = 99;
inline constexpr int kCode128CodeB = 100;
inline constexpr int kCode128CodeA = 101;
inline constexpr int kCode128Fnc1 = 102;
inline constexpr int kCode128StartA = 103;
inline constexpr int kCode128StartB = 104;
inline constexpr int kCode128StartC = 105;
inline constexpr int kCode128StopValue = 106; // the value a reader gives the stop pattern
inline constexpr std::array<std::string_view, 106> kCode128Patterns = {
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
inline constexpr std::string_view kCode128Stop = "1100011101011";
static_assert(kCode128Patterns[0].size() == kCode128Modules);
static_assert(kCode128Patterns.size() == kCode128StopValue);

// EAN-13, EAN-8 and UPC-A: seven modules per digit, indexed by the digit. Left-hand digits use
// odd parity (set A) or even parity (set B); right-hand digits set C.
using DigitPatterns = std::array<std::string_view, 10>;
inline constexpr DigitPatterns kEanLeftOdd = {"0001101", "0011001", "0010011", "0111101",
                                              "0100011", "0110001", "0101111", "0111011",
                                              "0110111", "0001011"};
inline constexpr DigitPatterns kEanLeftEven = {"0100111", "0110011", "0011011", "0100001",
                                               "0011101", "0111001", "0000101", "0010001",
                                               "0001001", "0010111"};
inline constexpr DigitPatterns kEanRight = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                            "1001110", "1010000", "1000100", "1001000", "1110100"};
// The first EAN-13 digit is not drawn as bars: it picks odd ("O") or even ("E") parity for the
// next six digits.
inline constexpr std::array<std::string_view, 10> kEan13Parity = {
    "OOOOOO", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
    "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};
inline constexpr std::string_view kEanEdgeGuard = "101";
inline constexpr std::string_view kEanCentreGuard = "01010";

// Even parity is odd parity mirrored and inverted; set C is odd parity inverted.
constexpr bool eanDigitSetsAgree() {
    for (std::size_t d = 0; d < 10; ++d)
        for (std::size_t m = 0; m < 7; ++m) {
            if (kEanRight[d][m] == kEanLeftOdd[d][m]) return false;
            if (kEanLeftEven[d][m] != kEanRight[d][6 - m]) return false;
        }
    return true;
}
static_assert(eanDigitSetsAgree());

// The linear symbologies libzint draws, as the row decoder reads them back.

// UPC-E: six left-hand digits whose parities give the number system and the check digit. Number
// system 0 as listed, indexed by the check digit; number system 1 has every parity swapped. An
// EAN/UPC 5-digit add-on's parities, indexed by its checksum, are the last five of the same.
inline constexpr std::array<std::string_view, 10> kUpcEParity = {
    "EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
    "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};
inline constexpr std::string_view kUpcEEndGuard = "010101";
// The 2-digit add-on's parities, indexed by its value modulo 4.
inline constexpr std::array<std::string_view, 4> kAddOn2Parity = {"OO", "OE", "EO", "EE"};
inline constexpr std::string_view kAddOnGuard = "1011";
inline constexpr std::string_view kAddOnDelineator = "01";

// Interleaved 2 of 5: each digit five elements, two wide ('1'); a pair of digits interleaves the
// first's bars with the second's spaces. Start: four narrow elements; stop: wide bar, narrow
// space, narrow bar.
inline constexpr std::array<std::string_view, 10> kItfDigits = {
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010"};

// Code 93: nine modules a character in three bars and three spaces, given as their widths; 43 to
// 46 shift into full ASCII; the last is the start and stop character, the stop followed by a
// one-module bar.
inline constexpr std::string_view kCode93Characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
inline constexpr std::array<std::string_view, 48> kCode93Widths = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114",
    "131211", "141111", "211113", "211212", "211311", "221112", "221211", "231111",
    "112113", "112212", "112311", "122112", "132111", "111123", "111222", "111321",
    "121122", "131121", "212112", "212211", "211122", "211221", "221121", "222111",
    "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211", "111141"};
inline constexpr int kCode93Modules = 9;
inline constexpr int kCode93StartStop = 47;
static_assert(kCode93Characters.size() == 43);

// Codabar: seven elements a character, bar first, wide ones '1'; A to D start and stop.
inline constexpr std::string_view kCodabarCharacters = "0123456789-$:/.+ABCD";
inline constexpr std::array<std::string_view, 20> kCodabarPatterns = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001",
    "0100100", "0110000", "1001000", "0001100", "0011000", "1000101", "1010001",
    "1010100", "0010101", "0011010", "0101001", "0001011", "0001110"};
static_assert(kCodabarCharacters.size() == kCodabarPatterns.size());

} // namespace SymbologyTables
