// The window's labels dialog: a list, a product found by search, a clicked start, the PDF it
// saves read back label by label, and each printer's remembered correction.
#include "PdfQueue.h"
#include "RecordingMessages.h"
#include "RecordingSaveDialog.h"
#include "TestSupport.h"
#include "ZplReader.h"
#include "app/LabelsDialog.h"
#include "app/MainWindow.h"
#include "labels/PrinterCorrections.h"
#include "labels/Sheet.h"
#include "labels/SheetPainter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QString kPrinter = QStringLiteral("Desk Test Label Printer");

} // namespace

class TestLabelsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingMessages messages_;
    RecordingDialog saveDialog_;

    QString listOf(const QByteArray& text) {
        QFile file(dir_.filePath(QStringLiteral("products.csv")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return {};
        return file.fileName();
    }

    std::unique_ptr<LabelsDialog> dialog(const QString& printer = {}) {
        messages_.shown.clear();
        LabelsDialogOptions options;
        options.messages = &messages_;
        options.saveDialog = &saveDialog_;
        options.printers = QStringList{kPrinter};
        options.printer = printer;
        return std::make_unique<LabelsDialog>(options);
    }

    // Chooses the list, the product by a search and the start by a click on the sheet.
    static void choose(LabelsDialog& d, const QString& list, const QString& search,
                       const QString& product, const QString& type, int start) {
        d.setListFile(list);
        d.header->setChecked(true);
        d.column->setCurrentText(QStringLiteral("code"));
        d.type->setCurrentText(type);
        d.templateSearch->setText(search);
        const auto items = d.templates->findItems(product + u' ', Qt::MatchStartsWith);
        QVERIFY(!items.isEmpty());
        d.templates->setCurrentItem(items.front());
        QCOMPARE(d.chosenTemplate()->name(), product);
        d.sheetMap->resize(240, 320);
        QTest::mouseClick(d.sheetMap, Qt::LeftButton, {},
                          d.sheetMap->labelRect(start).center().toPoint());
        QCOMPARE(d.start(), start);
    }

    // Every row's code read on its own label, centred within 0.2 mm as the correction puts it;
    // text lines under the symbol may lift it.
    static void checkPdf(const QString& pdf, const Labels::LabelTemplate& label,
                         const Labels::Calibration& calibration, const QString& type, int rows,
                         int start, bool textUnder) {
        QTemporaryDir pages;
        runProgram(QStringLiteral(PDFTOPPM_EXECUTABLE),
                   {"-r", "600", "-gray", "-png", pdf, pages.filePath(QStringLiteral("p"))});
        const QStringList files =
            QDir(pages.path()).entryList({"p-*.png"}, QDir::Files, QDir::Name);
        const Labels::Sheet sheet(label, calibration);
        QCOMPARE(files.size(), int(sheet.place(rows - 1, start).page + 1));
        constexpr double kPixelsPerPoint = 600.0 / 72, kMmPerPixel = 25.4 / 600;
        QImage page;
        for (int n = 0; n < rows; ++n) {
            const Labels::Sheet::Place place = sheet.place(n, start);
            if (n == 0 || place.page != sheet.place(n - 1, start).page)
                page = QImage(pages.filePath(files[place.page]));
            const QRectF pixels(place.label.topLeft() * kPixelsPerPoint,
                                place.label.size() * kPixelsPerPoint);
            const QRect crop = pixels.toAlignedRect();
            const QString cropPath = pages.filePath(QStringLiteral("label.png"));
            QVERIFY(page.copy(crop).save(cropPath));
            const QList<ZxingSymbol> found = zxingSymbols({"-noscale", cropPath});
            QVERIFY2(found.size() == 1,
                     qPrintable(QStringLiteral("row %1: %2 symbols").arg(n + 1).arg(found.size())));
            QCOMPARE(found[0].text, rowCode(type, n + 1));
            const QPointF miss =
                (found[0].centre + QPointF(0.5, 0.5) + crop.topLeft() - pixels.center()) *
                kMmPerPixel;
            const double lifted = textUnder ? -place.label.height() / 2 / Labels::kPointsPerMm : 0;
            QVERIFY2(qAbs(miss.x()) <= 0.2 && miss.y() >= lifted - 0.2 && miss.y() <= 0.2,
                     qPrintable(QStringLiteral("row %1 is %2, %3 mm off its label's centre")
                                    .arg(n + 1)
                                    .arg(miss.x())
                                    .arg(miss.y())));
        }
    }

  private slots:
    void initTestCase() {
        // The remembered corrections stay in this run's own folder.
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        QImageReader::setAllocationLimit(512); // a page at 600 dpi
    }

    void savesThePdfOfTheChosenSheet_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::newRow("EAN-13 on L7160 from label 5") << "l7160"
                                                      << "Avery L7160"
                                                      << "EAN13" << 4 << 5;
        QTest::newRow("Code 128 on 5160, over two sheets") << "5160 address"
                                                           << "Avery 5160"
                                                           << "128/n" << 5 << 28;
        QTest::newRow("QR Code, libzint's") << "L7160"
                                            << "Avery L7160"
                                            << "QR" << 3 << 20;
    }
    void savesThePdfOfTheChosenSheet() {
        QFETCH(QString, search);
        QFETCH(QString, product);
        QFETCH(QString, type);
        QFETCH(int, rows);
        QFETCH(int, start);
        QByteArray list = "code,name\n";
        for (int row = 1; row <= rows; ++row)
            list += (rowCode(type, row) + QStringLiteral(",Item %1\n").arg(row)).toUtf8();
        const auto d = dialog();
        choose(*d, listOf(list), search, product, type, start);
        QVERIFY(!d->preview().isNull());
        if (const QByteArray shot = qgetenv("LABELS_DIALOG_SCREENSHOT");
            !shot.isEmpty() && rows == 4) {
            d->resize(d->sizeHint().expandedTo(QSize(1100, 640)));
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d.get()));
            QVERIFY(d->grab().save(QString::fromLocal8Bit(shot)));
        }
        saveDialog_.answer = dir_.filePath(QStringLiteral("sheet.pdf"));
        QFile::remove(saveDialog_.answer);
        d->savePdfButton->click();
        QVERIFY2(messages_.shown.isEmpty(), qPrintable(messages_.shown.value(0).text));
        // The run summed up as the labels command sums it up.
        QVERIFY2(d->status->text().endsWith(QStringLiteral("; scan check: %1 A.").arg(rows)),
                 qPrintable(d->status->text()));
        checkPdf(saveDialog_.answer, *d->chosenTemplate(), {}, type, rows, start, true);
    }

    // A first row without a code the type takes, above rows that each have one, is the header.
    void takesAHeaderLikeFirstRowAsTheHeader_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("header");
        QTest::newRow("1 names over codes")
            << "EAN13" << QByteArray("code,name\n4006381333931,Tea\n5901234123457,Jam\n") << true;
        QTest::newRow("2 codes from the first row")
            << "EAN13" << QByteArray("4006381333931,Tea\n5901234123457,Jam\n") << false;
        QTest::newRow("3 a later row without a code")
            << "EAN13" << QByteArray("code,name\n4006381333931,Tea\nsoon,Jam\n") << false;
        QTest::newRow("4 one row alone") << "EAN13" << QByteArray("code,name\n") << false;
        // Code 128 takes "code" as a code: nothing tells the header apart.
        QTest::newRow("5 a type that takes any text")
            << "128/n" << QByteArray("code,name\nA-1,Tea\n") << false;
    }
    void takesAHeaderLikeFirstRowAsTheHeader() {
        QFETCH(QString, type);
        QFETCH(QByteArray, list);
        QFETCH(bool, header);
        const auto d = dialog();
        d->type->setCurrentText(type);
        d->setListFile(listOf(list));
        QCOMPARE(d->header->isChecked(), header);
        QCOMPARE(d->column->itemText(0),
                 header ? QStringLiteral("code") : QStringLiteral("Column 1"));
        // What the user ticks stays until another list is chosen.
        d->header->setChecked(!header);
        d->listPath->editingFinished();
        QCOMPARE(d->header->isChecked(), !header);
    }

    // At the size it asks for, a product's name, size and count and a file's name show whole.
    void leftColumnShowsNamesWhole() {
        const auto d = dialog();
        d->templateSearch->setText(QStringLiteral("L7160"));
        const auto items =
            d->templates->findItems(QStringLiteral("Avery L7160 "), Qt::MatchStartsWith);
        QVERIFY(!items.isEmpty());
        d->resize(d->sizeHint());
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        const QString product = items.front()->text().section(QStringLiteral(", "), 0, 1);
        QVERIFY2(d->templates->fontMetrics().horizontalAdvance(product) <
                     d->templates->viewport()->width(),
                 qPrintable(product));
        QVERIFY(d->listPath->fontMetrics().horizontalAdvance(QStringLiteral(
                    "/home/shop/Documents/products-2026-12.csv")) < d->listPath->width());
    }

    void showsAndUsesThePrintersRememberedCorrection() {
        // As a job printed on it left it (a printer that is not there takes none).
        Labels::RememberedCalibrations().remember(kPrinter, {2, -1.5, 1.01, 0.99});
        const auto d = dialog(kPrinter);
        QCOMPARE(d->printer->currentText(), kPrinter);
        QCOMPARE(d->offsetX->value(), 2.0);
        QCOMPARE(d->offsetY->value(), -1.5);
        QCOMPARE(d->scaleX->value(), 1.01);
        QCOMPARE(d->scaleY->value(), 0.99);
        d->printer->setCurrentIndex(0); // no printer: no correction
        QCOMPARE(d->calibration().offsetXMm, 0.0);
        d->printer->setCurrentText(kPrinter);
        QCOMPARE(d->calibration().offsetYMm, -1.5);

        QByteArray list = "code,name\n";
        for (int row = 1; row <= 3; ++row)
            list += rowCode("128/n", row).toUtf8() + ",\n";
        choose(*d, listOf(list), "L7160", "Avery L7160", "128/n", 1);
        saveDialog_.answer = dir_.filePath(QStringLiteral("corrected.pdf"));
        d->savePdfButton->click();
        QVERIFY2(messages_.shown.isEmpty(), qPrintable(messages_.shown.value(0).text));
        checkPdf(saveDialog_.answer, *d->chosenTemplate(), {2, -1.5, 1.01, 0.99}, "128/n", 3, 1,
                 false);

        // The printer is not there: said so, and nothing printed.
        d->printButton->click();
        QCOMPARE(messages_.shown.size(), 1);
        QCOMPARE(messages_.shown[0].text, QStringLiteral("No printer named %1.").arg(kPrinter));
    }

    // Through the CUPS PDF printer: the sheet prints where the correction puts it, and the
    // correction printed with is the printer's from then on.
    void printsAndRemembersTheCorrection() {
        PdfQueue queue;
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        QByteArray list = "code\n";
        for (int row = 1; row <= 4; ++row)
            list += rowCode("128/n", row).toUtf8() + "\n";
        const QStringList before = queue.pdfsNow();
        Labels::LabelTemplate label;
        {
            const auto d = dialog();
            d->printer->addItem(kQueue, kQueue);
            d->printer->setCurrentText(kQueue);
            choose(*d, listOf(list), "L7160", "Avery L7160", "128/n", 3);
            label = *d->chosenTemplate();
            d->offsetX->setValue(-1);
            d->offsetY->setValue(0.5);
            d->printButton->click();
            QVERIFY2(messages_.shown.isEmpty(), qPrintable(messages_.shown.value(0).text));
        }
        const QString pdf = queue.awaitNewPdf(before);
        QVERIFY2(!pdf.isEmpty(), "the queue wrote no PDF");
        const auto d = dialog();
        d->printer->addItem(kQueue, kQueue);
        d->printer->setCurrentText(kQueue);
        QCOMPARE(d->calibration().offsetXMm, -1.0);
        QCOMPARE(d->calibration().offsetYMm, 0.5);
        checkPdf(pdf, label, {-1, 0.5, 1, 1}, "128/n", 4, 3, false);
    }

    // A roll two labels across, previewed as a strip of rows, printed as ZPL on a thermal
    // printer's port (a loopback one here) with the resolution and darkness chosen.
    void printsRollLabelsOnAZplPrinter() {
        QTcpServer port;
        QVERIFY(port.listen(QHostAddress::LocalHost));
        auto d = dialog();
        d->setListFile(listOf("code,name\n" + rowCode("EAN13", 1).toUtf8() + ",One\n" +
                              rowCode("EAN13", 2).toUtf8() + ",Two\n" +
                              rowCode("EAN13", 3).toUtf8() + ",Three\n"));
        d->header->setChecked(true);
        d->column->setCurrentText(QStringLiteral("code"));
        d->type->setCurrentText(QStringLiteral("EAN13"));
        d->printer->setCurrentIndex(d->printer->count() - 1);
        d->printButton->click();
        QCOMPARE(messages_.shown.size(), 1);
        QVERIFY2(messages_.shown[0].text.contains(QStringLiteral("prints roll labels")),
                 qPrintable(messages_.shown[0].text));
        d->rollLabel->setChecked(true);
        d->rollAcross->setValue(2);
        QCOMPARE(d->chosenTemplate()->labelsPerSheet(), 2);
        // Three rows of 30 mm with 3 mm gaps, 102 mm across, 360 pixels wide.
        QCOMPARE(d->preview().size(), QSize(360, 339));
        d->zplPrinter->setText(QStringLiteral("socket://127.0.0.1:%1").arg(port.serverPort()));
        d->zplDots->setCurrentIndex(d->zplDots->findData(300));
        d->darkness->setValue(15);
        messages_.shown.clear();
        d->printButton->click();
        QVERIFY2(messages_.shown.isEmpty(), qPrintable(messages_.shown.value(0).text));
        QVERIFY(d->status->text().startsWith(QStringLiteral("3 labels on 2 rows written to")));
        QVERIFY(port.waitForNewConnection(10000));
        QTcpSocket* printer = port.nextPendingConnection();
        QByteArray stream;
        while (printer->state() == QAbstractSocket::ConnectedState &&
               printer->waitForReadyRead(2000))
            stream += printer->readAll();
        stream += printer->readAll();
        const ZplReader::Stream read = ZplReader::read(stream);
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.tildeCommands, QStringList{"~SD15"});
        QCOMPARE(read.formats.size(), 3); // the set-up, then a format per row
        QCOMPARE(read.formats[1].settings.value("PW"), QStringLiteral("1205"));
        QCOMPARE(read.formats[1].fieldsOf("BE").size(), 2);
        QCOMPARE(read.formats[2].fieldsOf("BE").size(), 1);
        QCOMPARE(read.formats[2].fieldsOf("BE")[0].data, rowCode("EAN13", 3).left(12));
    }

    void theWindowsLabelsButtonOpensTheDialog() {
        const auto w = std::make_unique<MainWindow>(
            MainWindowOptions{dir_.path(), dir_.filePath(QStringLiteral("settings.bin")),
                              &messages_, dir_.filePath(QStringLiteral("no-port")), &saveDialog_,
                              dir_.filePath(QStringLiteral("prefs.conf"))});
        w->show();
        w->typeCombo->setCurrentText(QStringLiteral("EAN13")); // the dialog starts with it
        w->showPrintPanel(); // the print panel, where sheets of labels are printed too
        QVERIFY(w->labelsButton->isVisible());
        QVERIFY(w->printPanel->rect().contains(w->labelsButton->geometry()));
        for (const QWidget* other : w->printPanel->findChildren<QWidget*>())
            if (other != w->labelsButton && other->parentWidget() == w->printPanel)
                QVERIFY2(!other->geometry().intersects(w->labelsButton->geometry()),
                         qPrintable(other->objectName() + other->property("text").toString()));
        w->labelsButton->click();
        QVERIFY(w->labelsDialog && w->labelsDialog->isVisible());
        QVERIFY(w->labelsDialog->templates->count() > 1000);
        QCOMPARE(w->labelsDialog->type->currentText(), QStringLiteral("EAN13"));
    }

    // A design opened in the dialog brings its template and list; the preview and the PDF
    // show its objects, each barcode the row's.
    void opensADesign() {
        const QString list = listOf("code,name\nLBL001,One\nLBL002,Two\n");
        QFile layout(dir_.filePath(QStringLiteral("shelf.layout")));
        QVERIFY(layout.open(QIODevice::WriteOnly));
        layout.write("template \"Avery L7160\"\nlist \"products.csv\" header\n"
                     "text \"${name}\" x=3 y=0.5 size=7\n"
                     "barcode 128/n \"${code}\" x=2.25 y=4 w=59.5 h=30.1\n");
        layout.close();
        const auto d = dialog();
        d->setDesignFile(layout.fileName());
        QVERIFY(d->chosenTemplate());
        QCOMPARE(d->chosenTemplate()->name(), QStringLiteral("Avery L7160"));
        QCOMPARE(d->listPath->text(), list);
        QVERIFY(d->header->isChecked() && !d->type->isEnabled());
        QCOMPARE(d->status->text(), QStringLiteral("2 labels on the first page."));
        QVERIFY(!d->preview().isNull());
        saveDialog_.answer = dir_.filePath(QStringLiteral("design.pdf"));
        QFile::remove(saveDialog_.answer);
        d->savePdfButton->click();
        QVERIFY2(messages_.shown.isEmpty(), qPrintable(d->status->text()));
        // ZXingReader reports a linear symbol's row where it read it: across only.
        checkPdf(saveDialog_.answer, *d->chosenTemplate(), {}, QStringLiteral("128/n"), 2, 1, true);

        // On a roll, saved as ZPL: each row's name in the printer's font, its code as ^BC.
        d->rollLabel->setChecked(true);
        saveDialog_.answer = dir_.filePath(QStringLiteral("design.zpl"));
        d->savePdfButton->click();
        QVERIFY2(messages_.shown.isEmpty(), qPrintable(d->status->text()));
        QCOMPARE(saveDialog_.filters.size(), 2);
        QFile zpl(saveDialog_.answer);
        QVERIFY(zpl.open(QIODevice::ReadOnly));
        const ZplReader::Stream read = ZplReader::read(zpl.readAll());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.formats.size(), 3);
        for (int row = 1; row <= 2; ++row) {
            QCOMPARE(read.formats[row].fieldsOf("A0").value(0).data,
                     row == 1 ? QStringLiteral("One") : QStringLiteral("Two"));
            QCOMPARE(read.formats[row].fieldsOf("BC").value(0).data,
                     QStringLiteral(">:LBL00%1").arg(row));
        }
        d->rollLabel->setChecked(false);

        d->setDesignFile(dir_.filePath(QStringLiteral("products.csv")));
        QCOMPARE(messages_.shown.size(), 1);
        QVERIFY2(messages_.shown[0].text.contains("line 1: 'code,name' is none of template"),
                 qPrintable(messages_.shown[0].text));
    }

    void badInputIsExplainedAndNothingSaved_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("said");
        QTest::newRow("unreadable") << QByteArray() << "128/n"
                                    << "Cannot read";
        QTest::newRow("empty") << QByteArray("code\n") << "128/n"
                               << "The list has no rows.";
        QTest::newRow("every refused row")
            << QByteArray("code\n4006381333931\n12AB\n\n99\n") << "EAN13"
            << "row 3: EAN-13 takes digits only, not '12AB'\nrow 5: EAN-13 takes 12 digits";
        QTest::newRow("quote never ends") << QByteArray("code\n\"A,B\n") << "128/n"
                                          << "row 2";
    }
    void badInputIsExplainedAndNothingSaved() {
        QFETCH(QByteArray, list);
        QFETCH(QString, type);
        QFETCH(QString, said);
        const auto d = dialog();
        const QString path =
            list.isNull() ? dir_.filePath(QStringLiteral("missing.csv")) : listOf(list);
        choose(*d, path, "L7160", "Avery L7160", type, 1);
        saveDialog_.answer = dir_.filePath(QStringLiteral("never.pdf"));
        d->savePdfButton->click();
        QCOMPARE(messages_.shown.size(), 1);
        QVERIFY2(messages_.shown[0].text.contains(said), qPrintable(messages_.shown[0].text));
        QVERIFY(!QFile::exists(saveDialog_.answer));
    }
};

QTEST_MAIN(TestLabelsDialog)
#include "test_labels_dialog.moc"
