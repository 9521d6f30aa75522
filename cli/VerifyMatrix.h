#pragma once

#include "decode/Grade2D.h"

#include <QJsonObject>

// verify's words for QR Codes, Data Matrix and Aztec symbols: one JSON object or a few lines of
// text per symbol, every ISO/IEC 15415 parameter with its value and grade.
namespace VerifyMatrix {

QJsonObject symbolObject(const Grade2D::Symbol& symbol);
void printText(const Grade2D::Symbol& symbol);
// Graded C or better.
bool passes(const Grade2D::Symbol& symbol);

// A 2D symbol's text read as a GS1 Digital Link: a line with the element strings it carries
// ("elementStrings" in JSON), or with why GS1's rules refuse it ("digitalLinkRefused"); nothing
// for other texts and for addresses without a GS1 key in their path.
void printDigitalLink(const QString& text);
void insertDigitalLink(QJsonObject& object, const QString& text);

} // namespace VerifyMatrix
