#include "output/ClipboardCopy.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QtTest>

namespace {

constexpr double kOutputWidth = 6375;  // 425 pixels
constexpr double kOutputHeight = 2655; // 177 pixels

// Every pixel tells where it came from: red is the row, green and blue the column.
QRgb patternPixel(int x, int y) {
    return qRgb(y, x & 0xFF, 0x80 | (x >> 8));
}

DrawingSurface patternedOutputPicture() {
    QImage pattern(425, 177, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, patternPixel(x, y));
    DrawingSurface outputPicture(kOutputWidth, kOutputHeight);
    outputPicture.setUnits(DrawingSurface::Unit::Twips);
    outputPicture.drawPicture(pattern, 0, 0);
    return outputPicture;
}

QImage clipboardRgb() {
    return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
}

// The first pixel that breaks the row mapping, as text; empty when every pixel is right.
QString firstWrongPixel(const QImage& copy, const QImage& source, double H) {
    for (int y = 0; y < copy.height(); ++y) {
        const int row = H > 0 ? static_cast<int>(std::floor(y * H / (H + 140))) : source.height();
        for (int x = 0; x < copy.width(); ++x) {
            const bool inside = row < source.height() && x < source.width();
            const QRgb expected = inside ? source.pixel(x, row) : qRgb(255, 255, 255);
            if ((copy.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF))
                return QStringLiteral("(%1, %2)").arg(x).arg(y);
        }
    }
    return {};
}

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("probe"));
        if (clipboard->text() != QStringLiteral("probe"))
            QFAIL("the platform's clipboard keeps nothing");
    }

    void copyStretchesTheSlidersShare_data() {
        QTest::addColumn<int>("widthValue");
        QTest::addColumn<int>("heightValue");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("lastRowSource"); // the source row the copy's last row shows
        QTest::newRow("50/50, 150/160") << 50 << 150 << QSize(425, 175) << 164;
        QTest::newRow("50/50, 160/160") << 50 << 160 << QSize(425, 186) << 175;
        QTest::newRow("30/50, 80/160") << 30 << 80 << QSize(255, 98) << 87;
    }
    void copyStretchesTheSlidersShare() {
        QFETCH(int, widthValue);
        QFETCH(int, heightValue);
        QFETCH(QSize, size);
        QFETCH(int, lastRowSource);
        const DrawingSurface outputPicture = patternedOutputPicture();
        DrawingSurface workPicture(6015, 2775);
        const double W = widthValue / 50.0 * outputPicture.widthTwips();
        const double H = heightValue / 160.0 * outputPicture.heightTwips();

        CopyToClipboard(workPicture, outputPicture, W, H);
        const QImage copy = clipboardRgb();
        QCOMPARE(copy.size(), size);
        QCOMPARE(qRed(copy.pixel(0, 0)), 0);
        QCOMPARE(qRed(copy.pixel(0, size.height() - 1)), lastRowSource);
        QCOMPARE(copy.pixel(size.width() - 1, 0) & 0xFFFFFF,
                 patternPixel(size.width() - 1, 0) & 0xFFFFFF);
        QCOMPARE(firstWrongPixel(copy, outputPicture.image(), H), QString());

        // The work picture is left showing the copy, sized in twips as asked.
        QCOMPARE(workPicture.image(), copy);
        QCOMPARE(workPicture.widthTwips(), W);
        QCOMPARE(workPicture.heightTwips(), H + 140);
        QVERIFY(workPicture.fitsPicture());
    }

    void heightAtZeroCopiesWhiteRoom() {
        const DrawingSurface outputPicture = patternedOutputPicture();
        DrawingSurface workPicture(6015, 2775);
        CopyToClipboard(workPicture, outputPicture, outputPicture.widthTwips(), 0);
        const QImage copy = clipboardRgb();
        QCOMPARE(copy.size(), QSize(425, 9));
        QCOMPARE(firstWrongPixel(copy, outputPicture.image(), 0), QString());
    }

    void widerThanThePictureStaysWhiteBeyondIt() {
        const QImage copy = clipboardImage(patternedOutputPicture().image(), 7500, 2655);
        QCOMPARE(copy.size(), QSize(500, 186));
        QCOMPARE(copy.pixel(424, 0) & 0xFFFFFF, patternPixel(424, 0) & 0xFFFFFF);
        QCOMPARE(copy.pixel(425, 0) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(copy.pixel(499, 185) & 0xFFFFFF, 0xFFFFFFu);
    }

    void copyReplacesEverythingOnTheClipboard() {
        auto* other = new QMimeData;
        other->setText(QStringLiteral("earlier text"));
        other->setData(QStringLiteral("application/x-barcode-desk-test"), "x");
        QGuiApplication::clipboard()->setMimeData(other);

        const DrawingSurface outputPicture = patternedOutputPicture();
        DrawingSurface workPicture(6015, 2775);
        CopyToClipboard(workPicture, outputPicture, outputPicture.widthTwips(),
                        outputPicture.heightTwips());
        const QMimeData* held = QGuiApplication::clipboard()->mimeData();
        QVERIFY(held->hasImage());
        QVERIFY(!held->hasText());
        QVERIFY(!held->hasFormat(QStringLiteral("application/x-barcode-desk-test")));
    }

    void repeatedCopiesAreEqual() {
        const DrawingSurface outputPicture = patternedOutputPicture();
        DrawingSurface workPicture(6015, 2775);
        const double H = 150 / 160.0 * outputPicture.heightTwips();
        CopyToClipboard(workPicture, outputPicture, outputPicture.widthTwips(), H);
        const QImage first = clipboardRgb();
        CopyToClipboard(workPicture, outputPicture, outputPicture.widthTwips(), H);
        QCOMPARE(clipboardRgb(), first);
        QCOMPARE(first, clipboardImage(outputPicture.image(), outputPicture.widthTwips(), H));
    }
};

QTEST_MAIN(TestClipboard)
#include "test_clipboard.moc"
