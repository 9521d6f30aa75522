#pragma once

// GS1 Digital Link URIs, "https://id.gs1.org/01/09501101530003/10/ABC?17=271231" on any
// domain: the primary key and its qualifiers in the path, data attributes in the query. Read
// into the element strings they carry, or built from element strings, and checked by the GS1
// element string checker (Gs1.h) with the dictionary's Digital Link roles of every AI. Plain
// C++, like the checker.

#include "symbology/Gs1.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace gs1 {

// GS1's own resolver: the domain element strings are built on unless told otherwise.
inline constexpr std::string_view kDigitalLinkDomain = "https://id.gs1.org";

struct DigitalLink {
    std::string uri;    // what the symbol holds
    Gs1Message message; // the element strings it carries: key, qualifiers, then attributes
};

using DigitalLinkResult = std::variant<DigitalLink, Gs1Error>;

// A URI as written, http:// or https://, any domain and any path before the key; values
// percent-encoded where need be, '+' a space in the query. Query parameters that are not AIs
// (linkType=...) and a fragment are kept in the URI and carry no element strings.
DigitalLinkResult parseDigitalLink(std::string_view uri);

// Element strings, "(01)09501101530003(10)ABC(17)271231" or with square brackets, as a URI on
// `domain` (a scheme, a host and any path, "https://example.com/stem"): the first primary key,
// the qualifiers of its longest matching sequence in order, the other AIs in the query.
DigitalLinkResult buildDigitalLink(std::string_view elementStrings,
                                   std::string_view domain = kDigitalLinkDomain);

// Either of the above: text that starts with an AI in brackets is element strings.
DigitalLinkResult digitalLinkOf(std::string_view text,
                                std::string_view domain = kDigitalLinkDomain);

// Why element strings cannot be built on `domain`; nothing when they can.
std::optional<std::string> digitalLinkDomainProblem(std::string_view domain);

} // namespace gs1
