// The Digital Link reader and builder on any bytes: a URI and its element strings or a refusal,
// never a crash or a hang; a refusal is printable ASCII pointing inside the input, and what is
// accepted reads the same again, and builds a URI that carries the same element strings.
#include "symbology/Gs1DigitalLink.h"

#include <cstdint>
#include <cstdlib>

namespace {
void checkRefusal(const gs1::Gs1Error& refused, std::size_t inputSize) {
    if (refused.message.empty() || refused.position > inputSize) std::abort();
    for (const char c : refused.message)
        if (c < 0x20 || c > 0x7E) std::abort(); // the terminal would get raw input bytes
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the domain element strings are built on.
    const std::string_view domain =
        data[0] & 1 ? gs1::kDigitalLinkDomain : std::string_view("http://example.com/a/");
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const gs1::DigitalLinkResult result = gs1::digitalLinkOf(input, domain);
    if (const auto* refused = std::get_if<gs1::Gs1Error>(&result)) {
        checkRefusal(*refused, input.size());
        return 0;
    }
    const auto& link = std::get<gs1::DigitalLink>(result);
    const std::string elements = link.message.parenthesized();
    if (link.uri.empty() || link.message.elements.empty()) std::abort();
    if (!gs1::digitalLinkRole(link.message.elements.front().ai)->primaryKey) std::abort();
    const gs1::DigitalLinkResult again = gs1::parseDigitalLink(link.uri);
    const auto* same = std::get_if<gs1::DigitalLink>(&again);
    if (!same || same->uri != link.uri || same->message.parenthesized() != elements) std::abort();
    const gs1::DigitalLinkResult rebuilt = gs1::buildDigitalLink(link.message.bracketed(), domain);
    const auto* built = std::get_if<gs1::DigitalLink>(&rebuilt);
    if (!built || built->message.parenthesized() != elements) std::abort();
    return 0;
}
