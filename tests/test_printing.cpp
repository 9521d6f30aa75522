#include "PdfQueue.h"
#include "output/Printing.h"
#include "render/Code39Painter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr double kPictureHeightTwips = 2655; // the output picture, 177 pixels

// A Code 39 symbol stretched three times into an output picture of 425 x 177 pixels.
QImage code39Picture(const QString& text) {
    DrawingSurface work(6015, 2775);
    Code39Painter::drawCode39(work, 10, text, false, false);
    DrawingSurface outputPicture(6375, kPictureHeightTwips);
    outputPicture.clearAndDrawStretched(work.image(), 0, 0, work.widthTwips() * 3,
                                        work.heightTwips() * 3, 0, 0, work.widthTwips(),
                                        work.heightTwips());
    return outputPicture.image();
}

} // namespace

char* toString(const CopyPlacement& placement) {
    return QTest::toString(
        QStringLiteral("page %1 at %2 twips").arg(placement.page).arg(placement.topTwips));
}

class TestPrinting : public QObject {
    Q_OBJECT
    PdfQueue queue;

    QString printAndAwait(const QImage& picture, int copies, double spacing) {
        CurrentPrinter printer;
        if (!printer.select(kQueue)) return {};
        const QStringList before = queue.pdfsNow();
        QString failure;
        if (!PrintCopies(printer, picture, copies, spacing, kPictureHeightTwips, &failure)) {
            qWarning() << "printing failed:" << failure;
            return {};
        }
        return queue.awaitNewPdf(before);
    }

    // The printable height of the queue's default page, in twips.
    static double pageHeightTwips() {
        QPrinter printer(QPrinterInfo::printerInfo(kQueue), QPrinter::HighResolution);
        return printer.pageRect(QPrinter::DevicePixel).height() / printer.resolution() * 1440;
    }

  private slots:
    void copyOffsetsStepBySpacingAndHeight() {
        QCOMPARE(copyOffsets(3, 5, 2000), (QList<double>{0, 2045, 4090}));
        QCOMPARE(copyOffsets(1, 50, 2655), QList<double>{0});
        QCOMPARE(copyOffsets(0, 5, 2000), QList<double>{});
        // Single precision, as the positions always were: 0.1 twip is not kept exactly.
        const QList<double> fine = copyOffsets(2, 0, 0.1);
        QCOMPARE(fine[1], static_cast<double>(0.1f));
        QVERIFY(fine[1] != 0.1);
    }

    void copiesThatDoNotFitStartANewPage_data() {
        QTest::addColumn<int>("copies");
        QTest::addColumn<double>("pictureHeight");
        QTest::addColumn<double>("pageHeight");
        QTest::addColumn<QList<CopyPlacement>>("placements");
        // Step 2045 twips (spacing 5, height 2000).
        QTest::newRow("third copy overflows")
            << 5 << 2000.0 << 6000.0
            << QList<CopyPlacement>{{0, 0}, {0, 2045}, {1, 0}, {1, 2045}, {2, 0}};
        QTest::newRow("exact fit stays")
            << 4 << 2000.0 << 6090.0 << QList<CopyPlacement>{{0, 0}, {0, 2045}, {0, 4090}, {1, 0}};
        QTest::newRow("all on one page")
            << 2 << 2000.0 << 15000.0 << QList<CopyPlacement>{{0, 0}, {0, 2045}};
        QTest::newRow("taller than a page")
            << 3 << 7000.0 << 6000.0 << QList<CopyPlacement>{{0, 0}, {1, 0}, {2, 0}};
    }
    void copiesThatDoNotFitStartANewPage() {
        QFETCH(int, copies);
        QFETCH(double, pictureHeight);
        QFETCH(double, pageHeight);
        QFETCH(QList<CopyPlacement>, placements);
        QCOMPARE(placeCopies(copies, 5, 2000, pictureHeight, pageHeight), placements);
    }

    void repeatNumberLimits_data() {
        QTest::addColumn<double>("n");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("copies");
        const QString tooFew =
            QStringLiteral("Please set the repeat number to a valid value (1 or more).");
        const QString tooMany =
            QStringLiteral("Please set the repeat number to a valid value (1 to 9999).");
        QTest::newRow("0") << 0.0 << tooFew << 0;
        QTest::newRow("-2") << -2.0 << tooFew << 0;
        QTest::newRow("0.5") << 0.5 << tooFew << 0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << tooFew << 0;
        QTest::newRow("1") << 1.0 << QString() << 1;
        QTest::newRow("2.7") << 2.7 << QString() << 2;
        QTest::newRow("9999") << 9999.0 << QString() << 9999;
        QTest::newRow("9999.5") << 9999.5 << tooMany << 0;
        QTest::newRow("10000") << 10000.0 << tooMany << 0;
    }
    void repeatNumberLimits() {
        QFETCH(double, n);
        QFETCH(QString, problem);
        QFETCH(int, copies);
        QCOMPARE(repeatProblem(n).value_or(QString()), problem);
        QCOMPARE(repeatCopies(n), copies);
    }

    void nothingIsPrintedWithoutPrinterPictureOrCopies() {
        const QImage picture = code39Picture(QStringLiteral("A"));
        QString failure;
        QVERIFY(!PrintCopies(CurrentPrinter(QPrinterInfo()), picture, 1, 5, 2655, &failure));
        QVERIFY(failure.contains(QStringLiteral("No printer")));
        const CurrentPrinter some(QPrinterInfo::printerInfo(kQueue));
        failure.clear();
        QVERIFY(!PrintCopies(some, QImage(), 1, 5, 2655, &failure));
        QVERIFY(!failure.isEmpty());
        failure.clear();
        QVERIFY(!PrintCopies(some, picture, 0, 5, 2655, &failure));
        QVERIFY(!failure.isEmpty());
    }

    void selectingAnUnknownPrinterKeepsTheCurrentOne() {
        CurrentPrinter none{QPrinterInfo()};
        QVERIFY(!none.select(QStringLiteral("No Such Printer 7f3a")));
        QVERIFY(!none.isSet());
        if (QPrinterInfo::printerInfo(kQueue).isNull()) QSKIP("no CUPS queue BarcodeDesk-PDF");
        CurrentPrinter printer;
        QVERIFY(printer.select(kQueue));
        QCOMPARE(printer.name(), kQueue);
        QVERIFY(!printer.select(QStringLiteral("No Such Printer 7f3a")));
        QVERIFY(!printer.select(kQueue.toLower())); // names match in their exact case
        QCOMPARE(printer.name(), kQueue);
        QVERIFY(printer.isSet());
    }

    void startsWithTheSystemDefault() {
        QCOMPARE(CurrentPrinter().name(), QPrinterInfo::defaultPrinter().printerName());
    }

    void threeCopiesPrintOnePageDownwards() {
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        const QString pdf = printAndAwait(code39Picture(QStringLiteral("DESK-39")), 3, 5);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        QCOMPARE(PdfQueue::pageCount(pdf), 1);
        const QStringList pages = queue.renderPages(pdf);
        QCOMPARE(pages.size(), 1);
        const PageReading reading = queue.readPage(pages.first());
        QCOMPARE(reading.symbols, QStringList(3, QStringLiteral("CODE-39:DESK-39")));
        // Copies lie (5 x 9 + 2655) twips apart: 281.25 pixels at 150 dots per inch.
        const double step = (5 * 9 + kPictureHeightTwips) / 1440 * kRenderDpi;
        for (int i = 1; i < reading.tops.size(); ++i)
            QVERIFY2(std::abs(reading.tops[i] - reading.tops[0] - i * step) <= 2,
                     qPrintable(QStringLiteral("copy %1 at %2").arg(i).arg(reading.tops[i])));
    }

    void pictureKeepsItsNaturalSize() {
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        const QImage picture = code39Picture(QStringLiteral("SIZE"));
        const QString pdf = printAndAwait(picture, 1, 0);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        const QImage page =
            QImage(queue.renderPages(pdf).value(0)).convertToFormat(QImage::Format_RGB32);
        // 96 pixels to the inch: the printed bars are as tall and as wide as on the screen.
        constexpr double kScale = kRenderDpi / 96.0;
        const QRect onScreen = darkArea(picture), printed = darkArea(page);
        QVERIFY(!onScreen.isEmpty());
        QVERIFY2(std::abs(printed.height() - onScreen.height() * kScale) <= 2,
                 qPrintable(QString::number(printed.height())));
        QVERIFY2(std::abs(printed.width() - onScreen.width() * kScale) <= 2,
                 qPrintable(QString::number(printed.width())));
    }

    void copiesBeyondOnePageGoOnTheNext() {
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        constexpr int copies = 12;
        const QString pdf = printAndAwait(code39Picture(QStringLiteral("PAGE")), copies, 50);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        const int expectedPages =
            placeCopies(copies, 50, kPictureHeightTwips, kPictureHeightTwips, pageHeightTwips())
                .last()
                .page +
            1;
        QVERIFY(expectedPages > 1);
        QCOMPARE(PdfQueue::pageCount(pdf), expectedPages);
        QStringList symbols;
        for (const QString& png : queue.renderPages(pdf))
            symbols += queue.readPage(png).symbols;
        QCOMPARE(symbols, QStringList(copies, QStringLiteral("CODE-39:PAGE")));
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
