// labels --design FILE (gLabels 3 or 4) and labels --layout FILE (our own lines): a design
// filled in from each row of its list, on the sheets of its label product or on a roll, to a
// PDF, a printer or ZPL.
#include "cli/Jobs.h"
#include "cli/LabelJobs.h"
#include "cli/ThermalOutput.h"
#include "labels/Design.h"
#include "labels/DesignPainter.h"
#include "labels/DesignZpl.h"
#include "labels/ListReader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <memory>

namespace LabelsCommand {

namespace {

using Jobs::kExitRefused;
using Labels::Design;

int refuse(const QString& message) {
    Jobs::printError(message);
    return kExitRefused;
}

std::variant<Design, QString> readDesign(const CommandLine::Invocation& args,
                                         const Labels::PaperSizes& papers) {
    const bool glabels = args.has(QStringLiteral("design"));
    const QString path = args.value(glabels ? QStringLiteral("design") : QStringLiteral("layout"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    const QString folder = QFileInfo(path).absolutePath();
    auto design = glabels ? Labels::readGlabelsDesign(file, papers, folder)
                          : Labels::readLayoutDesign(file, folder);
    if (auto* problem = std::get_if<QString>(&design))
        *problem = QStringLiteral("Cannot use the design %1: %2.").arg(path, *problem);
    return design;
}

// The scan check of every linear barcode on a filled label: the worst letter, or nothing.
std::optional<QChar> worstGrade(const Design& design, const Labels::FilledLabel& label) {
    std::optional<QChar> worst;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (!label[i].symbol) continue;
        const auto& barcode = std::get<Labels::BarcodeObject>(design.objects[i].item);
        const auto linear = gradedAs(barcode.type);
        if (!linear) continue;
        const Symbol& symbol = label[i].symbol->symbol;
        const bool addOn =
            LineDecode::takesAddOn(*linear) && label[i].symbol->expected.contains(u'+');
        const QString expected =
            LineDecode::textOfModules(*linear, symbol.modules, addOn).value_or(QString());
        const QChar letter = gradeOf(symbol, SymbolLayout(symbol, label[i].fit.barHeight, {}),
                                     label[i].fit.dots, *linear, expected);
        if (!worst || letter > *worst) worst = letter;
    }
    return worst;
}

// Puts one filled label at its place on the output; false when the output failed.
using PutLabel = std::function<bool(const Labels::Sheet::Place&, const Labels::FilledLabel&)>;

struct Job {
    const Design& design;
    const Labels::DesignPainter& painter;
    const Labels::Sheet& sheet;
    Labels::LabelSink& writer;
    PutLabel put;
    bool roll;
    int start;
    int copies;
    bool strict;
    bool skipBad;
    QString target;
    Grades grades;
    qint64 placed = 0, refused = 0;
    int lowestDots = 0, highestDots = 0;

    // Checks one row and, while no row was refused, puts its copies on the sheet; false when
    // the sheet cannot be written.
    bool add(qint64 rowIndex, qint64 rowNumber, Labels::FieldValues values);
};

bool Job::add(qint64 rowIndex, qint64 rowNumber, Labels::FieldValues values) {
    for (int copy = 0; copy < copies; ++copy) {
        const Labels::Sheet::Place place = sheet.place(placed, start);
        Labels::addVariables(design, rowIndex, placed, place.page, values);
        const auto filled = painter.fill(values);
        const QString row = rowNumber > 0 ? QStringLiteral("row %1: ").arg(rowNumber) : QString();
        if (const auto* problem = std::get_if<QString>(&filled)) {
            Jobs::printError(row + *problem);
            ++refused;
            return true;
        }
        const auto& label = std::get<Labels::FilledLabel>(filled);
        if (const auto grade = worstGrade(design, label)) {
            if (copy == 0) grades.add(*grade);
            if (*grade == u'D' || *grade == u'F') {
                Jobs::printError(
                    row + QStringLiteral("a barcode grades %1 in the scan check").arg(*grade));
                if (strict) {
                    ++refused;
                    return true;
                }
            }
        }
        for (const auto& object : label)
            if (object.symbol) {
                lowestDots =
                    lowestDots == 0 ? object.fit.dots : std::min(lowestDots, object.fit.dots);
                highestDots = std::max(highestDots, object.fit.dots);
            }
        // Once a label is refused the others are only checked, unless refused ones are left out.
        if (refused > 0 && !skipBad) return true;
        if (!put(place, label)) return false;
        ++placed;
    }
    return true;
}

QString summaryOf(const Job& job) {
    QString barcodes;
    if (job.highestDots > 0) {
        const double mmPerDot = job.writer.mmPerDot();
        barcodes = job.lowestDots == job.highestDots
                       ? QStringLiteral("; X-dimension %1 mm (%2 dots at %3 dpi)")
                             .arg(job.lowestDots * mmPerDot, 0, 'f', 3)
                             .arg(job.lowestDots)
                             .arg(job.writer.dotsPerInch())
                       : QStringLiteral("; X-dimensions %1 to %2 mm at %3 dpi")
                             .arg(job.lowestDots * mmPerDot, 0, 'f', 3)
                             .arg(job.highestDots * mmPerDot, 0, 'f', 3)
                             .arg(job.writer.dotsPerInch());
        const QString grades = job.grades.summary();
        if (!grades.isEmpty()) barcodes += QStringLiteral("; scan check: ") + grades;
    }
    const bool one = job.writer.pages() == 1;
    return QStringLiteral("%1 labels on %2 %3 written to %4%5%6.")
        .arg(job.placed)
        .arg(job.writer.pages())
        .arg(job.roll ? (one ? QStringLiteral("row") : QStringLiteral("rows"))
                      : (one ? QStringLiteral("sheet") : QStringLiteral("sheets")))
        .arg(job.target,
             job.refused > 0 ? QStringLiteral(", %1 refused labels left out").arg(job.refused)
                             : QString(),
             barcodes);
}

} // namespace

namespace {

// The label the design goes on: a roll's (--label), the product --template names, or the
// design's own; or the exit status that refuses the options.
std::variant<Labels::LabelTemplate, int> labelFor(const CommandLine::Invocation& args,
                                                  const Design& design,
                                                  Labels::TemplateCatalog& catalog,
                                                  const std::optional<QString>& catalogProblem) {
    if (args.has(QStringLiteral("label"))) {
        if (args.has(QStringLiteral("template")))
            return usage(QStringLiteral("Give --template or --label, one of them."));
        auto roll = Thermal::rollOf(args);
        if (const auto* problem = std::get_if<QString>(&roll)) return usage(*problem);
        return std::get<Labels::LabelTemplate>(std::move(roll));
    }
    // --template puts the design on another product; a layout names its own.
    if (design.label && !args.has(QStringLiteral("template"))) return *design.label;
    const QString templateName = args.value(QStringLiteral("template"), design.templateName);
    if (templateName.isEmpty())
        return usage(QStringLiteral("The design names no label template: give --template."));
    auto found = chosenTemplate(catalog, catalogProblem, templateName);
    if (const auto* problem = std::get_if<TemplateProblem>(&found)) {
        Jobs::printError(problem->message);
        return problem->status;
    }
    return std::get<Labels::LabelTemplate>(std::move(found));
}

} // namespace

int runDesign(const CommandLine::Invocation& args, Labels::TemplateCatalog& catalog,
              const std::optional<QString>& catalogProblem) {
    const QString outPath = args.value(QStringLiteral("out"));
    const QString printer = args.value(QStringLiteral("printer"));
    if (outPath.isEmpty() == printer.isEmpty())
        return usage(QStringLiteral("Give --out or --printer, one of them."));
    if (args.has(QStringLiteral("design")) && args.has(QStringLiteral("layout")))
        return usage(QStringLiteral("Give --design or --layout, one of them."));
    const bool roll = args.has(QStringLiteral("label"));
    const bool zpl = Jobs::wantsZpl(args);
    if (zpl && !roll) return usage(QStringLiteral("ZPL is for roll labels: give --label."));
    if (const auto problem = Thermal::misplacedOption(args)) return usage(*problem);
    const auto read = readDesign(args, catalog.papers());
    if (const auto* problem = std::get_if<QString>(&read)) return refuse(*problem);
    const Design& design = std::get<Design>(read);

    const auto chosen = labelFor(args, design, catalog, catalogProblem);
    if (const int* status = std::get_if<int>(&chosen)) return *status;
    const Labels::LabelTemplate& label = std::get<Labels::LabelTemplate>(chosen);
    const Labels::Calibration calibration = calibrationFor(args, printer);
    const Labels::Sheet sheet(label, calibration);
    const int start = args.number(QStringLiteral("start"), 1);
    if (start > sheet.labelsPerSheet())
        return refuse(QStringLiteral("--start %1 is beyond the sheet: %2 has %3 labels.")
                          .arg(start)
                          .arg(label.name())
                          .arg(sheet.labelsPerSheet()));

    // The list: --list, else the design's own.
    std::optional<Labels::DesignMerge> merge = design.merge;
    if (args.has(QStringLiteral("list"))) {
        merge = Labels::DesignMerge{args.value(QStringLiteral("list")), std::nullopt,
                                    args.has(QStringLiteral("header"))};
        if (args.has(QStringLiteral("delimiter")))
            merge->delimiter = CommandLine::delimiterOf(args.value(QStringLiteral("delimiter")));
    }
    QFile list(merge ? merge->path : QString());
    std::optional<Labels::ListReader> reader;
    if (merge) {
        const bool opened = merge->path == u"-" ? list.open(stdin, QIODevice::ReadOnly)
                                                : list.open(QIODevice::ReadOnly);
        if (!opened)
            return refuse(
                QStringLiteral("Cannot read the list %1: %2").arg(merge->path, list.errorString()));
        reader.emplace(list, Labels::ListReader::Options{merge->delimiter, merge->header});
        if (!reader->readHeader()) return refuse(reader->error());
    }
    const auto columns = Labels::designColumns(design, reader ? &*reader : nullptr);
    if (const auto* problem = std::get_if<QString>(&columns)) return refuse(*problem);

    std::unique_ptr<Labels::LabelSink> output;
    Labels::SheetWriter* sheets = nullptr;
    Labels::ZplWriter* stream = nullptr;
    if (zpl) {
        auto opened = Thermal::zplOutput(args, label);
        if (const auto* problem = std::get_if<Thermal::OutputProblem>(&opened))
            return problem->usage ? usage(problem->message) : refuse(problem->message);
        stream = std::get<std::unique_ptr<Labels::ZplOutput>>(opened).get();
        output = std::move(std::get<std::unique_ptr<Labels::ZplOutput>>(opened));
    } else {
        auto writer = std::make_unique<Labels::SheetWriter>(
            outPath, printer, label, args.has(QStringLiteral("outline")),
            QString::fromLatin1(CommandLine::kProgram));
        if (!writer->ready()) return refuse(QStringLiteral("No printer named %1.").arg(printer));
        sheets = writer.get();
        output = std::move(writer);
    }
    const Labels::DesignPainter painter(design, label, output->dotsPerInch(),
                                        QSizeF(calibration.scaleX, calibration.scaleY));
    if (const auto problem = painter.check())
        return refuse(QStringLiteral("Cannot use the design: %1.").arg(*problem));
    PutLabel put;
    if (stream)
        put = [&](const Labels::Sheet::Place& place, const Labels::FilledLabel& filled) {
            return Labels::writeDesignLabel(*stream, place, painter, filled);
        };
    else
        put = [&](const Labels::Sheet::Place& place, const Labels::FilledLabel& filled) {
            return sheets->paint(place, [&](QPainter& on, const QRectF& labelDots) {
                painter.paint(on, labelDots, filled);
            });
        };
    Labels::LabelSink& writer = *output;

    // Without a list the design fills the rest of the first sheet, or --copies labels.
    const int copies =
        args.number(QStringLiteral("copies"), reader ? 1 : sheet.labelsPerSheet() - start + 1);
    Job job{design,
            painter,
            sheet,
            writer,
            put,
            roll,
            start,
            copies,
            args.has(QStringLiteral("strict")),
            args.has(QStringLiteral("skip-bad")),
            printer.isEmpty() ? outPath : QStringLiteral("printer ") + printer,
            {}};
    Jobs::stopOnInterruption(true);
    const auto failed = [&] {
        return refuse(QStringLiteral("Cannot write %1: %2").arg(job.target, writer.errorString()));
    };
    if (!reader) {
        if (!job.add(0, 0, {})) return failed();
    } else {
        QStringList fields;
        qint64 rowIndex = 0;
        Labels::ListReader::Status status;
        while ((status = reader->next(fields)) == Labels::ListReader::Status::Row &&
               Jobs::stopSignal() == 0) {
            Labels::FieldValues values;
            for (auto column = std::get<QHash<QString, int>>(columns).cbegin();
                 column != std::get<QHash<QString, int>>(columns).cend(); ++column)
                values.insert(column.key(), fields.value(column.value()));
            if (!job.add(rowIndex++, reader->rowNumber(), values)) return failed();
        }
        if (status == Labels::ListReader::Status::Error)
            return refuse(reader->error() + QStringLiteral("; nothing written."));
    }
    if (const int signal = Jobs::stopSignal(); signal != 0) {
        Jobs::printError(QStringLiteral("%1: interrupted; nothing written to %2.")
                             .arg(QString::fromLatin1(CommandLine::kProgram), job.target));
        return 128 + signal;
    }
    if (job.refused > 0 && (!job.skipBad || job.placed == 0))
        return refuse(
            QStringLiteral("%1 of the labels refused; nothing written.").arg(job.refused));
    if (job.placed == 0) return refuse(QStringLiteral("The list has no rows; nothing written."));
    if (const auto failure = writer.commit()) return refuse(*failure);
    rememberCalibration(args, printer);
    Jobs::printError(summaryOf(job));
    return 0;
}

} // namespace LabelsCommand
