#pragma once

// GS1 element strings, "(01)09501101530003(17)271231(10)ABC" or "[01]...", checked against
// the AI table derived from GS1's syntax dictionary (Gs1Dictionary.inc, scripts/gs1-table).
// The table comes from the dictionary of GS1's gs1-syntax-dictionary repository as of
// 2026-07-27 (commit ff2eb4b); that file's release line reads "UNSET", so the table also keeps
// its sha256. Plain C++: the window, the command line and the encoders share it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gs1 {

// FNC1 in Gs1Message::encodable. GS (ASCII 29) is what a scanner sends for a separating FNC1
// and is never a valid data character, so it cannot be mistaken for data.
inline constexpr char kFnc1 = '\x1D';

// The symbol the element strings go into. A GS1-128 item may carry its other AIs in a second
// symbol, so a missing or clashing partner AI is only a warning there; a 2D symbol holds the
// whole message, so it is an error. GS1-128 also holds at most 48 data characters.
enum class Carrier { Gs1_128, Matrix };

struct Gs1Element {
    std::string ai;
    std::string data;
    bool predefinedLength = false; // no FNC1 needed after it
    std::size_t position = 0;      // 0-based offset of its opening bracket in the input
};

struct Gs1Message {
    std::vector<Gs1Element> elements;
    // What the symbol encodes: FNC1 first, then AI and data of each element, with an FNC1
    // after every element whose length is not predefined, unless it is the last.
    std::string encodable;
    std::vector<std::string> warnings;

    std::string bracketed() const;     // "[01]09501101530003[10]ABC", the libzint input form
    std::string parenthesized() const; // "(01)09501101530003(10)ABC", the human-readable text
};

enum class Gs1Rule {
    Syntax,     // brackets, AI digits, empty input
    UnknownAi,  // not in the dictionary
    Length,     // too short, too long, components that do not fit
    Charset,    // N, X (set 82), Y (set 39), Z (base64url)
    CheckDigit, // csum and csumalpha
    Content,    // dates, times, countries, currencies and the other linters
    Pairing,    // req= and ex=
    Repeated,   // one AI twice with different data
    Capacity,   // over 48 data characters in GS1-128, or input too long to be a symbol
    Placement,  // a Digital Link AI out of place: key, qualifier order, path or query
};

struct Gs1Error {
    Gs1Rule rule = Gs1Rule::Syntax;
    std::string ai;           // empty when no AI could be read
    std::size_t position = 0; // 0-based input offset of the offending character
    std::string message;      // "(17) 271331: month 13 is not a month (YYMMDD)"
};

using Gs1Result = std::variant<Gs1Message, Gs1Error>;

Gs1Result parseGs1(std::string_view input, Carrier carrier);
// The same checks over elements read from elsewhere (a Digital Link URI): each element's AI
// and data, then repeats and pairing; a refusal points at an element's `position`.
Gs1Result checkGs1Elements(std::vector<Gs1Element> elements, Carrier carrier);

// "(17) 271231", as refusals begin: the data shown safely and cut where it stops helping.
std::string shownElement(std::string_view ai, std::string_view data);

// How GS1 Digital Link may carry an AI, as the dictionary says.
struct DigitalLinkRole {
    bool attribute;  // may stand in the query as a data attribute
    bool primaryKey; // may lead the path
    // A primary key's qualifier sequences, "22,10,21|235": qualifiers follow the key in the
    // path in one sequence's order, any of them left out.
    std::string_view qualifiers;
};
// Nothing for an AI the dictionary lacks.
std::optional<DigitalLinkRole> digitalLinkRole(std::string_view ai);

// What a GS1-128 symbol may hold, AIs and separating FNC1s counted.
inline constexpr std::size_t kGs1_128MaxData = 48;
// Longer input cannot be any symbol's content; refused before it is looked at.
inline constexpr std::size_t kGs1MaxInput = 8000;

// The dictionary the table was made from: its release line and its file's sha256.
std::string_view gs1DictionaryRelease();
std::string_view gs1DictionarySha256();

// Whether this code checks a linter the table names. One it does not means the dictionary grew
// a linter this code has not heard of, which only the component's character set and length
// then stand in for.
bool gs1LinterChecked(std::string_view linter);
// Every linter name the table uses, once each.
std::vector<std::string> gs1TableLinters();

} // namespace gs1
