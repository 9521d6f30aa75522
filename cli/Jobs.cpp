#include "cli/Jobs.h"

#include "symbology/Symbology.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdio>

namespace Jobs {
namespace {

// The options that ask for a symbol drawn anew rather than the window's picture.
constexpr std::array<const char*, 5> kSymbolOptions = {"scale", "bar-height", "quiet-zone", "xdim",
                                                       "dpi"};

} // namespace

void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

int usageProblem(const QString& message, std::optional<CommandLine::Command> command) {
    printError(QStringLiteral("%1: %2").arg(QString::fromLatin1(CommandLine::kProgram), message));
    std::fputs(CommandLine::helpText(command).toLocal8Bit().constData(), stderr);
    return kExitUsage;
}

int answer(const CommandLine::Invocation& invocation) {
    const QString text = invocation.request == CommandLine::Invocation::Request::Help
                             ? CommandLine::helpText(invocation.command)
                             : CommandLine::versionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

QString RecordedMessages::refusal() const {
    return texts.join(u'\n').replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::optional<ImageExport::ImageFormat> drawFormat(const CommandLine::Invocation& invocation) {
    return ImageExport::formatFromWord(invocation.value(
        QStringLiteral("format"), QFileInfo(invocation.value(QStringLiteral("out"))).suffix()));
}

bool asksForSymbol(const CommandLine::Invocation& args,
                   std::optional<ImageExport::ImageFormat> format) {
    return (format && ImageExport::entryOf(*format).vector) ||
           std::any_of(kSymbolOptions.begin(), kSymbolOptions.end(),
                       [&](const char* option) { return args.has(QLatin1String(option)); });
}

bool printsText(const CommandLine::Invocation& invocation) {
    if (invocation.command == CommandLine::Command::Labels)
        return !invocation.has(QStringLiteral("templates"));
    const auto choice = symbologyChoice(invocation.value(QStringLiteral("type")));
    if (!choice) return false;
    if (choice->printsText()) return true;
    // A symbol drawn anew carries the EAN digits as well, and a vector writer wants fonts.
    return asksForSymbol(invocation, drawFormat(invocation));
}

} // namespace Jobs
