#include "TestSupport.h"
#include "render/Code128Painter.h"
#include "symbology/Code128.h"
#include "symbology/RuntimeError.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

const QString kStartB = QStringLiteral("11010010000");
const QString kStartC = QStringLiteral("11010011100");
const QString kStop = QStringLiteral("1100011101011");

bool columnIsWhite(const QImage& image, int x) {
    for (int y = 0; y < image.height(); ++y)
        if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

} // namespace

class TestCode128 : public QObject {
    Q_OBJECT

  private slots:
    void values_data();
    void values();
    void symbolCount_data();
    void symbolCount();
    void countHoldsEverySymbol();
    void emptyTextDrawsReadableSymbol();
    void digitRunGeometry();
    void captionCentredUnderBars();
    void characterOutsideSetStopsDrawing_data();
    void characterOutsideSetStopsDrawing();
    void longTexts();
    void decoders_data();
    void decoders();
};

void TestCode128::values_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("even digit run") << "123456" << QList<int>{105, 12, 34, 56, 44};
    QTest::newRow("odd digit run") << "12345" << QList<int>{104, 17, 99, 23, 45, 53};
    QTest::newRow("short final run") << "AB12" << QList<int>{104, 33, 34, 17, 18, 19};
    QTest::newRow("three digits") << "123" << QList<int>{104, 17, 18, 19, 8};
    QTest::newRow("four digits") << "1234" << QList<int>{105, 12, 34, 82};
    QTest::newRow("digits before letter") << "1234A" << QList<int>{104, 17, 18, 19, 20, 33, 47};
    QTest::newRow("letters then run") << "ABC1234" << QList<int>{104, 33, 34, 35, 99, 12, 34, 43};
    QTest::newRow("odd run after letter")
        << "A1234567" << QList<int>{104, 33, 17, 99, 23, 45, 67, 54};
    QTest::newRow("lower case") << "ab" << QList<int>{104, 65, 66, 95};
    QTest::newRow("empty") << "" << QList<int>{104, 1};
}

void TestCode128::values() {
    QFETCH(QString, text);
    QFETCH(QList<int>, expected);
    QCOMPARE(Code128::Code128Values(text), expected);
}

void TestCode128::symbolCount_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("digits only") << "123456" << 3;
    QTest::newRow("odd digits only") << "12345" << 4;
    QTest::newRow("short run") << "AB12" << 4;
    QTest::newRow("letters then run") << "ABC1234" << 6;
    QTest::newRow("run before letter") << "1234A" << 5;
    // One more than the five symbol characters drawn: the estimate is kept as it is.
    QTest::newRow("odd run after letter") << "A12345" << 6;
    QTest::newRow("empty") << "" << 0;
}

void TestCode128::symbolCount() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(Code128::CountCode128Symbols(text), expected);
}

// The surface width comes from the estimate, so it must never fall short of the symbol.
void TestCode128::countHoldsEverySymbol() {
    const QStringList texts = {"1",         "12",     "123",        "1234",       "12345",
                               "A",         "A1",     "A1234",      "A12345",     "1A2B3C",
                               "1234A5678", "12A345", "Hello 2024", "99999999999"};
    for (const QString& text : texts) {
        const auto betweenStartAndCheck = static_cast<int>(Code128::Code128Values(text).size()) - 2;
        QVERIFY2(Code128::CountCode128Symbols(text) >= betweenStartAndCheck, qPrintable(text));

        DrawingSurface surface(1500, 1500);
        Code128Painter::drawCode128(surface, 10, text, false);
        const int lastBar = 11 * betweenStartAndCheck + 46;
        QVERIFY2(lastBar < surface.pixelWidth(), qPrintable(text));
        QCOMPARE(surface.image().pixel(lastBar, 50) & 0xFFFFFF, 0u);
    }
}

void TestCode128::emptyTextDrawsReadableSymbol() {
    DrawingSurface surface(1500, 1500);
    Code128Painter::drawCode128(surface, 10, QString(), false);
    QCOMPARE(surface.pixelWidth(), 58);
    QCOMPARE(surface.pixelHeight(), 120);
    // START B, check value 1, stop: 35 modules from x = 12 to the last bar at x = 46.
    const QString expected = kStartB + QStringLiteral("11001101100") + kStop;
    QCOMPARE(rowModules(surface.image(), 60, 12, 46), expected);
    QVERIFY(columnIsWhite(surface.image(), 11));
    QVERIFY(columnIsWhite(surface.image(), 47));
}

void TestCode128::digitRunGeometry() {
    DrawingSurface surface(1500, 1500);
    Code128Painter::drawCode128(surface, 10, QStringLiteral("123456"), false);
    const QImage& image = surface.image();
    QCOMPARE(surface.pixelWidth(), 91);
    QCOMPARE(surface.pixelHeight(), 120);
    QCOMPARE(rowModules(image, 10, 12, 22), kStartC);
    QCOMPARE(rowModules(image, 109, 67, 79), kStop);
    QVERIFY(columnIsWhite(image, 80));
    // Bars cover rows 10 to 109 and no more.
    QCOMPARE(rowModules(image, 9, 0, 90), QString(91, u'0'));
    QCOMPARE(rowModules(image, 110, 0, 90), QString(91, u'0'));
    QCOMPARE(surface.backgroundPicture().size(), image.size());
}

void TestCode128::captionCentredUnderBars() {
    DrawingSurface surface(1500, 1500);
    Code128Painter::drawCode128(surface, 10, QStringLiteral("123456"), true);
    const QImage& image = surface.image();
    QCOMPARE(surface.pixelHeight(), qRound(surface.textHeight(QStringLiteral("123456")) + 125));
    int left = image.width(), right = -1;
    for (int y = 110; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                QVERIFY2(y >= 115, "caption starts 5 pixels under the bars");
                left = std::min(left, x);
                right = std::max(right, x);
            }
    QVERIFY2(right >= 0, "no caption drawn");
    // The band runs from 0 to the final x position (69) plus 20.
    QVERIFY(std::abs((left + right + 1) / 2.0 - 89 / 2.0) <= 2.0);
}

void TestCode128::characterOutsideSetStopsDrawing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("tab") << QStringLiteral("AB\tC");
    QTest::newRow("accented") << QStringLiteral("AB\u00e9C");
}

// START B, "A" and "B" are on the surface when the error comes; the picture is not set.
void TestCode128::characterOutsideSetStopsDrawing() {
    QFETCH(QString, text);
    DrawingSurface surface(1500, 1500);
    try {
        Code128Painter::drawCode128(surface, 10, text, true);
        QFAIL("no error");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.description(), QStringLiteral("Subscript out of range"));
    }
    QCOMPARE(rowModules(surface.image(), 50, 12, 22), kStartB);
    QCOMPARE(rowModules(surface.image(), 50, 23, 33), QStringLiteral("10100011000"));
    for (int x = 45; x < surface.pixelWidth(); ++x)
        QVERIFY(columnIsWhite(surface.image(), x));
    QVERIFY(surface.backgroundPicture().isNull());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, Code128::Code128Values(text));
}

// 2903 characters give a 31,991-pixel surface; one more would pass 32,000 and is refused
// before the surface changes. The check value needs sums far beyond 16 bits.
void TestCode128::longTexts() {
    const QString longest(2903, u'A');
    QCOMPARE(Code128::Code128Values(longest).last(), 91);
    DrawingSurface surface(1500, 1500);
    Code128Painter::drawCode128(surface, 10, longest, false);
    QCOMPARE(surface.pixelWidth(), 31991);
    QCOMPARE(surface.image().pixel(11 * 2903 + 46, 50) & 0xFFFFFF, 0u);

    DrawingSurface refused(1500, 1500);
    for (const QString& text : {QString(2904, u'A'), QString(1000000, u'7') + u'x'}) {
        try {
            Code128Painter::drawCode128(refused, 10, text, false);
            QFAIL("too long a text was drawn");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.description(), QStringLiteral("The Code Text is too long"));
        }
        QCOMPARE(refused.pixelWidth(), 100);
        QCOMPARE(refused.pixelHeight(), 100);
    }
}

void TestCode128::decoders_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("letters and run") << "ABC1234";
    QTest::newRow("digits only") << "123456";
    QTest::newRow("odd digits only") << "12345";
    QTest::newRow("odd run after letter") << "A1234567";
    QTest::newRow("lower case and punctuation") << "hello, World! (v2.0)";
    QTest::newRow("symbols") << "Code-128 ~{}|`^_@[]\\";
    QTest::newRow("check value 100") << "CheckAy";
    QTest::newRow("check value 101") << "CheckEg";
    QTest::newRow("check value 102") << "CheckDh";
    QString printable;
    for (char16_t c = 32; c <= 126; ++c)
        printable += QChar(c);
    QTest::newRow("every set-B character") << printable;
    QString pairs;
    for (int v = 0; v < 100; ++v)
        pairs += QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    QTest::newRow("every digit pair") << pairs;
}

void TestCode128::decoders() {
    QFETCH(QString, text);
    const QString zbarimg = QStringLiteral(ZBARIMG_EXECUTABLE);
    const QString zxing = QStringLiteral(ZXING_EXECUTABLE);
    if (zbarimg.isEmpty() && zxing.isEmpty()) QSKIP("no barcode reader installed");

    DrawingSurface surface(1500, 1500);
    Code128Painter::drawCode128(surface, 10, text, false);
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString path = saveForReading(surface.image(), directory.path());
    QVERIFY(!path.isEmpty());
    if (!zbarimg.isEmpty()) QCOMPARE(zbarTexts(path), QStringList{text});
    if (!zxing.isEmpty()) QCOMPARE(zxingTexts(path), QStringList{text});
}

QTEST_MAIN(TestCode128)
#include "test_code128.moc"
