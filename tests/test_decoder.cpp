#include "decode/Code39RowReader.h"
#include "render/Code39Painter.h"
#include "render/DrawingSurface.h"
#include "symbology/Code39.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <climits>

using Code39RowReader::FailureShown;

namespace {

// Readings as the reader window shows them, failures by their reason.
QString decodeRow(const PixelSource& picture, int x, int y) {
    return Code39RowReader::shownText(Code39RowReader::decodeRow(picture, x, y),
                                      FailureShown::Reason);
}

QString readBarcode(const PixelSource& picture, int x, int y, int tries,
                    FailureShown shown = FailureShown::Reason) {
    return Code39RowReader::shownText(Code39RowReader::readBarcode(picture, x, y, tries), shown);
}

// A Code 39 symbol at one pixel per module, as the renderer draws it.
QImage rendered(const QString& text, bool caption = false) {
    DrawingSurface s(6015, 2775);
    Code39Painter::drawCode39(s, 10, text, false, caption);
    return s.image();
}

// The image stretched by `factor` both ways, nearest-neighbour, on a white surface.
DrawingSurface stretched(const QImage& image, double factor) {
    const double w = std::round(image.width() * factor), h = std::round(image.height() * factor);
    DrawingSurface s(w * 15 + 600, h * 15 + 600);
    s.setUnits(DrawingSurface::Unit::Pixels);
    s.clearAndDrawStretched(image, 0, 0, w, h, 0, 0, image.width(), image.height());
    return s;
}

// A one-row picture of runs: dark first, then alternating, after `margin` white pixels.
ImagePixels runs(const QList<int>& widths, int margin = 10, int quiet = 40,
                 QRgb dark = qRgb(0, 0, 0)) {
    int total = margin + quiet;
    for (int w : widths)
        total += w;
    QImage image(total, 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    int x = margin;
    for (qsizetype i = 0; i < widths.size(); ++i) {
        for (int k = 0; k < widths[i]; ++k, ++x)
            if (i % 2 == 0) image.setPixel(x, 0, dark);
    }
    return ImagePixels(image);
}

// Run widths of characters given as element strings ("1" wide), narrow 2 and wide 5 pixels,
// each followed by a gap of `gap` pixels.
QList<int> elements(const QStringList& characters, int gap = 2) {
    QList<int> widths;
    for (const QString& c : characters) {
        for (QChar e : c)
            widths << (e == u'1' ? 5 : 2);
        widths << gap;
    }
    widths.removeLast();
    return widths;
}

const QString kStarElements = QStringLiteral("010010100");
const QString kAElements = QStringLiteral("100001001");

} // namespace

class TestDecoder : public QObject {
    Q_OBJECT
  private slots:
    void everyCharacterRoundTrips_data() {
        QTest::addColumn<double>("factor");
        QTest::newRow("x2") << 2.0;
        QTest::newRow("x2.5") << 2.5;
        QTest::newRow("x3") << 3.0;
        QTest::newRow("x3.7") << 3.7;
        QTest::newRow("x4") << 4.0;
        QTest::newRow("x5.9") << 5.9;
    }
    void everyCharacterRoundTrips() {
        QFETCH(double, factor);
        const QString all = Code39::Code39Chars.left(43);
        for (const QString& text :
             {all.left(22), all.mid(22), QStringLiteral("HELLO-1"), QString()}) {
            const DrawingSurface s = stretched(rendered(text), factor);
            QCOMPARE(readBarcode(s, 0, static_cast<int>(50 * factor), 1), text);
        }
    }

    void captionedSymbolReadsAlongTheBars() {
        const DrawingSurface s = stretched(rendered(QStringLiteral("CODE 39"), true), 3);
        QCOMPARE(readBarcode(s, 0, 100, 1), QStringLiteral("CODE 39"));
        // the caption row holds no barcode
        QVERIFY(readBarcode(s, 0, s.pixelHeight() - 20, 1).startsWith(QStringLiteral("ERR:")));
    }

    void firstBarMustBeWithinReach() {
        DrawingSurface s(6000, 3000);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.drawPicture(stretched(rendered(QStringLiteral("AB")), 2).image(), 100, 0);
        const int firstBar = 100 + 24;
        QCOMPARE(decodeRow(s, firstBar - 75, 50), QStringLiteral("AB"));
        QCOMPARE(decodeRow(s, firstBar - 76, 50), QStringLiteral("ERR: BC not seen"));
        // the pixel at x itself is never examined, so starting on the first bar misses it
        QCOMPARE(decodeRow(s, firstBar + 1, 50).left(4), QStringLiteral("ERR:"));
    }

    void notSeen_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<QRgb>("dark");
        QTest::newRow("row without black") << 0 << qRgb(0, 0, 0);
        QTest::newRow("below the picture") << 100000 << qRgb(0, 0, 0);
        QTest::newRow("dark grey bars") << 50 << qRgb(40, 40, 40);
    }
    void notSeen() {
        QFETCH(int, y);
        QFETCH(QRgb, dark);
        QImage image = stretched(rendered(QStringLiteral("AB")), 2).image();
        for (int yy = 0; yy < image.height(); ++yy)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, yy) & 0xFFFFFF) == 0) image.setPixel(x, yy, dark);
        QCOMPARE(decodeRow(ImagePixels(image), 0, y), QStringLiteral("ERR: BC not seen"));
        QCOMPARE(decodeRow(ImagePixels(QImage()), 0, 0), QStringLiteral("ERR: BC not seen"));
    }

    void notReadable() {
        QCOMPARE(decodeRow(runs({3, 3, 3, 6, 3}), 0, 0), QStringLiteral("ERR: BC not readable"));
        QCOMPARE(decodeRow(runs({3, 3, 6, 3, 3}), 0, 0), QStringLiteral("ERR: BC not readable"));
        QCOMPARE(decodeRow(runs({3}), 0, 0), QStringLiteral("ERR: BC not readable"));
    }

    void parity() {
        QCOMPARE(decodeRow(runs(elements({kStarElements}) << 2 << 5), 0, 0),
                 QStringLiteral("ERR: BC parity"));
    }

    void wideGapsAreUnrecognized() {
        const QList<int> widths = elements({kStarElements, kAElements, kStarElements}, 5);
        QCOMPARE(decodeRow(runs(widths), 0, 0), QStringLiteral("ERR: BC unrecognized"));
        QCOMPARE(decodeRow(runs(elements({kStarElements, kAElements, kStarElements})), 0, 0),
                 QStringLiteral("A"));
    }

    void invalidWithoutStartAndStop() {
        QCOMPARE(decodeRow(runs(elements({kAElements, kAElements})), 0, 0),
                 QStringLiteral("ERR: BC invalid"));
        QCOMPARE(decodeRow(runs(elements({kStarElements, kAElements})), 0, 0),
                 QStringLiteral("ERR: BC invalid"));
        QCOMPARE(decodeRow(runs(elements({kStarElements})), 0, 0),
                 QStringLiteral("ERR: BC invalid"));
        QCOMPARE(decodeRow(runs(elements({kStarElements, kStarElements})), 0, 0), QString());
    }

    void symbolTouchingTheRightEdgeStillReads() {
        const QImage image = stretched(rendered(QStringLiteral("EDGE")), 3).image();
        const int lastBar = 3 * (13 * 6 + 10) + 2;
        const ImagePixels cropped(image.copy(0, 0, lastBar + 1, image.height()));
        QCOMPARE(decodeRow(cropped, 0, 60), QStringLiteral("EDGE"));
    }

    void upsideDownDoesNotDecode() {
        const QImage image = stretched(rendered(QStringLiteral("ROT8")), 3).image();
        const QString result = decodeRow(ImagePixels(image.mirrored(true, true)), 0, 100);
        QVERIFY2(result == u"ERR: BC unrecognized" || result == u"ERR: BC invalid",
                 qPrintable(result));
    }

    void triesAreClampedToOneToTwelveRows_data() {
        QTest::addColumn<int>("tries");
        QTest::addColumn<int>("barcodeRow"); // the only row holding a barcode, below y = 0
        QTest::addColumn<bool>("found");
        QTest::newRow("0 reads one row") << 0 << 0 << true;
        QTest::newRow("0 reads only one") << 0 << 1 << false;
        QTest::newRow("5 reaches row 4") << 5 << 4 << true;
        QTest::newRow("5 not row 5") << 5 << 5 << false;
        QTest::newRow("20 reaches row 11") << 20 << 11 << true;
        QTest::newRow("20 stops at 12 rows") << 20 << 12 << false;
    }
    void triesAreClampedToOneToTwelveRows() {
        QFETCH(int, tries);
        QFETCH(int, barcodeRow);
        QFETCH(bool, found);
        const QImage row = stretched(rendered(QStringLiteral("T")), 2).image().copy(0, 50, 200, 1);
        QImage image(200, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter(&image).drawImage(0, barcodeRow, row);
        const QString result = readBarcode(ImagePixels(image), 0, 0, tries);
        QCOMPARE(result, found ? QStringLiteral("T") : QStringLiteral("ERR: BC not seen"));
    }

    void modesDecideWhatAFailureReturns() {
        QImage white(50, 5, QImage::Format_RGB32);
        white.fill(Qt::white);
        const ImagePixels empty(white);
        QCOMPARE(readBarcode(empty, 0, 0, 3, FailureShown::Nothing), QString());
        QCOMPARE(readBarcode(empty, 0, 0, 3, FailureShown::Error), QStringLiteral("Error"));
        QCOMPARE(readBarcode(empty, 0, 0, 3), QStringLiteral("ERR: BC not seen"));
        const DrawingSurface s = stretched(rendered(QStringLiteral("OK")), 2);
        QCOMPARE(readBarcode(s, 0, 50, 1, FailureShown::Nothing), QStringLiteral("OK"));
        QCOMPARE(readBarcode(s, 0, 50, 1, FailureShown::Error), QStringLiteral("OK"));
    }

    void anyPictureAndAnyStartPointIsSafe() {
        QRandomGenerator random(39);
        for (int round = 0; round < 200; ++round) {
            QImage image(random.bounded(1, 300), random.bounded(1, 4), QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y,
                                   random.bounded(3) == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            const QString result = readBarcode(ImagePixels(image), random.bounded(-80, 20), 0, 12);
            if (result.startsWith(QStringLiteral("ERR:"))) continue;
            for (QChar c : result)
                QVERIFY(Code39::Code39Chars.contains(c));
        }
        const DrawingSurface s = stretched(rendered(QStringLiteral("X")), 2);
        for (int x : {INT_MIN, INT_MIN + 1, INT_MAX - 1, INT_MAX})
            for (int y : {INT_MIN, 0, 50, INT_MAX})
                QVERIFY(readBarcode(s, x, y, 12).startsWith(QStringLiteral("ERR:")));
    }
};

QTEST_MAIN(TestDecoder)
#include "test_decoder.moc"
