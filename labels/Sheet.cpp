#include "labels/Sheet.h"

#include <algorithm>
#include <cmath>

namespace Labels {

QRectF Calibration::applied(const QRectF& points) const {
    return {points.x() * scaleX + offsetXMm * kPointsPerMm,
            points.y() * scaleY + offsetYMm * kPointsPerMm, points.width() * scaleX,
            points.height() * scaleY};
}

Sheet::Sheet(const LabelTemplate& label, Calibration calibration) : calibration_(calibration) {
    for (const Layout& layout : label.layouts)
        for (int row = 0; row < layout.ny; ++row)
            for (int column = 0; column < layout.nx; ++column)
                positions_ << QRectF(
                    QPointF(layout.x0 + column * layout.dx, layout.y0 + row * layout.dy),
                    label.label);
    // Rows of different layouts may interleave; a tenth of a point tells rows apart.
    std::stable_sort(positions_.begin(), positions_.end(), [](const QRectF& a, const QRectF& b) {
        const auto rowA = std::llround(a.y() * 10), rowB = std::llround(b.y() * 10);
        return rowA != rowB ? rowA < rowB : a.x() < b.x();
    });
}

Sheet::Place Sheet::place(qint64 n, int start) const {
    const qint64 perSheet = labelsPerSheet();
    const qint64 index = n + start - 1;
    const int position = static_cast<int>(index % perSheet);
    return {index / perSheet, position + 1, calibration_.applied(positions_[position])};
}

} // namespace Labels
