// barcode-desk-cli: draws, reads and batch-draws barcodes with the window's own code, no display.
// It starts with Qt Core alone: help, version, usage problems and the draws a script makes by
// the thousand are done here; everything else is in a module loaded on demand, so that Qt Gui,
// FreeImage and fonts load only for the jobs that use them.
#include "cli/CommandLine.h"
#include "cli/FastDraw.h"
#include "cli/Jobs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

#include <dlfcn.h>

namespace {

// Where the module may be: beside the program, as installed or built, then where the package
// installs it, then where this build put it, then by name alone (the run path).
QStringList moduleCandidates() {
    QStringList candidates;
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!program.isEmpty())
        candidates << QDir::cleanPath(
            QFileInfo(program).absolutePath() +
            QStringLiteral("/" BARCODE_DESK_CLI_MODULE_FROM_BINDIR "/" BARCODE_DESK_CLI_MODULE));
    candidates << QStringLiteral(BARCODE_DESK_CLI_MODULE_DIR "/" BARCODE_DESK_CLI_MODULE);
    // A copy of the program built here: the run path alone does not do, since a sanitizer's
    // dlopen looks the name up from its own library, not from the program.
    candidates << QStringLiteral(BARCODE_DESK_CLI_MODULE_BUILT);
    candidates << QStringLiteral(BARCODE_DESK_CLI_MODULE);
    return candidates;
}

// Loads the rest of the program and hands the command line to it.
int runFullProgram(int argc, char** argv) {
    QString failure;
    for (const QString& candidate : moduleCandidates()) {
        // A path not there is passed over quietly; one that is there and fails to load says why.
        if (candidate.contains(u'/') && !QFileInfo::exists(candidate)) continue;
        void* module = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            failure = QString::fromLocal8Bit(dlerror());
            break;
        }
        using Main = int (*)(int, char**);
        if (const auto full = reinterpret_cast<Main>(dlsym(module, "barcode_desk_cli_full")))
            return full(argc, argv);
        failure = QStringLiteral("%1 has no entry").arg(candidate);
        break;
    }
    Jobs::printError(QStringLiteral("%1: cannot load the rest of the program: %2")
                         .arg(QString::fromLatin1(CommandLine::kProgram), failure));
    return Jobs::kExitRefused;
}

} // namespace

int main(int argc, char** argv) {
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
    // No QCoreApplication: nothing done here needs one, and making it costs a third of the
    // start-up. The full program makes its own.
    if (FastDraw::handles(invocation))
        if (const std::optional<int> status = FastDraw::run(invocation)) return *status;
    return runFullProgram(argc, argv);
}
