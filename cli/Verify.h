#pragma once

#include <QString>

// barcode-desk-cli verify: grades every symbol in a picture file ("-" for standard input) and
// prints the grades, as text or as one JSON object. Exit status 0 when at least one symbol is
// found and each grades C or better, 1 otherwise.
int verifyPicture(const QString& inPath, bool json);
