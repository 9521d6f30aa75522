#include "labels/LabelGrades.h"

#include "decode/Grade2D.h"
#include "decode/ScanGrade.h"
#include "symbology/ZintChoices.h"

#include <QImage>

#include <algorithm>
#include <vector>

namespace Labels {

// The scan check's letter for a label's symbol as printed, at the printer's dots. Drawn in
// whole dots every scan line across the bars is the same, so one profile grades as ten; it
// must decode to `expected`, the text with any check digit, and find its quiet zones clear.
QChar gradeOf(const Symbol& symbol, const SymbolLayout& layout, int dots,
              LineDecode::Linear symbology, const QString& expected) {
    std::vector<double> reflectance(static_cast<size_t>(layout.width) * dots, 100.0);
    for (qsizetype module = 0; module < symbol.modules.size(); ++module)
        if (symbol.modules[module] == u'1')
            std::fill_n(reflectance.begin() + (layout.left + module) * dots, dots, 0.0);
    const double firstBar = double(layout.left) * dots;
    const ScanGrade::Line line =
        ScanGrade::gradeProfile(reflectance, symbology, expected, firstBar,
                                firstBar + double(symbol.modules.size()) * dots);
    return ScanGrade::letterOf(line.grade());
}

// How the scan check reads the type's symbols; nothing for 2D ones.
std::optional<LineDecode::Linear> gradedAs(const QString& typeName) {
    if (const auto classic = symbologyChoice(typeName))
        return LineDecode::linearOf(classic->symbology);
    if (const auto zint = zintChoice(typeName)) return LineDecode::linearOf(zint->type);
    return std::nullopt;
}

// The text a label's symbol must decode to: the code with its check digit for the classic
// symbologies; for the newer ones what its modules decode to as drawn, with their check
// characters, an add-on or GS1's separators. A symbol whose own modules do not decode gets a
// text no line reads, and fails.
QString expectedText(const QString& typeName, LineDecode::Linear symbology,
                     const LabelSymbol& made) {
    if (symbologyChoice(typeName)) return made.expected;
    const bool addOn = LineDecode::takesAddOn(symbology) && made.expected.contains(u'+');
    return LineDecode::textOfModules(symbology, made.symbol.modules, addOn).value_or(QString());
}

// The name the 2D grader knows a type's symbols by; nothing for those it does not grade.
std::optional<QString> matrixKindOf(const QString& typeName) {
    if (typeName == u"qr" || typeName == u"digital-link") return QStringLiteral("QR Code");
    if (typeName == u"gs1-qr") return QStringLiteral("GS1 QR Code");
    if (typeName == u"datamatrix") return QStringLiteral("Data Matrix");
    if (typeName == u"gs1-datamatrix") return QStringLiteral("GS1 Data Matrix");
    if (typeName == u"aztec") return QStringLiteral("Aztec Code");
    return std::nullopt;
}

// The 2D grader's letter for a label's QR Code or Data Matrix symbol as printed, at the
// printer's dots; nothing when the dots are too coarse to grade.
QChar gradeOfMatrix(const Symbol& symbol, int dots, const QString& kind) {
    const ModuleMatrix& m = *symbol.matrix;
    const int quiet = symbol.quietLeft;
    QImage picture((m.columns + 2 * quiet) * dots, (m.rows + 2 * quiet) * dots,
                   QImage::Format_Grayscale8);
    picture.fill(255);
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.columns; ++c)
            if (m.dark(r, c))
                for (int y = 0; y < dots; ++y)
                    std::fill_n(picture.scanLine((r + quiet) * dots + y) + (c + quiet) * dots, dots,
                                uchar(0));
    ReadingEngine::Found where;
    where.kind = kind;
    where.matrix = true;
    where.rows = m.rows;
    where.columns = m.columns;
    const double left = quiet * dots, top = quiet * dots;
    const double right = left + m.columns * dots, bottom = top + m.rows * dots;
    where.corners = {QPointF(left, top), QPointF(right, top), QPointF(right, bottom),
                     QPointF(left, bottom)};
    where.box = QRect(int(left), int(top), m.columns * dots, m.rows * dots);
    const auto graded = Grade2D::gradeFound(picture, {where});
    if (graded.empty() || !graded.front().graded()) return {};
    return graded.front().letter();
}

std::optional<QChar> labelGrade(const QString& typeName, const LabelSymbol& made, const Fit& fit) {
    if (const auto linear = gradedAs(typeName))
        return gradeOf(made.symbol, SymbolLayout(made.symbol, fit.barHeight, std::nullopt),
                       fit.dots, *linear, expectedText(typeName, *linear, made));
    const auto kind = matrixKindOf(typeName);
    if (!kind) return std::nullopt;
    return made.symbol.matrix ? gradeOfMatrix(made.symbol, fit.dots, *kind) : QChar();
}

} // namespace Labels
