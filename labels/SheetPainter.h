#pragma once

#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"
#include "render/SymbolPicture.h"
#include "symbology/Symbol.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QSaveFile>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QPainter;
class QPdfWriter;
class QPrinter;

// What the labels command and the window's labels dialog share: a code made a symbol, the
// symbol fitted to a label at whole printer dots, and labels painted on a sheet, a PDF or a
// printer (PrinterCorrections.h remembers each printer's correction).
namespace Labels {

// A PDF has no dots of its own; 600 dpi is a multiple of, or near, what label printers print.
inline constexpr int kPdfDotsPerInch = 600;
inline constexpr double kTextLineMm = 2.5; // the pixel size of the text lines under the symbol

// The X-dimensions a symbology's standard allows, in millimetres.
struct XRange {
    double low, high;
};
XRange xRangeOf(Symbology symbology);
// The same for any type name the command line takes (the classic seven's, or libzint's).
XRange xRangeOfType(const QString& typeName);

// A row's code as a symbol of the type named (the classic seven's names, or libzint's), with the
// text a reader returns for it and the X-dimensions it may take; or why it is refused.
struct LabelSymbol {
    Symbol symbol;
    QString expected;
    XRange range;
};
std::variant<LabelSymbol, QString> labelSymbol(const QString& typeName, QString code);

// The printable part of one label: its shape inside the markup margin, in dots, with the
// label's top left corner at the origin.
struct Area {
    LabelTemplate::Shape shape;
    QSizeF label;
    double margin;
    double hole;
};

// How a symbol stands on its label: the dots per module, its bar height and its box, relative
// to the label's top left corner.
struct Fit {
    int dots;
    int barHeight;
    QRectF box;
};

QSizeF boxOf(const Symbol& symbol, const SymbolLayout& layout, int dots, double linesHeight);
std::optional<Fit> fitSymbol(const Symbol& symbol, const Area& area, double linesHeight,
                             int lowDots, int highDots);

// Paints labels in the dots of one resolution on any painter: one label, its outline, a page
// to measure a printer by.
class LabelPainter {
  public:
    LabelPainter(const LabelTemplate& label, int dotsPerInch, bool outline);

    int dotsPerInch() const { return dotsPerInch_; }
    double dotsPerPoint() const { return dotsPerInch_ / 72.0; }
    double mmPerDot() const { return 25.4 / dotsPerInch_; }
    double lineHeight() const { return lineHeight_; }
    const LabelTemplate& label() const { return label_; }
    // The printable part of a label placed by the calibration, in dots.
    Area area(const Calibration& calibration) const;
    // Text lines as wide as the label's printable part, or, on a round label, as the symbol.
    double textWidth(const Area& area, const Symbol& symbol, const Fit& fit) const;

    void paint(QPainter& painter, const QRectF& labelPoints, const Symbol& symbol, const Fit& fit,
               const QStringList& lines, double textWidth) const;
    // The label's outline when one was asked for; the label in dots.
    void paintFrame(QPainter& painter, const QRectF& labelDots) const;
    // Crosshairs at every label's corners, the label's number in its middle, and millimetre
    // rulers across and down the page, all placed as the labels will be, calibration included.
    void paintCalibration(QPainter& painter, const Sheet& sheet,
                          const Calibration& calibration) const;

  private:
    void paintOutline(QPainter& painter, const QRectF& label) const;

    const LabelTemplate& label_;
    int dotsPerInch_;
    bool outline_;
    QFont font_;
    double lineHeight_ = 0;
};

// Where labels go, one at a time in the order of their places, at one printer resolution.
class LabelSink {
  public:
    virtual ~LabelSink() = default;

    virtual int dotsPerInch() const = 0;
    double dotsPerPoint() const { return dotsPerInch() / 72.0; }
    double mmPerDot() const { return 25.4 / dotsPerInch(); }
    // The height of a text line under the symbol, in dots.
    virtual double lineHeight() const = 0;
    // Pages (sheets, or rows of a roll) begun so far.
    virtual qint64 pages() const = 0;
    // Why a label could not be put out.
    virtual QString errorString() const = 0;
    virtual bool paint(const Sheet::Place& place, const LabelSymbol& made, const Fit& fit,
                       const QStringList& lines, double textWidth) = 0;
    // Finishes the output; the reason when that failed.
    virtual std::optional<QString> commit() = 0;
};

// Where the sheets go: a PDF, written beside its name and put in place only once it is whole,
// or a printer, whose job is sent only once it is whole. Either way a run that stops short
// leaves nothing.
class SheetWriter : public LabelSink {
  public:
    // To the printer when one is named, else to the PDF at `path`; `creator` goes in the PDF.
    SheetWriter(const QString& path, const QString& printerName, const LabelTemplate& label,
                bool outline, const QString& creator);
    ~SheetWriter() override;

    // Whether the printer named is there; a PDF always is.
    bool ready() const { return printerName_.isEmpty() || printer_; }
    const LabelPainter& painter() const { return *labelPainter_; }
    int dotsPerInch() const override { return dotsPerInch_; }
    double lineHeight() const override { return labelPainter_->lineHeight(); }
    qint64 pages() const override { return page_ + 1; }
    // Why the PDF could not be written, or the job not be printed.
    QString errorString() const override;

    bool paint(const Sheet::Place& place, const LabelSymbol& made, const Fit& fit,
               const QStringList& lines, double textWidth) override;
    // Any label: `paintLabel` is given the painter and the label's rectangle in dots.
    bool paint(const Sheet::Place& place,
               const std::function<void(QPainter&, const QRectF&)>& paintLabel);
    bool paintCalibration(const Sheet& sheet, const Calibration& calibration);
    // Ends the PDF and puts it in place, or sends the job; the reason when that failed.
    std::optional<QString> commit() override;

  private:
    QPageLayout pageLayout() const;
    bool onPage(qint64 page);
    bool begin();
    QFileDevice& out() { return toDevice_ ? static_cast<QFileDevice&>(device_) : file_; }
    const QFileDevice& out() const {
        return toDevice_ ? static_cast<const QFileDevice&>(device_) : file_;
    }

    QSaveFile file_;
    QFile device_;
    bool toDevice_ = false;
    const LabelTemplate& label_;
    QString printerName_;
    QString creator_;
    int dotsPerInch_ = kPdfDotsPerInch;
    std::unique_ptr<LabelPainter> labelPainter_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPdfWriter> pdf_;
    std::unique_ptr<QPainter> painter_;
    qint64 page_ = -1;
};

} // namespace Labels
