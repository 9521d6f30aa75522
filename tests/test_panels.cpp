#include "PdfQueue.h"
#include "RecordingMessages.h"
#include "RecordingSaveDialog.h"
#include "TestSupport.h"
#include "VectorRaster.h"
#include "app/MainWindow.h"
#include "output/ClipboardCopy.h"
#include "render/SymbolPicture.h"
#include "symbology/EncodeSymbol.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {

QString fileType(const QString& path) {
    return QString::fromUtf8(runProgram("identify", {"-format", "%m", path + "[0]"}).out).trimmed();
}

int largestDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

// The save panel's option button of that name.
QRadioButton* optionNamed(MainWindow& w, const QString& option) {
    return option == u"bmpOption"    ? w.bmpOption
           : option == u"jpgOption"  ? w.jpgOption
           : option == u"pngOption"  ? w.pngOption
           : option == u"tiffOption" ? w.tiffOption
           : option == u"gifOption"  ? w.gifOption
                                     : w.psdOption;
}

} // namespace

class TestPanels : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    RecordingMessages messages;
    RecordingDialog dialog;

    QString settingsPath() const { return dir->filePath("settings.bin"); }
    std::unique_ptr<MainWindow> window() {
        auto w = std::make_unique<MainWindow>(MainWindowOptions{
            dir->path(), settingsPath(), &messages, dir->filePath("no-port"), &dialog});
        w->codeEdit->setText(QStringLiteral("PANEL-1"));
        w->typeCombo->setCurrentText(QStringLiteral("39/c"));
        w->drawBarcode();
        return w;
    }
    QByteArray settings() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        messages.shown.clear();
        dialog = RecordingDialog();
    }

    void savePanelFoldsAndUnfolds() {
        const auto w = window();
        w->showSavePanel();
        QVERIFY(w->savePanel->isVisibleTo(w.get()));
        QCOMPARE(w->savePanel->y(), 304);
        QCOMPARE(w->height(), 401);
        w->hideSavePanel();
        QVERIFY(!w->savePanel->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QCOMPARE(dialog.calls, 0);
    }

    void cancellingTheDialogWritesNothing() {
        const auto w = window();
        QVERIFY(QFile::remove(settingsPath()));
        w->showSavePanel();
        w->saveBarcode();
        QCOMPARE(dialog.calls, 1);
        QVERIFY(!w->savePanel->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QVERIFY(!QFile::exists(settingsPath()));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    void theDialogOffersTheOptionsPatternAndName_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("bmp") << "bmpOption"
                             << "*.bmp"
                             << "Barcode.bmp";
        QTest::newRow("jpg") << "jpgOption"
                             << "*.jpg"
                             << "Barcode.jpg";
        QTest::newRow("png") << "pngOption"
                             << "*.png"
                             << "Barcode.png";
        QTest::newRow("tiff") << "tiffOption"
                              << "*.tif"
                              << "Barcode.tif";
        QTest::newRow("gif") << "gifOption"
                             << "*.gif"
                             << "Barcode.gif";
        QTest::newRow("psd") << "psdOption"
                             << "*.psd"
                             << "Barcode.psd";
    }
    void theDialogOffersTheOptionsPatternAndName() {
        QFETCH(QString, option);
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        const auto w = window();
        optionNamed(*w, option)->setChecked(true);
        w->saveBarcode();
        QCOMPARE(dialog.title, QStringLiteral("Save as"));
        QCOMPARE(dialog.defaultFileName, name);
        QCOMPARE(dialog.initialDirectory, QString());
        QCOMPARE(dialog.filters.size(), 1);
        QCOMPARE(dialog.filters[0].second, pattern);
    }

    void everyFormatIsWrittenAndReadsBack_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("type"); // as ImageMagick names it
        QTest::addColumn<int>("tolerance");
        QTest::newRow("bmp") << "bmpOption"
                             << "BMP3" << 0; // the classic 40-byte header
        QTest::newRow("jpg") << "jpgOption"
                             << "JPEG" << 120;
        QTest::newRow("png") << "pngOption"
                             << "PNG" << 0;
        QTest::newRow("tiff") << "tiffOption"
                              << "TIFF" << 0;
        QTest::newRow("gif") << "gifOption"
                             << "GIF" << 0;
        QTest::newRow("psd") << "psdOption"
                             << "PSD" << 0;
    }
    void everyFormatIsWrittenAndReadsBack() {
        QFETCH(QString, option);
        QFETCH(QString, type);
        QFETCH(int, tolerance);
        const auto w = window();
        optionNamed(*w, option)->setChecked(true);
        dialog.answer = dir->filePath("saved-without-extension");
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(fileType(dialog.answer), type);
        const QImage back = readBackImage(dialog.answer, dir->filePath("back.png"));
        const QImage shown = w->model().outputPicture.image();
        QCOMPARE(back.size(), shown.size());
        QVERIFY2(largestDifference(back, shown) <= tolerance,
                 qPrintable(QString::number(largestDifference(back, shown))));
        QVERIFY(!QFile::exists(dir->filePath("~temp.bmp")));
        QVERIFY(settings().contains("PANEL-1%~%"));
    }

    // The drawn symbol anew, its modules as wide as the output picture shows them, and the
    // choice remembered by its own word.
    void vectorFormatsKeepTheWindowsSize_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("widthSlider");
        QTest::newRow("svg") << "svg" << 50;
        QTest::newRow("pdf") << "pdf" << 20;
    }
    void vectorFormatsKeepTheWindowsSize() {
        QFETCH(QString, format);
        QFETCH(int, widthSlider);
        const auto w = window();
        w->widthSlider->setValue(widthSlider);
        w->drawBarcode();
        (format == u"svg" ? w->svgOption : w->pdfOption)->setChecked(true);
        dialog.answer = dir->filePath("vector." + format);
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(dialog.filters[0].second, "*." + format);
        QVERIFY(settings().contains(("%~%" + format + "%~%").toLatin1()));

        const double moduleMm = DrawCommands::outputWidthTwips(w->model()) / 1440 * 25.4 /
                                w->model().workPicture.image().width();
        const Symbol symbol = encodeSymbol(*symbologyChoice("39/c"), "PANEL-1");
        const double widthMm = SymbolLayout(symbol, std::nullopt, std::nullopt).width * moduleMm;
        // Ten pixels to the millimetre; a PDF page may be up to a point (3.5 pixels) wider.
        const QImage back = rasterisedAt254Dpi(dialog.answer, dir->filePath("back.png"));
        QVERIFY2(back.width() - widthMm * 10 > -1 && back.width() - widthMm * 10 < 4.6,
                 qPrintable(QString::number(back.width())));
        const auto again = std::make_unique<MainWindow>(MainWindowOptions{
            dir->path(), settingsPath(), &messages, dir->filePath("no-port"), &dialog});
        QVERIFY((format == u"svg" ? again->svgOption : again->pdfOption)->isChecked());
    }

    void theOptionsStandApart() {
        const auto w = window();
        const QList<QRadioButton*> shown{w->bmpOption,  w->jpgOption, w->pngOption,
                                         w->tiffOption, w->svgOption, w->pdfOption};
        for (QRadioButton* a : shown) {
            QVERIFY(w->savePanel->rect().contains(a->geometry()));
            for (QRadioButton* b : shown)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->text() + " / " + b->text()));
        }
    }

    void aVectorNeedsADrawnSymbol() {
        const auto w = std::make_unique<MainWindow>(MainWindowOptions{
            dir->path(), settingsPath(), &messages, dir->filePath("no-port"), &dialog});
        w->svgOption->setChecked(true);
        dialog.answer = dir->filePath("nothing.svg");
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(!QFile::exists(dialog.answer));
    }

    void theOptionDecidesTheFormatNotTheName() {
        const auto w = window();
        w->bmpOption->setChecked(true);
        dialog.answer = dir->filePath("looks-like.png");
        w->saveBarcode();
        QFile file(dialog.answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        w->pngOption->setChecked(true);
        w->saveBarcode();
        QVERIFY(settings().contains("%~%png%~%"));
    }

    void aFailedSaveIsReported() {
        const auto w = window();
        w->pngOption->setChecked(true);
        dialog.answer = dir->filePath("missing-folder/code.png");
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, "The barcode could not be saved as " + dialog.answer);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(!QFile::exists(dialog.answer));
        QVERIFY(!QFile::exists(dir->filePath("~temp.bmp")));
        QVERIFY(settings().contains("%~%png%~%")); // the settings are written all the same
    }

    void anUnwritableProgramFolderStillSaves() {
        auto w = std::make_unique<MainWindow>(MainWindowOptions{dir->filePath("installed"),
                                                                settingsPath(), &messages,
                                                                dir->filePath("no-port"), &dialog});
        w->codeEdit->setText(QStringLiteral("ELSEWHERE"));
        w->drawBarcode();
        w->tiffOption->setChecked(true);
        dialog.answer = dir->filePath("code.tif");
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(fileType(dialog.answer), QStringLiteral("TIFF"));
    }

    void copyPutsTheBarcodeRegionOnTheClipboard() {
        const auto w = window();
        w->widthSlider->setValue(30);
        w->drawBarcode();
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        w->copyBarcode();
        const QImage first =
            QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        const double W = 30.0 / 50 * 6375, H = 150.0 / 160 * 2655;
        QCOMPARE(first, clipboardImage(w->model().outputPicture.image(), W, H)
                            .convertToFormat(QImage::Format_RGB32));
        QCOMPARE(first.size(), QSize(255, qRound((H + 140) / 15)));
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasText());
        w->copyBarcode();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 first);
    }

    void copyTakesTheRegionOfTheLastDraw() {
        const auto w = window(); // drawn at width 50
        w->widthSlider->setValue(23);
        w->heightSlider->setValue(80);
        w->copyBarcode();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 clipboardImage(w->model().outputPicture.image(), 6375, 150.0 / 160 * 2655)
                     .convertToFormat(QImage::Format_RGB32));
        w->drawBarcode();
        w->copyBarcode();
        QCOMPARE(QGuiApplication::clipboard()->image().size(),
                 QSize(qRound(23.0 / 50 * 6375 / 15), qRound((80.0 / 160 * 2655 + 140) / 15)));
    }

    void printPanelFoldsAndUnfolds() {
        const auto w = window();
        w->showPrintPanel();
        QVERIFY(w->printPanel->isVisibleTo(w.get()));
        QCOMPARE(w->printPanel->y(), 304);
        QCOMPARE(w->height(), 401);
        w->hidePrintPanel();
        QVERIFY(!w->printPanel->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
    }

    void badRepeatValuesKeepThePanelOpen_data() {
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("message");
        const QString tooFew =
            QStringLiteral("Please set the repeat number to a valid value (1 or more).");
        QTest::newRow("0") << "0" << tooFew;
        QTest::newRow("empty") << "" << tooFew;
        QTest::newRow("letters") << "many" << tooFew;
        QTest::newRow("-2") << "-2" << tooFew;
        QTest::newRow("0.5") << "0.5" << tooFew;
        QTest::newRow("1000000")
            << "1000000"
            << QStringLiteral("Please set the repeat number to a valid value (1 to 9999).");
    }
    void badRepeatValuesKeepThePanelOpen() {
        QFETCH(QString, repeat);
        QFETCH(QString, message);
        const auto w = window();
        w->showPrintPanel();
        w->repeatEdit->setText(repeat);
        w->printBarcode();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, message);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Bad Repeat Value"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(w->printPanel->isVisibleTo(w.get()));
        QCOMPARE(w->repeatEdit->text(), repeat);
    }

    void spacingsThatLoseACopyKeepThePanelOpen_data() {
        QTest::addColumn<QString>("spacing");
        QTest::newRow("above the page") << "-1000";
        QTest::newRow("no position") << "1e308";
    }
    void spacingsThatLoseACopyKeepThePanelOpen() {
        QFETCH(QString, spacing);
        const auto w = window();
        QVERIFY(QFile::remove(settingsPath()));
        w->showPrintPanel();
        w->repeatEdit->setText(QStringLiteral("2"));
        w->spacingEdit->setText(spacing);
        w->printBarcode();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 "Please set the vertical spacing to a value that keeps every copy on the page.");
        QCOMPARE(messages.shown[0].title, QStringLiteral("Bad Spacing Value"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(w->printPanel->isVisibleTo(w.get()));
        QCOMPARE(w->spacingEdit->text(), spacing);
        QVERIFY(!QFile::exists(settingsPath()));
    }

    void theTextsAreRewrittenAndNoPrinterPrintsNothing_data() {
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<QString>("repeatAfter");
        QTest::addColumn<QString>("spacingAfter");
        QTest::newRow("word after number") << "3 pieces"
                                           << "5"
                                           << "3"
                                           << "5";
        QTest::newRow("fraction stays") << "2.70"
                                        << "7"
                                        << "2.7"
                                        << "7";
        QTest::newRow("letters for spacing") << "1"
                                             << "wide"
                                             << "1"
                                             << "0";
    }
    void theTextsAreRewrittenAndNoPrinterPrintsNothing() {
        QFETCH(QString, repeat);
        QFETCH(QString, spacing);
        QFETCH(QString, repeatAfter);
        QFETCH(QString, spacingAfter);
        const auto w = window();
        w->printerCombo->clear(); // no printer installed
        QVERIFY(QFile::remove(settingsPath()));
        w->showPrintPanel();
        w->repeatEdit->setText(repeat);
        w->spacingEdit->setText(spacing);
        w->printBarcode();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(w->repeatEdit->text(), repeatAfter);
        QCOMPARE(w->spacingEdit->text(), spacingAfter);
        QVERIFY(!w->printPanel->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QVERIFY(!QFile::exists(settingsPath()));
    }

    void printsThreeCopiesThroughThePdfQueue() {
        PdfQueue queue;
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        const auto w = window();
        const int index = w->printerCombo->findText(kQueue);
        QVERIFY(index >= 0);
        w->printerCombo->setCurrentIndex(index);
        w->repeatEdit->setText(QStringLiteral("3"));
        w->spacingEdit->setText(QStringLiteral("5"));
        const QStringList before = queue.pdfsNow();
        w->showPrintPanel();
        w->printBarcode();
        QCOMPARE(messages.shown.size(), 0);
        const QString pdf = queue.awaitNewPdf(before);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        QStringList symbols;
        for (const QString& png : queue.renderPages(pdf))
            symbols += queue.readPage(png).symbols;
        QCOMPARE(symbols, QStringList(3, QStringLiteral("CODE-39:PANEL-1")));
        QVERIFY(settings().contains(("%~%" + kQueue + "%~%3%~%5").toLatin1()));
    }
};

QTEST_MAIN(TestPanels)
#include "test_panels.moc"
