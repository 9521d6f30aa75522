#pragma once

#include "decode/Grade2D.h"
#include "decode/ScanGrade.h"

#include <QString>

// The scan check in plain words, for the top of its report: what a scanner at a till will do
// with the symbol, and the one change that would raise its grade most, worked out from the
// measurements, e.g. "Most tills will not read it. Quiet zone too narrow on the right: leave
// 2.3 mm free (9 modules; 1.2 mm now)."
namespace ScanAdvice {

QString plainLine(const ScanGrade::Symbol& symbol);
// The same for a QR Code, Data Matrix or Aztec Code symbol: the change for its lowest measurement.
QString plainLine(const Grade2D::Symbol& symbol);

} // namespace ScanAdvice
