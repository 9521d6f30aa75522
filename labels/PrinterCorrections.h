#pragma once

#include "labels/Sheet.h"

#include <QPointF>
#include <QString>

#include <optional>

// The corrections label printers are remembered to need, kept in the user's settings; Qt Core
// alone, so that the command line's option checks share the number pairs.
namespace Labels {

// The correction remembered for each printer, as the text it was given in ("-1,0.5"), under
// "offset" and "scale".
class RememberedCalibrations {
  public:
    std::optional<QString> value(const QString& printer, const QString& key) const;
    void setValue(const QString& printer, const QString& key, const QString& text);

    // The printer's correction, no correction for what is not remembered or not a pair.
    Calibration of(const QString& printer) const;
    void remember(const QString& printer, const Calibration& calibration);
};

// "X,Y" as two finite numbers; nothing for anything else.
std::optional<QPointF> numberPair(const QString& text);

} // namespace Labels
