#pragma once

#include "cli/CommandLine.h"
#include "decode/LineDecode.h"
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

// The template a name names: a file, or a brand and part of the catalog.
std::variant<Labels::LabelTemplate, QString>
chosenTemplate(Labels::TemplateCatalog& catalog, const std::optional<QString>& catalogProblem,
               const QString& name);

// The scan check's letter for a linear symbol as printed at `dots` per module.
QChar gradeOf(const Symbol& symbol, const SymbolLayout& layout, int dots,
              LineDecode::Linear symbology, const QString& expected);
// How the scan check reads the type's symbols; nothing for 2D ones.
std::optional<LineDecode::Linear> gradedAs(const QString& typeName);

// How many labels graded A, B, C, D and F, and how many were printed too coarse to grade (a
// null letter).
class Grades {
  public:
    void add(QChar letter) {
        if (letter.isNull())
            ++coarse_;
        else
            ++counts_[indexOf(letter)];
    }
    QString summary() const {
        QStringList parts;
        for (int i = 0; i < 5; ++i)
            if (counts_[i] > 0) parts << QStringLiteral("%1 %2").arg(counts_[i]).arg(kLetters[i]);
        if (coarse_ > 0) parts << QStringLiteral("%1 too coarse to grade").arg(coarse_);
        return parts.join(QStringLiteral(", "));
    }

  private:
    static constexpr char kLetters[] = "ABCDF";
    static int indexOf(QChar letter) {
        for (int i = 0; i < 4; ++i)
            if (letter == QLatin1Char(kLetters[i])) return i;
        return 4;
    }
    qint64 counts_[5] = {};
    qint64 coarse_ = 0;
};

// labels --design and --layout.
int runDesign(const CommandLine::Invocation& args, Labels::TemplateCatalog& catalog,
              const std::optional<QString>& catalogProblem);

} // namespace LabelsCommand
