#pragma once

#include "decode/Grade2D.h"
#include "decode/ScanGrade.h"

#include <QImage>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// The scan check of a picture as the main window draws it: its grade, and the width slider
// positions nearby whose picture would do better. Widget-free, so the command line and the
// window's worker thread share it.
namespace ScanCheck {

// What a Draw of the main window drew from.
struct DrawInputs {
    QString type; // the type list's text, e.g. "128/n"
    QString text; // the code text as typed
    int width = 50;
    int height = 150;
};

// The output picture of a Draw with these inputs, or a null image when the text is refused.
QImage windowPicture(const DrawInputs& inputs);

// True when the picture of the type grades C or better.
bool gradesCOrBetter(const QImage& picture, const QString& type);
// True when the reading engine finds a symbol in it.
bool decodes(const QImage& picture);
// The same for every symbology the program draws, 2D ones included.
bool decodesAny(const QImage& picture);

// The nearest width positions below and above `inputs.width` whose picture `accepts`, in
// ascending order; stops early, with what it has, once `cancelled` is set.
QList<int> nearestWidths(const DrawInputs& inputs,
                         const std::function<bool(const QImage&)>& accepts,
                         const std::atomic<bool>* cancelled = nullptr);

// For a UPC-A or EAN text of full length whose last digit is not its check digit: that
// text with the right check digit.
std::optional<QString> correctedCheckDigit(const QString& type, const QString& text);

// The conjunction between the last two: "12", "12 and 14", "10, 12 or 14".
QString positionList(const QList<int>& widths, QStringView conjunction = u"and");

// The window's line under the picture, e.g. `Grade B (2.9/09/660) · reads as Code 128 "Hello"
// · 1 module = 2.2 px`; the picture is the one `inputs` drew.
QString statusLine(const QImage& picture, const DrawInputs& inputs,
                   const std::atomic<bool>* cancelled = nullptr);

// The same line with the graded symbols it speaks of, for the report behind it.
struct Checked {
    QString line;
    std::vector<ScanGrade::Symbol> symbols;
    std::vector<Grade2D::Symbol> matrixSymbols; // graded QR Code and Data Matrix symbols
};
Checked check(const QImage& picture, const DrawInputs& inputs,
              const std::atomic<bool>* cancelled = nullptr);

} // namespace ScanCheck
