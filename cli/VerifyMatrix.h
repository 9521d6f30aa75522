#pragma once

#include "decode/Grade2D.h"

#include <QJsonObject>

// verify's words for QR Codes and Data Matrix symbols: one JSON object or a few lines of text
// per symbol, every ISO/IEC 15415 parameter with its value and grade.
namespace VerifyMatrix {

QJsonObject symbolObject(const Grade2D::Symbol& symbol);
void printText(const Grade2D::Symbol& symbol);
// Graded C or better.
bool passes(const Grade2D::Symbol& symbol);

} // namespace VerifyMatrix
