#pragma once

#include "decode/LineDecode.h"
#include "labels/Sheet.h"
#include "labels/SheetPainter.h"
#include "render/SymbolPicture.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

// The scan check of a label's symbol as it will print, at whole printer dots a module, and the
// tally of a run's grades that the labels command and the Labels dialog report.
namespace Labels {

// The scan check's letter for a linear symbol as printed at `dots` per module.
QChar gradeOf(const Symbol& symbol, const SymbolLayout& layout, int dots,
              LineDecode::Linear symbology, const QString& expected);
// How the scan check reads the type's symbols; nothing for 2D ones.
std::optional<LineDecode::Linear> gradedAs(const QString& typeName);
// The text a label's symbol must decode to.
QString expectedText(const QString& typeName, LineDecode::Linear symbology,
                     const LabelSymbol& made);
// The name the 2D grader knows a type's symbols by; nothing for those it does not grade.
std::optional<QString> matrixKindOf(const QString& typeName);
// The 2D grader's letter for a QR Code or Data Matrix symbol at `dots` per module; nothing
// when the dots are too coarse to grade.
QChar gradeOfMatrix(const Symbol& symbol, int dots, const QString& kind);
// The letter of a label's symbol of the type, fitted as `fit` says: nothing for a type neither
// grader measures, a null letter where the dots are too coarse to grade.
std::optional<QChar> labelGrade(const QString& typeName, const LabelSymbol& made, const Fit& fit);

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

} // namespace Labels
