#include "cli/Jobs.h"

#include "symbology/ZintChoices.h"

#include "symbology/Symbology.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>

#include <signal.h>

namespace {

std::atomic<int> requestedStop{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void requestStop(int signal) {
    requestedStop.store(signal);
}

} // namespace

namespace Jobs {

QStringList utf8Arguments(int argc, char** argv) {
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromUtf8(argv[i]);
    return words;
}

void stopOnInterruption(bool secondSignalEnds) {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESTART | (secondSignalEnds ? SA_RESETHAND : 0);
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    // A job may have held them back while it loaded, so that none could end it unasked.
    sigset_t interruptions;
    sigemptyset(&interruptions);
    sigaddset(&interruptions, SIGINT);
    sigaddset(&interruptions, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &interruptions, nullptr);
}

int stopSignal() {
    return requestedStop.load();
}

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

bool wantsZpl(const CommandLine::Invocation& args) {
    if (args.has(QStringLiteral("format"))) return args.value(QStringLiteral("format")) == u"zpl";
    const QString out = args.value(QStringLiteral("out"));
    return out.startsWith(QStringLiteral("socket://"), Qt::CaseInsensitive) ||
           out.endsWith(QStringLiteral(".zpl"), Qt::CaseInsensitive);
}

bool printsText(const CommandLine::Invocation& invocation) {
    // verify's report is a page of text.
    if (invocation.command == CommandLine::Command::Verify)
        return invocation.has(QStringLiteral("report"));
    // Labels as ZPL carry their text as the printer's font; a design's text and pictures are
    // drawn by us.
    if (invocation.command == CommandLine::Command::Labels)
        return !invocation.has(QStringLiteral("templates")) &&
               (!wantsZpl(invocation) || invocation.has(QStringLiteral("design")) ||
                invocation.has(QStringLiteral("layout")));
    // Every newer symbology but the 2D ones has text under its bars; a vector writer wants
    // fonts whatever it draws.
    const auto format = CommandLine::pictureFormat(invocation);
    const bool vector = format && ImageExport::entryOf(*format).vector;
    if (const auto zint = zintChoice(invocation.value(QStringLiteral("type"))))
        return !zint->isMatrix() || vector;
    const auto choice = symbologyChoice(invocation.value(QStringLiteral("type")));
    if (!choice) return false;
    if (choice->printsText()) return true;
    // A symbol drawn anew carries the EAN and UPC-A digits.
    return CommandLine::asksForSymbol(invocation) && (choice->takesDigitsOnly() || vector);
}

} // namespace Jobs
