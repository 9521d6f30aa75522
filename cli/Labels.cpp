#include "cli/Labels.h"

#include "cli/Jobs.h"
#include "decode/ScanGrade.h"
#include "labels/ListReader.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"
#include "render/SymbolPicture.h"
#include "symbology/DigitCode.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QSettings>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include <signal.h>
#include <unistd.h>

namespace LabelsCommand {

namespace {

using CommandLine::delimiterOf;
using CommandLine::Invocation;
using CommandLine::numberPair;
using Labels::LabelTemplate;

using Jobs::kExitRefused;
using Jobs::kExitUsage;
// A PDF has no dots of its own; 600 dpi is a multiple of, or near, what label printers print.
constexpr int kPdfDotsPerInch = 600;
constexpr double kTextLineMm = 2.5; // the pixel size of the text lines under the symbol

int usage(const QString& message) {
    Jobs::printError(QStringLiteral("%1: %2\n'%1 labels --help' explains the options.")
                         .arg(QString::fromLatin1(CommandLine::kProgram), message));
    return kExitUsage;
}

QString mm(double dots, double mmPerDot) {
    return QString::number(dots * mmPerDot, 'f', 1);
}

// The X-dimensions a symbology's standard allows, in millimetres.
struct XRange {
    double low, high;
};
XRange xRangeOf(Symbology symbology) {
    if (symbology == Symbology::Code39 || symbology == Symbology::Code128) return {0.19, 1.0};
    return {0.264, 0.66}; // EAN and UPC: 80 % to 200 % of 0.33 mm
}

// The code text the encoder takes: EAN and UPC-A without their check digit (checked when
// given), or the reason the row is refused. The window pads and cuts digits; a list of
// product codes is taken as it is written.
std::optional<QString> digitsFor(const SymbologyChoice& choice, QString& code) {
    code = code.trimmed();
    // UPC-A's encoder takes its check digit with the data; the list may leave it out.
    const int length =
        choice.symbology == Symbology::UpcA ? 11 : factsOf(choice.symbology).dataDigits;
    const QString name = standardNameOf(choice.symbology);
    if (!DigitCode::allDigits(code))
        return QStringLiteral("%1 takes digits only, not '%2'").arg(name, code);
    if (code.size() == length + 1) {
        const int expected = DigitCode::checkDigit(QStringView(code).first(length));
        if (code.back().unicode() - u'0' != expected)
            return QStringLiteral("the check digit of %1 should be %2").arg(code).arg(expected);
        code.chop(1);
    } else if (code.size() != length) {
        return QStringLiteral("%1 takes %2 digits, or %3 with the check digit; '%4' has %5")
            .arg(name)
            .arg(length)
            .arg(length + 1)
            .arg(code)
            .arg(code.size());
    }
    // UPC-A's encoder draws its twelve digits as given.
    if (choice.symbology == Symbology::UpcA) code += QChar(u'0' + DigitCode::checkDigit(code));
    return std::nullopt;
}

// The printable part of one label: its shape inside the markup margin, in dots, with the
// label's top left corner at the origin.
struct Area {
    LabelTemplate::Shape shape;
    QSizeF label;
    double margin;
    double hole;
};

// Whether a box (relative to the label's top left corner) lies inside the printable part. The
// shapes are convex, so a box whose corners lie inside lies inside.
bool inside(const Area& area, const QRectF& box) {
    const QRectF inner(area.margin, area.margin, area.label.width() - 2 * area.margin,
                       area.label.height() - 2 * area.margin);
    if (inner.isEmpty() || box.left() < inner.left() - 1e-6 || box.right() > inner.right() + 1e-6 ||
        box.top() < inner.top() - 1e-6 || box.bottom() > inner.bottom() + 1e-6)
        return false;
    if (area.shape == LabelTemplate::Shape::Rectangle) return true;
    const QPointF centre = inner.center();
    const double a = inner.width() / 2, b = inner.height() / 2;
    // A CD's ring; one cut to a card's width or height takes the smaller side, which keeps
    // inside its ring as well.
    const double radius = std::min(a, b);
    for (const QPointF& corner :
         {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const QPointF d = corner - centre;
        if (area.shape == LabelTemplate::Shape::Cd
                ? std::hypot(d.x(), d.y()) > radius + 1e-6
                : (d.x() / a) * (d.x() / a) + (d.y() / b) * (d.y() / b) > 1 + 1e-9)
            return false;
    }
    // A CD's box stands below the hole.
    return area.shape != LabelTemplate::Shape::Cd ||
           box.top() >= centre.y() + area.hole + area.margin - 1e-6;
}

// Where the box of a symbol (its quiet zones, the text under it and the text lines) goes: the
// bars centred on the label when the rest still fits below them, else, unless `centredOnly`,
// the whole box as low as it fits under that (a CD: under its hole). `box` is as wide as twice
// the wider side from the bars' centre, so that the bars stand centred across either way.
// Nullopt when it does not fit.
std::optional<QRectF> placeBox(const Area& area, QSizeF box, double barsHeight, bool centredOnly) {
    const QPointF centre(area.label.width() / 2, area.label.height() / 2);
    const double left = centre.x() - box.width() / 2;
    if (area.shape == LabelTemplate::Shape::Cd) {
        const QRectF below(left, centre.y() + area.hole + area.margin, box.width(), box.height());
        return inside(area, below) ? std::optional(below) : std::nullopt;
    }
    const QRectF centred(left, centre.y() - barsHeight / 2, box.width(), box.height());
    if (inside(area, centred)) return centred;
    if (centredOnly) return std::nullopt;
    const QRectF lifted(left,
                        std::min(centred.top(), area.label.height() - area.margin - box.height()),
                        box.width(), box.height());
    if (inside(area, lifted)) return lifted;
    const QRectF middle(left, centre.y() - box.height() / 2, box.width(), box.height());
    return inside(area, middle) ? std::optional(middle) : std::nullopt;
}

// How a symbol stands on its label: the dots per module, its bar height and its box, relative
// to the label's top left corner.
struct Fit {
    int dots;
    int barHeight;
    QRectF box;
};

QSizeF boxOf(const Symbol& symbol, const SymbolLayout& layout, int dots, double linesHeight) {
    const double middle = layout.left + symbol.modules.size() / 2.0;
    const double halfWidth = std::max(middle, layout.width - middle) * dots;
    return {2 * halfWidth, layout.height * dots + linesHeight};
}

// The largest whole-dot X-dimension in the range that fits with the symbology's bar height;
// failing that, bars cut down to no less than half their height. A symbol alone on its label
// has its bars centred first, with bars cut if need be; text lines under it may push it up.
std::optional<Fit> fitSymbol(const Symbol& symbol, const Area& area, double linesHeight,
                             int lowDots, int highDots) {
    for (const bool centredOnly : {linesHeight == 0, false})
        for (const bool cut : {false, true})
            for (int dots = highDots; dots >= lowDots; --dots) {
                const int lowest = cut ? (symbol.barHeight + 1) / 2 : symbol.barHeight;
                const int highest = cut ? symbol.barHeight - 1 : symbol.barHeight;
                for (int bars = highest; bars >= lowest; --bars) {
                    const SymbolLayout layout(symbol, bars, std::nullopt);
                    const QSizeF box = boxOf(symbol, layout, dots, linesHeight);
                    if (const auto placed = placeBox(area, box, bars * dots, centredOnly))
                        return Fit{dots, bars, *placed};
                }
            }
    return std::nullopt;
}

// On a terminal, the labels and sheets done so far, once a sheet is full: the length of a
// list read as it comes is not known before its end.
class Progress {
  public:
    void show(qint64 labels, qint64 sheets) {
        if (!shown_ || sheets == sheets_) return;
        sheets_ = sheets;
        std::fprintf(stderr, "\r%lld labels, %lld sheets", static_cast<long long>(labels),
                     static_cast<long long>(sheets));
        drawn_ = true;
    }
    void end() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

  private:
    bool shown_ = isatty(fileno(stderr)) != 0;
    bool drawn_ = false;
    qint64 sheets_ = 0;
};

// SIGINT or SIGTERM: the sheet is given up and nothing is left behind.
std::atomic<int> stopSignal{0};
extern "C" void requestLabelsStop(int signal) {
    stopSignal.store(signal);
}
void stopOnInterruption() {
    struct sigaction action = {};
    action.sa_handler = requestLabelsStop;
    // A save in hand goes on; a second signal ends a run that waits for more of its list.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

// Where the sheets go: a PDF, written beside its name and put in place only once it is whole,
// or a printer, whose job is sent only once it is whole. Either way a run that stops short
// leaves nothing.
class SheetWriter {
  public:
    // To the printer when one is named, else to the PDF at `path`.
    SheetWriter(const QString& path, const QString& printerName, const LabelTemplate& label,
                bool outline)
        : file_(path), device_(path), label_(label), outline_(outline), printerName_(printerName) {
        // A device or a pipe (/dev/null, /dev/stdout) is written into, never replaced.
        const QFileInfo target(path);
        toDevice_ = target.exists() && !target.isFile() && !target.isDir();
        if (!printerName.isEmpty()) {
            const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
            if (info.isNull()) return;
            printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            // The queue and print-to-file output tell jobs apart by their names.
            printer_->setDocName(
                QStringLiteral("Labels %1 %2")
                    .arg(label_.name(), QDateTime::currentDateTime().toString(
                                            QStringLiteral("yyyy-MM-dd hh.mm.ss.zzz"))));
            printer_->setFullPage(true); // positions are from the paper's corner
            printer_->setPageLayout(pageLayout());
            dotsPerInch_ = printer_->resolution();
        }
        font_.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        font_.setStyleHint(QFont::SansSerif);
        font_.setPixelSize(static_cast<int>(std::lround(kTextLineMm / mmPerDot())));
        lineHeight_ = QFontMetricsF(font_).height();
    }
    ~SheetWriter() {
        // A job not committed is not printed.
        if (printer_ && painter_ && painter_->isActive()) printer_->abort();
    }

    // Whether the printer named is there; a PDF always is.
    bool ready() const { return printerName_.isEmpty() || printer_; }
    int dotsPerInch() const { return dotsPerInch_; }
    double dotsPerPoint() const { return dotsPerInch_ / 72.0; }
    double mmPerDot() const { return 25.4 / dotsPerInch_; }
    double lineHeight() const { return lineHeight_; }
    qint64 pages() const { return page_ + 1; }
    // Why the PDF could not be written, or the job not be printed.
    QString errorString() const {
        if (printer_) return QStringLiteral("the printer refused the job");
        return out().errorString();
    }

    bool paint(const Labels::Sheet::Place& place, const Symbol& symbol, const Fit& fit,
               const QStringList& lines, double textWidth) {
        if (!onPage(place.page)) return false;
        const QRectF labelDots(place.label.topLeft() * dotsPerPoint(),
                               place.label.size() * dotsPerPoint());
        if (outline_) paintOutline(labelDots);
        const SymbolLayout layout(symbol, fit.barHeight, std::nullopt);
        const QRectF box = fit.box.translated(labelDots.topLeft());
        const QPointF centre = box.center();
        // Whole dots from the page's corner keep every bar edge on a printer dot's edge.
        const double middle = layout.left + symbol.modules.size() / 2.0;
        const QPointF origin(std::round(centre.x() - middle * fit.dots), std::round(box.top()));
        painter_->save();
        painter_->translate(origin);
        paintSymbol(*painter_, symbol, layout, fit.dots);
        painter_->restore();
        if (lines.isEmpty()) return true;
        painter_->setFont(font_);
        painter_->setPen(Qt::black);
        const QFontMetricsF metrics(font_);
        double top = origin.y() + layout.height * fit.dots;
        for (const QString& line : lines) {
            const QRectF band(centre.x() - textWidth / 2, top, textWidth, lineHeight_);
            painter_->drawText(band, Qt::AlignHCenter | Qt::AlignTop,
                               metrics.elidedText(line, Qt::ElideRight, textWidth));
            top += lineHeight_;
        }
        return true;
    }

    // A page to measure a printer by: crosshairs at every label's corners, the label's number
    // in its middle, and millimetre rulers across and down the page, all placed as the labels
    // will be, calibration included.
    bool paintCalibration(const Labels::Sheet& sheet, const Labels::Calibration& calibration) {
        if (!onPage(0)) return false;
        const double dot = mmPerDot();
        painter_->setPen(QPen(Qt::black, 0.1 / dot));
        painter_->setFont(font_);
        const double arm = 3 / dot;
        for (qsizetype i = 0; i < sheet.positions().size(); ++i) {
            const QRectF rect = calibration.applied(sheet.positions()[i]);
            const QRectF dots(rect.topLeft() * dotsPerPoint(), rect.size() * dotsPerPoint());
            for (const QPointF& corner :
                 {dots.topLeft(), dots.topRight(), dots.bottomLeft(), dots.bottomRight()}) {
                painter_->drawLine(corner - QPointF(arm, 0), corner + QPointF(arm, 0));
                painter_->drawLine(corner - QPointF(0, arm), corner + QPointF(0, arm));
            }
            painter_->drawText(dots, Qt::AlignCenter, QString::number(i + 1));
        }
        const QSizeF paperMm = label_.paper / Labels::kPointsPerMm;
        const auto at = [&](double xMm, double yMm) {
            const QRectF point = calibration.applied(
                QRectF(xMm * Labels::kPointsPerMm, yMm * Labels::kPointsPerMm, 0, 0));
            return point.topLeft() * dotsPerPoint();
        };
        // Rulers 6 mm in from the top and the left edge: inside what most printers can print,
        // and mostly outside the labels.
        constexpr double kRulerMm = 6;
        for (int mm = 0; mm <= paperMm.width(); ++mm) {
            const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
            painter_->drawLine(at(mm, kRulerMm), at(mm, kRulerMm + length));
            if (mm % 10 == 0 && mm > 0)
                painter_->drawText(at(mm, kRulerMm + 4.5) + QPointF(-lineHeight_, lineHeight_),
                                   QString::number(mm));
        }
        for (int mm = 0; mm <= paperMm.height(); ++mm) {
            const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
            painter_->drawLine(at(kRulerMm, mm), at(kRulerMm + length, mm));
            if (mm % 10 == 0 && mm > 0)
                painter_->drawText(at(kRulerMm + 5, mm) + QPointF(0, lineHeight_ / 3),
                                   QString::number(mm));
        }
        const QRectF caption(0, at(0, paperMm.height() - 12).y(),
                             label_.paper.width() * dotsPerPoint(), 3 * lineHeight_);
        painter_->drawText(
            caption, Qt::AlignHCenter | Qt::AlignTop,
            QStringLiteral("%1: offset %2,%3 mm, scale %4,%5\nLay this page on a sheet of labels "
                           "against the light: the crosshairs belong on the labels' corners.")
                .arg(label_.name())
                .arg(calibration.offsetXMm)
                .arg(calibration.offsetYMm)
                .arg(calibration.scaleX)
                .arg(calibration.scaleY));
        return true;
    }

    // Ends the PDF and puts it in place, or sends the job; the reason when that failed.
    std::optional<QString> commit() {
        const bool ended = !painter_ || painter_->end();
        painter_.reset();
        if (printer_) {
            if (!ended || printer_->printerState() == QPrinter::Error)
                return QStringLiteral("Printing on %1 failed.").arg(printer_->printerName());
            return std::nullopt;
        }
        pdf_.reset();
        const bool written = toDevice_ ? ended && device_.flush() : ended && file_.commit();
        if (toDevice_) device_.close();
        if (!written)
            return QStringLiteral("Cannot write %1: %2").arg(out().fileName(), out().errorString());
        return std::nullopt;
    }

  private:
    QPageLayout pageLayout() const {
        const QPageSize paper(label_.paper / Labels::kPointsPerMm, QPageSize::Millimeter,
                              label_.paperName, QPageSize::ExactMatch);
        return QPageLayout(paper, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    }

    // The painter on the page, pages added up to it.
    bool onPage(qint64 page) {
        if (!painter_ && !begin()) return false;
        QPagedPaintDevice* device = printer_ ? static_cast<QPagedPaintDevice*>(printer_.get())
                                             : static_cast<QPagedPaintDevice*>(pdf_.get());
        while (page_ < page) {
            if (!device->newPage()) return false;
            ++page_;
        }
        return true;
    }

    bool begin() {
        painter_ = std::make_unique<QPainter>();
        if (printer_) {
            if (!painter_->begin(printer_.get())) return false;
            page_ = 0;
            return true;
        }
        if (!out().open(QIODevice::WriteOnly)) return false;
        pdf_ = std::make_unique<QPdfWriter>(&out());
        pdf_->setResolution(dotsPerInch_);
        pdf_->setTitle(QStringLiteral("Labels %1").arg(label_.name()));
        pdf_->setCreator(QString::fromLatin1(CommandLine::kProgram));
        pdf_->setPageLayout(pageLayout());
        if (!painter_->begin(pdf_.get())) return false;
        page_ = 0;
        return true;
    }

    void paintOutline(const QRectF& label) {
        painter_->save();
        painter_->setPen(QPen(Qt::gray, 0.1 / mmPerDot()));
        painter_->setBrush(Qt::NoBrush);
        const double corner = label_.corner * dotsPerPoint();
        if (label_.shape == LabelTemplate::Shape::Rectangle) {
            painter_->drawRoundedRect(label, corner, corner);
        } else {
            painter_->drawEllipse(label);
            if (label_.shape == LabelTemplate::Shape::Cd) {
                const double hole = label_.hole * dotsPerPoint();
                painter_->drawEllipse(label.center(), hole, hole);
            }
        }
        painter_->restore();
    }

    QFileDevice& out() { return toDevice_ ? static_cast<QFileDevice&>(device_) : file_; }
    const QFileDevice& out() const {
        return toDevice_ ? static_cast<const QFileDevice&>(device_) : file_;
    }

    QSaveFile file_;
    QFile device_;
    bool toDevice_ = false;
    const LabelTemplate& label_;
    bool outline_;
    QString printerName_;
    int dotsPerInch_ = kPdfDotsPerInch;
    QFont font_;
    double lineHeight_ = 0;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPdfWriter> pdf_;
    std::unique_ptr<QPainter> painter_;
    qint64 page_ = -1;
};

// Where the options put the labels. A printer remembers the correction last given for it and
// uses it when none is given.
Labels::Calibration calibrationFor(const Invocation& args, const QString& printer) {
    QSettings remembered(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Barcode Desk"),
                         QStringLiteral("label-printers"));
    const QString group =
        QStringLiteral("printer-") + QString::fromLatin1(printer.toUtf8().toHex());
    const auto pairOf = [&](const char* option, const QString& fallback) {
        const QString key = group + u'/' + QLatin1String(option);
        if (args.has(QLatin1String(option))) {
            if (!printer.isEmpty()) remembered.setValue(key, args.value(QLatin1String(option)));
            return *numberPair(args.value(QLatin1String(option)));
        }
        const QString stored =
            printer.isEmpty() ? fallback : remembered.value(key, fallback).toString();
        return numberPair(stored).value_or(*numberPair(fallback));
    };
    const QPointF offset = pairOf("offset", QStringLiteral("0,0"));
    const QPointF scale = pairOf("scale", QStringLiteral("1,1"));
    return {offset.x(), offset.y(), scale.x(), scale.y()};
}

int listTemplates(const Labels::TemplateCatalog& catalog, const QString& words) {
    const QList<const LabelTemplate*> found = catalog.search(words);
    if (found.isEmpty()) {
        Jobs::printError(QStringLiteral("No label template matches '%1'.").arg(words));
        return kExitRefused;
    }
    for (const LabelTemplate* label : found) {
        const QSizeF size = label->label / Labels::kPointsPerMm;
        // Round labels and CDs by their diameter, the others by width and height.
        const bool circle =
            label->shape == LabelTemplate::Shape::Round || label->shape == LabelTemplate::Shape::Cd;
        QString shape = circle ? QStringLiteral("%1 mm").arg(size.width(), 0, 'f', 1)
                               : QStringLiteral("%1 x %2 mm")
                                     .arg(size.width(), 0, 'f', 1)
                                     .arg(size.height(), 0, 'f', 1);
        if (label->shape != LabelTemplate::Shape::Rectangle) shape += u' ' + label->shapeName();
        QString line = QStringLiteral("%1  %2  %3 per sheet  %4  %5")
                           .arg(label->name(), -24)
                           .arg(shape, -26)
                           .arg(label->labelsPerSheet(), 3)
                           .arg(label->paperName, -9)
                           .arg(label->description);
        if (!label->equivalentOf.isEmpty())
            line += QStringLiteral(" (as %1)").arg(label->equivalentOf);
        std::printf("%s\n", line.trimmed().toUtf8().constData());
    }
    return 0;
}

// The template the option names: a file, or a brand and part of the catalog.
std::variant<LabelTemplate, QString> chosenTemplate(Labels::TemplateCatalog& catalog,
                                                    const std::optional<QString>& catalogProblem,
                                                    const QString& name) {
    if (QFileInfo(name).isFile()) {
        const auto loaded = catalog.loadFile(name);
        if (const auto* problem = std::get_if<QString>(&loaded)) return *problem;
        return std::get<QList<LabelTemplate>>(loaded).front();
    }
    if (catalogProblem) return *catalogProblem;
    if (const LabelTemplate* label = catalog.find(name)) return *label;
    return QStringLiteral("Unknown label template '%1'. Nearest: %2.")
        .arg(name, catalog.suggestions(name).join(QStringLiteral(", ")));
}

// The scan check's letter for a label's symbol as printed, at the printer's dots. Drawn in
// whole dots every scan line across the bars is the same, so one profile grades as ten; it
// must decode to `expected`, the text with any check digit, and find its quiet zones clear.
QChar gradeOf(const Symbol& symbol, const SymbolLayout& layout, int dots, Symbology symbology,
              const QString& expected) {
    std::vector<double> reflectance(static_cast<size_t>(layout.width) * dots, 100.0);
    for (qsizetype module = 0; module < symbol.modules.size(); ++module)
        if (symbol.modules[module] == u'1')
            std::fill_n(reflectance.begin() + (layout.left + module) * dots, dots, 0.0);
    const double firstBar = double(layout.left) * dots;
    const ScanGrade::Line line =
        ScanGrade::gradeProfile(reflectance, symbology, expected, firstBar,
                                firstBar + double(symbol.modules.size()) * dots);
    return ScanGrade::letterOf(line.grade());
}

// How many labels graded A, B, C, D and F.
class Grades {
  public:
    void add(QChar letter) { ++counts_[indexOf(letter)]; }
    QString summary() const {
        QStringList parts;
        for (int i = 0; i < 5; ++i)
            if (counts_[i] > 0) parts << QStringLiteral("%1 %2").arg(counts_[i]).arg(kLetters[i]);
        return parts.join(QStringLiteral(", "));
    }

  private:
    static constexpr char kLetters[] = "ABCDF";
    static int indexOf(QChar letter) {
        for (int i = 0; i < 4; ++i)
            if (letter == QLatin1Char(kLetters[i])) return i;
        return 4;
    }
    qint64 counts_[5] = {};
};

} // namespace

int run(const Invocation& args) {
    Labels::TemplateCatalog catalog;
    const std::optional<QString> catalogProblem = catalog.load();
    if (args.has(QStringLiteral("templates"))) {
        if (catalogProblem) {
            Jobs::printError(*catalogProblem);
            return kExitRefused;
        }
        return listTemplates(catalog, args.value(QStringLiteral("templates")));
    }
    const bool calibrationPage = args.has(QStringLiteral("calibration-page"));
    // A calibration page needs no list.
    const QStringList required =
        calibrationPage ? QStringList{"template"} : QStringList{"template", "list", "type"};
    for (const QString& option : required)
        if (!args.has(option)) return usage(QStringLiteral("--%1 is required.").arg(option));
    const QString outPath = args.value(QStringLiteral("out"));
    const QString printer = args.value(QStringLiteral("printer"));
    if (outPath.isEmpty() == printer.isEmpty())
        return usage(QStringLiteral("Give --out or --printer, one of them."));
    if (outPath == u"-") return usage(QStringLiteral("--out names a PDF file; - is none."));

    const auto chosen = chosenTemplate(catalog, catalogProblem, args.value("template"));
    if (const auto* problem = std::get_if<QString>(&chosen)) {
        Jobs::printError(*problem);
        return kExitUsage;
    }
    const LabelTemplate& label = std::get<LabelTemplate>(chosen);
    const Labels::Calibration calibration = calibrationFor(args, printer);
    const Labels::Sheet sheet(label, calibration);
    SheetWriter writer(outPath, printer, label, args.has(QStringLiteral("outline")));
    if (!writer.ready()) {
        Jobs::printError(QStringLiteral("No printer named %1.").arg(printer));
        return kExitRefused;
    }
    const QString target = printer.isEmpty() ? outPath : QStringLiteral("printer ") + printer;
    if (calibrationPage) {
        if (!writer.paintCalibration(sheet, calibration)) {
            Jobs::printError(
                QStringLiteral("Cannot write %1: %2").arg(target, writer.errorString()));
            return kExitRefused;
        }
        if (const auto failure = writer.commit()) {
            Jobs::printError(*failure);
            return kExitRefused;
        }
        Jobs::printError(
            QStringLiteral("Calibration page for %1 written to %2.").arg(label.name(), target));
        return 0;
    }
    const int start = args.number(QStringLiteral("start"), 1);
    if (start > sheet.labelsPerSheet()) {
        Jobs::printError(QStringLiteral("--start %1 is beyond the sheet: %2 has %3 labels.")
                             .arg(start)
                             .arg(label.name())
                             .arg(sheet.labelsPerSheet()));
        return kExitUsage;
    }

    const QString listPath = args.value(QStringLiteral("list"));
    QFile list(listPath);
    const bool opened =
        listPath == u"-" ? list.open(stdin, QIODevice::ReadOnly) : list.open(QIODevice::ReadOnly);
    if (!opened) {
        Jobs::printError(QStringLiteral("Cannot read %1: %2").arg(listPath, list.errorString()));
        return kExitRefused;
    }
    Labels::ListReader::Options listOptions;
    listOptions.header = args.has(QStringLiteral("header"));
    if (args.has(QStringLiteral("delimiter")))
        listOptions.delimiter = delimiterOf(args.value(QStringLiteral("delimiter")));
    Labels::ListReader reader(list, listOptions);
    if (!reader.readHeader()) {
        Jobs::printError(reader.error());
        return kExitRefused;
    }
    const auto columnOf = [&](const QString& word) -> std::optional<int> {
        const auto column = reader.column(word);
        if (!column)
            usage(listOptions.header
                      ? QStringLiteral("The header names no column '%1'.").arg(word)
                      : QStringLiteral("Column '%1' is neither a number nor, without --header, "
                                       "a name.")
                            .arg(word));
        return column;
    };
    const auto codeColumn = columnOf(args.value(QStringLiteral("column"), QStringLiteral("1")));
    if (!codeColumn) return kExitUsage;
    std::optional<QList<int>> textColumns;
    if (args.has(QStringLiteral("text-columns"))) {
        textColumns.emplace();
        for (const QString& word :
             args.value(QStringLiteral("text-columns")).split(u',', Qt::SkipEmptyParts)) {
            const auto column = columnOf(word);
            if (!column) return kExitUsage;
            *textColumns << *column;
        }
    }

    const SymbologyChoice choice = *symbologyChoice(args.value(QStringLiteral("type")));
    const XRange range = xRangeOf(choice.symbology);
    const int dotsPerInch = writer.dotsPerInch();
    const double mmPerDot = writer.mmPerDot(), dotsPerPoint = writer.dotsPerPoint();
    int lowDots = static_cast<int>(std::ceil(range.low / mmPerDot - 1e-9));
    int highDots = static_cast<int>(std::floor(range.high / mmPerDot + 1e-9));
    if (args.has(QStringLiteral("xdim")))
        lowDots = highDots =
            dotsPerModule(args.value(QStringLiteral("xdim")).toDouble(), dotsPerInch);
    const QRectF firstLabel = calibration.applied(QRectF(QPointF(), label.label));
    const Area area{label.shape, firstLabel.size() * dotsPerPoint, label.markMargin * dotsPerPoint,
                    label.hole * dotsPerPoint};
    const double textWidth =
        label.shape == LabelTemplate::Shape::Rectangle ? area.label.width() - 2 * area.margin : 0;

    const bool skipBad = args.has(QStringLiteral("skip-bad"));
    const bool strict = args.has(QStringLiteral("strict"));
    Grades grades;
    const int copies = args.number(QStringLiteral("copies"), 1);
    stopOnInterruption();

    Progress progress;
    // Each row is checked before anything of it is drawn; once a row is refused, the others
    // are only checked, so that every refusal is reported and nothing is written.
    QHash<QString, std::optional<Fit>> fits; // by the symbol's size, which rows share
    qint64 placed = 0, refused = 0, tooSmall = 0;
    int lowestDots = 0, highestDots = 0;
    QStringList fields;
    Labels::ListReader::Status status;
    while ((status = reader.next(fields)) == Labels::ListReader::Status::Row) {
        if (stopSignal.load() != 0) break;
        const qint64 row = reader.rowNumber();
        const auto refuse = [&](const QString& reason) {
            Jobs::printError(QStringLiteral("row %1: %2").arg(row).arg(reason));
            ++refused;
        };
        if (*codeColumn >= fields.size()) {
            refuse(QStringLiteral("no column %1 (the row has %2)")
                       .arg(*codeColumn + 1)
                       .arg(fields.size()));
            continue;
        }
        QString code = fields[*codeColumn];
        if (code.trimmed().isEmpty()) {
            refuse(QStringLiteral("the code is empty"));
            continue;
        }
        if (choice.takesDigitsOnly())
            if (const auto refusal = digitsFor(choice, code)) {
                refuse(*refusal);
                continue;
            }
        Symbol symbol;
        try {
            symbol = encodeSymbol(choice, code);
        } catch (const RuntimeError& error) {
            refuse(error.description());
            continue;
        }
        QStringList lines;
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (textColumns ? textColumns->contains(int(i)) : i != *codeColumn)
                if (!fields[i].trimmed().isEmpty()) lines << fields[i].simplified();
        const SymbolLayout standard(symbol, std::nullopt, std::nullopt);
        const QString key = QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(symbol.modules.size())
                                .arg(standard.left)
                                .arg(standard.width)
                                .arg(standard.height)
                                .arg(lines.size());
        auto found = fits.find(key);
        if (found == fits.end())
            found = fits.insert(key, fitSymbol(symbol, area, lines.size() * writer.lineHeight(),
                                               lowDots, highDots));
        if (!*found) {
            const QSizeF box = boxOf(symbol, standard, lowDots, lines.size() * writer.lineHeight());
            const QString xDimension = QStringLiteral("%1 mm (%2 dots at %3 dpi)")
                                           .arg(lowDots * mmPerDot, 0, 'f', 3)
                                           .arg(lowDots)
                                           .arg(dotsPerInch);
            refuse(QStringLiteral("the label is too small: at %1, the symbol with its quiet "
                                  "zones%2 needs %3 x %4 mm inside the label's margin, which "
                                  "leaves %5 x %6 mm")
                       .arg(args.has(QStringLiteral("xdim"))
                                ? QStringLiteral("an X-dimension of ") + xDimension
                                : QStringLiteral("the smallest X-dimension, ") + xDimension,
                            lines.isEmpty() ? QString() : QStringLiteral(" and text lines"),
                            mm(box.width(), mmPerDot), mm(box.height(), mmPerDot),
                            mm(area.label.width() - 2 * area.margin, mmPerDot),
                            mm(area.label.height() - 2 * area.margin, mmPerDot)));
            ++tooSmall;
            continue;
        }
        const Fit& fit = **found;
        const QString expected =
            choice.symbology == Symbology::Ean13 || choice.symbology == Symbology::Ean8
                ? code + QChar(u'0' + DigitCode::checkDigit(code))
                : code;
        const QChar grade = gradeOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt),
                                    fit.dots, choice.symbology, expected);
        grades.add(grade);
        if (grade == u'D' || grade == u'F') {
            Jobs::printError(QStringLiteral("row %1: the symbol grades %2 in the scan check")
                                 .arg(row)
                                 .arg(grade));
            if (strict) ++refused;
        }
        if (refused > 0 && !skipBad) continue;
        lowestDots = lowestDots == 0 ? fit.dots : std::min(lowestDots, fit.dots);
        highestDots = std::max(highestDots, fit.dots);
        const double width =
            textWidth > 0
                ? textWidth
                : boxOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt), fit.dots, 0)
                      .width();
        for (int copy = 0; copy < copies; ++copy)
            if (!writer.paint(sheet.place(placed++, start), symbol, fit, lines, width)) {
                Jobs::printError(
                    QStringLiteral("Cannot write %1: %2").arg(target, writer.errorString()));
                return kExitRefused;
            }
        progress.show(placed, writer.pages());
    }
    progress.end();
    if (const int signal = stopSignal.load(); signal != 0) {
        Jobs::printError(QStringLiteral("%1: interrupted; nothing written to %2.")
                             .arg(QString::fromLatin1(CommandLine::kProgram), target));
        return 128 + signal;
    }
    if (status == Labels::ListReader::Status::Error) {
        Jobs::printError(reader.error() + QStringLiteral("; nothing written."));
        return kExitRefused;
    }
    if (refused > 0 && (!skipBad || placed == 0)) {
        Jobs::printError(QStringLiteral("%1 of the rows refused; nothing written.").arg(refused));
        return tooSmall > 0 ? kExitUsage : kExitRefused;
    }
    if (placed == 0) {
        Jobs::printError(QStringLiteral("The list has no rows; nothing written."));
        return kExitUsage;
    }
    if (const auto failure = writer.commit()) {
        Jobs::printError(*failure);
        return kExitRefused;
    }
    Jobs::printError(
        QStringLiteral("%1 labels on %2 %3 written to %4%5; X-dimension %6 mm (%7 dots at %8 dpi); "
                       "scan check: %9.")
            .arg(placed)
            .arg(writer.pages())
            .arg(writer.pages() == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets"))
            .arg(target)
            .arg(refused > 0 ? QStringLiteral(", %1 refused rows left out").arg(refused)
                             : QString())
            .arg(lowestDots == highestDots ? QString::number(lowestDots * mmPerDot, 'f', 3)
                                           : QStringLiteral("%1 to %2")
                                                 .arg(lowestDots * mmPerDot, 0, 'f', 3)
                                                 .arg(highestDots * mmPerDot, 0, 'f', 3))
            .arg(lowestDots == highestDots
                     ? QString::number(lowestDots)
                     : QStringLiteral("%1 to %2").arg(lowestDots).arg(highestDots))
            .arg(dotsPerInch)
            .arg(grades.summary()));
    return 0;
}

} // namespace LabelsCommand
