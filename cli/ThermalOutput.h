#pragma once

#include "cli/CommandLine.h"
#include "labels/TemplateCatalog.h"
#include "labels/ZplOutput.h"

#include <memory>
#include <variant>

// labels for thermal roll printers, as the options say: the roll --label describes, and ZPL
// to a file, to a printer's raw port or to a CUPS queue as a raw job.
namespace Thermal {

// An option of rolls given for a sheet, or one of ZPL for a PDF or a print job: the usage
// problem that names it.
std::optional<QString> misplacedOption(const CommandLine::Invocation& args);

// The roll that --label, --gap, --across, --across-gap and --media describe, as a template of
// one row; the usage problem when they describe none.
std::variant<Labels::LabelTemplate, QString> rollOf(const CommandLine::Invocation& args);

// Why the ZPL output cannot be made: wrong usage, or a file that cannot be written.
struct OutputProblem {
    QString message;
    bool usage;
};
// The ZPL output --out or --printer names, with the printer's settings the options give.
std::variant<std::unique_ptr<Labels::ZplOutput>, OutputProblem>
zplOutput(const CommandLine::Invocation& args, const Labels::LabelTemplate& roll);

} // namespace Thermal
