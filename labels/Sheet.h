#pragma once

#include "labels/TemplateCatalog.h"

#include <QList>
#include <QRectF>

namespace Labels {

// A printer's correction: it places the page `offset` mm off and stretches it by `scale`, so
// where the template says x, the sheet is drawn at x * scale + offset (from the paper's top
// left corner).
struct Calibration {
    double offsetXMm = 0, offsetYMm = 0;
    double scaleX = 1, scaleY = 1;

    QRectF applied(const QRectF& points) const;
};

// The labels of a template's sheet in reading order (top to bottom, then left to right over
// all its layouts), and where the n-th label of a run lands.
class Sheet {
  public:
    Sheet(const LabelTemplate& label, Calibration calibration);

    int labelsPerSheet() const { return static_cast<int>(positions_.size()); }
    // Label rectangles as the template places them, in points.
    const QList<QRectF>& positions() const { return positions_; }

    struct Place {
        qint64 page;  // 0-based
        int position; // 1-based on its sheet
        QRectF label; // calibrated, in points
    };
    // The n-th label (0-based) of a run that starts at position `start` (1-based) of the
    // first sheet.
    Place place(qint64 n, int start) const;

  private:
    QList<QRectF> positions_;
    Calibration calibration_;
};

} // namespace Labels
