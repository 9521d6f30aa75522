#include "app/Form1.h"

#include "app/LabelsDialog.h"

#include "app/ScanCheck.h"
#include "app/ScanReportDialog.h"
#include "app/SettingsFile.h"
#include "output/ClipboardCopy.h"
#include "output/ImageExport.h"
#include "output/NumberText.h"
#include "output/VectorExport.h"
#include "reader/Form2.h"
#include "reader/MSComm.h"
#include "render/Geometry.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
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
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int kClientWidthTwips = 7110;

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

Form1::Form1(Form1Options options) : options_(std::move(options)) {
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
    if (scannerPort_.isEmpty()) scannerPort_ = MSComm::defaultPortName();
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
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    MSComm1 = new MSComm(scannerPort_, this);
    connectHandlers();
    setFixedWidth(Geometry::twipsToPixels(kClientWidthTwips));
    setClientHeightTwips(kFoldedHeightTwips);
    Form_Load();
}

Form1::~Form1() {
    if (scanCheckCancelled_) *scanCheckCancelled_ = true;
    Form_Unload();
}

void Form1::createVisibleControls() {
    Label1 = label(QStringLiteral("Code :"), this, 120, 120, 495, 255);
    txtcode = placed(new QLineEdit(this), 720, 120, 3615, 285);
    Label2 = label(QStringLiteral("Type:"), this, 4440, 120, 495, 255);
    cmbtype = placed(new QComboBox(this), 4920, 120, 1575, 315);
    cmbtype->setEditable(true);
    cmbtype->setInsertPolicy(QComboBox::NoInsert);
    cmbtype->addItems(DrawCommands::symbologyNames());

    picout = placed(new QLabel(this), 120, 480, 6375, 2655);
    picout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picout->setAutoFillBackground(true);
    QPalette white = picout->palette();
    white.setColor(QPalette::Window, Qt::white);
    picout->setPalette(white);

    // Draw clamps the height to 150 of 160: the bottom sixteenth of the picture stays blank.
    const int drawnRows = (picout->height() * DrawModel::kHeightClamp + DrawModel::kHeightMax - 1) /
                          DrawModel::kHeightMax;
    const int blank = picout->height() - drawnRows;
    lblscan = new QLabel(this);
    lblscan->setGeometry(picout->x() + 2, picout->y() + picout->height() - blank,
                         picout->width() - 4, blank);
    QFont small = lblscan->font();
    small.setPixelSize(std::max(1, blank - 2));
    lblscan->setFont(small);
    lblscan->installEventFilter(this); // a click opens the report behind the line

    sldheight = placed(new QSlider(Qt::Vertical, this), 6600, 360, 495, 2895);
    sldheight->setRange(0, DrawModel::kHeightMax);
    sldheight->setValue(DrawModel::kHeightClamp);
    sldheight->setSingleStep(10);
    sldheight->setPageStep(50);
    sldheight->setTickInterval(10);
    sldheight->setTickPosition(QSlider::TicksRight);

    sldwidth = placed(new QSlider(Qt::Horizontal, this), 0, 3240, 6615, 495);
    sldwidth->setRange(1, DrawModel::kWidthMax);
    sldwidth->setValue(DrawModel::kWidthMax);
    sldwidth->setSingleStep(1);
    sldwidth->setPageStep(2);
    sldwidth->setTickInterval(1);
    sldwidth->setTickPosition(QSlider::TicksBelow);

    cmdDraw = fitted(placed(iconButton(this, QStringLiteral("Draw Barcode"), "insert-image",
                                       QStyle::SP_DialogApplyButton),
                            120, 3840, 1455, 615));
    Command12 = fitted(placed(iconButton(this, QStringLiteral("Load Reader"), "edit-find",
                                         QStyle::SP_FileDialogContentsView),
                              1680, 3840, 1455, 615));
    Command9 = fitted(placed(
        iconButton(this, QStringLiteral("Copy Barcode"), "edit-copy", QStyle::SP_FileLinkIcon),
        3240, 3840, 1455, 615));
    cmdsave = fitted(placed(iconButton(this, QStringLiteral("Save as"), "document-save-as",
                                       QStyle::SP_DialogSaveButton),
                            4800, 3840, 1455, 615));

    Command13 = placed(new QToolButton(this), 6720, 3360, 375, 375);
    Command13->setIcon(themeIcon(this, "document-print", QStyle::SP_FileDialogListView));
    Command13->setToolTip(QStringLiteral("Print the barcode"));

    Check1 = placed(iconButton(this, QString(), "scanner", QStyle::SP_DriveNetIcon), 6360, 3840,
                    735, 615);
    Check1->setCheckable(true);
    Check1->setToolTip(QStringLiteral("Enable/Disable Barcode Scanner"));
    Check1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void Form1::createSavePanel() {
    Frame1 = placed(new QGroupBox(QStringLiteral("File Format"), this), 120, 4560, 6975, 1455);
    // Where each format's option button stands; the labels come from the format table.
    const struct {
        ImageExport::ImageFormat format;
        QRadioButton* Form1::*option;
        QRect twips;
    } places[] = {
        {ImageExport::ImageFormat::Bmp, &Form1::optbmp, {120, 240, 2175, 255}},
        {ImageExport::ImageFormat::Jpg, &Form1::optjpg, {3240, 240, 1455, 255}},
        {ImageExport::ImageFormat::Png, &Form1::optpng, {120, 600, 2775, 255}},
        {ImageExport::ImageFormat::Tif, &Form1::opttiff, {120, 960, 2055, 255}},
        {ImageExport::ImageFormat::Gif, &Form1::optgif, {3960, 1440, 2055, 255}},
        {ImageExport::ImageFormat::Psd, &Form1::optpsd, {240, 1440, 1695, 255}},
        {ImageExport::ImageFormat::Svg, &Form1::optsvg, {3960, 600, 1095, 255}},
        {ImageExport::ImageFormat::Pdf, &Form1::optpdf, {3960, 960, 1095, 255}},
    };
    for (const ImageExport::FormatEntry& entry : ImageExport::formatTable())
        for (const auto& place : places) {
            if (place.format != entry.format) continue;
            QRadioButton* option = fitted(placed(
                new QRadioButton(QString::fromLatin1(entry.optionLabel), Frame1), place.twips.x(),
                place.twips.y(), place.twips.width(), place.twips.height()));
            if (!entry.offered) option->hide();
            this->*place.option = option;
            formatOptions_.append({entry.format, option});
        }
    optbmp->setChecked(true);
    Command10 = placed(new QPushButton(QStringLiteral("Continue"), Frame1), 5280, 240, 1575, 375);
    Command11 = placed(new QPushButton(QStringLiteral("Cancel"), Frame1), 5280, 720, 1575, 375);
    Frame1->hide();
}

void Form1::createPrintPanel() {
    Frame2 = placed(new QGroupBox(QStringLiteral("Print"), this), 120, 6000, 6975, 1455);
    Label3 = label(QStringLiteral("Select Printer:"), Frame2, 120, 240, 1095, 255);
    cmbprinters = placed(new QComboBox(Frame2), 1440, 240, 3495, 315);
    Label4 = label(QStringLiteral("Repeat:"), Frame2, 120, 600, 615, 255);
    txtrepeat = placed(new QLineEdit(QStringLiteral("1"), Frame2), 1440, 600, 855, 285);
    Label5 = label(QStringLiteral("Times"), Frame2, 2400, 600, 495, 255);
    Label6 = label(QStringLiteral("Vertical Spacing:"), Frame2, 120, 960, 1215, 255);
    txtvspace = placed(new QLineEdit(QStringLiteral("5"), Frame2), 1440, 960, 855, 285);
    Label7 = label(QStringLiteral("Pixels"), Frame2, 2400, 960, 495, 255);
    Command14 = placed(new QPushButton(QStringLiteral("Print"), Frame2), 5280, 240, 1575, 375);
    Command15 = placed(new QPushButton(QStringLiteral("Cancel"), Frame2), 5280, 720, 1575, 375);
    // Sheets of labels go to a printer too; the window's own controls keep their places.
    cmdlabels =
        fitted(placed(new QPushButton(QStringLiteral("Labels…"), Frame2), 3480, 960, 1575, 375));
    cmdlabels->setToolTip(QStringLiteral("Sheets of barcode labels from a list"));
    Frame2->hide();
}

void Form1::connectHandlers() {
    connect(cmdDraw, &QPushButton::clicked, this, &Form1::cmdDraw_Click);
    // Typing only: picking an item from the list is no edit.
    connect(cmbtype->lineEdit(), &QLineEdit::textEdited, this, &Form1::cmbtype_Change);
    connect(sldwidth, &QSlider::valueChanged, this, &Form1::sldwidth_Change);
    connect(sldheight, &QSlider::valueChanged, this, &Form1::sldheight_Change);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(cmdsave, &QPushButton::clicked, this, &Form1::cmdsave_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command13, &QToolButton::clicked, this, &Form1::Command13_Click);
    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command15, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(cmdlabels, &QPushButton::clicked, this, &Form1::cmdlabels_Click);
    // Any change of the check box, also clearing it after a failed poll, runs its handler.
    connect(Check1, &QPushButton::toggled, this, &Form1::Check1_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Check1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = scannerPortMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(Check1->mapToGlobal(at));
    });
}

void Form1::setClientHeightTwips(int twips) {
    setFixedHeight(Geometry::twipsToPixels(twips));
}

void Form1::Form_Load() {
    cmbtype->setCurrentIndex(1);
    cmbprinters->clear();
    cmbprinters->addItems(QPrinterInfo::availablePrinterNames());
    if (cmbprinters->count() > 0) cmbprinters->setCurrentIndex(0);
    restoreSettings();
}

void Form1::restoreSettings() {
    const auto bytes = SettingsFile::readCreating(settingsPath_);
    if (!bytes) return;
    const auto restored = SettingsFile::decode(*bytes);
    if (!restored) return;
    txtcode->setText(restored->code);
    if (restored->typeIndex) cmbtype->setCurrentIndex(*restored->typeIndex);
    if (restored->heightValue) sldheight->setValue(*restored->heightValue); // the slider clamps
    if (restored->widthValue) sldwidth->setValue(*restored->widthValue);
    for (const auto& [format, option] : formatOptions_) {
        const ImageExport::FormatEntry& entry = ImageExport::entryOf(format);
        if (entry.offered && restored->formatWord == QLatin1String(entry.word)) {
            option->setChecked(true);
            break;
        }
    }
    for (int i = 0; i < cmbprinters->count(); ++i)
        if (cmbprinters->itemText(i) == restored->printer) cmbprinters->setCurrentIndex(i);
    txtrepeat->setText(restored->repeatText);
    txtvspace->setText(restored->spacingText);
}

void Form1::SaveSettings() {
    SettingsFile::Record record;
    if (const auto format = checkedFormat(); format && ImageExport::entryOf(*format).offered)
        record.formatWord = QString::fromLatin1(ImageExport::entryOf(*format).word);
    record.code = txtcode->text();
    record.typeIndex = cmbtypeListIndex();
    record.heightValue = sldheight->value();
    record.widthValue = sldwidth->value();
    record.printer = cmbprinters->currentText();
    record.repeatText = txtrepeat->text();
    record.spacingText = txtvspace->text();
    // Saving the settings never interrupts the user; a failed write keeps the last good file.
    (void)SettingsFile::write(settingsPath_, SettingsFile::encode(record));
}

int Form1::cmbtypeListIndex() const {
    const int current = cmbtype->currentIndex();
    if (current >= 0 && cmbtype->itemText(current) == cmbtype->currentText()) return current;
    return cmbtype->findText(cmbtype->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void Form1::cmbtype_Change() {
    SaveSettings();
}

void Form1::cmdDraw_Click() {
    try {
        if (sldheight->value() > DrawModel::kHeightClamp)
            sldheight->setValue(DrawModel::kHeightClamp);
        const auto command = DrawCommands::commandFor(cmbtype->currentText());
        if (command)
            runCommand(command);
        else
            QCoreApplication::processEvents();
        SaveSettings();
    } catch (const RuntimeError& error) {
        messages_->show(error.description(), QStringLiteral("Error"), MessageIcon::Exclamation);
    }
}

void Form1::syncSliders() {
    model_.sldwidthValue = sldwidth->value();
    model_.sldheightValue = sldheight->value();
}

// The command works on the model; the code field shows what it left there.
void Form1::runCommand(DrawCommands::Command command) {
    const QString typed = txtcode->text();
    model_.txtcode = typed;
    syncSliders();
    try {
        command(model_);
    } catch (...) {
        if (txtcode->text() != model_.txtcode) txtcode->setText(model_.txtcode);
        throw;
    }
    if (txtcode->text() != model_.txtcode) txtcode->setText(model_.txtcode);
    showOutput();
    startScanCheck(typed);
}

// Grading can take a good part of a second when it has to try other widths, so it runs on a
// worker; a newer Draw makes the older check stop and its result go unseen.
void Form1::startScanCheck(const QString& typedText) {
    if (scanCheckCancelled_) *scanCheckCancelled_ = true;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    scanCheckCancelled_ = cancelled;
    lblscan->clear();
    lblscan->setToolTip(QString());
    lblscan->unsetCursor();
    checkedSymbols_.clear();
    const ScanCheck::DrawInputs inputs{cmbtype->currentText(), typedText, model_.sldwidthValue,
                                       model_.sldheightValue};
    const QImage picture = model_.picout.Image();
    auto* watcher = new QFutureWatcher<ScanCheck::Checked>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, cancelled, picture] {
        if (!*cancelled) {
            const ScanCheck::Checked checked = watcher->result();
            // Cut to the picture's width; the whole line shows when the pointer rests on it.
            lblscan->setText(
                lblscan->fontMetrics().elidedText(checked.line, Qt::ElideRight, lblscan->width()));
            lblscan->setToolTip(checked.line);
            checkedPicture_ = picture;
            checkedSymbols_ = checked.symbols;
            if (!checkedSymbols_.empty()) lblscan->setCursor(Qt::PointingHandCursor);
        }
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([picture, inputs, cancelled] {
        return ScanCheck::check(picture, inputs, cancelled.get());
    }));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblscan && event->type() == QEvent::MouseButtonRelease &&
        !checkedSymbols_.empty()) {
        auto* report = new ScanReportDialog(checkedPicture_, checkedSymbols_.front(), this);
        report->setAttribute(Qt::WA_DeleteOnClose);
        report->show();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showOutput() {
    picout->setPixmap(QPixmap::fromImage(model_.picout.Image()));
}

void Form1::Command1_Click() {
    runCommand(DrawCommands::Command1_Click);
}
void Form1::Command2_Click() {
    runCommand(DrawCommands::Command2_Click);
}
void Form1::Command3_Click() {
    runCommand(DrawCommands::Command3_Click);
}
void Form1::Command4_Click() {
    runCommand(DrawCommands::Command4_Click);
}
void Form1::Command5_Click() {
    runCommand(DrawCommands::Command5_Click);
}
void Form1::Command6_Click() {
    runCommand(DrawCommands::Command6_Click);
}
void Form1::Command7_Click() {
    runCommand(DrawCommands::Command7_Click);
}

// The save and print panels share the bottom of the window.
void Form1::unfold(QWidget* frame) {
    frame->show();
    frame->move(frame->x(), Geometry::twipsToPixels(4560));
    setClientHeightTwips(kUnfoldedHeightTwips);
}

void Form1::fold(QWidget* frame) {
    setClientHeightTwips(kFoldedHeightTwips);
    frame->hide();
}

void Form1::cmdsave_Click() {
    unfold(Frame1);
}
void Form1::Command11_Click() {
    fold(Frame1);
}

void Form1::Command10_Click() {
    fold(Frame1);
    const std::optional<ImageExport::ImageFormat> format = checkedFormat();
    QString pattern, defaultName;
    if (format) {
        pattern = QLatin1String(ImageExport::entryOf(*format).pattern);
        defaultName = QLatin1String(ImageExport::entryOf(*format).defaultName);
    }
    const QString path =
        MOD_CDIALOG::ShowSaveDialog(*saveDialog_, this, pattern, QStringLiteral("Save as"),
                                    defaultName, QString(), options_.programDirectory);
    if (path.isEmpty()) return;
    if (format && ImageExport::entryOf(*format).vector)
        saveVectorSymbol(path, *format);
    else if (format && ImageExport::SaveImage(model_.picout.Image(), path, *format))
        messages_->show(ImageExport::saveFailureMessage(path), QStringLiteral("Error"),
                        MessageIcon::Exclamation);
    SaveSettings();
}

std::optional<ImageExport::ImageFormat> Form1::checkedFormat() const {
    for (const auto& [format, option] : formatOptions_)
        if (option->isChecked()) return format;
    return std::nullopt;
}

// The symbol last drawn, anew as lines and text, its modules as wide as the output picture
// shows them: the sliders' width over the work picture's, which has one pixel per module.
void Form1::saveVectorSymbol(const QString& path, ImageExport::ImageFormat format) {
    const auto failed = [&](const QString& reason) {
        messages_->show(reason, QStringLiteral("Error"), MessageIcon::Exclamation);
    };
    if (!model_.drawnSymbol) return failed(QStringLiteral("Draw a barcode first."));
    try {
        const Symbol& symbol = *model_.drawnSymbol;
        // A drawn symbol has been stretched into the output picture.
        const double moduleMm = model_.stretchedRegion->width() / Geometry::kTwipsPerInch * 25.4 /
                                model_.pictmp.Image().width();
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
void Form1::Command9_Click() {
    syncSliders();
    const QSizeF region = model_.stretchedRegion.value_or(
        QSizeF(DrawCommands::outputWidthTwips(model_), DrawCommands::outputHeightTwips(model_)));
    CopyToClipboard(model_.pictmp, model_.picout, region.width(), region.height());
}

void Form1::Command13_Click() {
    unfold(Frame2);
}
void Form1::Command15_Click() {
    fold(Frame2);
}

void Form1::cmdlabels_Click() {
    if (!labelsDialog) {
        LabelsDialogOptions options;
        options.messages = messages_;
        options.saveDialog = saveDialog_;
        options.printer = cmbprinters->currentText();
        labelsDialog = new LabelsDialog(std::move(options), this);
    }
    labelsDialog->show();
    labelsDialog->raise();
    labelsDialog->activateWindow();
}

void Form1::Command14_Click() {
    const double copies = NumberText::leadingNumber(txtrepeat->text());
    if (const auto problem = repeatProblem(copies)) {
        messages_->show(*problem, QStringLiteral("Bad Repeat Value"), MessageIcon::Exclamation);
        return;
    }
    const double spacing = NumberText::leadingNumber(txtvspace->text());
    syncSliders();
    const double barcodeHeight = DrawCommands::outputHeightTwips(model_);
    if (const auto problem = spacingProblem(spacing, repeatCopies(copies), barcodeHeight)) {
        messages_->show(*problem, QStringLiteral("Bad Spacing Value"), MessageIcon::Exclamation);
        return;
    }
    txtrepeat->setText(NumberText::shortestText(copies));
    txtvspace->setText(NumberText::shortestText(spacing));
    fold(Frame2);
    const QString name = cmbprinters->currentText();
    if (name.isEmpty()) return;
    printer_.select(name); // an unknown name leaves the current printer
    if (!PrintCopies(printer_, model_.picout.Image(), repeatCopies(copies), spacing,
                     barcodeHeight)) {
        messages_->show(QStringLiteral("The barcode could not be printed on ") + printer_.name(),
                        QStringLiteral("Error"), MessageIcon::Exclamation);
        return;
    }
    SaveSettings();
}

void Form1::Command12_Click() {
    if (!reader_) reader_ = new Form2(this); // closing the Reader unloads it
    reader_->show();
    reader_->raise();
    reader_->activateWindow();
}

void Form1::Check1_Click() {
    if (Check1->isChecked())
        Timer1->start();
    else
        Timer1->stop();
}

void Form1::Timer1_Timer() {
    // A scanner that types like a keyboard replaces the field too; but the focus is never
    // pulled out of another window of ours, such as the Reader.
    const QWidget* active = QApplication::activeWindow();
    if (!active || active == this) {
        txtcode->setFocus();
        txtcode->setSelection(0, static_cast<int>(txtcode->text().size()));
    }
    try {
        if (!MSComm1->PortOpen()) MSComm1->setPortOpen(true);
        if (MSComm1->InBufferCount() > 0) txtcode->setText(MSComm1->Input());
    } catch (const RuntimeError& error) {
        Timer1->stop();
        Check1->setChecked(false);
        messages_->show(error.description(), QStringLiteral("Error"), MessageIcon::Critical);
    }
}

QMenu* Form1::scannerPortMenu() {
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

void Form1::chooseScannerPort(const QString& port) {
    QSettings(preferencesPath_, QSettings::IniFormat).setValue(kScannerPortKey, port);
    if (port == scannerPort_) return;
    scannerPort_ = port;
    try {
        MSComm1->setPortOpen(false);
    } catch (const RuntimeError&) {
        // the old device may be gone; the new one opens at the next poll all the same
    }
    MSComm1->setPortName(port);
}

void Form1::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    try {
        MSComm1->setPortOpen(false);
    } catch (...) {
        // closing goes on whatever the port says
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}
