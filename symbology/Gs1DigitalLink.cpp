#include "symbology/Gs1DigitalLink.h"

#include <algorithm>
#include <array>
#include <vector>

namespace gs1 {
namespace {

constexpr std::string_view kUriCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789-._~:/?#[]@!$&'()*+,;=%";
constexpr std::string_view kUnreserved = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                         "0123456789-._~";
constexpr std::string_view kNotInDomain = "_~?#@!$&'()*+,;=%";
constexpr std::array<std::string_view, 4> kSchemes = {"https://", "http://", "HTTPS://", "HTTP://"};
constexpr char kHex[] = "0123456789ABCDEF";

// A stretch of the URI and where it starts in it.
struct Piece {
    std::string_view text;
    std::size_t position;
};

// An AI of the path or the query: its digits, its value as written and as meant.
struct Placed {
    Piece ai;
    std::string_view written;
    std::string value;
};

using Sequence = std::vector<std::string_view>;

bool allDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    return std::string{'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

std::string number(std::size_t n) {
    return std::to_string(n);
}

Gs1Error syntax(std::size_t position, std::string why) {
    return Gs1Error{Gs1Rule::Syntax, {}, position, std::move(why)};
}

Gs1Error refusal(Gs1Rule rule, const Placed& element, const std::string& why) {
    return Gs1Error{rule, std::string(element.ai.text), element.ai.position,
                    shownElement(element.ai.text, element.value) + ": " + why};
}

std::vector<Piece> split(Piece whole, char separator) {
    std::vector<Piece> pieces;
    std::size_t from = 0;
    while (true) {
        const std::size_t cut = whole.text.find(separator, from);
        pieces.push_back({whole.text.substr(from, cut - from), whole.position + from});
        if (cut == std::string_view::npos) return pieces;
        from = cut + 1;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// %HH undone, and in a query '+' read as a space; or a '%' that starts no escape.
std::variant<std::string, Gs1Error> decoded(Piece piece, bool query) {
    std::string text;
    const std::string_view s = piece.text;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            if (i + 2 >= s.size() || hexValue(s[i + 1]) < 0 || hexValue(s[i + 2]) < 0)
                return syntax(piece.position + i, "'%' at character " +
                                                      number(piece.position + i + 1) +
                                                      " starts no %HH escape");
            text.push_back(static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2])));
            i += 2;
        } else {
            text.push_back(query && s[i] == '+' ? ' ' : s[i]);
        }
    }
    return text;
}

std::string encoded(std::string_view value) {
    std::string text;
    for (const char c : value) {
        if (kUnreserved.find(c) != std::string_view::npos) {
            text.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            text += {'%', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return text;
}

std::vector<Sequence> sequencesOf(std::string_view qualifiers) {
    std::vector<Sequence> sequences;
    for (const Piece& alternative : split({qualifiers, 0}, '|')) {
        if (alternative.text.empty()) continue;
        Sequence sequence;
        for (const Piece& ai : split(alternative, ','))
            sequence.push_back(ai.text);
        sequences.push_back(std::move(sequence));
    }
    return sequences;
}

std::size_t indexIn(const Sequence& sequence, std::string_view ai) {
    return static_cast<std::size_t>(std::ranges::find(sequence, ai) - sequence.begin());
}

bool holds(const Sequence& sequence, std::string_view ai) {
    return indexIn(sequence, ai) < sequence.size();
}

// "(01) takes /22/, /10/, /21/ in that order, or /235/"
std::string qualifiersText(std::string_view key, const std::vector<Sequence>& sequences) {
    if (sequences.empty()) return "(" + std::string(key) + ") takes none";
    std::string text = "(" + std::string(key) + ") takes ";
    for (std::size_t s = 0; s < sequences.size(); ++s) {
        if (s > 0) text += sequences[s - 1].size() > 1 ? ", or " : " or ";
        for (std::size_t i = 0; i < sequences[s].size(); ++i)
            text += (i > 0 ? ", /" : "/") + std::string(sequences[s][i]) + "/";
        if (sequences[s].size() > 1) text += " in that order";
    }
    return text;
}

// Qualifiers follow the key in the order of one of its sequences, each at most once.
std::optional<Gs1Error> qualifierFault(const Placed& key, const std::vector<Placed>& qualifiers) {
    if (qualifiers.empty()) return std::nullopt;
    const std::vector<Sequence> sequences = sequencesOf(digitalLinkRole(key.ai.text)->qualifiers);
    const auto inAny = [&](std::string_view ai) {
        return std::ranges::any_of(sequences, [ai](const Sequence& s) { return holds(s, ai); });
    };
    for (const Placed& q : qualifiers) {
        if (inAny(q.ai.text)) continue;
        std::string why = "not a key qualifier of (" + std::string(key.ai.text) + "), which " +
                          qualifiersText(key.ai.text, sequences).substr(key.ai.text.size() + 3);
        if (digitalLinkRole(q.ai.text)->attribute)
            why += "; a data attribute goes in the query, as ?" + std::string(q.ai.text) + "=" +
                   std::string(q.written);
        return refusal(Gs1Rule::Placement, q, why);
    }
    for (std::size_t j = 0; j < qualifiers.size(); ++j)
        for (std::size_t i = 0; i < j; ++i)
            if (qualifiers[i].ai.text == qualifiers[j].ai.text)
                return refusal(Gs1Rule::Repeated, qualifiers[j],
                               "(" + std::string(qualifiers[j].ai.text) +
                                   ") given twice in the path");
    for (const Sequence& sequence : sequences) {
        if (!std::ranges::all_of(qualifiers,
                                 [&](const Placed& q) { return holds(sequence, q.ai.text); }))
            continue;
        for (std::size_t j = 1; j < qualifiers.size(); ++j)
            if (indexIn(sequence, qualifiers[j].ai.text) <
                indexIn(sequence, qualifiers[j - 1].ai.text))
                return refusal(Gs1Rule::Placement, qualifiers[j],
                               "out of order after (" + std::string(qualifiers[j - 1].ai.text) +
                                   "); " + qualifiersText(key.ai.text, sequences));
        return std::nullopt;
    }
    const Placed& first = qualifiers.front();
    const Sequence& chosen = *std::ranges::find_if(
        sequences, [&](const Sequence& s) { return holds(s, first.ai.text); });
    const Placed& other = *std::ranges::find_if(
        qualifiers, [&](const Placed& q) { return !holds(chosen, q.ai.text); });
    return refusal(Gs1Rule::Placement, other,
                   "cannot stand with (" + std::string(first.ai.text) + ") in the path; " +
                       qualifiersText(key.ai.text, sequences));
}

// The path with `attribute` among the qualifiers where one of the key's sequences has room for
// it, as "/01/09501101530003/10/ABC"; nothing when no sequence has.
std::optional<std::string> pathWith(const Placed& key, const std::vector<Placed>& qualifiers,
                                    const Placed& attribute) {
    for (const Sequence& sequence : sequencesOf(digitalLinkRole(key.ai.text)->qualifiers)) {
        if (!holds(sequence, attribute.ai.text) ||
            !std::ranges::all_of(qualifiers,
                                 [&](const Placed& q) { return holds(sequence, q.ai.text); }))
            continue;
        std::vector<const Placed*> path;
        for (const Placed& q : qualifiers)
            path.push_back(&q);
        path.push_back(&attribute);
        std::ranges::stable_sort(path, {},
                                 [&](const Placed* p) { return indexIn(sequence, p->ai.text); });
        std::string text = "/" + std::string(key.ai.text) + "/" + std::string(key.written);
        for (const Placed* p : path)
            text += "/" + std::string(p->ai.text) + "/" + std::string(p->written);
        return text;
    }
    return std::nullopt;
}

// The checker's refusal of one element on its own: what it says of an AI it does not know.
Gs1Error checkerRefusal(const Placed& element) {
    const Gs1Result result = checkGs1Elements(
        {Gs1Element{std::string(element.ai.text), element.value, false, element.ai.position}},
        Carrier::Matrix);
    if (const auto* error = std::get_if<Gs1Error>(&result)) return *error;
    return refusal(Gs1Rule::UnknownAi, element, "unknown AI");
}

std::variant<Placed, Gs1Error> placed(Piece ai, Piece written, bool query) {
    auto value = decoded(written, query);
    if (auto* error = std::get_if<Gs1Error>(&value)) return *error;
    return Placed{ai, written.text, std::get<std::string>(std::move(value))};
}

// The query's AIs in order; parameters whose names are not digits carry no element strings.
std::variant<std::vector<Placed>, Gs1Error> queryElements(Piece query) {
    std::vector<Placed> elements;
    if (query.text.empty()) return elements;
    for (const Piece& parameter : split(query, '&')) {
        const std::size_t equals = parameter.text.find('=');
        const Piece name{parameter.text.substr(0, equals), parameter.position};
        if (!allDigits(name.text)) continue;
        const Piece value =
            equals == std::string_view::npos
                ? Piece{{}, parameter.position + parameter.text.size()}
                : Piece{parameter.text.substr(equals + 1), parameter.position + equals + 1};
        auto element = placed(name, value, true);
        if (auto* error = std::get_if<Gs1Error>(&element)) return *error;
        elements.push_back(std::get<Placed>(std::move(element)));
    }
    return elements;
}

} // namespace

DigitalLinkResult parseDigitalLink(std::string_view uri) {
    if (uri.size() > kGs1MaxInput)
        return Gs1Error{Gs1Rule::Capacity,
                        {},
                        kGs1MaxInput,
                        number(uri.size()) +
                            " characters are more than any symbol holds (at most " +
                            number(kGs1MaxInput) + ")"};
    for (std::size_t i = 0; i < uri.size(); ++i)
        if (kUriCharacters.find(uri[i]) == std::string_view::npos) {
            const auto byte = static_cast<unsigned char>(uri[i]);
            return syntax(i, "character " + number(i + 1) + " '" + shown(uri[i]) +
                                 "' cannot stand in a URI: percent-encode it as %" +
                                 kHex[byte >> 4] + kHex[byte & 15]);
        }
    const auto scheme = std::ranges::find_if(
        kSchemes, [uri](std::string_view s) { return uri.substr(0, s.size()) == s; });
    if (scheme == kSchemes.end())
        return syntax(0, "a Digital Link URI starts with https:// or http://; element strings "
                         "start with an AI in brackets, as (01)");
    const std::size_t hostStart = scheme->size();
    const std::size_t hostEnd = std::min(uri.find_first_of("/?#", hostStart), uri.size());
    if (hostEnd == hostStart) return syntax(hostStart, "no domain after " + std::string(*scheme));
    for (std::size_t i = hostStart; i < hostEnd; ++i)
        if (kNotInDomain.find(uri[i]) != std::string_view::npos)
            return syntax(i, "character " + number(i + 1) + " '" + shown(uri[i]) +
                                 "' cannot stand in a domain");
    const std::size_t end = std::min(uri.find('#', hostEnd), uri.size());
    const std::size_t question = std::min(uri.find('?', hostEnd), end);
    const Piece path{uri.substr(hostEnd, question - hostEnd), hostEnd};
    const Piece query = question < end
                            ? Piece{uri.substr(question + 1, end - question - 1), question + 1}
                            : Piece{{}, end};

    auto queried = queryElements(query);
    if (auto* error = std::get_if<Gs1Error>(&queried)) return *error;
    const std::vector<Placed>& attributes = std::get<std::vector<Placed>>(queried);

    // The key is the last AI in the path that may lead it, with only AIs after it: whatever
    // comes before is the domain's own path.
    const std::vector<Piece> segments = path.text.empty()
                                            ? std::vector<Piece>{}
                                            : split({path.text.substr(1), path.position + 1}, '/');
    std::optional<std::size_t> root;
    for (std::size_t i = segments.size(); i >= 2 && !root; i -= 2) {
        const Piece& ai = segments[i - 2];
        if (!allDigits(ai.text) || ai.text.size() < 2 || ai.text.size() > 4) break;
        const auto role = digitalLinkRole(ai.text);
        if (!role) {
            auto element = placed(ai, segments[i - 1], false);
            if (auto* error = std::get_if<Gs1Error>(&element)) return *error;
            return checkerRefusal(std::get<Placed>(element));
        }
        if (role->primaryKey) root = i - 2;
    }
    if (!root) {
        for (const Placed& attribute : attributes) {
            const auto role = digitalLinkRole(attribute.ai.text);
            if (role && role->primaryKey)
                return refusal(Gs1Rule::Placement, attribute,
                               "a primary key goes in the path, as " +
                                   std::string(uri.substr(0, hostEnd)) + "/" +
                                   std::string(attribute.ai.text) + "/" +
                                   std::string(attribute.written) + ", not in the query");
        }
        if (path.text.size() > 1 && path.text.back() == '/')
            return syntax(question - 1, "the path ends in '/': a Digital Link path ends in the "
                                        "value of its key or of a qualifier");
        return syntax(path.position, "no GS1 primary key in the path: a Digital Link path ends "
                                     "in /AI/value pairs led by a key, as /01/09501101530003");
    }

    std::vector<Placed> pathElements;
    for (std::size_t i = *root; i + 1 < segments.size(); i += 2) {
        auto element = placed(segments[i], segments[i + 1], false);
        if (auto* error = std::get_if<Gs1Error>(&element)) return *error;
        pathElements.push_back(std::get<Placed>(std::move(element)));
    }
    const Placed& key = pathElements.front();
    const std::vector<Placed> qualifiers(pathElements.begin() + 1, pathElements.end());
    if (auto fault = qualifierFault(key, qualifiers)) return *fault;

    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const Placed& attribute = attributes[i];
        const auto role = digitalLinkRole(attribute.ai.text);
        if (!role) return checkerRefusal(attribute);
        const auto same = [&](const Placed& e) { return e.ai.text == attribute.ai.text; };
        if (std::ranges::any_of(pathElements, same))
            return refusal(Gs1Rule::Repeated, attribute,
                           "(" + std::string(attribute.ai.text) + ") is in the path already");
        if (std::any_of(attributes.begin(), attributes.begin() + static_cast<std::ptrdiff_t>(i),
                        same))
            return refusal(Gs1Rule::Repeated, attribute,
                           "(" + std::string(attribute.ai.text) + ") given twice in the query");
        if (const auto path = pathWith(key, qualifiers, attribute))
            return refusal(Gs1Rule::Placement, attribute,
                           "a key qualifier of (" + std::string(key.ai.text) +
                               "): it goes in the path, as " + *path + ", not in the query");
        if (!role->attribute)
            return refusal(Gs1Rule::Placement, attribute,
                           "not a Digital Link data attribute, so it cannot stand in the query");
    }

    std::vector<Gs1Element> elements;
    for (const std::vector<Placed>* part :
         std::array<const std::vector<Placed>*, 2>{&pathElements, &attributes})
        for (const Placed& e : *part)
            elements.push_back({std::string(e.ai.text), e.value, false, e.ai.position});
    Gs1Result checked = checkGs1Elements(std::move(elements), Carrier::Matrix);
    if (auto* error = std::get_if<Gs1Error>(&checked)) return *error;
    return DigitalLink{std::string(uri), std::get<Gs1Message>(std::move(checked))};
}

std::optional<std::string> digitalLinkDomainProblem(std::string_view domain) {
    const auto scheme = std::ranges::find_if(
        kSchemes, [domain](std::string_view s) { return domain.substr(0, s.size()) == s; });
    const std::size_t hostStart = scheme == kSchemes.end() ? 0 : scheme->size();
    const std::size_t hostEnd = std::min(domain.find('/', hostStart), domain.size());
    const bool fits =
        scheme != kSchemes.end() && hostEnd > hostStart &&
        domain.find_first_of("?#") == std::string_view::npos &&
        std::ranges::all_of(
            domain, [](char c) { return kUriCharacters.find(c) != std::string_view::npos; }) &&
        std::ranges::none_of(domain.substr(hostStart, hostEnd - hostStart),
                             [](char c) { return kNotInDomain.find(c) != std::string_view::npos; });
    if (fits) return std::nullopt;
    std::string shownDomain;
    for (std::size_t i = 0; i < domain.size() && i < 64; ++i)
        shownDomain += shown(domain[i]);
    return "'" + shownDomain +
           "' is no domain to build a Digital Link on: a scheme and a host with any path, as "
           "https://example.com/stem";
}

DigitalLinkResult buildDigitalLink(std::string_view elementStrings, std::string_view domain) {
    if (auto problem = digitalLinkDomainProblem(domain)) return syntax(0, *problem);
    const Gs1Result parsed = parseGs1(elementStrings, Carrier::Matrix);
    if (const auto* error = std::get_if<Gs1Error>(&parsed)) return *error;
    const std::vector<Gs1Element>& elements = std::get<Gs1Message>(parsed).elements;
    const auto isKey = [](const Gs1Element& e) { return digitalLinkRole(e.ai)->primaryKey; };
    const auto key = std::ranges::find_if(elements, isKey);
    if (key == elements.end())
        return Gs1Error{Gs1Rule::Placement,
                        {},
                        0,
                        "no primary key to lead a Digital Link path, such as (01) GTIN, (00) SSCC "
                        "or (414) GLN"};
    // The key's sequence that leaves the query only data attributes and, among those, holds
    // the most of the qualifiers given.
    const std::vector<Sequence> sequences = sequencesOf(digitalLinkRole(key->ai)->qualifiers);
    const auto rank = [&](const Sequence& sequence) {
        const auto inPath = [&](const Gs1Element& e) {
            return e.ai == key->ai || holds(sequence, e.ai);
        };
        const bool queryTakesTheRest = std::ranges::all_of(elements, [&](const Gs1Element& e) {
            return inPath(e) || digitalLinkRole(e.ai)->attribute;
        });
        return std::pair(queryTakesTheRest, std::ranges::count_if(elements, inPath));
    };
    const Sequence best =
        sequences.empty() ? Sequence{} : *std::ranges::max_element(sequences, {}, rank);

    std::string uri(domain);
    while (uri.back() == '/')
        uri.pop_back();
    std::vector<bool> done(elements.size());
    const auto append = [&](std::string_view ai, bool query) {
        for (std::size_t i = 0; i < elements.size(); ++i) {
            if (done[i] || elements[i].ai != ai) continue;
            // The checker let a repeat with the same data through; the URI holds it once.
            if (!std::ranges::any_of(elements.begin(),
                                     elements.begin() + static_cast<std::ptrdiff_t>(i),
                                     [&](const Gs1Element& e) { return e.ai == ai; }))
                uri += (query ? (uri.find('?') == std::string::npos ? "?" : "&") : "/") +
                       elements[i].ai + (query ? "=" : "/") + encoded(elements[i].data);
            done[i] = true;
        }
    };
    append(key->ai, false);
    for (std::string_view qualifier : best)
        append(qualifier, false);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (done[i]) continue;
        if (!digitalLinkRole(elements[i].ai)->attribute)
            return Gs1Error{Gs1Rule::Placement, elements[i].ai, elements[i].position,
                            shownElement(elements[i].ai, elements[i].data) +
                                ": neither a key qualifier of (" + key->ai +
                                ") here nor a Digital Link data attribute, so a Digital Link "
                                "URI cannot carry it"};
        append(elements[i].ai, true);
    }
    return parseDigitalLink(uri);
}

DigitalLinkResult digitalLinkOf(std::string_view text, std::string_view domain) {
    if (!text.empty() && (text.front() == '(' || text.front() == '['))
        return buildDigitalLink(text, domain);
    return parseDigitalLink(text);
}

} // namespace gs1
