// The settings reader on any file: it restores what it can and never fails.
#include "app/SettingsFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto restored = SettingsFile::decode(bytes);
    if (restored && restored->typeIndex && (*restored->typeIndex < -1 || *restored->typeIndex > 6))
        std::abort(); // the window would select an item that is not there
    return 0;
}
