#include "app/LabelsDialog.h"

#include "app/DrawCommands.h"
#include "labels/LabelGrades.h"
#include "labels/ListReader.h"
#include "labels/PrinterCorrections.h"
#include "labels/RollLabel.h"
#include "labels/SheetPainter.h"
#include "labels/ZplOutput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

using Labels::LabelTemplate;

namespace {

const QString kTitle = QStringLiteral("Labels");
constexpr int kPreviewWidth = 360; // pixels across the first page's picture
constexpr int kMaxProblemsShown = 12;
constexpr int kMaxColumns = 100;
constexpr int kZplRole = Qt::UserRole + 1;    // the printer list's entry for a ZPL printer
constexpr int kFromDesign = Qt::UserRole + 2; // the template list's entry of the design's own

QString sizeText(const LabelTemplate& label) {
    const QSizeF size = label.label / Labels::kPointsPerMm;
    if (label.shape == LabelTemplate::Shape::Round || label.shape == LabelTemplate::Shape::Cd)
        return QStringLiteral("%1 mm %2").arg(size.width(), 0, 'f', 1).arg(label.shapeName());
    return QStringLiteral("%1 x %2 mm").arg(size.width(), 0, 'f', 1).arg(size.height(), 0, 'f', 1);
}

// A label's shape in a rectangle, for pictures of the sheet.
void drawShape(QPainter& painter, const LabelTemplate& label, const QRectF& rect, double scale) {
    if (label.shape == LabelTemplate::Shape::Rectangle)
        painter.drawRoundedRect(rect, label.corner * scale, label.corner * scale);
    else
        painter.drawEllipse(rect);
}

// Opens a list for reading; why not, when it cannot. A pipe or device is refused: reading it
// for a preview would wait for a writer that may never come.
std::optional<QString> openList(QFile& file) {
    if (!QFileInfo(file.fileName()).isFile())
        return QStringLiteral("Cannot read %1: not a file").arg(file.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString());
    return std::nullopt;
}

QString listOf(const QStringList& problems) {
    QStringList shown = problems.mid(0, kMaxProblemsShown);
    if (problems.size() > kMaxProblemsShown)
        shown << QStringLiteral("... and %1 more.").arg(problems.size() - kMaxProblemsShown);
    return shown.join(u'\n');
}

} // namespace

SheetMap::SheetMap(QWidget* parent) : QWidget(parent) {
    setMinimumSize(180, 240);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Click the first free label"));
}

void SheetMap::setSheet(const LabelTemplate* label) {
    if (label) {
        label_ = *label;
        positions_ = Labels::Sheet(*label, {}).positions();
    } else {
        label_.reset();
        positions_.clear();
    }
    update();
}

void SheetMap::setStart(int start) {
    start_ = start;
    update();
}

QRectF SheetMap::paperRect() const {
    if (!label_ || label_->paper.isEmpty()) return {};
    const QSizeF room = QSizeF(size()) - QSizeF(8, 8);
    const QSizeF paper = label_->paper.scaled(room, Qt::KeepAspectRatio);
    return {QPointF((width() - paper.width()) / 2, (height() - paper.height()) / 2), paper};
}

QRectF SheetMap::labelRect(int position) const {
    const QRectF paper = paperRect();
    if (paper.isEmpty() || position < 1 || position > positions_.size()) return {};
    const double scale = paper.width() / label_->paper.width();
    const QRectF points = positions_[position - 1];
    return {paper.topLeft() + points.topLeft() * scale, points.size() * scale};
}

int SheetMap::labelAt(QPointF point) const {
    for (int position = 1; position <= positions_.size(); ++position)
        if (labelRect(position).contains(point)) return position;
    return 0;
}

void SheetMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF paper = paperRect();
    if (paper.isEmpty()) return;
    painter.fillRect(paper.translated(2, 2), palette().shadow());
    painter.fillRect(paper, Qt::white);
    const double scale = paper.width() / label_->paper.width();
    for (int position = 1; position <= positions_.size(); ++position) {
        const QRectF rect = labelRect(position);
        // Labels before the start are gone from a used sheet.
        painter.setBrush(position < start_    ? QBrush(Qt::lightGray, Qt::BDiagPattern)
                         : position == start_ ? QBrush(palette().highlight())
                                              : QBrush(Qt::white));
        painter.setPen(QPen(position == start_ ? palette().highlight().color() : Qt::gray, 1));
        drawShape(painter, *label_, rect, scale);
    }
}

void SheetMap::mousePressEvent(QMouseEvent* event) {
    if (const int position = labelAt(event->position())) emit startPicked(position);
}

LabelsDialog::LabelsDialog(LabelsDialogOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
    setWindowTitle(QStringLiteral("Labels from a list"));
    catalogProblem_ =
        options_.templateFolders ? catalog_.load(*options_.templateFolders) : catalog_.load();

    auto* listGroup = new QGroupBox(QStringLiteral("List"));
    listPath = new QLineEdit;
    listPath->setPlaceholderText(QStringLiteral("A CSV or TSV file, one label per row"));
    chooseList = new QPushButton(QStringLiteral("Choose…"));
    header = new QCheckBox(QStringLiteral("The first row names the columns"));
    column = new QComboBox;
    listRows = new QTableWidget(0, 0);
    listRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listRows->setSelectionMode(QAbstractItemView::NoSelection);
    listRows->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    listRows->setMinimumHeight(4 * (fontMetrics().height() + 4) + 30);
    type = new QComboBox;
    type->addItems(DrawCommands::symbologyNames());
    type->setCurrentText(options_.type);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(listPath);
    pathRow->addWidget(chooseList);
    auto* listForm = new QFormLayout;
    listForm->addRow(QStringLiteral("Codes in:"), column);
    listForm->addRow(QStringLiteral("Type:"), type);
    designPath = new QLineEdit;
    designPath->setPlaceholderText(QStringLiteral("A gLabels design or a layout (optional)"));
    designPath->setClearButtonEnabled(true);
    chooseDesign = new QPushButton(QStringLiteral("Design…"));
    auto* designRow = new QHBoxLayout;
    designRow->addWidget(designPath);
    designRow->addWidget(chooseDesign);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addLayout(designRow);
    listLayout->addLayout(pathRow);
    listLayout->addWidget(header);
    listLayout->addWidget(listRows);
    listLayout->addLayout(listForm);

    auto* templateGroup = new QGroupBox(QStringLiteral("Label product"));
    templateSearch = new QLineEdit;
    templateSearch->setPlaceholderText(QStringLiteral("Search brand, part, description"));
    templateSearch->setClearButtonEnabled(true);
    templates = new QListWidget;
    rollLabel = new QCheckBox(QStringLiteral("Roll label, for a thermal printer"));
    const auto millimetres = [](double low, double high, double value) {
        auto* box = new QDoubleSpinBox;
        box->setRange(low, high);
        box->setDecimals(1);
        box->setValue(value);
        box->setSuffix(QStringLiteral(" mm"));
        return box;
    };
    rollWidth = millimetres(5, 220, 50);
    rollHeight = millimetres(5, 2000, 30);
    rollGap = millimetres(0, 50, 3);
    rollAcross = new QSpinBox;
    rollAcross->setRange(1, 10);
    rollAcross->setSuffix(QStringLiteral(" across"));
    auto* rollRow = new QHBoxLayout;
    rollRow->addWidget(rollWidth);
    rollRow->addWidget(new QLabel(QStringLiteral("x")));
    rollRow->addWidget(rollHeight);
    rollRow->addWidget(new QLabel(QStringLiteral("gap")));
    rollRow->addWidget(rollGap);
    rollRow->addWidget(rollAcross);
    auto* templateLayout = new QVBoxLayout(templateGroup);
    templateLayout->addWidget(templateSearch);
    templateLayout->addWidget(templates);
    templateLayout->addWidget(rollLabel);
    templateLayout->addLayout(rollRow);

    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"));
    printer = new QComboBox;
    printer->addItem(QStringLiteral("None: PDF only"), QString());
    for (const QString& name : options_.printers.value_or(QPrinterInfo::availablePrinterNames()))
        printer->addItem(name, name);
    printer->addItem(QStringLiteral("Thermal printer (ZPL)"), QString());
    printer->setItemData(printer->count() - 1, true, kZplRole);
    zplPrinter = new QLineEdit;
    zplPrinter->setPlaceholderText(QStringLiteral("socket://HOST[:PORT] or a raw CUPS queue"));
    zplDots = new QComboBox;
    for (const int dots : Labels::kZplDotsPerInch)
        zplDots->addItem(QStringLiteral("%1 dpi").arg(dots), dots);
    zplDots->setCurrentIndex(zplDots->findData(203));
    darkness = new QSpinBox;
    darkness->setRange(-1, 30);
    darkness->setValue(-1);
    darkness->setSpecialValueText(QStringLiteral("the printer's own"));
    const auto spin = [](double low, double high, double value, const QString& suffix) {
        auto* box = new QDoubleSpinBox;
        box->setRange(low, high);
        box->setDecimals(suffix.isEmpty() ? 4 : 2);
        box->setSingleStep(suffix.isEmpty() ? 0.001 : 0.1);
        box->setValue(value);
        box->setSuffix(suffix);
        return box;
    };
    offsetX = spin(-50, 50, 0, QStringLiteral(" mm"));
    offsetY = spin(-50, 50, 0, QStringLiteral(" mm"));
    scaleX = spin(0.5, 2, 1, QString());
    scaleY = spin(0.5, 2, 1, QString());
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(offsetX);
    offsetRow->addWidget(offsetY);
    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(scaleX);
    scaleRow->addWidget(scaleY);
    auto* printerForm = new QFormLayout(printerGroup);
    printerForm->addRow(QStringLiteral("Print on:"), printer);
    printerForm->addRow(QStringLiteral("ZPL printer:"), zplPrinter);
    auto* zplRow = new QHBoxLayout;
    zplRow->addWidget(zplDots);
    zplRow->addWidget(new QLabel(QStringLiteral("darkness")));
    zplRow->addWidget(darkness);
    printerForm->addRow(QStringLiteral("Resolution:"), zplRow);
    printerForm->addRow(QStringLiteral("Offset x, y:"), offsetRow);
    printerForm->addRow(QStringLiteral("Scale x, y:"), scaleRow);

    auto* sheetGroup = new QGroupBox(QStringLiteral("Start at"));
    sheetMap = new SheetMap;
    startBox = new QSpinBox;
    startBox->setRange(1, 1);
    startBox->setPrefix(QStringLiteral("label "));
    auto* sheetLayout = new QVBoxLayout(sheetGroup);
    sheetLayout->addWidget(sheetMap, 1);
    sheetLayout->addWidget(startBox);

    auto* previewGroup = new QGroupBox(QStringLiteral("First page"));
    previewPicture = new QLabel;
    previewPicture->setAlignment(Qt::AlignCenter);
    previewPicture->setMinimumSize(kPreviewWidth, kPreviewWidth * 297 / 210);
    auto* previewLayout = new QVBoxLayout(previewGroup);
    previewLayout->addWidget(previewPicture, 1);

    status = new QLabel;
    status->setWordWrap(true);
    printButton = new QPushButton(QStringLiteral("Print"));
    savePdfButton = new QPushButton(QStringLiteral("Save PDF…"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status, 1);
    buttons->addWidget(printButton);
    buttons->addWidget(savePdfButton);
    buttons->addWidget(closeButton);

    // Wide enough for a product's name, size and count, a file's name and a few columns.
    const int leftWidth = fontMetrics().horizontalAdvance(
                              QStringLiteral("Avery L7160  63.9 x 33.9 mm, 24 per sheet, A4")) +
                          6 * style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    listGroup->setMinimumWidth(leftWidth);
    templateGroup->setMinimumWidth(leftWidth);
    auto* left = new QVBoxLayout;
    left->addWidget(listGroup, 3);
    left->addWidget(templateGroup, 2);
    auto* middle = new QVBoxLayout;
    middle->addWidget(sheetGroup, 1);
    middle->addWidget(printerGroup);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(middle, 2);
    columns->addWidget(previewGroup, 3);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(columns, 1);
    whole->addLayout(buttons);

    connect(chooseList, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Choose a list"), QDir::homePath(),
            QStringLiteral("Lists (*.csv *.tsv *.txt);;All files (*)"));
        if (!path.isEmpty()) setListFile(path);
    });
    connect(chooseDesign, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Open a label design"), QDir::homePath(),
            QStringLiteral("Label designs (*.glabels *.layout *.txt);;All files (*)"));
        if (!path.isEmpty()) setDesignFile(path);
    });
    connect(designPath, &QLineEdit::editingFinished, this,
            [this] { setDesignFile(designPath->text()); });
    connect(listPath, &QLineEdit::editingFinished, this, &LabelsDialog::readListHead);
    connect(header, &QCheckBox::toggled, this, &LabelsDialog::readListHead);
    connect(column, &QComboBox::currentIndexChanged, this, &LabelsDialog::updatePreview);
    connect(type, &QComboBox::currentIndexChanged, this, &LabelsDialog::updatePreview);
    connect(templateSearch, &QLineEdit::textChanged, this, &LabelsDialog::searchTemplates);
    connect(templates, &QListWidget::currentRowChanged, this, &LabelsDialog::templateChosen);
    connect(sheetMap, &SheetMap::startPicked, startBox, &QSpinBox::setValue);
    connect(startBox, &QSpinBox::valueChanged, this, [this](int value) {
        sheetMap->setStart(value);
        updatePreview();
    });
    connect(printer, &QComboBox::currentIndexChanged, this, &LabelsDialog::printerChosen);
    for (QDoubleSpinBox* box : {offsetX, offsetY, scaleX, scaleY})
        connect(box, &QDoubleSpinBox::valueChanged, this, &LabelsDialog::updatePreview);
    connect(rollLabel, &QCheckBox::toggled, this, &LabelsDialog::rollChanged);
    for (QDoubleSpinBox* box : {rollWidth, rollHeight, rollGap})
        connect(box, &QDoubleSpinBox::valueChanged, this, &LabelsDialog::rollChanged);
    connect(rollAcross, &QSpinBox::valueChanged, this, &LabelsDialog::rollChanged);
    connect(zplDots, &QComboBox::currentIndexChanged, this, &LabelsDialog::updatePreview);
    connect(printButton, &QPushButton::clicked, this, &LabelsDialog::print);
    connect(savePdfButton, &QPushButton::clicked, this, &LabelsDialog::savePdf);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    searchTemplates();
    rollChanged();
    const int chosen = printer->findData(options_.printer);
    if (chosen > 0) printer->setCurrentIndex(chosen);
    for (QWidget* field : std::initializer_list<QWidget*>{zplPrinter, zplDots, darkness})
        field->setEnabled(zplChosen());
    readListHead();
}

LabelsDialog::~LabelsDialog() {
    // Hiding moves the focus, and a list path losing it would read the list again once the
    // catalog is gone.
    listPath->disconnect(this);
    designPath->disconnect(this);
    hide();
}

void LabelsDialog::fail(const QString& text) {
    status->setText(text);
    options_.messages->show(text, kTitle, MessageIcon::Exclamation);
}

void LabelsDialog::setListFile(const QString& path) {
    listPath->setText(path);
    readListHead();
}

void LabelsDialog::readListHead() {
    const QString chosenColumn = column->currentText();
    const QSignalBlocker blockColumn(column);
    column->clear();
    listRows->clear();
    listRows->setRowCount(0);
    listRows->setColumnCount(0);
    const QString path = listPath->text();
    if (path.isEmpty()) {
        updatePreview();
        return;
    }
    QFile file(path);
    if (const auto problem = openList(file)) {
        status->setText(*problem);
        preview_ = {};
        previewPicture->clear();
        return;
    }
    // A new list's first row is taken as its header when it looks like one; a design says.
    if (path != headerGuessedFor_ && !(design_ && design_->merge)) {
        headerGuessedFor_ = path;
        guessHeader(file);
    }
    Labels::ListReader reader(file, {std::nullopt, header->isChecked()});
    QList<QStringList> rows;
    QStringList fields;
    int columns = 0;
    if (reader.readHeader()) {
        columns = int(reader.header().size());
        while (rows.size() < kPreviewRows &&
               reader.next(fields) == Labels::ListReader::Status::Row) {
            rows << fields;
            columns = std::max(columns, int(fields.size()));
        }
        // A row of thousands of fields is more likely a wrong delimiter than a table.
        columns = std::min(columns, kMaxColumns);
    }
    listRows->setColumnCount(columns);
    listRows->setRowCount(int(rows.size()));
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << (c < reader.header().size() && !reader.header()[c].trimmed().isEmpty()
                      ? reader.header()[c].trimmed()
                      : QStringLiteral("Column %1").arg(c + 1));
    listRows->setHorizontalHeaderLabels(names);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < std::min(int(rows[r].size()), columns); ++c)
            listRows->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    listRows->resizeColumnsToContents();
    column->addItems(names);
    column->setCurrentIndex(std::max(0, int(names.indexOf(chosenColumn))));
    if (!reader.error().isEmpty()) {
        status->setText(reader.error());
        preview_ = {};
        previewPicture->clear();
        return;
    }
    updatePreview();
}

void LabelsDialog::guessHeader(QFile& file) {
    Labels::ListReader reader(file, {std::nullopt, false});
    QList<QStringList> rows;
    QStringList fields;
    while (rows.size() <= kPreviewRows && reader.next(fields) == Labels::ListReader::Status::Row)
        rows << fields;
    const QString typeName = type->currentText();
    const bool named = Labels::looksLikeHeader(rows, [&](const QString& field) {
        return std::holds_alternative<Labels::LabelSymbol>(Labels::labelSymbol(typeName, field));
    });
    const QSignalBlocker block(header);
    header->setChecked(named);
    file.seek(0);
}

void LabelsDialog::searchTemplates() {
    const QString current = templates->currentItem()
                                ? templates->currentItem()->data(Qt::UserRole).toString()
                                : QString();
    const QSignalBlocker block(templates);
    templates->clear();
    if (catalogProblem_) {
        status->setText(*catalogProblem_);
        return;
    }
    if (design_ && design_->label) {
        auto* item = new QListWidgetItem(QStringLiteral("The design's own: %1  %2, %3 per sheet")
                                             .arg(design_->label->name(), sizeText(*design_->label))
                                             .arg(design_->label->labelsPerSheet()));
        item->setData(kFromDesign, true);
        templates->addItem(item);
        templates->setCurrentItem(item);
    }
    for (const LabelTemplate* label : catalog_.search(templateSearch->text())) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2, %3 per sheet, %4  %5")
                                             .arg(label->name(), sizeText(*label))
                                             .arg(label->labelsPerSheet())
                                             .arg(label->paperName, label->description));
        item->setData(Qt::UserRole, label->name());
        templates->addItem(item);
        if (label->name() == current) templates->setCurrentItem(item);
    }
    if (!templates->currentItem() && templates->count() > 0) templates->setCurrentRow(0);
    templateChosen();
}

const LabelTemplate* LabelsDialog::chosenTemplate() const {
    if (rollLabel->isChecked()) return &*roll_;
    const QListWidgetItem* item = templates->currentItem();
    if (item && item->data(kFromDesign).toBool() && design_ && design_->label)
        return &*design_->label;
    return item ? catalog_.find(item->data(Qt::UserRole).toString()) : nullptr;
}

void LabelsDialog::templateChosen() {
    const LabelTemplate* label = chosenTemplate();
    sheetMap->setSheet(label);
    const QSignalBlocker block(startBox);
    startBox->setMaximum(label ? std::max(1, label->labelsPerSheet()) : 1);
    sheetMap->setStart(startBox->value());
    updatePreview();
}

void LabelsDialog::rollChanged() {
    const bool roll = rollLabel->isChecked();
    templateSearch->setEnabled(!roll);
    templates->setEnabled(!roll);
    for (QWidget* field :
         std::initializer_list<QWidget*>{rollWidth, rollHeight, rollGap, rollAcross})
        field->setEnabled(roll);
    Labels::Roll sizes;
    sizes.labelMm = QSizeF(rollWidth->value(), rollHeight->value());
    sizes.gapMm = rollGap->value();
    sizes.across = rollAcross->value();
    roll_ = Labels::rollTemplate(sizes);
    savePdfButton->setText(roll ? QStringLiteral("Save PDF or ZPL…") : QStringLiteral("Save PDF…"));
    templateChosen();
}

bool LabelsDialog::zplChosen() const {
    return printer->currentData(kZplRole).toBool();
}

Labels::ZplSettings LabelsDialog::zplSettings() const {
    Labels::ZplSettings settings;
    settings.dotsPerInch = zplDots->currentData().toInt();
    if (darkness->value() >= 0) settings.darkness = darkness->value();
    return settings;
}

void LabelsDialog::printerChosen() {
    const bool zpl = zplChosen();
    for (QWidget* field : std::initializer_list<QWidget*>{zplPrinter, zplDots, darkness})
        field->setEnabled(zpl);
    const QString name = printer->currentData().toString();
    const Labels::Calibration remembered =
        name.isEmpty() ? Labels::Calibration{} : Labels::RememberedCalibrations().of(name);
    for (QDoubleSpinBox* box : {offsetX, offsetY, scaleX, scaleY})
        box->blockSignals(true);
    offsetX->setValue(remembered.offsetXMm);
    offsetY->setValue(remembered.offsetYMm);
    scaleX->setValue(remembered.scaleX);
    scaleY->setValue(remembered.scaleY);
    for (QDoubleSpinBox* box : {offsetX, offsetY, scaleX, scaleY})
        box->blockSignals(false);
    updatePreview();
}

Labels::Calibration LabelsDialog::calibration() const {
    return {offsetX->value(), offsetY->value(), scaleX->value(), scaleY->value()};
}

int LabelsDialog::start() const {
    return startBox->value();
}

std::optional<qint64> LabelsDialog::produce(Labels::LabelSink* writer, QStringList& problems) {
    if (!writer) preview_ = {};
    if (design_) return produceDesign(writer, problems);
    const LabelTemplate* label = chosenTemplate();
    if (!label) {
        problems << (catalogProblem_ ? *catalogProblem_
                                     : QStringLiteral("No label product matches the search."));
        return std::nullopt;
    }
    const QString path = listPath->text();
    if (path.isEmpty()) {
        problems << QStringLiteral("Choose a list file.");
        return std::nullopt;
    }
    QFile file(path);
    if (const auto problem = openList(file)) {
        problems << *problem;
        return std::nullopt;
    }
    Labels::ListReader reader(file, {std::nullopt, header->isChecked()});
    if (!reader.readHeader()) {
        problems << reader.error();
        return std::nullopt;
    }
    const Labels::Calibration correction = calibration();
    const Labels::Sheet sheet(*label, correction);
    if (writer) {
        grades_.reset();
        if (Labels::gradedAs(type->currentText()) || Labels::matrixKindOf(type->currentText()))
            grades_.emplace();
    }
    if (const auto beyond = beyondSheet(sheet, *label)) {
        problems << *beyond;
        return std::nullopt;
    }

    const Labels::LabelPainter painter(*label, outputDots(writer), false);
    const double lineHeight = writer ? writer->lineHeight() : painter.lineHeight();
    const Labels::Area area = painter.area(correction);
    // A roll shows its first rows one under the other, with the gaps between them.
    const bool roll = rollLabel->isChecked();
    const int previewPages = roll ? kPreviewRollRows : 1;
    const double pageStep = label->paper.height() + rollGap->value() * Labels::kPointsPerMm;
    QPainter previewPainter;
    if (!writer)
        beginPreview(previewPainter, *label, sheet, painter.dotsPerPoint(), previewPages, pageStep);

    QHash<QString, std::optional<Labels::Fit>> fits; // by the symbol's size, which rows share
    qint64 placed = 0;
    QStringList fields;
    Labels::ListReader::Status state;
    while ((state = reader.next(fields)) == Labels::ListReader::Status::Row) {
        const qint64 row = reader.rowNumber();
        const int codeColumn = std::max(0, column->currentIndex());
        if (codeColumn >= fields.size()) {
            problems << QStringLiteral("row %1: no column %2 (the row has %3)")
                            .arg(row)
                            .arg(codeColumn + 1)
                            .arg(fields.size());
            continue;
        }
        const auto made = Labels::labelSymbol(type->currentText(), fields[codeColumn]);
        if (const auto* refusal = std::get_if<QString>(&made)) {
            problems << QStringLiteral("row %1: %2").arg(row).arg(*refusal);
            continue;
        }
        const Labels::LabelSymbol& symbol = std::get<Labels::LabelSymbol>(made);
        QStringList lines;
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (i != codeColumn && !fields[i].trimmed().isEmpty()) lines << fields[i].simplified();
        const int lowDots =
            static_cast<int>(std::ceil(symbol.range.low / painter.mmPerDot() - 1e-9));
        const int highDots =
            static_cast<int>(std::floor(symbol.range.high / painter.mmPerDot() + 1e-9));
        const SymbolLayout standard(symbol.symbol, std::nullopt, std::nullopt);
        const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6")
                                .arg(symbol.symbol.modules.size())
                                .arg(standard.left)
                                .arg(standard.width)
                                .arg(standard.height)
                                .arg(lines.size())
                                .arg(lowDots);
        auto found = fits.find(key);
        if (found == fits.end())
            found =
                fits.insert(key, Labels::fitSymbol(symbol.symbol, area, lines.size() * lineHeight,
                                                   lowDots, highDots));
        if (!*found) {
            problems << QStringLiteral("row %1: the label is too small for the symbol%2 at an "
                                       "X-dimension of %3 mm")
                            .arg(row)
                            .arg(lines.isEmpty() ? QString() : QStringLiteral(" and its text"))
                            .arg(lowDots * painter.mmPerDot(), 0, 'f', 3);
            continue;
        }
        // Once a row is refused the others are only checked: nothing is written.
        if (writer && !problems.isEmpty()) continue;
        const Labels::Fit& fit = **found;
        if (writer && grades_)
            if (const auto letter = Labels::labelGrade(type->currentText(), symbol, fit))
                grades_->add(*letter);
        const Labels::Sheet::Place place = sheet.place(placed++, start());
        const double textWidth = painter.textWidth(area, symbol.symbol, fit);
        if (writer) {
            if (!writer->paint(place, symbol, fit, lines, textWidth)) {
                problems << QStringLiteral("Cannot write: %1").arg(writer->errorString());
                return std::nullopt;
            }
        } else {
            if (place.page >= previewPages) break;
            previewPainter.save();
            previewPainter.translate(0, place.page * pageStep * painter.dotsPerPoint());
            painter.paint(previewPainter, place.label, symbol.symbol, fit, lines, textWidth);
            previewPainter.restore();
        }
    }
    if (state == Labels::ListReader::Status::Error) problems << reader.error();
    if (!problems.isEmpty()) return std::nullopt;
    if (placed == 0) {
        problems << QStringLiteral("The list has no rows.");
        return std::nullopt;
    }
    return placed;
}

std::optional<QString> LabelsDialog::beyondSheet(const Labels::Sheet& sheet,
                                                 const LabelTemplate& label) const {
    if (start() <= sheet.labelsPerSheet()) return std::nullopt;
    return QStringLiteral("Label %1 is beyond the sheet: %2 has %3 labels.")
        .arg(start())
        .arg(label.name())
        .arg(sheet.labelsPerSheet());
}

int LabelsDialog::outputDots(const Labels::LabelSink* writer) {
    if (writer) return writer->dotsPerInch();
    // The preview is drawn in the dots of the output, so that it shows what will print.
    if (zplChosen()) return zplDots->currentData().toInt();
    const QString printerName = printer->currentData().toString();
    if (printerName.isEmpty()) return Labels::kPdfDotsPerInch;
    // Asking the printer takes a while; every change of a field draws the preview anew.
    if (printerDots_.first != printerName) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
        printerDots_ = {printerName, info.isNull()
                                         ? Labels::kPdfDotsPerInch
                                         : QPrinter(info, QPrinter::HighResolution).resolution()};
    }
    return printerDots_.second;
}

void LabelsDialog::beginPreview(QPainter& painter, const LabelTemplate& label,
                                const Labels::Sheet& sheet, double dotsPerPoint, int rows,
                                double rowStep) {
    const Labels::Calibration correction = calibration();
    const double scale = kPreviewWidth / label.paper.width();
    const QSizeF whole(label.paper.width(), (rows - 1) * rowStep + label.paper.height());
    preview_ = QImage((whole * scale).toSize(), QImage::Format_RGB32);
    // A roll's rows lie on the grey of its backing.
    preview_.fill(rows > 1 ? QColor(225, 225, 225) : QColor(Qt::white));
    painter.begin(&preview_);
    painter.setRenderHint(QPainter::Antialiasing);
    // The labels' shapes, faint, so that a label without a code still shows.
    painter.setPen(QPen(QColor(200, 200, 200), 0));
    painter.setBrush(Qt::white);
    for (int row = 0; row < rows; ++row) {
        const QPointF down(0, row * rowStep * scale);
        for (const QRectF& position : sheet.positions()) {
            const QRectF rect = correction.applied(position);
            drawShape(painter, label, QRectF(rect.topLeft() * scale + down, rect.size() * scale),
                      scale);
        }
    }
    painter.scale(scale / dotsPerPoint, scale / dotsPerPoint);
}

void LabelsDialog::updatePreview() {
    QStringList problems;
    const auto placed = produce(nullptr, problems);
    if (preview_.isNull() || !chosenTemplate() || (listPath->text().isEmpty() && !design_))
        previewPicture->clear();
    else
        previewPicture->setPixmap(QPixmap::fromImage(preview_));
    if (placed)
        status->setText(QStringLiteral("%1 labels on the first page.").arg(*placed));
    else
        status->setText(problems.isEmpty() ? QString() : listOf(problems));
}

bool LabelsDialog::write(Labels::LabelSink& writer, const QString& target) {
    QStringList problems;
    const auto placed = produce(&writer, problems);
    if (!placed) {
        fail(listOf(problems) + QStringLiteral("\nNothing was written."));
        return false;
    }
    if (const auto failure = writer.commit()) {
        fail(*failure);
        return false;
    }
    // As the labels command sums a run up: a design's labels are not graded here.
    const QString graded =
        design_   ? QString()
        : grades_ ? QStringLiteral("; scan check: %1").arg(grades_->summary())
                  : QStringLiteral("; scan check: none for %1, which it does not grade yet")
                        .arg(type->currentText());
    status->setText(
        QStringLiteral("%1 labels on %2 %3 written to %4%5.")
            .arg(*placed)
            .arg(writer.pages())
            .arg(rollLabel->isChecked()
                     ? (writer.pages() == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                     : (writer.pages() == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets")))
            .arg(target, graded));
    return true;
}

void LabelsDialog::savePdf() {
    const LabelTemplate* label = chosenTemplate();
    if (!label) {
        fail(QStringLiteral("Choose a label product first."));
        return;
    }
    // A roll may be saved as ZPL for a thermal printer, to be sent later.
    const bool roll = rollLabel->isChecked();
    QList<FilterPair> filters{{QStringLiteral("PDF files"), QStringLiteral("*.pdf")}};
    if (roll) filters << FilterPair{QStringLiteral("ZPL files"), QStringLiteral("*.zpl")};
    const QString path = options_.saveDialog->ask(
        this, filters,
        roll ? QStringLiteral("Save labels as PDF or ZPL") : QStringLiteral("Save labels as PDF"),
        QStringLiteral("labels.pdf"), QFileInfo(listPath->text()).absolutePath());
    if (path.isEmpty()) return;
    if (roll && path.endsWith(QStringLiteral(".zpl"), Qt::CaseInsensitive)) {
        Labels::ZplTarget target;
        target.file = path;
        auto opened = Labels::ZplOutput::open(target, *label, type->currentText(), zplSettings());
        if (const auto* problem = std::get_if<QString>(&opened)) {
            fail(*problem);
            return;
        }
        write(*std::get<std::unique_ptr<Labels::ZplOutput>>(opened), path);
        return;
    }
    Labels::SheetWriter writer(path, QString(), *label, false, QStringLiteral("Barcode Desk"));
    write(writer, path);
}

// The roll's labels as ZPL to the thermal printer's raw port or queue, the stream built whole
// before it is sent.
void LabelsDialog::printZpl() {
    const QString address = zplPrinter->text().trimmed();
    if (!rollLabel->isChecked()) {
        fail(QStringLiteral("A thermal printer prints roll labels: tick \"Roll label\"."));
        return;
    }
    if (address.isEmpty()) {
        fail(QStringLiteral("Give the thermal printer's address (socket://HOST) or raw queue."));
        return;
    }
    Labels::ZplTarget target;
    if (address.startsWith(QStringLiteral("socket://"), Qt::CaseInsensitive)) {
        const auto socket = Labels::socketTarget(address);
        if (!socket) {
            fail(QStringLiteral("'%1' is no printer address: socket://HOST or socket://HOST:PORT.")
                     .arg(address));
            return;
        }
        target = *socket;
    } else {
        target.queue = address;
    }
    auto opened = Labels::ZplOutput::open(target, *roll_, type->currentText(), zplSettings());
    if (const auto* problem = std::get_if<QString>(&opened)) {
        fail(*problem);
        return;
    }
    write(*std::get<std::unique_ptr<Labels::ZplOutput>>(opened), address);
}

void LabelsDialog::print() {
    if (zplChosen()) {
        printZpl();
        return;
    }
    const LabelTemplate* label = chosenTemplate();
    const QString name = printer->currentData().toString();
    if (name.isEmpty()) {
        fail(QStringLiteral("Choose a printer to print on; Save PDF writes a file."));
        return;
    }
    if (!label) {
        fail(QStringLiteral("Choose a label product first."));
        return;
    }
    Labels::SheetWriter writer(QString(), name, *label, false, QStringLiteral("Barcode Desk"));
    if (!writer.ready()) {
        fail(QStringLiteral("No printer named %1.").arg(name));
        return;
    }
    // The correction a printer was printed with is the one it needs next time; a job that
    // was refused or failed leaves the one remembered before.
    if (write(writer, QStringLiteral("printer ") + name))
        Labels::RememberedCalibrations().remember(name, calibration());
}
