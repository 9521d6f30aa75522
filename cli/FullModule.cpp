#include "cli/FullModule.h"

#include "cli/CommandLine.h"
#include "cli/Jobs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

namespace FullModule {
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

} // namespace

void* entry(const char* name) {
    QString failure;
    for (const QString& candidate : moduleCandidates()) {
        // A path not there is passed over quietly; one that is there and fails to load says why.
        if (candidate.contains(u'/') && !QFileInfo::exists(candidate)) continue;
        void* module = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            failure = QString::fromLocal8Bit(dlerror());
            break;
        }
        if (void* found = dlsym(module, name)) return found;
        failure = QStringLiteral("%1 has no entry").arg(candidate);
        break;
    }
    Jobs::printError(QStringLiteral("%1: cannot load the rest of the program: %2")
                         .arg(QString::fromLatin1(CommandLine::kProgram), failure));
    return nullptr;
}

} // namespace FullModule
