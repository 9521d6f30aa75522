#include "cli/Labels.h"

#include "cli/Jobs.h"
#include "cli/LabelJobs.h"
#include "cli/ThermalOutput.h"
#include "decode/Grade2D.h"
#include "decode/ScanGrade.h"
#include "labels/ListReader.h"
#include "labels/PrinterCorrections.h"
#include "labels/Sheet.h"
#include "labels/SheetPainter.h"
#include "labels/TemplateCatalog.h"
#include "render/SymbolPicture.h"
#include "symbology/ZintChoices.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <cstdio>
#include <optional>

#include <unistd.h>

namespace LabelsCommand {

namespace {

using CommandLine::delimiterOf;
using CommandLine::Invocation;
using Labels::Area;
using Labels::boxOf;
using Labels::expectedText;
using Labels::Fit;
using Labels::fitSymbol;
using Labels::gradeOfMatrix;
using Labels::LabelTemplate;
using Labels::matrixKindOf;
using Labels::numberPair;
using Labels::XRange;

using Jobs::kExitRefused;
using Jobs::kExitUsage;

QString mm(double dots, double mmPerDot) {
    return QString::number(dots * mmPerDot, 'f', 1);
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

} // namespace

int usage(const QString& message) {
    Jobs::printError(QStringLiteral("%1: %2\n'%1 labels --help' explains the options.")
                         .arg(QString::fromLatin1(CommandLine::kProgram), message));
    return kExitUsage;
}

namespace {

// The exit status of a run that a signal stopped, once it said so; nothing for one that goes on.
std::optional<int> interruption(const QString& target) {
    const int signal = Jobs::stopSignal();
    if (signal == 0) return std::nullopt;
    Jobs::printError(QStringLiteral("%1: interrupted; nothing written to %2.")
                         .arg(QString::fromLatin1(CommandLine::kProgram), target));
    return 128 + signal;
}

} // namespace

// Where the options put the labels. A printer remembers the correction last given for it and
// uses it when none is given.
Labels::Calibration calibrationFor(const Invocation& args, const QString& printer) {
    const Labels::RememberedCalibrations remembered;
    const auto pairOf = [&](const char* option, const QString& fallback) {
        const QString key = QLatin1String(option);
        if (args.has(key)) return *numberPair(args.value(key));
        const QString stored =
            printer.isEmpty() ? fallback : remembered.value(printer, key).value_or(fallback);
        return numberPair(stored).value_or(*numberPair(fallback));
    };
    const QPointF offset = pairOf("offset", QStringLiteral("0,0"));
    const QPointF scale = pairOf("scale", QStringLiteral("1,1"));
    return {offset.x(), offset.y(), scale.x(), scale.y()};
}

// The correction given for a printer, once the printer has taken the job: a refused or
// failed run leaves the one remembered before.
void rememberCalibration(const Invocation& args, const QString& printer) {
    if (printer.isEmpty()) return;
    Labels::RememberedCalibrations remembered;
    for (const char* key : {"offset", "scale"})
        if (args.has(key)) remembered.setValue(printer, key, args.value(key));
}

namespace {

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

} // namespace

// Why no template could be had, and the exit status that says so.
// The template the option names: a file, or a brand and part of the catalog. A file or catalog
// that cannot be read is a failure; a name the catalog does not know is wrong usage.
std::variant<LabelTemplate, TemplateProblem>
chosenTemplate(Labels::TemplateCatalog& catalog, const std::optional<QString>& catalogProblem,
               const QString& name) {
    if (QFileInfo(name).isFile()) {
        const auto loaded = catalog.loadFile(name);
        if (const auto* problem = std::get_if<QString>(&loaded))
            return TemplateProblem{*problem, kExitRefused};
        return std::get<QList<LabelTemplate>>(loaded).front();
    }
    if (catalogProblem) return TemplateProblem{*catalogProblem, kExitRefused};
    if (const LabelTemplate* label = catalog.find(name)) return *label;
    return TemplateProblem{QStringLiteral("Unknown label template '%1'. Nearest: %2.")
                               .arg(name, catalog.suggestions(name).join(QStringLiteral(", "))),
                           kExitUsage};
}

namespace {

// What the options ask of a sheet run, checked before anything is read or written.
struct SheetOptions {
    QString outPath, printer, target;
    LabelTemplate label; // a sheet product, or a roll as a sheet of one row
    Labels::Calibration calibration;
    bool calibrationPage = false;
    bool roll = false;
    bool zpl = false;
};

// The options of a sheet or calibration page run, or the exit status that refuses them.
std::variant<SheetOptions, int> sheetOptions(const Invocation& args,
                                             Labels::TemplateCatalog& catalog,
                                             const std::optional<QString>& catalogProblem) {
    SheetOptions options;
    options.calibrationPage = args.has(QStringLiteral("calibration-page"));
    options.roll = args.has(QStringLiteral("label"));
    if (options.roll == args.has(QStringLiteral("template")))
        return usage(QStringLiteral("Give --template or --label, one of them."));
    // A calibration page needs no list.
    const QStringList required =
        options.calibrationPage ? QStringList{} : QStringList{"list", "type"};
    for (const QString& option : required)
        if (!args.has(option)) return usage(QStringLiteral("--%1 is required.").arg(option));
    options.outPath = args.value(QStringLiteral("out"));
    options.printer = args.value(QStringLiteral("printer"));
    if (options.outPath.isEmpty() == options.printer.isEmpty())
        return usage(QStringLiteral("Give --out or --printer, one of them."));
    if (options.outPath == u"-") return usage(QStringLiteral("--out names a PDF file; - is none."));
    options.zpl = Jobs::wantsZpl(args);
    if (options.zpl && !options.roll)
        return usage(QStringLiteral("ZPL is for roll labels: give --label."));
    if (const auto problem = Thermal::misplacedOption(args)) return usage(*problem);

    if (options.roll) {
        const auto roll = Thermal::rollOf(args);
        if (const auto* problem = std::get_if<QString>(&roll)) return usage(*problem);
        options.label = std::get<LabelTemplate>(roll);
    } else {
        const auto chosen = chosenTemplate(catalog, catalogProblem, args.value("template"));
        if (const auto* problem = std::get_if<TemplateProblem>(&chosen)) {
            Jobs::printError(problem->message);
            return problem->status;
        }
        options.label = std::get<LabelTemplate>(chosen);
    }
    options.calibration = calibrationFor(args, options.printer);
    options.target =
        options.printer.isEmpty() ? options.outPath : QStringLiteral("printer ") + options.printer;
    return options;
}

// The list of codes, its reader and the columns the options pick from it.
class CodeList {
  public:
    // Opens the list and reads its header; the exit status when that failed.
    std::optional<int> open(const Invocation& args) {
        const QString listPath = args.value(QStringLiteral("list"));
        if (listPath != u"-") file_.setFileName(listPath);
        const bool opened = listPath == u"-" ? file_.open(stdin, QIODevice::ReadOnly)
                                             : file_.open(QIODevice::ReadOnly);
        if (!opened) {
            Jobs::printError(
                QStringLiteral("Cannot read %1: %2").arg(listPath, file_.errorString()));
            return kExitRefused;
        }
        Labels::ListReader::Options listOptions;
        listOptions.header = args.has(QStringLiteral("header"));
        if (args.has(QStringLiteral("delimiter")))
            listOptions.delimiter = delimiterOf(args.value(QStringLiteral("delimiter")));
        reader_.emplace(file_, listOptions);
        if (!reader_->readHeader()) {
            Jobs::printError(reader_->error());
            return kExitRefused;
        }
        const auto column =
            columnOf(args.value(QStringLiteral("column"), QStringLiteral("1")), listOptions.header);
        if (!column) return kExitUsage;
        codeColumn = *column;
        if (args.has(QStringLiteral("text-columns"))) {
            textColumns.emplace();
            for (const QString& word :
                 args.value(QStringLiteral("text-columns")).split(u',', Qt::SkipEmptyParts)) {
                const auto text = columnOf(word, listOptions.header);
                if (!text) return kExitUsage;
                *textColumns << *text;
            }
        }
        return std::nullopt;
    }

    Labels::ListReader& reader() { return *reader_; }
    int codeColumn = 0;
    std::optional<QList<int>> textColumns;

  private:
    std::optional<int> columnOf(const QString& word, bool header) const {
        const auto column = reader_->column(word);
        if (!column)
            usage(header ? QStringLiteral("The header names no column '%1'.").arg(word)
                         : QStringLiteral("Column '%1' is neither a number nor, without "
                                          "--header, a name.")
                               .arg(word));
        return column;
    }

    QFile file_;
    std::optional<Labels::ListReader> reader_;
};

int writeCalibrationPage(const Invocation& args, Labels::SheetWriter& writer,
                         const Labels::Sheet& sheet, const SheetOptions& options) {
    if (!writer.paintCalibration(sheet, options.calibration)) {
        Jobs::printError(
            QStringLiteral("Cannot write %1: %2").arg(options.target, writer.errorString()));
        return kExitRefused;
    }
    if (const auto interrupted = interruption(options.target)) return *interrupted;
    if (const auto failure = writer.commit()) {
        Jobs::printError(*failure);
        return kExitRefused;
    }
    rememberCalibration(args, options.printer);
    Jobs::printError(QStringLiteral("Calibration page for %1 written to %2.")
                         .arg(options.label.name(), options.target));
    return 0;
}

// The labels of every row of the list on the sheets of one writer.
class SheetRun {
  public:
    SheetRun(const Invocation& args, const SheetOptions& options, Labels::LabelSink& writer,
             CodeList& list)
        : args_(args), options_(options), writer_(writer), list_(list),
          sheet_(options.label, options.calibration) {}

    int run(int start) {
        prepare();
        Labels::ListReader& reader = list_.reader();
        QStringList fields;
        Labels::ListReader::Status status;
        while ((status = reader.next(fields)) == Labels::ListReader::Status::Row) {
            if (Jobs::stopSignal() != 0) break;
            if (const auto failed = placeRow(reader.rowNumber(), fields, start)) return *failed;
            progress_.show(placed_, writer_.pages());
        }
        progress_.end();
        if (const auto interrupted = interruption(options_.target)) return *interrupted;
        if (status == Labels::ListReader::Status::Error) {
            Jobs::printError(reader.error() + QStringLiteral("; nothing written."));
            return kExitRefused;
        }
        return finish();
    }

  private:
    // The X-dimensions allowed in dots, and the printable part of a label.
    void prepare() {
        typeName_ = args_.value(QStringLiteral("type"));
        // The scan check grades the linear symbologies, the 2D grader QR Code, Data Matrix and
        // Aztec; the other 2D ones are drawn ungraded.
        linear_ = gradedAs(typeName_);
        matrixKind_ = matrixKindOf(typeName_);
        const XRange range = Labels::xRangeOfType(typeName_);
        const double mmPerDot = writer_.mmPerDot();
        lowDots_ = static_cast<int>(std::ceil(range.low / mmPerDot - 1e-9));
        highDots_ = static_cast<int>(std::floor(range.high / mmPerDot + 1e-9));
        if (args_.has(QStringLiteral("xdim")))
            lowDots_ = highDots_ = dotsPerModule(args_.value(QStringLiteral("xdim")).toDouble(),
                                                 writer_.dotsPerInch());
        const LabelTemplate& label = options_.label;
        const QRectF firstLabel = options_.calibration.applied(QRectF(QPointF(), label.label));
        const double dotsPerPoint = writer_.dotsPerPoint();
        area_ = Area{label.shape, firstLabel.size() * dotsPerPoint, label.markMargin * dotsPerPoint,
                     label.hole * dotsPerPoint};
        textWidth_ = label.shape == LabelTemplate::Shape::Rectangle
                         ? area_.label.width() - 2 * area_.margin
                         : 0;
        skipBad_ = args_.has(QStringLiteral("skip-bad"));
        strict_ = args_.has(QStringLiteral("strict"));
        copies_ = args_.number(QStringLiteral("copies"), 1);
    }

    void refuse(qint64 row, const QString& reason) {
        Jobs::printError(QStringLiteral("row %1: %2").arg(row).arg(reason));
        ++refused_;
    }

    // Each row is checked before anything of it is drawn; once a row is refused, the others
    // are only checked, so that every refusal is reported and nothing is written. The exit
    // status when a write failed.
    std::optional<int> placeRow(qint64 row, const QStringList& fields, int start) {
        const int codeColumn = list_.codeColumn;
        if (codeColumn >= fields.size()) {
            refuse(row, QStringLiteral("no column %1 (the row has %2)")
                            .arg(codeColumn + 1)
                            .arg(fields.size()));
            return std::nullopt;
        }
        const auto made = Labels::labelSymbol(typeName_, fields[codeColumn]);
        if (const auto* refusal = std::get_if<QString>(&made)) {
            refuse(row, *refusal);
            return std::nullopt;
        }
        const Symbol& symbol = std::get<Labels::LabelSymbol>(made).symbol;
        QStringList lines;
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (list_.textColumns ? list_.textColumns->contains(int(i)) : i != codeColumn)
                if (!fields[i].trimmed().isEmpty()) lines << fields[i].simplified();
        const std::optional<Fit>& found = fitOf(symbol, lines.size());
        if (!found) {
            refuseTooSmall(row, symbol, lines.size());
            return std::nullopt;
        }
        const Fit& fit = *found;
        const QChar grade =
            linear_
                ? gradeOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt), fit.dots,
                          *linear_,
                          expectedText(typeName_, *linear_, std::get<Labels::LabelSymbol>(made)))
            : matrixKind_ && symbol.matrix ? gradeOfMatrix(symbol, fit.dots, *matrixKind_)
                                           : QChar();
        if (graded()) grades_.add(grade);
        if (grade == u'D' || grade == u'F') {
            Jobs::printError(QStringLiteral("row %1: the symbol grades %2 in the scan check")
                                 .arg(row)
                                 .arg(grade));
            if (strict_) ++refused_;
        }
        if (refused_ > 0 && !skipBad_) return std::nullopt;
        lowestDots_ = lowestDots_ == 0 ? fit.dots : std::min(lowestDots_, fit.dots);
        highestDots_ = std::max(highestDots_, fit.dots);
        const double width =
            textWidth_ > 0
                ? textWidth_
                : boxOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt), fit.dots, 0)
                      .width();
        for (int copy = 0; copy < copies_; ++copy)
            if (!writer_.paint(sheet_.place(placed_++, start), std::get<Labels::LabelSymbol>(made),
                               fit, lines, width)) {
                Jobs::printError(QStringLiteral("Cannot write %1: %2")
                                     .arg(options_.target, writer_.errorString()));
                return kExitRefused;
            }
        return std::nullopt;
    }

    // How a symbol fits the label, found once for all symbols of its size.
    const std::optional<Fit>& fitOf(const Symbol& symbol, qsizetype lineCount) {
        const SymbolLayout standard(symbol, std::nullopt, std::nullopt);
        const QString key = QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(symbol.modules.size())
                                .arg(standard.left)
                                .arg(standard.width)
                                .arg(standard.height)
                                .arg(lineCount);
        auto found = fits_.find(key);
        if (found == fits_.end())
            found = fits_.insert(key, fitSymbol(symbol, area_, lineCount * writer_.lineHeight(),
                                                lowDots_, highDots_));
        return *found;
    }

    void refuseTooSmall(qint64 row, const Symbol& symbol, qsizetype lineCount) {
        const double mmPerDot = writer_.mmPerDot();
        const SymbolLayout standard(symbol, std::nullopt, std::nullopt);
        const QSizeF box = boxOf(symbol, standard, lowDots_, lineCount * writer_.lineHeight());
        const QString xDimension = QStringLiteral("%1 mm (%2 dots at %3 dpi)")
                                       .arg(lowDots_ * mmPerDot, 0, 'f', 3)
                                       .arg(lowDots_)
                                       .arg(writer_.dotsPerInch());
        refuse(row, QStringLiteral("the label is too small: at %1, the symbol with its quiet "
                                   "zones%2 needs %3 x %4 mm inside the label's margin, which "
                                   "leaves %5 x %6 mm")
                        .arg(args_.has(QStringLiteral("xdim"))
                                 ? QStringLiteral("an X-dimension of ") + xDimension
                                 : QStringLiteral("the smallest X-dimension, ") + xDimension,
                             lineCount == 0 ? QString() : QStringLiteral(" and text lines"),
                             mm(box.width(), mmPerDot), mm(box.height(), mmPerDot),
                             mm(area_.label.width() - 2 * area_.margin, mmPerDot),
                             mm(area_.label.height() - 2 * area_.margin, mmPerDot)));
        ++tooSmall_;
    }

    // Refuses a run with refused rows or none, else puts the sheets in place and sums them up.
    int finish() {
        if (refused_ > 0 && (!skipBad_ || placed_ == 0)) {
            Jobs::printError(
                QStringLiteral("%1 of the rows refused; nothing written.").arg(refused_));
            return tooSmall_ > 0 ? kExitUsage : kExitRefused;
        }
        if (placed_ == 0) {
            Jobs::printError(QStringLiteral("The list has no rows; nothing written."));
            return kExitRefused;
        }
        if (const auto failure = writer_.commit()) {
            Jobs::printError(*failure);
            return kExitRefused;
        }
        rememberCalibration(args_, options_.printer);
        Jobs::printError(summary());
        return 0;
    }

    QString summary() const {
        const double mmPerDot = writer_.mmPerDot();
        return QStringLiteral("%1 labels on %2 %3 written to %4%5; X-dimension %6 mm (%7 dots at "
                              "%8 dpi); scan check: %9.")
            .arg(placed_)
            .arg(writer_.pages())
            .arg(options_.roll
                     ? (writer_.pages() == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                     : (writer_.pages() == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets")))
            .arg(options_.target)
            .arg(refused_ > 0 ? QStringLiteral(", %1 refused rows left out").arg(refused_)
                              : QString())
            .arg(lowestDots_ == highestDots_ ? QString::number(lowestDots_ * mmPerDot, 'f', 3)
                                             : QStringLiteral("%1 to %2")
                                                   .arg(lowestDots_ * mmPerDot, 0, 'f', 3)
                                                   .arg(highestDots_ * mmPerDot, 0, 'f', 3))
            .arg(lowestDots_ == highestDots_
                     ? QString::number(lowestDots_)
                     : QStringLiteral("%1 to %2").arg(lowestDots_).arg(highestDots_))
            .arg(writer_.dotsPerInch())
            .arg(graded()
                     ? grades_.summary()
                     : QStringLiteral("none for %1, which it does not grade yet").arg(typeName_));
    }

    bool graded() const { return linear_ || matrixKind_; }

    const Invocation& args_;
    const SheetOptions& options_;
    Labels::LabelSink& writer_;
    CodeList& list_;
    const Labels::Sheet sheet_;
    QString typeName_;
    std::optional<LineDecode::Linear> linear_;
    std::optional<QString> matrixKind_;
    int lowDots_ = 0, highDots_ = 0;
    Area area_{};
    double textWidth_ = 0;
    bool skipBad_ = false, strict_ = false;
    int copies_ = 1;
    Grades grades_;
    Progress progress_;
    QHash<QString, std::optional<Fit>> fits_; // by the symbol's size, which rows share
    qint64 placed_ = 0, refused_ = 0, tooSmall_ = 0;
    int lowestDots_ = 0, highestDots_ = 0;
};

// A sheet of labels from the list, or a calibration page, to the PDF or the printer.
int writeSheets(const Invocation& args, const SheetOptions& options) {
    const Labels::Sheet sheet(options.label, options.calibration);
    std::unique_ptr<Labels::LabelSink> writer;
    if (options.zpl) {
        auto opened = Thermal::zplOutput(args, options.label);
        if (const auto* problem = std::get_if<Thermal::OutputProblem>(&opened)) {
            if (problem->usage) return usage(problem->message);
            Jobs::printError(problem->message);
            return kExitRefused;
        }
        writer = std::move(std::get<std::unique_ptr<Labels::ZplOutput>>(opened));
    } else {
        auto sheets = std::make_unique<Labels::SheetWriter>(
            options.outPath, options.printer, options.label, args.has(QStringLiteral("outline")),
            QString::fromLatin1(CommandLine::kProgram));
        if (!sheets->ready()) {
            Jobs::printError(QStringLiteral("No printer named %1.").arg(options.printer));
            return kExitRefused;
        }
        // A calibration page is for sheets only: the roll options refuse it.
        if (options.calibrationPage) return writeCalibrationPage(args, *sheets, sheet, options);
        writer = std::move(sheets);
    }
    const int start = args.number(QStringLiteral("start"), 1);
    if (start > sheet.labelsPerSheet()) {
        Jobs::printError(QStringLiteral("--start %1 is beyond the sheet: %2 has %3 labels.")
                             .arg(start)
                             .arg(options.label.name())
                             .arg(sheet.labelsPerSheet()));
        return kExitUsage;
    }
    CodeList list;
    if (const auto failed = list.open(args)) return *failed;
    return SheetRun(args, options, *writer, list).run(start);
}

} // namespace

int run(const Invocation& args) {
    // From the start: a signal while the catalog loads still leaves nothing behind.
    Jobs::stopOnInterruption(true);
    Labels::TemplateCatalog catalog;
    const std::optional<QString> catalogProblem = catalog.load();
    if (args.has(QStringLiteral("templates"))) {
        if (catalogProblem) {
            Jobs::printError(*catalogProblem);
            return kExitRefused;
        }
        const int status = listTemplates(catalog, args.value(QStringLiteral("templates")));
        return Jobs::stopSignal() != 0 ? 128 + Jobs::stopSignal() : status;
    }
    if (args.has(QStringLiteral("design")) || args.has(QStringLiteral("layout")))
        return runDesign(args, catalog, catalogProblem);
    const auto options = sheetOptions(args, catalog, catalogProblem);
    if (const int* status = std::get_if<int>(&options)) return *status;
    return writeSheets(args, std::get<SheetOptions>(options));
}

} // namespace LabelsCommand
