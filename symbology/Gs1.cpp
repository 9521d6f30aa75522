#include "symbology/Gs1.h"

#include "symbology/CheckDigit.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

namespace gs1 {
namespace {

struct Gs1Component {
    char cset;
    unsigned char min;
    unsigned char max;
    bool optional;
    std::string_view linters;
};

struct Gs1Entry {
    std::string_view ai;
    bool predefined;
    unsigned char count;
    Gs1Component components[5];
    std::string_view req;
    std::string_view ex;
    bool dlAttribute;
    bool dlKey;
    std::string_view dlQualifiers;
    std::string_view title;
};

#include "symbology/Gs1Dictionary.inc"

static_assert(std::ranges::is_sorted(kGs1Entries, {}, &Gs1Entry::ai),
              "the table is looked up by halving; the dictionary keeps its AIs in order");

// Code lists for the country and currency linters: three digits or two letters per code, in
// order. The countries from Debian's iso-codes 4.15 (ISO 3166-1 as of 2023).
constexpr std::string_view kIso3166Numeric =
    "004008010012016020024028031032036040044048050051052056060064068070072074076084086090092096"
    "100104108112116120124132136140144148152156158162166170174175178180184188191192196203204208"
    "212214218222226231232233234238239242246248250254258260262266268270275276288292296300304308"
    "312316320324328332334336340344348352356360364368372376380384388392398400404408410414417418"
    "422426428430434438440442446450454458462466470474478480484492496498499500504508512516520524"
    "528531533534535540548554558562566570574578580581583584585586591598600604608612616620624626"
    "630634638642643646652654659660662663666670674678682686688690694702703704705706710716724728"
    "729732740744748752756760762764768772776780784788792795796798800804807818826831832833834840"
    "850854858860862876882887894";
constexpr std::string_view kIso3166Alpha2 =
    "ADAEAFAGAIALAMAOAQARASATAUAWAXAZBABBBDBEBFBGBHBIBJBLBMBNBOBQBRBSBTBVBWBYBZCACCCDCFCGCHCICK"
    "CLCMCNCOCRCUCVCWCXCYCZDEDJDKDMDODZECEEEGEHERESETFIFJFKFMFOFRGAGBGDGEGFGGGHGIGLGMGNGPGQGRGS"
    "GTGUGWGYHKHMHNHRHTHUIDIEILIMINIOIQIRISITJEJMJOJPKEKGKHKIKMKNKPKRKWKYKZLALBLCLILKLRLSLTLULV"
    "LYMAMCMDMEMFMGMHMKMLMMMNMOMPMQMRMSMTMUMVMWMXMYMZNANCNENFNGNINLNONPNRNUNZOMPAPEPFPGPHPKPLPM"
    "PNPRPSPTPWPYQARERORSRURWSASBSCSDSESGSHSISJSKSLSMSNSOSRSSSTSVSXSYSZTCTDTFTGTHTJTKTLTMTNTOTR"
    "TTTVTWTZUAUGUMUSUYUZVAVCVEVGVIVNVUWFWSYEYTZAZMZW";
// The currencies as GS1's linter takes them (scripts/gs1-table names its version): ISO 4217 to
// amendment 179, the kuna, the old leone, the CUC and the ZWL withdrawn, ZiG and XAD added.
constexpr std::string_view kIso4217Numeric =
    "008012032036044048050051052060064068072084090096104108116124132136144152156170174188192203"
    "208214222230232238242262270292320324328332340344348352356360364368376388392396398400404408"
    "410414417418422426430434446454458462480484496498504512516524532533548554558566578586590598"
    "600604608634643646654682690702704706710728748752756760764776780784788800807818826834840858"
    "860882886901924925926927928929930933934936938940941943944946947948949950951952953955956957"
    "958959960961962963964965967968969970971972973975976977978979980981984985986990994997999";

bool inCodeList(std::string_view list, std::string_view code) {
    const std::size_t width = code.size();
    std::size_t lo = 0, hi = list.size() / width;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        const std::string_view at = list.substr(mid * width, width);
        if (at == code) return true;
        if (at < code)
            lo = mid + 1;
        else
            hi = mid;
    }
    return false;
}

const Gs1Entry* findEntry(std::string_view ai) {
    const auto it = std::ranges::lower_bound(kGs1Entries, ai, {}, &Gs1Entry::ai);
    return it != std::end(kGs1Entries) && it->ai == ai ? &*it : nullptr;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

constexpr std::string_view kCset82 =
    "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kCset39 = "#-/0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kCset32 = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";

// A character as a message can show it: control and non-ASCII bytes as \xHH.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    static constexpr char hex[] = "0123456789ABCDEF";
    return std::string{'\\', 'x', hex[byte >> 4], hex[byte & 15]};
}

// Data as a message echoes it: shown character by character and cut where it stops helping.
std::string shown(std::string_view data) {
    constexpr std::size_t kLongest = 48;
    std::string text;
    for (std::size_t i = 0; i < data.size() && i < kLongest; ++i)
        text += shown(data[i]);
    if (data.size() > kLongest) text += "...";
    return text;
}

std::string number(std::size_t n) {
    return std::to_string(n);
}

// "N14", "N3 [N3]", "X..20": the AI's format as GS1 writes it, the fix for a length fault.
std::string format(const Gs1Entry& entry) {
    std::string text;
    for (int i = 0; i < entry.count; ++i) {
        const Gs1Component& c = entry.components[i];
        std::string part(1, c.cset);
        if (c.min == c.max)
            part += number(c.min);
        else
            part += (c.min > 1 ? number(c.min) : std::string()) + ".." + number(c.max);
        if (c.optional) part = "[" + part + "]";
        text += (i > 0 ? " " : "") + part;
    }
    return text;
}

// A fault inside one element: where in its data, what rule, and the text after "(AI) DATA: ".
struct Fault {
    std::size_t offset;
    Gs1Rule rule;
    std::string text;
};

using Lint = std::optional<Fault> (*)(std::string_view part, std::size_t offset);

int twoDigits(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

std::string twoDigitText(int value) {
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

int daysInMonth(int month, bool leap) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap ? 29 : days[month - 1];
}

// Year, month and day at the front of part; dayZero lets day 00 stand for the whole month.
std::optional<Fault> checkDate(std::string_view part, std::size_t offset, bool fourDigitYear,
                               bool dayZero) {
    const std::size_t m = fourDigitYear ? 4 : 2;
    const std::string fix = fourDigitYear ? " (YYYYMMDD)" : " (YYMMDD)";
    const int month = twoDigits(part, m);
    const int day = twoDigits(part, m + 2);
    if (month < 1 || month > 12)
        return Fault{offset + m, Gs1Rule::Content,
                     "month " + twoDigitText(month) + " is not a month" + fix};
    bool leap;
    if (fourDigitYear) {
        const int year = twoDigits(part, 0) * 100 + twoDigits(part, 2);
        leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    } else {
        // Two-digit years fall within 2000 to 2099 for the next decades; 00 is 2000, a leap year.
        leap = twoDigits(part, 0) % 4 == 0;
    }
    if ((day == 0 && !dayZero) || day > daysInMonth(month, leap))
        return Fault{offset + m + 2, Gs1Rule::Content,
                     "day " + twoDigitText(day) + " is not a day of month " + twoDigitText(month) +
                         (dayZero && !fourDigitYear ? " (YYMMDD, day 00 for a whole month)" : fix)};
    return std::nullopt;
}

std::optional<Fault> checkClock(std::string_view part, std::size_t offset, std::size_t at,
                                int limit, const char* what, const char* fix) {
    const int value = twoDigits(part, at);
    if (value < limit) return std::nullopt;
    return Fault{offset + at, Gs1Rule::Content,
                 std::string(what) + " " + twoDigitText(value) + " is not " +
                     (what[0] == 'h' ? "an " : "a ") + what + " (" + fix + ")"};
}

std::optional<Fault> lintCsum(std::string_view part, std::size_t offset) {
    const std::size_t last = part.size() - 1;
    const char expected =
        static_cast<char>('0' + gs1CheckDigit(last, [&](std::size_t i) { return part[i] - '0'; }));
    if (part[last] == expected) return std::nullopt;
    return Fault{offset + last, Gs1Rule::CheckDigit,
                 std::string("check digit ") + part[last] + " should be " + expected};
}

// Two check characters over an alphanumeric key: each character's place in set 82 weighted by
// the primes from 2 up, counted from the right, modulo 1021, written in base 32.
std::optional<Fault> lintCsumalpha(std::string_view part, std::size_t offset) {
    static constexpr int primes[] = {2,  3,  5,  7,  11, 13, 17, 19, 23, 29, 31, 37,
                                     41, 43, 47, 53, 59, 61, 67, 71, 73, 79, 83, 89};
    if (part.size() < 3)
        return Fault{offset, Gs1Rule::Length,
                     "needs at least one character before its two check characters"};
    const std::size_t body = part.size() - 2;
    if (body > std::size(primes))
        return Fault{offset, Gs1Rule::Length, "too long for its two check characters"};
    int sum = 0;
    for (std::size_t i = 0; i < body; ++i)
        sum += static_cast<int>(kCset82.find(part[i])) * primes[body - 1 - i];
    sum %= 1021;
    const std::string expected{kCset32[sum >> 5], kCset32[sum & 31]};
    if (part.substr(body) == expected) return std::nullopt;
    return Fault{offset + body, Gs1Rule::CheckDigit,
                 "check characters " + std::string(part.substr(body)) + " should be " + expected};
}

std::optional<Fault> lintYymmd0(std::string_view p, std::size_t o) {
    return checkDate(p, o, false, true);
}
std::optional<Fault> lintYymmdd(std::string_view p, std::size_t o) {
    return checkDate(p, o, false, false);
}
std::optional<Fault> lintYyyymmdd(std::string_view p, std::size_t o) {
    return checkDate(p, o, true, false);
}
std::optional<Fault> lintHhmi(std::string_view p, std::size_t o) {
    if (auto fault = checkClock(p, o, 0, 24, "hour", "HHMI")) return fault;
    return checkClock(p, o, 2, 60, "minute", "HHMI");
}
std::optional<Fault> lintHh(std::string_view p, std::size_t o) {
    return checkClock(p, o, 0, 24, "hour", "HH");
}
std::optional<Fault> lintMi(std::string_view p, std::size_t o) {
    return checkClock(p, o, 0, 60, "minute", "MI");
}
std::optional<Fault> lintSs(std::string_view p, std::size_t o) {
    return checkClock(p, o, 0, 60, "second", "SS");
}

std::optional<Fault> countryFault(std::string_view p, std::size_t o, bool allow999) {
    if (inCodeList(kIso3166Numeric, p) || (allow999 && p == "999")) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "country " + std::string(p) + " is not an ISO 3166 country number" +
                     (allow999 ? " nor 999" : "")};
}
std::optional<Fault> lintIso3166(std::string_view p, std::size_t o) {
    return countryFault(p, o, false);
}
std::optional<Fault> lintIso3166999(std::string_view p, std::size_t o) {
    return countryFault(p, o, true);
}
std::optional<Fault> lintIso3166alpha2(std::string_view p, std::size_t o) {
    if (inCodeList(kIso3166Alpha2, p)) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "country " + shown(p) + " is not an ISO 3166 alpha-2 code (capital letters)"};
}
std::optional<Fault> lintIso4217(std::string_view p, std::size_t o) {
    if (inCodeList(kIso4217Numeric, p)) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "currency " + std::string(p) + " is not an ISO 4217 currency number"};
}

bool isHex(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::optional<Fault> lintPcenc(std::string_view p, std::size_t o) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] != '%') continue;
        if (i + 2 >= p.size() || !isHex(p[i + 1]) || !isHex(p[i + 2]))
            return Fault{o + i, Gs1Rule::Content,
                         "'%' at character " + number(o + i + 1) +
                             " is not followed by two hex digits (write % as %25)"};
        i += 2;
    }
    return std::nullopt;
}

std::optional<Fault> degreesFault(std::string_view p, std::size_t o, std::string_view limit,
                                  const char* what) {
    if (p <= limit) return std::nullopt; // both ten digits: text order is number order
    return Fault{o, Gs1Rule::Content,
                 std::string(what) + " " + std::string(p) + " is over " + std::string(limit)};
}
std::optional<Fault> lintLatitude(std::string_view p, std::size_t o) {
    return degreesFault(p, o, "1800000000", "latitude");
}
std::optional<Fault> lintLongitude(std::string_view p, std::size_t o) {
    return degreesFault(p, o, "3600000000", "longitude");
}

std::optional<Fault> oneOf(std::string_view p, std::size_t o, std::string_view allowed,
                           const std::string& what) {
    if (p.size() == 1 && allowed.find(p[0]) != std::string_view::npos) return std::nullopt;
    return Fault{o, Gs1Rule::Content, what};
}
std::optional<Fault> lintYesno(std::string_view p, std::size_t o) {
    return oneOf(p, o, "01", shown(p) + " is neither 0 (no) nor 1 (yes)");
}
std::optional<Fault> lintHyphen(std::string_view p, std::size_t o) {
    return oneOf(p, o, "-", "character " + number(o + 1) + " '" + shown(p) + "' can only be '-'");
}
std::optional<Fault> lintZero(std::string_view p, std::size_t o) {
    return oneOf(p, o, "0", "character " + number(o + 1) + " '" + shown(p) + "' can only be 0");
}
std::optional<Fault> lintWinding(std::string_view p, std::size_t o) {
    return oneOf(p, o, "019", "winding direction " + shown(p) + " is not 0, 1 or 9");
}
std::optional<Fault> lintIso5218(std::string_view p, std::size_t o) {
    return oneOf(p, o, "0129", "sex " + shown(p) + " is not an ISO 5218 code (0, 1, 2 or 9)");
}
std::optional<Fault> lintImporteridx(std::string_view p, std::size_t o) {
    return oneOf(p, o, "-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz",
                 "importer index '" + shown(p) + "' is not one of 0-9 A-Z a-z - _");
}

std::optional<Fault> lintNonzero(std::string_view p, std::size_t o) {
    if (p.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "characters " + number(o + 1) + " to " + number(o + p.size()) + " (" +
                     std::string(p) + ") must not be zero"};
}

std::optional<Fault> lintPieceoftotal(std::string_view p, std::size_t o) {
    const int piece = twoDigits(p, 0), total = twoDigits(p, 2);
    if (piece == 0) return Fault{o, Gs1Rule::Content, "piece 00: pieces count from 01"};
    if (total == 0) return Fault{o + 2, Gs1Rule::Content, "total 00: a total is 01 or more"};
    if (piece > total)
        return Fault{o, Gs1Rule::Content,
                     "piece " + twoDigitText(piece) + " is beyond the total of " +
                         twoDigitText(total)};
    return std::nullopt;
}

std::optional<Fault> lintPosinseqslash(std::string_view p, std::size_t o) {
    const std::size_t slash = p.find('/');
    const auto positive = [](std::string_view n) {
        return !n.empty() && n.size() <= 2 && std::ranges::all_of(n, isDigit) && n[0] != '0';
    };
    if (slash != std::string_view::npos && positive(p.substr(0, slash)) &&
        positive(p.substr(slash + 1))) {
        const int position = std::stoi(std::string(p.substr(0, slash)));
        const int count = std::stoi(std::string(p.substr(slash + 1)));
        if (position <= count) return std::nullopt;
    }
    return Fault{o, Gs1Rule::Content,
                 shown(p) + " is not a place in a sequence (N/M, N from 1 to M)"};
}

std::optional<Fault> lintIban(std::string_view p, std::size_t o) {
    for (std::size_t i = 0; i < p.size(); ++i)
        if (!isDigit(p[i]) && !isUpper(p[i]))
            return Fault{o + i, Gs1Rule::Content,
                         "character " + number(o + i + 1) + " '" + shown(p[i]) +
                             "' is not an IBAN character (0-9 A-Z)"};
    if (p.size() < 5 || !isUpper(p[0]) || !isUpper(p[1]) || !isDigit(p[2]) || !isDigit(p[3]))
        return Fault{o, Gs1Rule::Content,
                     "an IBAN starts with a country code and two check digits"};
    if (!inCodeList(kIso3166Alpha2, p.substr(0, 2)))
        return Fault{o, Gs1Rule::Content,
                     "IBAN country " + std::string(p.substr(0, 2)) +
                         " is not an ISO 3166 alpha-2 code"};
    int rest = 0;
    const auto add = [&rest](char c) {
        if (isDigit(c))
            rest = (rest * 10 + (c - '0')) % 97;
        else
            rest = (rest * 100 + (c - 'A' + 10)) % 97;
    };
    for (std::size_t i = 4; i < p.size(); ++i)
        add(p[i]);
    for (std::size_t i = 0; i < 4; ++i)
        add(p[i]);
    if (rest == 1) return std::nullopt;
    return Fault{o + 2, Gs1Rule::CheckDigit,
                 "IBAN check digits " + std::string(p.substr(2, 2)) + " do not match (mod 97)"};
}

std::optional<Fault> lintNozeroprefix(std::string_view p, std::size_t o) {
    // "0" alone too: GS1's linter refuses any leading zero.
    if (p.empty() || p[0] != '0') return std::nullopt;
    return Fault{o, Gs1Rule::Content, "a leading 0 is not allowed"};
}

std::optional<Fault> lintHasnondigit(std::string_view p, std::size_t o) {
    if (!std::ranges::all_of(p, isDigit)) return std::nullopt;
    return Fault{o, Gs1Rule::Content, "needs at least one character that is not a digit"};
}

// GS1 Company Prefixes are four digits at least; which prefixes are allotted takes GS1's own
// register, which an offline program does not have.
constexpr std::size_t kShortestCompanyPrefix = 4;

std::optional<Fault> lintGcppos1(std::string_view p, std::size_t o) {
    if (p.size() < kShortestCompanyPrefix)
        return Fault{o, Gs1Rule::Content,
                     "too short to start with a GS1 Company Prefix (4 digits at least)"};
    for (std::size_t i = 0; i < kShortestCompanyPrefix; ++i)
        if (!isDigit(p[i]))
            return Fault{o + i, Gs1Rule::Content,
                         "character " + number(i + 1) + " '" + shown(p[i]) +
                             "' cannot be part of a GS1 Company Prefix, which starts with 4 "
                             "digits"};
    return std::nullopt;
}

std::optional<Fault> lintGcppos2(std::string_view p, std::size_t o) {
    if (p.empty())
        return Fault{o, Gs1Rule::Content,
                     "too short to hold a GS1 Company Prefix after its first character"};
    return lintGcppos1(p.substr(1), o + 1);
}

// AIDC media types: 01 to 10 assigned by ICCBBA, 80 to 99 for its local use.
std::optional<Fault> lintMediatype(std::string_view p, std::size_t o) {
    const int type = p.size() == 2 && isDigit(p[0]) && isDigit(p[1]) ? twoDigits(p, 0) : -1;
    if ((type >= 1 && type <= 10) || type >= 80) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "media type " + shown(p) + " is not an AIDC media type (01 to 10, 80 to 99)"};
}

// GS1's PackageTypeCode list: UN/ECE Recommendation 21 with GS1's own codes, in order.
constexpr std::string_view kPackageTypes[] = {
    "1A",  "1B",  "1D",  "1F", "1G",  "1W",  "200", "201", "202", "203", "204", "205", "206", "210",
    "211", "212", "2C",  "3A", "3H",  "43",  "44",  "4A",  "4B",  "4C",  "4D",  "4F",  "4G",  "4H",
    "5H",  "5L",  "5M",  "6H", "6P",  "7A",  "7B",  "8",   "8A",  "8B",  "8C",  "9",   "AA",  "AB",
    "AC",  "AD",  "AF",  "AG", "AH",  "AI",  "AJ",  "AL",  "AM",  "AP",  "APE", "AT",  "AV",  "B4",
    "BB",  "BC",  "BD",  "BE", "BF",  "BG",  "BGE", "BH",  "BI",  "BJ",  "BK",  "BL",  "BM",  "BME",
    "BN",  "BO",  "BP",  "BQ", "BR",  "BRI", "BS",  "BT",  "BU",  "BV",  "BW",  "BX",  "BY",  "BZ",
    "CA",  "CB",  "CBL", "CC", "CCE", "CD",  "CE",  "CF",  "CG",  "CH",  "CI",  "CJ",  "CK",  "CL",
    "CM",  "CN",  "CO",  "CP", "CQ",  "CR",  "CS",  "CT",  "CU",  "CV",  "CW",  "CX",  "CY",  "CZ",
    "DA",  "DB",  "DC",  "DG", "DH",  "DI",  "DJ",  "DK",  "DL",  "DM",  "DN",  "DP",  "DPE", "DR",
    "DS",  "DT",  "DU",  "DV", "DW",  "DX",  "DY",  "E1",  "E2",  "E3",  "EC",  "ED",  "EE",  "EF",
    "EG",  "EH",  "EI",  "EN", "FB",  "FC",  "FD",  "FE",  "FI",  "FL",  "FO",  "FOB", "FP",  "FPE",
    "FR",  "FT",  "FW",  "FX", "GB",  "GI",  "GL",  "GR",  "GU",  "GY",  "GZ",  "HA",  "HB",  "HC",
    "HG",  "HN",  "HR",  "IA", "IB",  "IC",  "ID",  "IE",  "IF",  "IG",  "IH",  "IK",  "IL",  "IN",
    "IZ",  "JB",  "JC",  "JG", "JR",  "JT",  "JY",  "KG",  "KI",  "LAB", "LE",  "LG",  "LT",  "LU",
    "LV",  "LZ",  "MA",  "MB", "MC",  "ME",  "MPE", "MR",  "MS",  "MT",  "MW",  "MX",  "NA",  "NE",
    "NF",  "NG",  "NS",  "NT", "NU",  "NV",  "OA",  "OB",  "OC",  "OD",  "OE",  "OF",  "OK",  "OPE",
    "OT",  "OU",  "P2",  "PA", "PAE", "PB",  "PC",  "PD",  "PE",  "PF",  "PG",  "PH",  "PI",  "PJ",
    "PK",  "PL",  "PLP", "PN", "PO",  "POP", "PP",  "PPE", "PR",  "PT",  "PU",  "PUE", "PV",  "PX",
    "PY",  "PZ",  "QA",  "QB", "QC",  "QD",  "QF",  "QG",  "QH",  "QJ",  "QK",  "QL",  "QM",  "QN",
    "QP",  "QQ",  "QR",  "QS", "RB1", "RB2", "RB3", "RCB", "RD",  "RG",  "RJ",  "RK",  "RL",  "RO",
    "RT",  "RZ",  "S1",  "SA", "SB",  "SC",  "SD",  "SE",  "SEC", "SH",  "SI",  "SK",  "SL",  "SM",
    "SO",  "SP",  "SS",  "ST", "STL", "SU",  "SV",  "SW",  "SX",  "SY",  "SZ",  "T1",  "TB",  "TC",
    "TD",  "TE",  "TEV", "TG", "THE", "TI",  "TK",  "TL",  "TN",  "TO",  "TR",  "TRE", "TS",  "TT",
    "TTE", "TU",  "TV",  "TW", "TWE", "TY",  "TZ",  "UC",  "UN",  "UUE", "VA",  "VG",  "VI",  "VK",
    "VL",  "VN",  "VO",  "VP", "VQ",  "VR",  "VS",  "VY",  "WA",  "WB",  "WC",  "WD",  "WF",  "WG",
    "WH",  "WJ",  "WK",  "WL", "WM",  "WN",  "WP",  "WQ",  "WR",  "WRP", "WS",  "WT",  "WU",  "WV",
    "WW",  "WX",  "WY",  "WZ", "X11", "X12", "X15", "X16", "X17", "X18", "X19", "X20", "X3",  "XA",
    "XB",  "XC",  "XD",  "XF", "XG",  "XH",  "XJ",  "XK",  "YA",  "YB",  "YC",  "YD",  "YF",  "YG",
    "YH",  "YJ",  "YK",  "YL", "YM",  "YN",  "YP",  "YQ",  "YR",  "YS",  "YT",  "YV",  "YW",  "YX",
    "YY",  "YZ",  "ZA",  "ZB", "ZC",  "ZD",  "ZF",  "ZG",  "ZH",  "ZJ",  "ZK",  "ZL",  "ZM",  "ZN",
    "ZP",  "ZQ",  "ZR",  "ZS", "ZT",  "ZU",  "ZV",  "ZW",  "ZX",  "ZY",  "ZZ"};
static_assert(std::ranges::is_sorted(kPackageTypes), "looked up by halving");

std::optional<Fault> lintPackagetype(std::string_view p, std::size_t o) {
    if (std::ranges::binary_search(kPackageTypes, p)) return std::nullopt;
    return Fault{o, Gs1Rule::Content,
                 "package type " + shown(p) + " is not in GS1's PackageTypeCode list"};
}

// The North American coupon formats, walked field by field: each field's length digit (VLI)
// picks how many digits follow it.
class CouponWalk {
  public:
    CouponWalk(std::string_view data, std::size_t offset) : data_(data), offset_(offset) {}

    std::optional<Fault> allDigits() const {
        const auto bad = std::ranges::find_if_not(data_, isDigit);
        if (bad == data_.end()) return std::nullopt;
        const auto at = std::size_t(bad - data_.begin());
        return fault(at, "'" + shown(*bad) + "' is not a digit; coupon data is digits only");
    }
    // The optional field a digit announces: true, and past it, when it is next.
    bool opens(char field) {
        if (at_ >= data_.size() || data_[at_] != field) return false;
        ++at_;
        return true;
    }
    // One digit among `allowed`.
    std::optional<Fault> digit(std::string_view allowed, const std::string& name) {
        if (at_ >= data_.size()) return fault(at_, "ends before its " + name);
        if (allowed.find(data_[at_]) == std::string_view::npos)
            return fault(at_,
                         name + " " + shown(data_[at_]) + " is not one of " + std::string(allowed));
        ++at_;
        return std::nullopt;
    }
    std::optional<Fault> digits(std::size_t count, const std::string& name) {
        if (data_.size() - at_ < count)
            return fault(at_, "the " + name + " is shorter than its " + number(count) + " digits");
        field_ = data_.substr(at_, count);
        at_ += count;
        return std::nullopt;
    }
    // A length digit among `allowed`, then `extra` more digits than it says; a 9 among `allowed`
    // with `nineForNone` means no digits at all. A company prefix is checked as such.
    std::optional<Fault> counted(std::string_view allowed, std::size_t extra,
                                 const std::string& name, bool companyPrefix = false,
                                 bool nineForNone = false) {
        const std::size_t vli = at_;
        if (auto f = digit(allowed, "length digit of the " + name)) return f;
        const auto length = std::size_t(data_[vli] - '0');
        if (auto f = digits(nineForNone && length == 9 ? 0 : length + extra, name)) return f;
        if (companyPrefix && !field_.empty())
            if (auto f = lintGcppos1(field_, 0))
                return fieldFault("the " + name + " is " + f->text);
        return std::nullopt;
    }
    std::optional<Fault> date(const std::string& name) {
        if (auto f = digits(6, name)) return f;
        if (auto f = checkDate(field_, offset_ + at_ - 6, false, false))
            return Fault{f->offset, Gs1Rule::Content, "the " + name + ": " + f->text};
        return std::nullopt;
    }
    std::string_view field() const { return field_; }
    // A fault in the field read last.
    std::optional<Fault> fieldFault(const std::string& text) const {
        return fault(at_ - field_.size(), text);
    }
    std::optional<Fault> end() const {
        if (at_ == data_.size()) return std::nullopt;
        return fault(at_, "data after the last field it knows: " + shown(data_.substr(at_)));
    }
    std::optional<Fault> fault(std::size_t at, const std::string& text) const {
        return Fault{offset_ + at, Gs1Rule::Content, text};
    }

  private:
    std::string_view data_;
    std::size_t offset_;
    std::size_t at_ = 0;
    std::string_view field_;
};

constexpr std::string_view kAnyDigit = "0123456789";
constexpr std::string_view kRequirementCodes = "012349";

// A purchase requirement with its code and family code, as the coupon asks for each purchase.
std::optional<Fault> purchase(CouponWalk& walk, const std::string& which) {
    if (auto f = walk.counted("12345", 0, which + " purchase requirement")) return f;
    if (auto f = walk.digit(kRequirementCodes, which + " purchase requirement code")) return f;
    return walk.digits(3, which + " purchase family code");
}

// AI (8110): the coupon code of the North American Coupon Code guideline.
std::optional<Fault> lintCouponcode(std::string_view p, std::size_t o) {
    CouponWalk walk(p, o);
    if (auto f = walk.allDigits()) return f;
    if (auto f = walk.counted("0123456", 6, "GS1 Company Prefix", true)) return f;
    if (auto f = walk.digits(6, "offer code")) return f;
    if (auto f = walk.counted("12345", 0, "save value")) return f;
    if (auto f = purchase(walk, "first")) return f;
    if (walk.opens('1')) {
        if (auto f = walk.digit("0123", "additional purchase rules code")) return f;
        if (auto f = purchase(walk, "second")) return f;
        if (auto f =
                walk.counted("01234569", 6, "second purchase's GS1 Company Prefix", true, true))
            return f;
    }
    if (walk.opens('2')) {
        if (auto f = purchase(walk, "third")) return f;
        if (auto f = walk.counted("01234569", 6, "third purchase's GS1 Company Prefix", true, true))
            return f;
    }
    std::string_view expiry;
    if (walk.opens('3')) {
        if (auto f = walk.date("expiration date")) return f;
        expiry = walk.field();
    }
    if (walk.opens('4')) {
        if (auto f = walk.date("start date")) return f;
        if (!expiry.empty() && walk.field() > expiry)
            return walk.fieldFault("the start date " + std::string(walk.field()) +
                                   " is after the expiration date " + std::string(expiry));
    }
    if (walk.opens('5'))
        if (auto f = walk.counted(kAnyDigit, 6, "serial number")) return f;
    if (walk.opens('6'))
        if (auto f = walk.counted("1234567", 6, "retailer's GS1 Company Prefix or GLN", true))
            return f;
    if (walk.opens('9')) {
        if (auto f = walk.digit("01256", "save value code")) return f;
        if (auto f = walk.digit("012", "save value applies to item")) return f;
        if (auto f = walk.digit(kAnyDigit, "store coupon flag")) return f;
        if (auto f = walk.digit("01", "don't multiply flag")) return f;
    }
    return walk.end();
}

// AI (8112): the positive offer file coupon code.
std::optional<Fault> lintCouponposoffer(std::string_view p, std::size_t o) {
    CouponWalk walk(p, o);
    if (auto f = walk.allDigits()) return f;
    if (auto f = walk.digit("01", "format code")) return f;
    if (auto f = walk.counted("0123456", 6, "funder ID")) return f;
    if (auto f = walk.digits(6, "offer code")) return f;
    if (auto f = walk.counted(kAnyDigit, 6, "serial number")) return f;
    return walk.end();
}

struct LinterEntry {
    std::string_view name;
    Lint lint;
    std::size_t length; // what the linter reads, 0 for any length
};

// Every check the dictionary names.
constexpr LinterEntry kLinters[] = {
    {"couponcode", lintCouponcode, 0},
    {"couponposoffer", lintCouponposoffer, 0},
    {"csum", lintCsum, 0},
    {"csumalpha", lintCsumalpha, 0},
    {"gcppos1", lintGcppos1, 0},
    {"gcppos2", lintGcppos2, 0},
    {"hasnondigit", lintHasnondigit, 0},
    {"hh", lintHh, 2},
    {"hhmi", lintHhmi, 4},
    {"hyphen", lintHyphen, 0},
    {"iban", lintIban, 0},
    {"importeridx", lintImporteridx, 0},
    {"iso3166", lintIso3166, 3},
    {"iso3166999", lintIso3166999, 3},
    {"iso3166alpha2", lintIso3166alpha2, 2},
    {"iso4217", lintIso4217, 3},
    {"iso5218", lintIso5218, 0},
    {"latitude", lintLatitude, 10},
    {"longitude", lintLongitude, 10},
    {"mediatype", lintMediatype, 0},
    {"mi", lintMi, 2},
    {"nonzero", lintNonzero, 0},
    {"nozeroprefix", lintNozeroprefix, 0},
    {"packagetype", lintPackagetype, 0},
    {"pcenc", lintPcenc, 0},
    {"pieceoftotal", lintPieceoftotal, 4},
    {"posinseqslash", lintPosinseqslash, 0},
    {"ss", lintSs, 2},
    {"winding", lintWinding, 0},
    {"yesno", lintYesno, 0},
    {"yymmd0", lintYymmd0, 6},
    {"yymmdd", lintYymmdd, 6},
    {"yyyymmdd", lintYyyymmdd, 8},
    {"zero", lintZero, 0},
};

const LinterEntry* findLinter(std::string_view name) {
    for (const LinterEntry& l : kLinters)
        if (l.name == name) return &l;
    return nullptr;
}

std::optional<Fault> checkCharset(const Gs1Component& c, std::string_view part,
                                  std::size_t offset) {
    for (std::size_t i = 0; i < part.size(); ++i) {
        const char ch = part[i];
        const char* why = nullptr;
        switch (c.cset) {
        case 'N':
            if (!isDigit(ch)) why = "is not a digit";
            break;
        case 'X':
            if (kCset82.find(ch) == std::string_view::npos)
                why = "is not in GS1 character set 82 (A-Z a-z 0-9 !\"%&'()*+,-./:;<=>?_)";
            break;
        case 'Y':
            if (kCset39.find(ch) == std::string_view::npos)
                why = "is not in GS1 character set 39 (0-9 A-Z # - /)";
            break;
        default: // Z: base64url, '=' only as padding at the end
            if (!isDigit(ch) && !isUpper(ch) && !isLower(ch) && ch != '-' && ch != '_' &&
                !(ch == '=' && part.find_first_not_of('=', i) == std::string_view::npos &&
                  part.size() - i <= 2))
                why = "is not base64url (0-9 A-Z a-z - _, = at the end)";
        }
        if (why)
            return Fault{offset + i, Gs1Rule::Charset,
                         "character " + number(offset + i + 1) + " '" + shown(ch) + "' " + why};
    }
    // Padding, as GS1's linter has it: one or two '=' only where they make the length a
    // multiple of three.
    const std::size_t pads = part.size() - std::min(part.size(), part.find_last_not_of('=') + 1);
    if (c.cset == 'Z' && pads > 0 && part.size() % 3 != 0)
        return Fault{offset + part.size() - pads, Gs1Rule::Charset,
                     "padding '" + std::string(pads, '=') +
                         "' is allowed only where it makes the length a multiple of 3"};
    return std::nullopt;
}

// Splits data into the entry's components and runs their character sets and linters.
std::optional<Fault> checkData(const Gs1Entry& entry, std::string_view data) {
    std::size_t least = 0, most = 0;
    for (int i = 0; i < entry.count; ++i) {
        least += entry.components[i].optional ? 0 : entry.components[i].min;
        most += entry.components[i].max;
    }
    const std::string fix = " (" + format(entry) + ")";
    if (data.size() < least || data.size() > most) {
        std::string need;
        if (least == most)
            need = "needs " + number(least);
        else if (data.size() < least)
            need = "needs at least " + number(least);
        else
            need = "takes at most " + number(most);
        return Fault{std::min(data.size(), most), Gs1Rule::Length,
                     number(data.size()) + " characters, " + need + fix};
    }
    std::size_t at = 0;
    for (int i = 0; i < entry.count; ++i) {
        const Gs1Component& c = entry.components[i];
        const std::size_t left = data.size() - at;
        if (left == 0 && c.optional) break;
        if (left < c.min || (i == entry.count - 1 && left > c.max))
            return Fault{at, Gs1Rule::Length,
                         "characters " + number(at + 1) + " on do not fit" + fix};
        const std::string_view part = data.substr(at, std::min<std::size_t>(left, c.max));
        if (auto fault = checkCharset(c, part, at)) return fault;
        std::string_view linters = c.linters;
        while (!linters.empty()) {
            const std::size_t comma = linters.find(',');
            const std::string_view name = linters.substr(0, comma);
            linters =
                comma == std::string_view::npos ? std::string_view() : linters.substr(comma + 1);
            const LinterEntry* linter = findLinter(name);
            if (!linter) continue;
            // Only a dictionary that pairs a linter with a new length gets here.
            if (linter->length && part.size() != linter->length)
                return Fault{at, Gs1Rule::Length,
                             "characters " + number(at + 1) + " on do not fit " +
                                 std::string(name) + fix};
            if (auto fault = linter->lint(part, at)) return fault;
        }
        at += part.size();
    }
    return std::nullopt;
}

std::string elementText(std::string_view ai, std::string_view data) {
    return "(" + std::string(ai) + ") " + shown(data);
}

Gs1Error elementError(std::string_view ai, std::string_view data, std::size_t dataPosition,
                      const Fault& fault) {
    return Gs1Error{fault.rule, std::string(ai), dataPosition + fault.offset,
                    elementText(ai, data) + ": " + fault.text};
}

bool matches(std::string_view pattern, std::string_view ai) {
    if (pattern.size() != ai.size()) return false;
    for (std::size_t i = 0; i < ai.size(); ++i)
        if (pattern[i] != 'n' && pattern[i] != ai[i]) return false;
    return true;
}

template <typename F> void forEachPart(std::string_view list, char separator, F f) {
    while (!list.empty()) {
        const std::size_t cut = list.find(separator);
        f(list.substr(0, cut));
        list = cut == std::string_view::npos ? std::string_view() : list.substr(cut + 1);
    }
}

std::string namedPattern(std::string_view alternative) {
    std::string text;
    forEachPart(alternative, '+', [&text](std::string_view ai) {
        text += (text.empty() ? "(" : "+(") + std::string(ai) + ")";
    });
    return text;
}

// The req= and ex= rules over the whole message: each fault once, in input order.
std::optional<Gs1Error> checkPairing(const std::vector<Gs1Element>& elements, Carrier carrier,
                                     std::vector<std::string>& warnings) {
    std::set<std::string_view> present;
    for (const Gs1Element& e : elements)
        present.insert(e.ai);
    const auto anyMatch = [&present](std::string_view pattern, std::string_view except) {
        for (std::string_view ai : present)
            if (ai != except && matches(pattern, ai)) return std::string(ai);
        return std::string();
    };
    std::set<std::string_view> done;
    std::set<std::pair<std::string, std::string>> excluded;
    for (const Gs1Element& e : elements) {
        if (!done.insert(e.ai).second) continue;
        const Gs1Entry& entry = *findEntry(e.ai);
        std::vector<std::string> faults;
        forEachPart(entry.req, ' ', [&](std::string_view rule) {
            bool met = false;
            std::vector<std::string> wanted;
            forEachPart(rule, ',', [&](std::string_view alternative) {
                bool all = true;
                forEachPart(alternative, '+', [&](std::string_view pattern) {
                    all = all && !anyMatch(pattern, {}).empty();
                });
                met = met || all;
                wanted.push_back(namedPattern(alternative));
            });
            if (met) return;
            std::string list;
            for (std::size_t i = 0; i < wanted.size(); ++i)
                list += (i == 0 ? "" : i + 1 == wanted.size() ? " or " : ", ") + wanted[i];
            faults.push_back("needs " + list + " beside it");
        });
        forEachPart(entry.ex, ',', [&](std::string_view pattern) {
            const std::string other = anyMatch(pattern, e.ai);
            if (other.empty()) return;
            const auto pair = std::minmax(e.ai, other);
            if (!excluded.insert({pair.first, pair.second}).second) return;
            faults.push_back("cannot stand with (" + other + ")");
        });
        for (const std::string& fault : faults) {
            std::string text = elementText(e.ai, e.data) + ": " + fault;
            if (carrier == Carrier::Matrix)
                return Gs1Error{Gs1Rule::Pairing, e.ai, e.position, std::move(text)};
            warnings.push_back(std::move(text));
        }
    }
    return std::nullopt;
}

// The faults an element has on its own: an AI the dictionary lacks, no data, or data that
// breaks its format. `aiPosition` and `dataPosition` are where the refusal points.
std::optional<Gs1Error> checkElement(std::string_view ai, std::string_view data,
                                     std::size_t aiPosition, std::size_t dataPosition) {
    const Gs1Entry* entry = findEntry(ai);
    if (!entry)
        return Gs1Error{Gs1Rule::UnknownAi, std::string(ai), aiPosition,
                        elementText(ai, data) + ": unknown AI, not in the GS1 syntax dictionary"};
    if (data.empty())
        return Gs1Error{Gs1Rule::Length, std::string(ai), dataPosition,
                        "(" + std::string(ai) + "): no data after the AI (" + format(*entry) + ")"};
    if (auto fault = checkData(*entry, data)) return elementError(ai, data, dataPosition, *fault);
    return std::nullopt;
}

// Repeats, the encodable form and the pairing rules over elements each fine on its own.
Gs1Result checkMessage(Gs1Message message, Carrier carrier) {
    for (std::size_t i = 0; i < message.elements.size(); ++i) {
        const Gs1Element& e = message.elements[i];
        for (std::size_t j = 0; j < i; ++j) {
            const Gs1Element& before = message.elements[j];
            if (before.ai != e.ai) continue;
            if (before.data != e.data)
                return Gs1Error{Gs1Rule::Repeated, e.ai, e.position,
                                elementText(e.ai, e.data) + ": (" + e.ai + ") already given as " +
                                    shown(before.data)};
            message.warnings.push_back(elementText(e.ai, e.data) + ": given twice");
            break;
        }
    }

    message.encodable.push_back(kFnc1);
    for (std::size_t i = 0; i < message.elements.size(); ++i) {
        const Gs1Element& e = message.elements[i];
        message.encodable += e.ai + e.data;
        if (!e.predefinedLength && i + 1 < message.elements.size())
            message.encodable.push_back(kFnc1);
        // The leading FNC1 is the symbol's start, not data.
        if (carrier == Carrier::Gs1_128 && message.encodable.size() - 1 > kGs1_128MaxData)
            return Gs1Error{Gs1Rule::Capacity, e.ai, e.position,
                            elementText(e.ai, e.data) + ": beyond the " + number(kGs1_128MaxData) +
                                " data characters of GS1-128 (AIs and separators counted); "
                                "put the rest in a second symbol"};
    }

    if (auto error = checkPairing(message.elements, carrier, message.warnings)) return *error;
    return message;
}

} // namespace

std::string Gs1Message::bracketed() const {
    std::string text;
    for (const Gs1Element& e : elements)
        text += "[" + e.ai + "]" + e.data;
    return text;
}

std::string Gs1Message::parenthesized() const {
    std::string text;
    for (const Gs1Element& e : elements)
        text += "(" + e.ai + ")" + e.data;
    return text;
}

Gs1Result parseGs1(std::string_view input, Carrier carrier) {
    if (input.size() > kGs1MaxInput)
        return Gs1Error{Gs1Rule::Capacity,
                        {},
                        kGs1MaxInput,
                        number(input.size()) +
                            " characters are more than any symbol holds (at most " +
                            number(kGs1MaxInput) + ")"};
    if (input.empty())
        return Gs1Error{
            Gs1Rule::Syntax, {}, 0, "no element strings: write them as (01)09501101530003(10)ABC"};
    const char open = input[0];
    if (open != '(' && open != '[')
        return Gs1Error{Gs1Rule::Syntax,
                        {},
                        0,
                        "character 1 '" + shown(open) +
                            "': element strings start with an AI in brackets, as (01) or [01]"};
    const char close = open == '(' ? ')' : ']';

    Gs1Message message;
    std::size_t at = 0;
    while (at < input.size()) {
        // input[at] is the opening bracket.
        std::size_t end = at + 1;
        while (end < input.size() && end - at <= 4 && isDigit(input[end]))
            ++end;
        const std::size_t digits = end - at - 1;
        if (end >= input.size() || input[end] != close || digits < 2 || digits > 4) {
            if (input.find(close, at) == std::string_view::npos)
                return Gs1Error{Gs1Rule::Syntax,
                                {},
                                at,
                                "'" + shown(open) + "' at character " + number(at + 1) +
                                    " is not closed by '" + shown(close) + "'"};
            return Gs1Error{
                Gs1Rule::Syntax,
                {},
                at,
                "'" + shown(open) + "' at character " + number(at + 1) +
                    " is not followed by an AI of 2 to 4 digits and '" + shown(close) + "'" +
                    (open == '(' ? "; for brackets in data write the AIs as [01]" : "")};
        }
        const std::string_view ai = input.substr(at + 1, digits);
        const std::size_t dataStart = end + 1;
        std::size_t dataEnd = dataStart;
        while (dataEnd < input.size() && input[dataEnd] != open) {
            if (input[dataEnd] == close)
                return Gs1Error{
                    Gs1Rule::Syntax, std::string(ai), dataEnd,
                    "'" + shown(close) + "' at character " + number(dataEnd + 1) + " closes no '" +
                        shown(open) + "'" +
                        (open == '(' ? "; for brackets in data write the AIs as [01]" : "")};
            ++dataEnd;
        }
        const std::string_view data = input.substr(dataStart, dataEnd - dataStart);
        if (auto error = checkElement(ai, data, at + 1, dataStart)) return *error;
        message.elements.push_back(
            Gs1Element{std::string(ai), std::string(data), findEntry(ai)->predefined, at});
        at = dataEnd;
    }
    return checkMessage(std::move(message), carrier);
}

Gs1Result checkGs1Elements(std::vector<Gs1Element> elements, Carrier carrier) {
    Gs1Message message;
    for (Gs1Element& e : elements) {
        if (auto error = checkElement(e.ai, e.data, e.position, e.position)) {
            error->position = e.position;
            return *error;
        }
        e.predefinedLength = findEntry(e.ai)->predefined;
        message.elements.push_back(std::move(e));
    }
    if (message.elements.empty()) return Gs1Error{Gs1Rule::Syntax, {}, 0, "no element strings"};
    return checkMessage(std::move(message), carrier);
}

std::string shownElement(std::string_view ai, std::string_view data) {
    return elementText(ai, data);
}

std::optional<DigitalLinkRole> digitalLinkRole(std::string_view ai) {
    const Gs1Entry* entry = findEntry(ai);
    if (!entry) return std::nullopt;
    return DigitalLinkRole{entry->dlAttribute, entry->dlKey, entry->dlQualifiers};
}

std::string_view gs1DictionaryRelease() {
    return kGs1DictionaryRelease;
}
std::string_view gs1DictionarySha256() {
    return kGs1DictionarySha256;
}

bool gs1LinterChecked(std::string_view linter) {
    return findLinter(linter) != nullptr;
}

std::vector<std::string> gs1TableLinters() {
    std::set<std::string, std::less<>> names;
    for (const Gs1Entry& entry : kGs1Entries)
        for (int i = 0; i < entry.count; ++i)
            forEachPart(entry.components[i].linters, ',',
                        [&names](std::string_view name) { names.emplace(name); });
    return {names.begin(), names.end()};
}

} // namespace gs1
