// The GS1 element string checker on any bytes, for GS1-128 or 2D: elements or a refusal, never a
// crash or a hang; a refusal is printable ASCII whatever the input held, and accepted elements
// written back in brackets are accepted again alike.
#include "symbology/Gs1.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const gs1::Carrier carrier = data[0] & 1 ? gs1::Carrier::Matrix : gs1::Carrier::Gs1_128;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const gs1::Gs1Result result = gs1::parseGs1(input, carrier);
    if (const auto* refused = std::get_if<gs1::Gs1Error>(&result)) {
        if (refused->message.empty() || refused->position > input.size()) std::abort();
        for (const char c : refused->message)
            if (c < 0x20 || c > 0x7E) std::abort(); // the terminal would get raw input bytes
        return 0;
    }
    const auto& message = std::get<gs1::Gs1Message>(result);
    if (message.elements.empty() || message.encodable.empty() || message.encodable[0] != gs1::kFnc1)
        std::abort();
    if (carrier == gs1::Carrier::Gs1_128 && message.encodable.size() - 1 > gs1::kGs1_128MaxData)
        std::abort();
    const gs1::Gs1Result again = gs1::parseGs1(message.bracketed(), carrier);
    const auto* same = std::get_if<gs1::Gs1Message>(&again);
    if (!same || same->encodable != message.encodable || same->warnings != message.warnings)
        std::abort();
    return 0;
}
