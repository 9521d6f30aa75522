#include "app/MainWindow.h"

#include "app/LabelsDialog.h"

#include "app/MatrixReportDialog.h"
#include "app/ScanCheck.h"
#include "app/ScanReportDialog.h"
#include "app/SettingsFile.h"
#include "output/ClipboardCopy.h"
#include "output/ImageExport.h"
#include "output/NumberText.h"
#include "output/VectorExport.h"
#include "reader/ReaderWindow.h"
#include "reader/ScannerPort.h"
#include "render/PictureFont.h"
#include "render/Twips.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int kClientWidthTwips = 7110;

// The grade line names slider positions ("width 49 grades C or better"): each slider says its
// position in its tooltip, shown beside the pointer while the slider is dragged.
void showsItsValue(QSlider* slider, const QString& name) {
    const auto show = [slider, name](int value) {
        slider->setToolTip(QStringLiteral("%1 %2").arg(name).arg(value));
        if (slider->isSliderDown()) QToolTip::showText(QCursor::pos(), slider->toolTip(), slider);
    };
    QObject::connect(slider, &QSlider::valueChanged, slider, show);
    show(slider->value());
}

// Places a control by its design position and size in twips.
template <typename W> W* placed(W* widget, int left, int top, int width, int height) {
    using Geometry::twipsToPixels;
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        twipsToPixels(height));
    return widget;
}

// What a control needs to show its caption whole in this font. A push button's own size hint
// asks for generous padding that the design boxes never had; the caption and icon need less.
int captionWidth(const QWidget* control) {
    const auto* button = qobject_cast<const QPushButton*>(control);
    if (!button || button->text().isEmpty()) return control->sizeHint().width();
    QStyleOptionButton option;
    option.initFrom(button);
    const int padding =
        button->width() -
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return padding + icon + button->fontMetrics().horizontalAdvance(button->text());
}

// A caption wider than its design box in this font widens the box; its place stays.
template <typename W> W* fitted(W* control) {
    control->resize(std::max(control->width(), captionWidth(control)), control->height());
    return control;
}

QLabel* label(const QString& caption, QWidget* parent, int left, int top, int width, int height) {
    return fitted(placed(new QLabel(caption, parent), left, top, width, height));
}

// The desktop's own picture for the action, so that it looks as in every other program; the
// style's picture where the icon theme has none.
QIcon themeIcon(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(name), widget->style()->standardIcon(fallback));
}

QPushButton* iconButton(QWidget* parent, const QString& caption, const char* themeName,
                        QStyle::StandardPixmap fallback) {
    return new QPushButton(themeIcon(parent, themeName, fallback), caption, parent);
}

// The scanner's port lives apart from settings.bin, whose record has no field for it.
const QString kScannerPortKey = QStringLiteral("scanner/port");

QString defaultPreferencesPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("Barcode Desk.conf"));
}

} // namespace

MainWindow::MainWindow(MainWindowOptions options) : options_(std::move(options)) {
    if (options_.programDirectory.isEmpty())
        options_.programDirectory = QCoreApplication::applicationDirPath();
    settingsPath_ = options_.settingsPath.isEmpty()
                        ? SettingsFile::defaultPath(options_.programDirectory)
                        : options_.settingsPath;
    if (options_.messages) {
        messages_ = options_.messages;
    } else {
        ownMessages_ = std::make_unique<QtMessageBoxes>(this);
        messages_ = ownMessages_.get();
    }
    model_.setMessages(messages_);
    preferencesPath_ =
        options_.preferencesPath.isEmpty() ? defaultPreferencesPath() : options_.preferencesPath;
    scannerPort_ = options_.serialPortName;
    if (scannerPort_.isEmpty())
        scannerPort_ =
            QSettings(preferencesPath_, QSettings::IniFormat).value(kScannerPortKey).toString();
    if (scannerPort_.isEmpty()) scannerPort_ = ScannerPort::defaultPortName();
    if (options_.saveDialog) {
        saveDialog_ = options_.saveDialog;
    } else {
        ownSaveDialog_ = std::make_unique<QtSaveFileDialog>();
        saveDialog_ = ownSaveDialog_.get();
    }

    setWindowTitle(DrawModel::kWindowCaption);
    setFont(defaultPictureFont());
    createVisibleControls();
    createSavePanel();
    createPrintPanel();
    scannerTimer = new QTimer(this);
    scannerTimer->setInterval(1000);
    scanner = new ScannerPort(scannerPort_, this);
    connectHandlers();
    setFixedWidth(Geometry::twipsToPixels(kClientWidthTwips));
    setClientHeightTwips(kFoldedHeightTwips);
    loadSettings();
}

MainWindow::~MainWindow() {
    if (scanCheckCancelled_) *scanCheckCancelled_ = true;
    closeScannerPort();
}

void MainWindow::createVisibleControls() {
    codeLabel = label(QStringLiteral("Code :"), this, 120, 120, 495, 255);
    codeEdit = placed(new QLineEdit(this), 720, 120, 3615, 285);
    typeLabel = label(QStringLiteral("Type:"), this, 4440, 120, 495, 255);
    typeCombo = placed(new QComboBox(this), 4920, 120, 1575, 315);
    typeCombo->setEditable(true);
    typeCombo->setInsertPolicy(QComboBox::NoInsert);
    typeCombo->addItems(DrawCommands::symbologyNames());

    outputPicture = placed(new QLabel(this), 120, 480, 6375, 2655);
    outputPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    outputPicture->setAutoFillBackground(true);
    QPalette white = outputPicture->palette();
    white.setColor(QPalette::Window, Qt::white);
    outputPicture->setPalette(white);

    // Draw clamps the height to 150 of 160: the bottom sixteenth of the picture stays blank.
    const int drawnRows =
        (outputPicture->height() * DrawModel::kHeightClamp + DrawModel::kHeightMax - 1) /
        DrawModel::kHeightMax;
    const int blank = outputPicture->height() - drawnRows;
    gradeLine = new QLabel(this);
    gradeLine->setGeometry(outputPicture->x() + 2,
                           outputPicture->y() + outputPicture->height() - blank,
                           outputPicture->width() - 4, blank);
    QFont small = gradeLine->font();
    small.setPixelSize(std::max(1, blank - 2));
    gradeLine->setFont(small);
    gradeLine->installEventFilter(this); // a click opens the report behind the line

    heightSlider = placed(new QSlider(Qt::Vertical, this), 6600, 360, 495, 2895);
    heightSlider->setRange(0, DrawModel::kHeightMax);
    heightSlider->setValue(DrawModel::kHeightClamp);
    heightSlider->setSingleStep(10);
    heightSlider->setPageStep(50);
    heightSlider->setTickInterval(10);
    heightSlider->setTickPosition(QSlider::TicksRight);

    widthSlider = placed(new QSlider(Qt::Horizontal, this), 0, 3240, 6615, 495);
    widthSlider->setRange(1, DrawModel::kWidthMax);
    widthSlider->setValue(DrawModel::kWidthMax);
    widthSlider->setSingleStep(1);
    widthSlider->setPageStep(2);
    widthSlider->setTickInterval(1);
    widthSlider->setTickPosition(QSlider::TicksBelow);
    showsItsValue(heightSlider, QStringLiteral("height"));
    showsItsValue(widthSlider, QStringLiteral("width"));

    drawButton = fitted(placed(iconButton(this, QStringLiteral("Draw Barcode"), "insert-image",
                                          QStyle::SP_DialogApplyButton),
                               120, 3840, 1455, 615));
    readerButton = fitted(placed(iconButton(this, QStringLiteral("Load Reader"), "edit-find",
                                            QStyle::SP_FileDialogContentsView),
                                 1680, 3840, 1455, 615));
    copyButton = fitted(placed(
        iconButton(this, QStringLiteral("Copy Barcode"), "edit-copy", QStyle::SP_FileLinkIcon),
        3240, 3840, 1455, 615));
    saveAsButton = fitted(placed(iconButton(this, QStringLiteral("Save as"), "document-save-as",
                                            QStyle::SP_DialogSaveButton),
                                 4800, 3840, 1455, 615));

    printPanelButton = placed(new QToolButton(this), 6720, 3360, 375, 375);
    printPanelButton->setIcon(themeIcon(this, "document-print", QStyle::SP_FileDialogListView));
    printPanelButton->setToolTip(QStringLiteral("Print the barcode"));

    scannerButton = placed(iconButton(this, QString(), "scanner", QStyle::SP_DriveNetIcon), 6360,
                           3840, 735, 615);
    scannerButton->setCheckable(true);
    scannerButton->setToolTip(QStringLiteral("Enable/Disable Barcode Scanner"));
    scannerButton->setContextMenuPolicy(Qt::CustomContextMenu);
}

void MainWindow::createSavePanel() {
    savePanel = placed(new QGroupBox(QStringLiteral("File Format"), this), 120, 4560, 6975, 1455);
    // Where each format's option button stands; the labels come from the format table.
    const struct {
        ImageExport::ImageFormat format;
        QRadioButton* MainWindow::*option;
        QRect twips;
    } places[] = {
        {ImageExport::ImageFormat::Bmp, &MainWindow::bmpOption, {120, 240, 2175, 255}},
        {ImageExport::ImageFormat::Jpg, &MainWindow::jpgOption, {3240, 240, 1455, 255}},
        {ImageExport::ImageFormat::Png, &MainWindow::pngOption, {120, 600, 2775, 255}},
        {ImageExport::ImageFormat::Tif, &MainWindow::tiffOption, {120, 960, 2055, 255}},
        {ImageExport::ImageFormat::Gif, &MainWindow::gifOption, {3960, 1440, 2055, 255}},
        {ImageExport::ImageFormat::Psd, &MainWindow::psdOption, {240, 1440, 1695, 255}},
        {ImageExport::ImageFormat::Svg, &MainWindow::svgOption, {3960, 600, 1095, 255}},
        {ImageExport::ImageFormat::Pdf, &MainWindow::pdfOption, {3960, 960, 1095, 255}},
    };
    for (const ImageExport::FormatEntry& entry : ImageExport::formatTable())
        for (const auto& place : places) {
            if (place.format != entry.format) continue;
            QRadioButton* option = fitted(placed(
                new QRadioButton(QString::fromLatin1(entry.optionLabel), savePanel),
                place.twips.x(), place.twips.y(), place.twips.width(), place.twips.height()));
            if (!entry.offered) option->hide();
            this->*place.option = option;
            formatOptions_.append({entry.format, option});
        }
    bmpOption->setChecked(true);
    continueButton =
        placed(new QPushButton(QStringLiteral("Continue"), savePanel), 5280, 240, 1575, 375);
    cancelSaveButton =
        placed(new QPushButton(QStringLiteral("Cancel"), savePanel), 5280, 720, 1575, 375);
    savePanel->hide();
}

void MainWindow::createPrintPanel() {
    printPanel = placed(new QGroupBox(QStringLiteral("Print"), this), 120, 6000, 6975, 1455);
    printerLabel = label(QStringLiteral("Select Printer:"), printPanel, 120, 240, 1095, 255);
    printerCombo = placed(new QComboBox(printPanel), 1440, 240, 3495, 315);
    repeatLabel = label(QStringLiteral("Repeat:"), printPanel, 120, 600, 615, 255);
    repeatEdit = placed(new QLineEdit(QStringLiteral("1"), printPanel), 1440, 600, 855, 285);
    timesLabel = label(QStringLiteral("Times"), printPanel, 2400, 600, 495, 255);
    spacingLabel = label(QStringLiteral("Vertical Spacing:"), printPanel, 120, 960, 1215, 255);
    spacingEdit = placed(new QLineEdit(QStringLiteral("5"), printPanel), 1440, 960, 855, 285);
    pixelsLabel = label(QStringLiteral("Pixels"), printPanel, 2400, 960, 495, 255);
    printButton =
        placed(new QPushButton(QStringLiteral("Print"), printPanel), 5280, 240, 1575, 375);
    cancelPrintButton =
        placed(new QPushButton(QStringLiteral("Cancel"), printPanel), 5280, 720, 1575, 375);
    // Sheets of labels go to a printer too; the window's own controls keep their places.
    labelsButton = fitted(
        placed(new QPushButton(QStringLiteral("Labels…"), printPanel), 3480, 960, 1575, 375));
    labelsButton->setToolTip(QStringLiteral("Sheets of barcode labels from a list"));
    printPanel->hide();
}

void MainWindow::connectHandlers() {
    connect(drawButton, &QPushButton::clicked, this, &MainWindow::drawBarcode);
    // Typing only: picking an item from the list is no edit.
    connect(typeCombo->lineEdit(), &QLineEdit::textEdited, this, &MainWindow::typeEdited);
    connect(readerButton, &QPushButton::clicked, this, &MainWindow::showReader);
    connect(saveAsButton, &QPushButton::clicked, this, &MainWindow::showSavePanel);
    connect(continueButton, &QPushButton::clicked, this, &MainWindow::saveBarcode);
    connect(cancelSaveButton, &QPushButton::clicked, this, &MainWindow::hideSavePanel);
    connect(copyButton, &QPushButton::clicked, this, &MainWindow::copyBarcode);
    connect(printPanelButton, &QToolButton::clicked, this, &MainWindow::showPrintPanel);
    connect(printButton, &QPushButton::clicked, this, &MainWindow::printBarcode);
    connect(cancelPrintButton, &QPushButton::clicked, this, &MainWindow::hidePrintPanel);
    connect(labelsButton, &QPushButton::clicked, this, &MainWindow::showLabelsDialog);
    // Any change of the check box, also clearing it after a failed poll, runs its handler.
    connect(scannerButton, &QPushButton::toggled, this, &MainWindow::switchScanner);
    connect(scannerTimer, &QTimer::timeout, this, &MainWindow::pollScanner);
    connect(scannerButton, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = scannerPortMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(scannerButton->mapToGlobal(at));
    });
}

void MainWindow::setClientHeightTwips(int twips) {
    setFixedHeight(Geometry::twipsToPixels(twips));
}

void MainWindow::loadSettings() {
    typeCombo->setCurrentIndex(1);
    printerCombo->clear();
    printerCombo->addItems(QPrinterInfo::availablePrinterNames());
    if (printerCombo->count() > 0) printerCombo->setCurrentIndex(0);
    applySavedSettings();
}

void MainWindow::applySavedSettings() {
    const auto bytes = SettingsFile::readCreating(settingsPath_);
    if (!bytes) return;
    const auto restored = SettingsFile::decode(*bytes);
    if (!restored) return;
    codeEdit->setText(restored->code);
    if (restored->typeIndex) typeCombo->setCurrentIndex(*restored->typeIndex);
    if (restored->heightValue) heightSlider->setValue(*restored->heightValue); // the slider clamps
    if (restored->widthValue) widthSlider->setValue(*restored->widthValue);
    for (const auto& [format, option] : formatOptions_) {
        const ImageExport::FormatEntry& entry = ImageExport::entryOf(format);
        if (entry.offered && restored->formatWord == QLatin1String(entry.word)) {
            option->setChecked(true);
            break;
        }
    }
    for (int i = 0; i < printerCombo->count(); ++i)
        if (printerCombo->itemText(i) == restored->printer) printerCombo->setCurrentIndex(i);
    repeatEdit->setText(restored->repeatText);
    spacingEdit->setText(restored->spacingText);
}

void MainWindow::saveSettings() {
    SettingsFile::Record record;
    if (const auto format = checkedFormat(); format && ImageExport::entryOf(*format).offered)
        record.formatWord = QString::fromLatin1(ImageExport::entryOf(*format).word);
    record.code = codeEdit->text();
    record.typeIndex = typeListIndex();
    record.heightValue = heightSlider->value();
    record.widthValue = widthSlider->value();
    record.printer = printerCombo->currentText();
    record.repeatText = repeatEdit->text();
    record.spacingText = spacingEdit->text();
    // Saving the settings never interrupts the user; a failed write keeps the last good file.
    (void)SettingsFile::write(settingsPath_, SettingsFile::encode(record));
}

int MainWindow::typeListIndex() const {
    const int current = typeCombo->currentIndex();
    if (current >= 0 && typeCombo->itemText(current) == typeCombo->currentText()) return current;
    return typeCombo->findText(typeCombo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void MainWindow::typeEdited() {
    saveSettings();
}

void MainWindow::drawBarcode() {
    try {
        if (heightSlider->value() > DrawModel::kHeightClamp)
            heightSlider->setValue(DrawModel::kHeightClamp);
        const auto command = DrawCommands::commandFor(typeCombo->currentText());
        if (command)
            runCommand(command);
        else
            QCoreApplication::processEvents();
        saveSettings();
    } catch (const RuntimeError& error) {
        messages_->show(error.description(), QStringLiteral("Error"), MessageIcon::Exclamation);
    }
}

void MainWindow::syncSliders() {
    model_.widthValue = widthSlider->value();
    model_.heightValue = heightSlider->value();
}

// The command works on the model; the code field shows what it left there.
void MainWindow::runCommand(DrawCommands::Command command) {
    const QString typed = codeEdit->text();
    model_.codeText = typed;
    syncSliders();
    try {
        command(model_);
    } catch (...) {
        if (codeEdit->text() != model_.codeText) codeEdit->setText(model_.codeText);
        throw;
    }
    if (codeEdit->text() != model_.codeText) codeEdit->setText(model_.codeText);
    showOutput();
    startScanCheck(typed);
}

// Grading can take a good part of a second when it has to try other widths, so it runs on a
// worker; a newer Draw makes the older check stop and its result go unseen.
void MainWindow::startScanCheck(const QString& typedText) {
    if (scanCheckCancelled_) *scanCheckCancelled_ = true;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    scanCheckCancelled_ = cancelled;
    gradeLine->clear();
    gradeLine->setToolTip(QString());
    gradeLine->unsetCursor();
    checkedSymbols_.clear();
    checkedMatrixSymbols_.clear();
    const ScanCheck::DrawInputs inputs{typeCombo->currentText(), typedText, model_.widthValue,
                                       model_.heightValue};
    const QImage picture = model_.outputPicture.image();
    auto* watcher = new QFutureWatcher<ScanCheck::Checked>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, cancelled, picture] {
        if (!*cancelled) {
            const ScanCheck::Checked checked = watcher->result();
            // Cut to the picture's width; the whole line shows when the pointer rests on it.
            gradeLine->setText(gradeLine->fontMetrics().elidedText(checked.line, Qt::ElideRight,
                                                                   gradeLine->width()));
            gradeLine->setToolTip(checked.line);
            checkedPicture_ = picture;
            checkedSymbols_ = checked.symbols;
            checkedMatrixSymbols_ = checked.matrixSymbols;
            if (!checkedSymbols_.empty() || !checkedMatrixSymbols_.empty())
                gradeLine->setCursor(Qt::PointingHandCursor);
        }
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([picture, inputs, cancelled] {
        return ScanCheck::check(picture, inputs, cancelled.get());
    }));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == gradeLine && event->type() == QEvent::MouseButtonRelease &&
        !checkedSymbols_.empty()) {
        auto* report = new ScanReportDialog(checkedPicture_, checkedSymbols_.front(),
                                            {messages_, saveDialog_}, this);
        report->setAttribute(Qt::WA_DeleteOnClose);
        report->show();
        return true;
    }
    if (watched == gradeLine && event->type() == QEvent::MouseButtonRelease &&
        !checkedMatrixSymbols_.empty()) {
        auto* report = new MatrixReportDialog(checkedPicture_, checkedMatrixSymbols_.front(),
                                              {messages_, saveDialog_}, this);
        report->setAttribute(Qt::WA_DeleteOnClose);
        report->show();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showOutput() {
    outputPicture->setPixmap(QPixmap::fromImage(model_.outputPicture.image()));
}

// The save and print panels share the bottom of the window.
void MainWindow::unfold(QWidget* frame) {
    frame->show();
    frame->move(frame->x(), Geometry::twipsToPixels(4560));
    setClientHeightTwips(kUnfoldedHeightTwips);
}

void MainWindow::fold(QWidget* frame) {
    setClientHeightTwips(kFoldedHeightTwips);
    frame->hide();
}

void MainWindow::showSavePanel() {
    unfold(savePanel);
}
void MainWindow::hideSavePanel() {
    fold(savePanel);
}

void MainWindow::saveBarcode() {
    fold(savePanel);
    const std::optional<ImageExport::ImageFormat> format = checkedFormat();
    QString pattern, defaultName;
    if (format) {
        pattern = QLatin1String(ImageExport::entryOf(*format).pattern);
        defaultName = QLatin1String(ImageExport::entryOf(*format).defaultName);
    }
    const QString path = SaveDialog::askPath(*saveDialog_, this, pattern, QStringLiteral("Save as"),
                                             defaultName, QString(), options_.programDirectory);
    if (path.isEmpty()) return;
    if (format && ImageExport::entryOf(*format).vector)
        saveVectorSymbol(path, *format);
    else if (format && ImageExport::SaveImage(model_.outputPicture.image(), path, *format))
        messages_->show(ImageExport::saveFailureMessage(path), QStringLiteral("Error"),
                        MessageIcon::Exclamation);
    saveSettings();
}

std::optional<ImageExport::ImageFormat> MainWindow::checkedFormat() const {
    for (const auto& [format, option] : formatOptions_)
        if (option->isChecked()) return format;
    return std::nullopt;
}

// The symbol last drawn, anew as lines and text, its modules as wide as the output picture
// shows them: the sliders' width over the work picture's, which has one pixel per module.
void MainWindow::saveVectorSymbol(const QString& path, ImageExport::ImageFormat format) {
    const auto failed = [&](const QString& reason) {
        messages_->show(reason, QStringLiteral("Error"), MessageIcon::Exclamation);
    };
    if (!model_.drawnSymbol) return failed(QStringLiteral("Draw a barcode first."));
    try {
        const Symbol& symbol = *model_.drawnSymbol;
        // A drawn symbol has been stretched into the output picture.
        const double moduleMm = model_.stretchedRegion->width() / Geometry::kTwipsPerInch * 25.4 /
                                model_.workPicture.image().width();
        if (const auto reason = VectorExport::saveVectorSymbol(
                symbol, SymbolLayout(symbol, std::nullopt, std::nullopt), moduleMm, path,
                VectorExport::vectorFormatOf(format)))
            failed(*reason);
    } catch (const RuntimeError& error) {
        failed(error.description());
    }
}

// The copy cuts out what the last Draw filled, even when the sliders have moved since; before
// any Draw, the sliders' region of the blank picture.
void MainWindow::copyBarcode() {
    syncSliders();
    const QSizeF region = model_.stretchedRegion.value_or(
        QSizeF(DrawCommands::outputWidthTwips(model_), DrawCommands::outputHeightTwips(model_)));
    CopyToClipboard(model_.workPicture, model_.outputPicture, region.width(), region.height());
}

void MainWindow::showPrintPanel() {
    unfold(printPanel);
}
void MainWindow::hidePrintPanel() {
    fold(printPanel);
}

void MainWindow::showLabelsDialog() {
    if (!labelsDialog) {
        LabelsDialogOptions options;
        options.messages = messages_;
        options.saveDialog = saveDialog_;
        options.printer = printerCombo->currentText();
        options.type = typeCombo->currentText();
        labelsDialog = new LabelsDialog(std::move(options), this);
    }
    labelsDialog->show();
    labelsDialog->raise();
    labelsDialog->activateWindow();
}

void MainWindow::printBarcode() {
    const double copies = NumberText::leadingNumber(repeatEdit->text());
    if (const auto problem = repeatProblem(copies)) {
        messages_->show(*problem, QStringLiteral("Bad Repeat Value"), MessageIcon::Exclamation);
        return;
    }
    const double spacing = NumberText::leadingNumber(spacingEdit->text());
    syncSliders();
    const double barcodeHeight = DrawCommands::outputHeightTwips(model_);
    if (const auto problem = spacingProblem(spacing, repeatCopies(copies), barcodeHeight)) {
        messages_->show(*problem, QStringLiteral("Bad Spacing Value"), MessageIcon::Exclamation);
        return;
    }
    repeatEdit->setText(NumberText::shortestText(copies));
    spacingEdit->setText(NumberText::shortestText(spacing));
    fold(printPanel);
    const QString name = printerCombo->currentText();
    if (name.isEmpty()) return;
    printer_.select(name); // an unknown name leaves the current printer
    if (!PrintCopies(printer_, model_.outputPicture.image(), repeatCopies(copies), spacing,
                     barcodeHeight)) {
        messages_->show(QStringLiteral("The barcode could not be printed on ") + printer_.name(),
                        QStringLiteral("Error"), MessageIcon::Exclamation);
        return;
    }
    saveSettings();
}

void MainWindow::showReader() {
    if (!reader_) reader_ = new ReaderWindow(this); // closing the Reader unloads it
    reader_->show();
    reader_->raise();
    reader_->activateWindow();
}

void MainWindow::switchScanner() {
    if (scannerButton->isChecked())
        scannerTimer->start();
    else
        scannerTimer->stop();
}

void MainWindow::pollScanner() {
    // A scanner that types like a keyboard replaces the field too; but the focus is never
    // pulled out of another window of ours, such as the Reader.
    const QWidget* active = QApplication::activeWindow();
    if (!active || active == this) {
        codeEdit->setFocus();
        codeEdit->setSelection(0, static_cast<int>(codeEdit->text().size()));
    }
    try {
        if (!scanner->isOpen()) scanner->setOpen(true);
        if (scanner->bytesWaiting() > 0) codeEdit->setText(scanner->takeText());
    } catch (const RuntimeError& error) {
        scannerTimer->stop();
        scannerButton->setChecked(false);
        messages_->show(error.description(), QStringLiteral("Error"), MessageIcon::Critical);
    }
}

QMenu* MainWindow::scannerPortMenu() {
    auto* menu = new QMenu(this);
    auto* choices = new QActionGroup(menu);
    auto offer = [&](const QString& port, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setData(port);
        action->setCheckable(true);
        action->setChecked(port == scannerPort_);
        action->setActionGroup(choices);
        connect(action, &QAction::triggered, this, [this, port] { chooseScannerPort(port); });
    };
    bool currentListed = false;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString port = info.systemLocation();
        const QString about =
            info.description().isEmpty() ? info.manufacturer() : info.description();
        offer(port, about.isEmpty() ? port : port + QStringLiteral(" (") + about + u')');
        currentListed = currentListed || port == scannerPort_;
    }
    // A port that is not there now, or a device no driver lists, stays choosable.
    if (!currentListed) offer(scannerPort_, scannerPort_);
    return menu;
}

void MainWindow::chooseScannerPort(const QString& port) {
    QSettings(preferencesPath_, QSettings::IniFormat).setValue(kScannerPortKey, port);
    if (port == scannerPort_) return;
    scannerPort_ = port;
    try {
        scanner->setOpen(false);
    } catch (const RuntimeError&) {
        // the old device may be gone; the new one opens at the next poll all the same
    }
    scanner->setPortName(port);
}

void MainWindow::closeScannerPort() {
    if (unloaded_) return;
    unloaded_ = true;
    try {
        scanner->setOpen(false);
    } catch (const RuntimeError&) {
        // closing goes on whatever the port says
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    closeScannerPort();
    event->accept();
}
