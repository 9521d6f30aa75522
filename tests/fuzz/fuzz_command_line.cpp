// The command-line parser on any words (separated by NUL bytes): an invocation or a usage
// problem that names what is wrong, and help for whatever it names.
#include "cli/CommandLine.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList words;
    for (const QByteArray& word : bytes.split('\0'))
        words << QString::fromUtf8(word);
    const auto parsed = CommandLine::parse(words);
    if (const auto* problem = std::get_if<CommandLine::UsageProblem>(&parsed)) {
        if (problem->message.isEmpty()) std::abort(); // a refusal must say why
        (void)CommandLine::helpText(problem->command);
    } else {
        (void)CommandLine::helpText(std::get<CommandLine::Invocation>(parsed).command);
    }
    return 0;
}
