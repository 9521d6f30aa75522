#include "labels/RollLabel.h"

#include <QRegularExpression>

#include <cmath>

namespace Labels {

std::variant<QSizeF, QString> labelSizeOf(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*([0-9]+(?:\.[0-9]+)?)\s*[xX]\s*([0-9]+(?:\.[0-9]+)?)\s*(mm|in)?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return QStringLiteral("'%1' is no label size: WIDTHxHEIGHT in mm, e.g. 50x30 or 4x6in")
            .arg(text);
    const double unit = match.captured(3) == u"in" ? 25.4 : 1.0;
    const QSizeF size(match.captured(1).toDouble() * unit, match.captured(2).toDouble() * unit);
    // A printhead is at most about 8.5 inches wide; a label shorter than 5 mm holds no symbol.
    if (size.width() < 5 || size.height() < 5 || size.width() > 220 || size.height() > 2000)
        return QStringLiteral("'%1' is %2 x %3 mm: a label is 5 to 220 mm wide and 5 to 2000 mm "
                              "long")
            .arg(text)
            .arg(size.width(), 0, 'f', 1)
            .arg(size.height(), 0, 'f', 1);
    return size;
}

std::optional<Media> mediaNamed(const QString& word) {
    if (word == u"gap") return Media::Gap;
    if (word == u"mark") return Media::Mark;
    if (word == u"continuous") return Media::Continuous;
    return std::nullopt;
}

LabelTemplate rollTemplate(const Roll& roll) {
    LabelTemplate label;
    label.brand = QStringLiteral("Roll");
    label.part = QStringLiteral("%1x%2")
                     .arg(roll.labelMm.width(), 0, 'g', 4)
                     .arg(roll.labelMm.height(), 0, 'g', 4);
    if (roll.across > 1) label.part += QStringLiteral(" %1-across").arg(roll.across);
    label.description = roll.media == Media::Continuous
                            ? QStringLiteral("continuous roll")
                            : QStringLiteral("roll, %1 mm between labels").arg(roll.gapMm);
    label.paperName = QStringLiteral("Other");
    label.label = roll.labelMm * kPointsPerMm;
    // A roll's labels sit a little to either side of where the printer's sensor expects them.
    label.markMargin = kRollMarginMm * kPointsPerMm;
    const double dx = (roll.labelMm.width() + roll.acrossGapMm) * kPointsPerMm;
    label.paper = QSizeF(label.label.width() + (roll.across - 1) * dx, label.label.height());
    Layout row;
    row.nx = roll.across;
    row.dx = dx;
    label.layouts << row;
    return label;
}

} // namespace Labels
