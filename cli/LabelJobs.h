#pragma once

#include "cli/CommandLine.h"
#include "decode/LineDecode.h"
#include "labels/LabelGrades.h"
#include "labels/Sheet.h"
#include "labels/SheetPainter.h"
#include "labels/TemplateCatalog.h"
#include "render/SymbolPicture.h"

#include <QChar>
#include <QString>

#include <optional>
#include <variant>

// What the labels command's two jobs share: a sheet of codes from a list (Labels.cpp) and a
// sheet of a label design (LabelDesigns.cpp).
namespace LabelsCommand {

// A usage problem: the message and where help is; exit status 2.
int usage(const QString& message);

// Where the options put the labels. A printer remembers the correction last given for it and
// uses it when none is given.
Labels::Calibration calibrationFor(const CommandLine::Invocation& args, const QString& printer);

// Saves the correction given for a printer, once the printer has taken the job: a refused or
// failed run leaves the one remembered before.
void rememberCalibration(const CommandLine::Invocation& args, const QString& printer);

// Why no template could be had, and the exit status that says so.
struct TemplateProblem {
    QString message;
    int status;
};

// The template a name names: a file, or a brand and part of the catalog. A file or catalog that
// cannot be read is a failure; a name the catalog does not know is wrong usage.
std::variant<Labels::LabelTemplate, TemplateProblem>
chosenTemplate(Labels::TemplateCatalog& catalog, const std::optional<QString>& catalogProblem,
               const QString& name);

using Labels::gradedAs;
using Labels::gradeOf;
using Labels::Grades;

// labels --design and --layout.
int runDesign(const CommandLine::Invocation& args, Labels::TemplateCatalog& catalog,
              const std::optional<QString>& catalogProblem);

} // namespace LabelsCommand
