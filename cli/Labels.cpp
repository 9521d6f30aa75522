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
using Labels::Fit;
using Labels::fitSymbol;
using Labels::LabelTemplate;
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

// Where the options put the labels. A printer remembers the correction last given for it and
// uses it when none is given.
Labels::Calibration calibrationFor(const Invocation& args, const QString& printer) {
    Labels::RememberedCalibrations remembered;
    const auto pairOf = [&](const char* option, const QString& fallback) {
        const QString key = QLatin1String(option);
        if (args.has(key)) {
            if (!printer.isEmpty()) remembered.setValue(printer, key, args.value(key));
            return *numberPair(args.value(key));
        }
        const QString stored =
            printer.isEmpty() ? fallback : remembered.value(printer, key).value_or(fallback);
        return numberPair(stored).value_or(*numberPair(fallback));
    };
    const QPointF offset = pairOf("offset", QStringLiteral("0,0"));
    const QPointF scale = pairOf("scale", QStringLiteral("1,1"));
    return {offset.x(), offset.y(), scale.x(), scale.y()};
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
QChar gradeOf(const Symbol& symbol, const SymbolLayout& layout, int dots,
              LineDecode::Linear symbology, const QString& expected) {
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

// How the scan check reads the type's symbols; nothing for 2D ones.
std::optional<LineDecode::Linear> gradedAs(const QString& typeName) {
    if (const auto classic = symbologyChoice(typeName))
        return LineDecode::linearOf(classic->symbology);
    if (const auto zint = zintChoice(typeName)) return LineDecode::linearOf(zint->type);
    return std::nullopt;
}

// The text a label's symbol must decode to: the code with its check digit for the classic
// symbologies; for the newer ones what its modules decode to as drawn, with their check
// characters, an add-on or GS1's separators. A symbol whose own modules do not decode gets a
// text no line reads, and fails.
QString expectedText(const QString& typeName, LineDecode::Linear symbology,
                     const Labels::LabelSymbol& made) {
    if (symbologyChoice(typeName)) return made.expected;
    const bool addOn = LineDecode::takesAddOn(symbology) && made.expected.contains(u'+');
    return LineDecode::textOfModules(symbology, made.symbol.modules, addOn).value_or(QString());
}

namespace {

// The name the 2D grader knows a type's symbols by; nothing for those it does not grade.
std::optional<QString> matrixKindOf(const QString& typeName) {
    if (typeName == u"qr") return QStringLiteral("QR Code");
    if (typeName == u"datamatrix") return QStringLiteral("Data Matrix");
    if (typeName == u"gs1-datamatrix") return QStringLiteral("GS1 Data Matrix");
    return std::nullopt;
}

// The 2D grader's letter for a label's QR Code or Data Matrix symbol as printed, at the
// printer's dots; nothing when the dots are too coarse to grade.
QChar gradeOfMatrix(const Symbol& symbol, int dots, const QString& kind) {
    const ModuleMatrix& m = *symbol.matrix;
    const int quiet = symbol.quietLeft;
    QImage picture((m.columns + 2 * quiet) * dots, (m.rows + 2 * quiet) * dots,
                   QImage::Format_Grayscale8);
    picture.fill(255);
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.columns; ++c)
            if (m.dark(r, c))
                for (int y = 0; y < dots; ++y)
                    std::fill_n(picture.scanLine((r + quiet) * dots + y) + (c + quiet) * dots, dots,
                                uchar(0));
    ReadingEngine::Found where;
    where.kind = kind;
    where.matrix = true;
    where.rows = m.rows;
    where.columns = m.columns;
    const double left = quiet * dots, top = quiet * dots;
    const double right = left + m.columns * dots, bottom = top + m.rows * dots;
    where.corners = {QPointF(left, top), QPointF(right, top), QPointF(right, bottom),
                     QPointF(left, bottom)};
    where.box = QRect(int(left), int(top), m.columns * dots, m.rows * dots);
    const auto graded = Grade2D::gradeFound(picture, {where});
    if (graded.empty() || !graded.front().graded()) return {};
    return graded.front().letter();
}

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
    if (args.has(QStringLiteral("design")) || args.has(QStringLiteral("layout")))
        return runDesign(args, catalog, catalogProblem);
    const bool calibrationPage = args.has(QStringLiteral("calibration-page"));
    // A calibration page needs no list.
    const bool roll = args.has(QStringLiteral("label"));
    if (roll == args.has(QStringLiteral("template")))
        return usage(QStringLiteral("Give --template or --label, one of them."));
    const QStringList required = calibrationPage ? QStringList{} : QStringList{"list", "type"};
    for (const QString& option : required)
        if (!args.has(option)) return usage(QStringLiteral("--%1 is required.").arg(option));
    const QString outPath = args.value(QStringLiteral("out"));
    const QString printer = args.value(QStringLiteral("printer"));
    if (outPath.isEmpty() == printer.isEmpty())
        return usage(QStringLiteral("Give --out or --printer, one of them."));
    if (outPath == u"-") return usage(QStringLiteral("--out names a PDF file; - is none."));
    const bool zpl = Thermal::wantsZpl(args);
    if (zpl && !roll) return usage(QStringLiteral("ZPL is for roll labels: give --label."));
    if (const auto problem = Thermal::misplacedOption(args)) return usage(*problem);

    const auto chosen = roll ? Thermal::rollOf(args)
                             : chosenTemplate(catalog, catalogProblem, args.value("template"));
    if (const auto* problem = std::get_if<QString>(&chosen))
        return roll ? usage(*problem) : (Jobs::printError(*problem), kExitUsage);
    const LabelTemplate& label = std::get<LabelTemplate>(chosen);
    const Labels::Calibration calibration = calibrationFor(args, printer);
    const Labels::Sheet sheet(label, calibration);
    std::unique_ptr<Labels::SheetWriter> sheetWriter;
    std::unique_ptr<Labels::ZplOutput> zplOutput;
    if (zpl) {
        auto opened = Thermal::zplOutput(args, label);
        if (const auto* problem = std::get_if<Thermal::OutputProblem>(&opened)) {
            if (problem->usage) return usage(problem->message);
            Jobs::printError(problem->message);
            return kExitRefused;
        }
        zplOutput = std::move(std::get<std::unique_ptr<Labels::ZplOutput>>(opened));
    } else {
        sheetWriter = std::make_unique<Labels::SheetWriter>(
            outPath, printer, label, args.has(QStringLiteral("outline")),
            QString::fromLatin1(CommandLine::kProgram));
        if (!sheetWriter->ready()) {
            Jobs::printError(QStringLiteral("No printer named %1.").arg(printer));
            return kExitRefused;
        }
    }
    Labels::LabelSink& writer = zpl ? static_cast<Labels::LabelSink&>(*zplOutput) : *sheetWriter;
    const QString target = printer.isEmpty() ? outPath : QStringLiteral("printer ") + printer;
    if (calibrationPage) {
        if (zpl || !sheetWriter->paintCalibration(sheet, calibration)) {
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

    const QString typeName = args.value(QStringLiteral("type"));
    // The scan check grades the linear symbologies, the 2D grader QR Code and Data Matrix;
    // the other 2D ones are drawn ungraded.
    const std::optional<LineDecode::Linear> linear = gradedAs(typeName);
    const std::optional<QString> matrixKind = matrixKindOf(typeName);
    const bool graded = linear || matrixKind;
    const XRange range = Labels::xRangeOfType(typeName);
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
    // SIGINT or SIGTERM: the sheet is given up and nothing is left behind.
    Jobs::stopOnInterruption(true);

    Progress progress;
    // Each row is checked before anything of it is drawn; once a row is refused, the others
    // are only checked, so that every refusal is reported and nothing is written.
    QHash<QString, std::optional<Fit>> fits; // by the symbol's size, which rows share
    qint64 placed = 0, refused = 0, tooSmall = 0;
    int lowestDots = 0, highestDots = 0;
    QStringList fields;
    Labels::ListReader::Status status;
    while ((status = reader.next(fields)) == Labels::ListReader::Status::Row) {
        if (Jobs::stopSignal() != 0) break;
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
        const auto made = Labels::labelSymbol(typeName, fields[*codeColumn]);
        if (const auto* refusal = std::get_if<QString>(&made)) {
            refuse(*refusal);
            continue;
        }
        const Symbol& symbol = std::get<Labels::LabelSymbol>(made).symbol;
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
        const QChar grade =
            linear ? gradeOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt), fit.dots,
                             *linear,
                             expectedText(typeName, *linear, std::get<Labels::LabelSymbol>(made)))
            : matrixKind && symbol.matrix ? gradeOfMatrix(symbol, fit.dots, *matrixKind)
                                          : QChar();
        if (graded) grades.add(grade);
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
            if (!writer.paint(sheet.place(placed++, start), std::get<Labels::LabelSymbol>(made),
                              fit, lines, width)) {
                Jobs::printError(
                    QStringLiteral("Cannot write %1: %2").arg(target, writer.errorString()));
                return kExitRefused;
            }
        progress.show(placed, writer.pages());
    }
    progress.end();
    if (const int signal = Jobs::stopSignal(); signal != 0) {
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
            .arg(roll ? (writer.pages() == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                      : (writer.pages() == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets")))
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
            .arg(graded
                     ? grades.summary()
                     : QStringLiteral("none for %1, which it does not grade yet").arg(typeName)));
    return 0;
}

} // namespace LabelsCommand
