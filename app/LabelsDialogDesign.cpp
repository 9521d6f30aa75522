// The labels dialog with a design: its template offered first, its own list taken, and its
// objects on the preview filled in from the list's first rows.
#include "app/LabelsDialog.h"

#include "labels/DesignPainter.h"
#include "labels/DesignZpl.h"
#include "labels/ListReader.h"
#include "labels/SheetPainter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>

void LabelsDialog::setDesignFile(const QString& path) {
    designPath->setText(path);
    design_.reset();
    if (!path.isEmpty()) {
        auto read = Labels::readDesignFile(path, catalog_.papers());
        if (const auto* problem = std::get_if<QString>(&read)) {
            fail(*problem);
            return;
        }
        design_ = std::get<Labels::Design>(std::move(read));
    }
    // A design takes its codes from its own barcodes.
    column->setEnabled(!design_);
    type->setEnabled(!design_);
    if (design_ && design_->merge) {
        const QSignalBlocker block(header);
        header->setChecked(design_->merge->header);
        listPath->setText(design_->merge->path);
    }
    if (design_ && !design_->label && !design_->templateName.isEmpty())
        templateSearch->setText(design_->templateName); // searches and chooses
    searchTemplates();
    readListHead();
}

std::optional<qint64> LabelsDialog::produceDesign(Labels::LabelSink* writer,
                                                  QStringList& problems) {
    const Labels::LabelTemplate* label = chosenTemplate();
    if (!label) {
        problems << QStringLiteral("Choose a label product for the design.");
        return std::nullopt;
    }
    const Labels::Calibration correction = calibration();
    const Labels::Sheet sheet(*label, correction);
    if (const auto beyond = beyondSheet(sheet, *label)) {
        problems << *beyond;
        return std::nullopt;
    }
    QFile file(listPath->text());
    std::optional<Labels::ListReader> reader;
    if (!file.fileName().isEmpty()) {
        if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly)) {
            problems << QStringLiteral("Cannot read the list %1.").arg(file.fileName());
            return std::nullopt;
        }
        reader.emplace(file, Labels::ListReader::Options{std::nullopt, header->isChecked()});
        if (!reader->readHeader()) {
            problems << reader->error();
            return std::nullopt;
        }
    }
    const auto columns = Labels::designColumns(*design_, reader ? &*reader : nullptr);
    if (const auto* problem = std::get_if<QString>(&columns)) {
        problems << *problem;
        return std::nullopt;
    }
    const Labels::DesignPainter painter(*design_, *label, outputDots(writer),
                                        QSizeF(correction.scaleX, correction.scaleY));
    if (const auto problem = painter.check()) {
        problems << *problem;
        return std::nullopt;
    }
    QPainter previewPainter;
    if (!writer) beginPreview(previewPainter, *label, sheet, painter.dotsPerPoint());

    qint64 placed = 0, rowIndex = 0;
    // Places the label of one row (or, without a list, of every free label on the sheet);
    // false once nothing more is to be drawn.
    const auto place = [&](qint64 row, Labels::FieldValues values) {
        const Labels::Sheet::Place at = sheet.place(placed, start());
        if (!writer && at.page > 0) return false;
        Labels::addVariables(*design_, rowIndex++, placed, at.page, values);
        const auto filled = painter.fill(values);
        if (const auto* problem = std::get_if<QString>(&filled)) {
            problems << (row > 0 ? QStringLiteral("row %1: ").arg(row) : QString()) + *problem;
            return true;
        }
        // Once a row is refused the others are only checked: nothing is written.
        if (writer && !problems.isEmpty()) return true;
        const auto& labelObjects = std::get<Labels::FilledLabel>(filled);
        ++placed;
        if (writer) {
            // A thermal printer's stream, or a page.
            auto* stream = dynamic_cast<Labels::ZplWriter*>(writer);
            auto* sheets = dynamic_cast<Labels::SheetWriter*>(writer);
            if (stream ? Labels::writeDesignLabel(*stream, at, painter, labelObjects)
                       : sheets->paint(at, [&](QPainter& on, const QRectF& labelDots) {
                             painter.paint(on, labelDots, labelObjects);
                         }))
                return true;
            problems << QStringLiteral("Cannot write: %1").arg(writer->errorString());
            return false;
        }
        painter.paint(previewPainter,
                      QRectF(at.label.topLeft() * painter.dotsPerPoint(),
                             at.label.size() * painter.dotsPerPoint()),
                      labelObjects);
        return true;
    };
    if (!reader) {
        while (placed < sheet.labelsPerSheet() - start() + 1 && problems.isEmpty())
            if (!place(0, {})) break;
    } else {
        QStringList fields;
        Labels::ListReader::Status state;
        while ((state = reader->next(fields)) == Labels::ListReader::Status::Row) {
            Labels::FieldValues values;
            const auto& byName = std::get<QHash<QString, int>>(columns);
            for (auto column = byName.cbegin(); column != byName.cend(); ++column)
                values.insert(column.key(), fields.value(column.value()));
            if (!place(reader->rowNumber(), values)) break;
        }
        if (state == Labels::ListReader::Status::Error) problems << reader->error();
    }
    if (!problems.isEmpty()) return std::nullopt;
    if (placed == 0) {
        problems << QStringLiteral("The list has no rows.");
        return std::nullopt;
    }
    return placed;
}
