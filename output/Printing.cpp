#include "output/Printing.h"

#include "render/Twips.h"

#include <QDateTime>
#include <QPainter>
#include <QPrinter>

#include <atomic>
#include <cmath>

namespace {

constexpr double kSpacingTwipsPerUnit = 9;
constexpr int kMaxRepeat = 9999;
// Slack in twips for a copy that ends exactly on the page's bottom edge.
constexpr double kFitTolerance = 0.5;

double copyStep(double spacing, double barcodeHeightTwips) {
    return spacing * kSpacingTwipsPerUnit + barcodeHeightTwips;
}

// The classic layout keeps positions in single precision.
double offsetOf(int row, double step) {
    return static_cast<float>(row * step);
}

// Print jobs are told apart by their names in the queue and in print-to-file output.
QString uniqueDocumentName() {
    static std::atomic<int> jobs{0};
    return QStringLiteral("Barcode Desk %1 %2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss.zzz")))
        .arg(++jobs);
}

bool failWith(QString* failure, const QString& message) {
    if (failure) *failure = message;
    return false;
}

std::optional<QString> printProblem(const CurrentPrinter& printer, const QImage& picture,
                                    int copies) {
    if (!printer.isSet()) return QStringLiteral("No printer is available.");
    if (picture.isNull()) return QStringLiteral("There is no picture to print.");
    if (copies < 1) return QStringLiteral("The number of copies must be 1 or more.");
    return std::nullopt;
}

// Draws every copy at its place, turning pages as the layout says; false when a page
// cannot be turned.
bool drawCopies(QPrinter& device, QPainter& painter, const QImage& picture,
                const QList<CopyPlacement>& placements, double dotsPerTwip) {
    const double width = Geometry::pixelsToTwips(picture.width()) * dotsPerTwip;
    const double height = Geometry::pixelsToTwips(picture.height()) * dotsPerTwip;
    int page = 0;
    for (const CopyPlacement& copy : placements) {
        if (copy.page != page && !device.newPage()) return false;
        page = copy.page;
        painter.drawImage(QRectF(0, copy.topTwips * dotsPerTwip, width, height), picture);
    }
    return true;
}

} // namespace

CurrentPrinter::CurrentPrinter() : printer_(QPrinterInfo::defaultPrinter()) {}

bool CurrentPrinter::select(const QString& name) {
    for (const QPrinterInfo& candidate : QPrinterInfo::availablePrinters()) {
        if (candidate.printerName() != name) continue;
        printer_ = candidate;
        return true;
    }
    return false;
}

std::optional<QString> repeatProblem(double n) {
    if (!(n >= 1))
        return QStringLiteral("Please set the repeat number to a valid value (1 or more).");
    if (n > kMaxRepeat)
        return QStringLiteral("Please set the repeat number to a valid value (1 to 9999).");
    return std::nullopt;
}

int repeatCopies(double n) {
    return repeatProblem(n) ? 0 : static_cast<int>(std::floor(n));
}

std::optional<QString> spacingProblem(double spacing, int copies, double barcodeHeightTwips) {
    const double step = copyStep(spacing, barcodeHeightTwips);
    if (!std::isfinite(step) || (copies > 1 && offsetOf(1, step) < 0))
        return QStringLiteral(
            "Please set the vertical spacing to a value that keeps every copy on the page.");
    return std::nullopt;
}

QList<double> copyOffsets(int copies, double spacing, double barcodeHeightTwips) {
    const double step = copyStep(spacing, barcodeHeightTwips);
    QList<double> offsets;
    for (int i = 0; i < copies; ++i)
        offsets.append(offsetOf(i, step));
    return offsets;
}

QList<CopyPlacement> placeCopies(int copies, double spacing, double barcodeHeightTwips,
                                 double pictureHeightTwips, double pageHeightTwips) {
    const double step = copyStep(spacing, barcodeHeightTwips);
    QList<CopyPlacement> placements;
    int page = 0;
    int row = 0;
    for (int i = 0; i < copies; ++i, ++row) {
        const bool overflows =
            offsetOf(row, step) + pictureHeightTwips > pageHeightTwips + kFitTolerance;
        if (row > 0 && overflows) {
            ++page;
            row = 0;
        }
        placements.append({page, offsetOf(row, step)});
    }
    return placements;
}

bool PrintCopies(const CurrentPrinter& printer, const QImage& picture, int copies, double spacing,
                 double barcodeHeightTwips, QString* failure) {
    if (const auto problem = printProblem(printer, picture, copies))
        return failWith(failure, *problem);

    QPrinter device(printer.info(), QPrinter::HighResolution);
    device.setDocName(uniqueDocumentName());
    QPainter painter;
    if (!painter.begin(&device))
        return failWith(failure,
                        QStringLiteral("The printer %1 cannot be opened.").arg(printer.name()));

    const double dotsPerTwip = device.resolution() / Geometry::kTwipsPerInch;
    const double pageHeightTwips = device.pageRect(QPrinter::DevicePixel).height() / dotsPerTwip;
    const QList<CopyPlacement> placements =
        placeCopies(copies, spacing, barcodeHeightTwips, Geometry::pixelsToTwips(picture.height()),
                    pageHeightTwips);
    const bool drawn = drawCopies(device, painter, picture, placements, dotsPerTwip);
    const bool ended = painter.end();
    if (!drawn || !ended || device.printerState() == QPrinter::Error)
        return failWith(failure, QStringLiteral("Printing on %1 failed.").arg(printer.name()));
    return true;
}
