#pragma once

#include <QImage>
#include <QList>
#include <QPrinterInfo>
#include <QString>

#include <optional>

// "Print": copies of the output picture at its natural size, one under the other, down as
// many pages as they need.

// The printer that printing goes to: the system's default at start, then the last one selected.
class CurrentPrinter {
  public:
    CurrentPrinter();
    explicit CurrentPrinter(const QPrinterInfo& printer) : printer_(printer) {}

    // Makes the first available printer of exactly this name current; false, with the current
    // printer unchanged, when there is none.
    bool select(const QString& name);

    const QPrinterInfo& info() const { return printer_; }
    bool isSet() const { return !printer_.isNull(); }
    QString name() const { return printer_.printerName(); }

  private:
    QPrinterInfo printer_;
};

// The message for a repeat number that cannot be printed, nothing for 1 to 9999.
std::optional<QString> repeatProblem(double n);
// The copies printed for an accepted repeat number: its whole part.
int repeatCopies(double n);

// The message for a spacing that would lift a copy above the top of the page or give it no
// place at all; nothing for any other.
std::optional<QString> spacingProblem(double spacing, int copies, double barcodeHeightTwips);

// The top of copy i, i from 0, on an endless page: i x (spacing x 9 + barcode height) twips,
// in single precision.
QList<double> copyOffsets(int copies, double spacing, double barcodeHeightTwips);

// Where one copy goes: the page (from 0) and its top within the printable area, in twips.
struct CopyPlacement {
    int page = 0;
    double topTwips = 0;
    bool operator==(const CopyPlacement&) const = default;
};

// The copies laid out with the step of copyOffsets. A copy whose bottom would fall below the
// printable height starts a new page at its top; a picture taller than a page still gets
// a page of its own, cut at the bottom.
QList<CopyPlacement> placeCopies(int copies, double spacing, double barcodeHeightTwips,
                                 double pictureHeightTwips, double pageHeightTwips);

// Prints the copies on the printer, the picture's left edge at the left of the printable
// area, 15 twips per pixel. False, with the reason in *failure when given, when nothing could
// be printed: no printer, no picture, no copies, or a printer that cannot be opened.
bool PrintCopies(const CurrentPrinter& printer, const QImage& picture, int copies, double spacing,
                 double barcodeHeightTwips, QString* failure = nullptr);
