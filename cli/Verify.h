#pragma once

#include "app/ScanCheck.h"
#include "cli/CommandLine.h"
#include "decode/ScanGrade.h"

#include <QImage>
#include <QString>

#include <optional>

// barcode-desk-cli verify: grades every symbol in a picture file ("-" for standard input) and
// prints the grades, as text or as one JSON object; symbols it does not grade yet (2D ones, the
// newer linear ones) are listed as decoded, 2D ones with their modules and quiet zone. Exit
// status 0 when at least one symbol is found, each graded one grades C or better and each 2D
// one keeps its quiet zone, 1 otherwise.
// With `reportPath`, also a one-page report on the first symbol there (exit 1 when it cannot
// be written).
// Several pictures of one print: each graded, and every symbol found in all of them with the
// same type and text gets their mean score, which alone sets the exit status.
int verifyPictures(const QStringList& inPaths, bool json, const ScanGrade::Options& options = {},
                   const QString& reportPath = {});

// The grader's light and aperture as verify's options (checked already) ask for them.
ScanGrade::Options verifyOptions(const CommandLine::Invocation& invocation);

// True when the reading engine finds a symbol in a picture just drawn; a look along a few rows
// first, which settles it for most pictures at a fraction of the cost.
bool pictureDecodes(const QImage& picture);

// The warning for a picture that does not decode. For a picture drawn as the window draws it
// (`window`), also the nearest width positions whose picture does.
QString undecodableWarning(const std::optional<ScanCheck::DrawInputs>& window);
