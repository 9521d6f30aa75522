// Every libzint symbology on any text, with any QR error correction letter: modules or a
// refusal, never a crash or a hang; modules come whole and refusals name the type or the AI.
#include "symbology/ZintEncoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    using namespace zintsym;
    const auto type =
        static_cast<ZintType>(data[0] % (static_cast<int>(ZintType::DigitalLink) + 1));
    ZintOptions options;
    options.qrEcc = static_cast<char>(data[1]);
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const ZintResult result = encodeWithZint(type, text, options);
    if (const auto* refused = std::get_if<ZintRefusal>(&result)) {
        if (refused->message.empty()) std::abort();
        return 0;
    }
    const auto& symbol = std::get<ZintSymbol>(result);
    if (symbol.type != type) std::abort();
    if (const auto* linear = std::get_if<LinearModules>(&symbol.modules)) {
        if (linear->modules.empty() ||
            linear->modules.find_first_not_of("01") != std::string::npos ||
            linear->modules.front() != '1' || linear->modules.back() != '1')
            std::abort(); // a symbol starts and ends with a bar
    } else {
        const auto& matrix = std::get<MatrixModules>(symbol.modules);
        if (matrix.rows < 1 || matrix.columns < 1 ||
            matrix.cells.size() != static_cast<std::size_t>(matrix.rows * matrix.columns))
            std::abort();
    }
    return 0;
}
