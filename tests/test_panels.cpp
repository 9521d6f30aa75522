#include "CliRunner.h"
#include "PdfQueue.h"
#include "RecordingMessages.h"
#include "RecordingSaveDialog.h"
#include "VectorRaster.h"
#include "app/Form1.h"
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
    QProcess identify;
    identify.start(QStringLiteral("identify"), {"-format", "%m", path + "[0]"});
    identify.waitForFinished(60000);
    return QString::fromUtf8(identify.readAllStandardOutput()).trimmed();
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
QRadioButton* optionNamed(Form1& w, const QString& option) {
    return option == u"optbmp"    ? w.optbmp
           : option == u"optjpg"  ? w.optjpg
           : option == u"optpng"  ? w.optpng
           : option == u"opttiff" ? w.opttiff
           : option == u"optgif"  ? w.optgif
                                  : w.optpsd;
}

} // namespace

class TestPanels : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    RecordingMessages messages;
    RecordingDialog dialog;

    QString settingsPath() const { return dir->filePath("settings.bin"); }
    std::unique_ptr<Form1> window() {
        auto w = std::make_unique<Form1>(Form1Options{dir->path(), settingsPath(), &messages,
                                                      dir->filePath("no-port"), &dialog});
        w->txtcode->setText(QStringLiteral("PANEL-1"));
        w->cmbtype->setCurrentText(QStringLiteral("39/c"));
        w->cmdDraw_Click();
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
        w->cmdsave_Click();
        QVERIFY(w->Frame1->isVisibleTo(w.get()));
        QCOMPARE(w->Frame1->y(), 304);
        QCOMPARE(w->height(), 401);
        w->Command11_Click();
        QVERIFY(!w->Frame1->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QCOMPARE(dialog.calls, 0);
    }

    void cancellingTheDialogWritesNothing() {
        const auto w = window();
        QVERIFY(QFile::remove(settingsPath()));
        w->cmdsave_Click();
        w->Command10_Click();
        QCOMPARE(dialog.calls, 1);
        QVERIFY(!w->Frame1->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QVERIFY(!QFile::exists(settingsPath()));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    void theDialogOffersTheOptionsPatternAndName_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("bmp") << "optbmp"
                             << "*.bmp"
                             << "Barcode.bmp";
        QTest::newRow("jpg") << "optjpg"
                             << "*.jpg"
                             << "Barcode.jpg";
        QTest::newRow("png") << "optpng"
                             << "*.png"
                             << "Barcode.png";
        QTest::newRow("tiff") << "opttiff"
                              << "*.tif"
                              << "Barcode.tif";
        QTest::newRow("gif") << "optgif"
                             << "*.gif"
                             << "Barcode.gif";
        QTest::newRow("psd") << "optpsd"
                             << "*.psd"
                             << "Barcode.psd";
    }
    void theDialogOffersTheOptionsPatternAndName() {
        QFETCH(QString, option);
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        const auto w = window();
        optionNamed(*w, option)->setChecked(true);
        w->Command10_Click();
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
        QTest::newRow("bmp") << "optbmp"
                             << "BMP3" << 0; // the classic 40-byte header
        QTest::newRow("jpg") << "optjpg"
                             << "JPEG" << 120;
        QTest::newRow("png") << "optpng"
                             << "PNG" << 0;
        QTest::newRow("tiff") << "opttiff"
                              << "TIFF" << 0;
        QTest::newRow("gif") << "optgif"
                             << "GIF" << 0;
        QTest::newRow("psd") << "optpsd"
                             << "PSD" << 0;
    }
    void everyFormatIsWrittenAndReadsBack() {
        QFETCH(QString, option);
        QFETCH(QString, type);
        QFETCH(int, tolerance);
        const auto w = window();
        optionNamed(*w, option)->setChecked(true);
        dialog.answer = dir->filePath("saved-without-extension");
        w->Command10_Click();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(fileType(dialog.answer), type);
        const QImage back = readBackImage(dialog.answer, dir->filePath("back.png"));
        const QImage shown = w->model().picout.Image();
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
        w->sldwidth->setValue(widthSlider);
        w->cmdDraw_Click();
        (format == u"svg" ? w->optsvg : w->optpdf)->setChecked(true);
        dialog.answer = dir->filePath("vector." + format);
        w->Command10_Click();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(dialog.filters[0].second, "*." + format);
        QVERIFY(settings().contains(("%~%" + format + "%~%").toLatin1()));

        const double moduleMm = DrawCommands::outputWidthTwips(w->model()) / 1440 * 25.4 /
                                w->model().pictmp.Image().width();
        const Symbol symbol = encodeSymbol(*symbologyChoice("39/c"), "PANEL-1");
        const double widthMm = SymbolLayout(symbol, std::nullopt, std::nullopt).width * moduleMm;
        // Ten pixels to the millimetre; a PDF page may be up to a point (3.5 pixels) wider.
        const QImage back = rasterisedAt254Dpi(dialog.answer, dir->filePath("back.png"));
        QVERIFY2(back.width() - widthMm * 10 > -1 && back.width() - widthMm * 10 < 4.6,
                 qPrintable(QString::number(back.width())));
        const auto again = std::make_unique<Form1>(Form1Options{
            dir->path(), settingsPath(), &messages, dir->filePath("no-port"), &dialog});
        QVERIFY((format == u"svg" ? again->optsvg : again->optpdf)->isChecked());
    }

    void theOptionsStandApart() {
        const auto w = window();
        const QList<QRadioButton*> shown{w->optbmp,  w->optjpg, w->optpng,
                                         w->opttiff, w->optsvg, w->optpdf};
        for (QRadioButton* a : shown) {
            QVERIFY(w->Frame1->rect().contains(a->geometry()));
            for (QRadioButton* b : shown)
                QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                         qPrintable(a->text() + " / " + b->text()));
        }
    }

    void aVectorNeedsADrawnSymbol() {
        const auto w = std::make_unique<Form1>(Form1Options{dir->path(), settingsPath(), &messages,
                                                            dir->filePath("no-port"), &dialog});
        w->optsvg->setChecked(true);
        dialog.answer = dir->filePath("nothing.svg");
        w->Command10_Click();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(!QFile::exists(dialog.answer));
    }

    void theOptionDecidesTheFormatNotTheName() {
        const auto w = window();
        w->optbmp->setChecked(true);
        dialog.answer = dir->filePath("looks-like.png");
        w->Command10_Click();
        QFile file(dialog.answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        w->optpng->setChecked(true);
        w->Command10_Click();
        QVERIFY(settings().contains("%~%png%~%"));
    }

    void aFailedSaveIsReported() {
        const auto w = window();
        w->optpng->setChecked(true);
        dialog.answer = dir->filePath("missing-folder/code.png");
        w->Command10_Click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, "The barcode could not be saved as " + dialog.answer);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(!QFile::exists(dialog.answer));
        QVERIFY(!QFile::exists(dir->filePath("~temp.bmp")));
        QVERIFY(settings().contains("%~%png%~%")); // the settings are written all the same
    }

    void anUnwritableProgramFolderStillSaves() {
        auto w =
            std::make_unique<Form1>(Form1Options{dir->filePath("installed"), settingsPath(),
                                                 &messages, dir->filePath("no-port"), &dialog});
        w->txtcode->setText(QStringLiteral("ELSEWHERE"));
        w->cmdDraw_Click();
        w->opttiff->setChecked(true);
        dialog.answer = dir->filePath("code.tif");
        w->Command10_Click();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(fileType(dialog.answer), QStringLiteral("TIFF"));
    }

    void copyPutsTheBarcodeRegionOnTheClipboard() {
        const auto w = window();
        w->sldwidth->setValue(30);
        w->cmdDraw_Click();
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        w->Command9_Click();
        const QImage first =
            QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        const double W = 30.0 / 50 * 6375, H = 150.0 / 160 * 2655;
        QCOMPARE(
            first,
            clipboardImage(w->model().picout.Image(), W, H).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(first.size(), QSize(255, qRound((H + 140) / 15)));
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasText());
        w->Command9_Click();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 first);
    }

    void copyTakesTheRegionOfTheLastDraw() {
        const auto w = window(); // drawn at width 50
        w->sldwidth->setValue(23);
        w->sldheight->setValue(80);
        w->Command9_Click();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 clipboardImage(w->model().picout.Image(), 6375, 150.0 / 160 * 2655)
                     .convertToFormat(QImage::Format_RGB32));
        w->cmdDraw_Click();
        w->Command9_Click();
        QCOMPARE(QGuiApplication::clipboard()->image().size(),
                 QSize(qRound(23.0 / 50 * 6375 / 15), qRound((80.0 / 160 * 2655 + 140) / 15)));
    }

    void printPanelFoldsAndUnfolds() {
        const auto w = window();
        w->Command13_Click();
        QVERIFY(w->Frame2->isVisibleTo(w.get()));
        QCOMPARE(w->Frame2->y(), 304);
        QCOMPARE(w->height(), 401);
        w->Command15_Click();
        QVERIFY(!w->Frame2->isVisibleTo(w.get()));
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
        w->Command13_Click();
        w->txtrepeat->setText(repeat);
        w->Command14_Click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, message);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Bad Repeat Value"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(w->Frame2->isVisibleTo(w.get()));
        QCOMPARE(w->txtrepeat->text(), repeat);
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
        w->Command13_Click();
        w->txtrepeat->setText(QStringLiteral("2"));
        w->txtvspace->setText(spacing);
        w->Command14_Click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 "Please set the vertical spacing to a value that keeps every copy on the page.");
        QCOMPARE(messages.shown[0].title, QStringLiteral("Bad Spacing Value"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(w->Frame2->isVisibleTo(w.get()));
        QCOMPARE(w->txtvspace->text(), spacing);
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
        w->cmbprinters->clear(); // no printer installed
        QVERIFY(QFile::remove(settingsPath()));
        w->Command13_Click();
        w->txtrepeat->setText(repeat);
        w->txtvspace->setText(spacing);
        w->Command14_Click();
        QCOMPARE(messages.shown.size(), 0);
        QCOMPARE(w->txtrepeat->text(), repeatAfter);
        QCOMPARE(w->txtvspace->text(), spacingAfter);
        QVERIFY(!w->Frame2->isVisibleTo(w.get()));
        QCOMPARE(w->height(), 297);
        QVERIFY(!QFile::exists(settingsPath()));
    }

    void printsThreeCopiesThroughThePdfQueue() {
        PdfQueue queue;
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        const auto w = window();
        const int index = w->cmbprinters->findText(kQueue);
        QVERIFY(index >= 0);
        w->cmbprinters->setCurrentIndex(index);
        w->txtrepeat->setText(QStringLiteral("3"));
        w->txtvspace->setText(QStringLiteral("5"));
        const QStringList before = queue.pdfsNow();
        w->Command13_Click();
        w->Command14_Click();
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
