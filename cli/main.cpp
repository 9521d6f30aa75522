// barcode-desk-cli: draws, reads and batch-draws barcodes with the window's own code, no display.
// It starts with Qt Core alone: help, version, usage problems and the draws a script makes by
// the thousand are done here; everything else is in a module loaded on demand, so that Qt Gui,
// FreeImage and fonts load only for the jobs that use them.
#include "cli/CodeTexts.h"
#include "cli/CommandLine.h"
#include "cli/FastDraw.h"
#include "cli/FullModule.h"
#include "cli/Jobs.h"
#include "cli/QuickBatch.h"

#include <cstdio>

#include <signal.h>

namespace {

// A code text in bytes that are not UTF-8 would be drawn with U+FFFD in their place: refused.
std::optional<QString> codeTextProblem(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView word(argv[i]);
        QByteArrayView text;
        if (word == "--text" && i + 1 < argc)
            text = QByteArrayView(argv[++i]);
        else if (word.startsWith("--text="))
            text = word.sliced(7);
        else
            continue;
        if (const auto problem = CodeTexts::utf8Problem(text))
            return QStringLiteral("The code text is not UTF-8: %1.").arg(*problem);
    }
    return std::nullopt;
}

// Loads the rest of the program and hands the command line to it.
int runFullProgram(int argc, char** argv) {
    using Main = int (*)(int, char**);
    const auto full = reinterpret_cast<Main>(FullModule::entry("barcode_desk_cli_full"));
    return full ? full(argc, argv) : Jobs::kExitRefused;
}

} // namespace

int main(int argc, char** argv) {
    // A reader that quits early (a pipe, a FIFO) makes a write fail, which the job reports,
    // rather than ending the program without a word.
    ::signal(SIGPIPE, SIG_IGN);
    const auto parsed = CommandLine::parse(Jobs::utf8Arguments(argc, argv));
    if (const auto* problem = std::get_if<CommandLine::UsageProblem>(&parsed))
        return Jobs::usageProblem(problem->message, problem->command);
    const CommandLine::Invocation& invocation = std::get<CommandLine::Invocation>(parsed);
    if (invocation.request != CommandLine::Invocation::Request::Run)
        return Jobs::answer(invocation);
    if (invocation.command == CommandLine::Command::Types) {
        std::fputs(CommandLine::typeList().toUtf8().constData(), stdout);
        return 0;
    }
    if (const auto problem = codeTextProblem(argc, argv)) {
        Jobs::printError(*problem);
        return Jobs::kExitRefused;
    }
    // A labels run leaves nothing behind when interrupted, from its very start: the signals wait
    // while the rest of the program loads, until the run has set up its handlers.
    if (invocation.command == CommandLine::Command::Labels) {
        sigset_t interruptions;
        sigemptyset(&interruptions);
        sigaddset(&interruptions, SIGINT);
        sigaddset(&interruptions, SIGTERM);
        sigprocmask(SIG_BLOCK, &interruptions, nullptr);
    }
    // No QCoreApplication: nothing done here needs one, and making it costs a third of the
    // start-up. The full program makes its own.
    if (FastDraw::handles(invocation))
        if (const std::optional<int> status = FastDraw::run(invocation)) return *status;
    if (QuickBatch::handles(invocation)) return QuickBatch::run(invocation, argc, argv);
    return runFullProgram(argc, argv);
}
