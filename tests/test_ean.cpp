#include "TestSupport.h"
#include "render/EanPainter.h"
#include "symbology/DigitCode.h"
#include "symbology/RuntimeError.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

bool hasInk(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
    return false;
}

void draw(bool ean8, DrawingSurface& surface, const QString& text, bool caption) {
    if (ean8)
        EanPainter::drawEan8(surface, 10, text, caption);
    else
        EanPainter::drawEan13(surface, 10, text, caption);
}

// Only the guard modules of a symbol: guards reach 5 pixels further down than digits.
QString guardsOnly(const QString& modules) {
    const qsizetype centre = (modules.size() - 5) / 2;
    QString guards(modules.size(), u'0');
    for (qsizetype i = 0; i < modules.size(); ++i) {
        const bool guard = i < 3 || i >= modules.size() - 3 || (i >= centre && i < centre + 5);
        if (guard) guards[i] = modules[i];
    }
    return guards;
}

} // namespace

class TestEan : public QObject {
    Q_OBJECT

  private slots:
    void checkDigit_data();
    void checkDigit();
    void modules_data();
    void modules();
    void caption_data();
    void caption();
    void refusals_data();
    void refusals();
    void allDigits_data();
    void allDigits();
    void normalised_data();
    void normalised();
    void refusalMessage();
    void decoders_data();
    void decoders();
};

void TestEan::checkDigit_data() {
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("expected");
    QTest::newRow("EAN-13 sum 92") << "123456789012" << 8;
    QTest::newRow("EAN-13 zeros") << "000000000000" << 0;
    QTest::newRow("EAN-13 sum 89") << "400638133393" << 1;
    QTest::newRow("EAN-13 leading zero") << "012345678901" << 2;
    QTest::newRow("EAN-8 sum 60") << "1234567" << 0;
    QTest::newRow("EAN-8 sum 86") << "9638507" << 4;
}

void TestEan::checkDigit() {
    QFETCH(QString, digits);
    QFETCH(int, expected);
    QCOMPARE(DigitCode::checkDigit(digits), expected);
}

void TestEan::modules_data() {
    QTest::addColumn<bool>("ean8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // every module from the left guard to the right one
    // Digit 1 = 1 selects odd, odd, even, odd, even, even; the check digit 8 ends the right half.
    QTest::newRow("123456789012") << false << "123456789012"
                                  << QStringLiteral("101"
                                                    "0010011"
                                                    "0111101"
                                                    "0011101"
                                                    "0110001"
                                                    "0000101"
                                                    "0010001"
                                                    "01010"
                                                    "1001000"
                                                    "1110100"
                                                    "1110010"
                                                    "1100110"
                                                    "1101100"
                                                    "1001000"
                                                    "101");
    QTest::newRow("000000000000") << false << "000000000000"
                                  << QStringLiteral("101") + QString("0001101").repeated(6) +
                                         QStringLiteral("01010") + QString("1110010").repeated(6) +
                                         QStringLiteral("101");
    QTest::newRow("400638133393") << false << "400638133393"
                                  << QStringLiteral("101"
                                                    "0001101"
                                                    "0100111"
                                                    "0101111"
                                                    "0111101"
                                                    "0001001"
                                                    "0110011"
                                                    "01010"
                                                    "1000010"
                                                    "1000010"
                                                    "1000010"
                                                    "1110100"
                                                    "1000010"
                                                    "1100110"
                                                    "101");
    QTest::newRow("EAN-8 1234567") << true << "1234567"
                                   << QStringLiteral("101"
                                                     "0011001"
                                                     "0010011"
                                                     "0111101"
                                                     "0100011"
                                                     "01010"
                                                     "1001110"
                                                     "1010000"
                                                     "1000100"
                                                     "1110010"
                                                     "101");
    QTest::newRow("EAN-8 9638507") << true << "9638507"
                                   << QStringLiteral("101"
                                                     "0001011"
                                                     "0101111"
                                                     "0111101"
                                                     "0110111"
                                                     "01010"
                                                     "1001110"
                                                     "1110010"
                                                     "1000100"
                                                     "1011100"
                                                     "101");
}

// Modules start at x = 16; digits' bars cover rows 10 to 109, guards rows 10 to 114.
void TestEan::modules() {
    QFETCH(bool, ean8);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    DrawingSurface surface(1500, 1500);
    draw(ean8, surface, text, false);
    const QImage& image = surface.image();
    QCOMPARE(surface.pixelWidth(), ean8 ? 101 : 128);
    QCOMPARE(surface.pixelHeight(), 120);
    const int last = 16 + static_cast<int>(expected.size()) - 1;
    QCOMPARE(last, ean8 ? 82 : 110);
    const QString blank(image.width(), u'0');
    for (int y : {10, 60, 109})
        QCOMPARE(rowModules(image, y, 15, last + 1), u'0' + expected + u'0');
    for (int y : {110, 114})
        QCOMPARE(rowModules(image, y, 16, last), guardsOnly(expected));
    QCOMPARE(rowModules(image, 9, 0, image.width() - 1), blank);
    QCOMPARE(rowModules(image, 115, 0, image.width() - 1), blank);
    QCOMPARE(surface.backgroundPicture().size(), image.size());
}

void TestEan::caption_data() {
    QTest::addColumn<bool>("ean8");
    QTest::addColumn<QList<QRect>>("textAreas"); // each holds one printed group, clear of bars
    QTest::newRow("EAN-13") << false
                            << QList<QRect>{QRect(0, 105, 16, 30), QRect(23, 110, 38, 30),
                                            QRect(68, 110, 40, 30)};
    QTest::newRow("EAN-8") << true << QList<QRect>{QRect(23, 110, 24, 30), QRect(53, 110, 27, 30)};
}

void TestEan::caption() {
    QFETCH(bool, ean8);
    QFETCH(QList<QRect>, textAreas);
    const QString text = ean8 ? QStringLiteral("1234567") : QStringLiteral("123456789012");
    DrawingSurface withCaption(1500, 1500);
    DrawingSurface without(1500, 1500);
    draw(ean8, withCaption, text, true);
    draw(ean8, without, text, false);
    QCOMPARE(withCaption.pixelHeight(), qRound(withCaption.textHeight(text) + 125));
    for (const QRect& area : textAreas) {
        QVERIFY2(hasInk(withCaption.image(), area), "caption group missing");
        QVERIFY(!hasInk(without.image(), area));
    }
    // The bars are the same either way.
    QCOMPARE(withCaption.image().copy(0, 0, withCaption.pixelWidth(), 105),
             without.image().copy(0, 0, without.pixelWidth(), 105));
}

void TestEan::refusals_data() {
    QTest::addColumn<bool>("ean8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");
    const QString length13 = QStringLiteral("Should be 12 Digit Numbers");
    const QString length8 = QStringLiteral("Should be 7 Digit Numbers");
    const QString invalid = QStringLiteral("An Invalid Character Found in Bar Text");
    QTest::newRow("EAN-13 of 13 digits") << false << "1234567890128" << length13;
    QTest::newRow("EAN-13 of 11 digits") << false << "12345678901" << length13;
    QTest::newRow("EAN-13 empty") << false << "" << length13;
    QTest::newRow("EAN-13 short with letters") << false << "ABC" << length13;
    QTest::newRow("EAN-13 letter") << false << "12345678901A" << invalid;
    QTest::newRow("EAN-13 space") << false << "123456 89012" << invalid;
    QTest::newRow("EAN-8 of 8 digits") << true << "12345670" << length8;
    QTest::newRow("EAN-8 empty") << true << "" << length8;
    QTest::newRow("EAN-8 minus") << true << "123-567" << invalid;
}

// The text is refused before the surface is prepared: the old picture is gone, nothing else
// has changed.
void TestEan::refusals() {
    QFETCH(bool, ean8);
    QFETCH(QString, text);
    QFETCH(QString, description);
    const Colour red = 0x0000FF;
    DrawingSurface surface(1500, 1500, red);
    QImage old(10, 10, QImage::Format_RGB32);
    old.fill(Qt::black);
    surface.setBackgroundPicture(old);
    try {
        draw(ean8, surface, text, true);
        QFAIL("text accepted");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.description(), description);
    }
    QVERIFY(surface.backgroundPicture().isNull());
    QCOMPARE(surface.paper(), red);
    QCOMPARE(surface.units(), DrawingSurface::Unit::Twips);
    QCOMPARE(surface.pixelWidth(), 100);
    QCOMPARE(surface.pixelHeight(), 100);
    QCOMPARE(surface.colourAt(0, 0), red);
}

void TestEan::allDigits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("digits") << "0123456789" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blank") << "123 456" << false;
    QTest::newRow("minus") << "-123456" << false;
    QTest::newRow("letter") << "12345678901O" << false;
    QTest::newRow("full-width digit") << QStringLiteral("12\uFF13") << false;
    QTest::newRow("Arabic-Indic digit") << QStringLiteral("12\u0663") << false;
}

void TestEan::allDigits() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(DigitCode::allDigits(text), expected);
}

void TestEan::normalised_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << 12 << "000000000000";
    QTest::newRow("short") << "123" << 12 << "000000000123";
    QTest::newRow("exact") << "400638133393" << 12 << "400638133393";
    QTest::newRow("14 digits") << "12345678901234" << 12 << "345678901234";
    QTest::newRow("8 digits for EAN-8") << "12345678" << 7 << "2345678";
}

void TestEan::normalised() {
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QCOMPARE(DigitCode::normalised(text, length), expected);
}

void TestEan::refusalMessage() {
    QCOMPARE(DigitCode::refusalMessage(QStringLiteral("EAN8")),
             QStringLiteral("EAN8 cannot be used with letters.\r\nPlease use numbers only."));
    QCOMPARE(DigitCode::kRefusalTitle, QStringLiteral("Invalid Code"));
}

void TestEan::decoders_data() {
    QTest::addColumn<bool>("ean8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("EAN-13 check 8") << false << "123456789012"
                                    << "1234567890128";
    QTest::newRow("EAN-13 check 1") << false << "400638133393"
                                    << "4006381333931";
    QTest::newRow("EAN-13 book number") << false << "978020137962"
                                        << "9780201379624";
    QTest::newRow("EAN-13 leading zero") << false << "012345678901"
                                         << "0123456789012";
    QTest::newRow("EAN-13 first digit 2") << false << "223592359235"
                                          << "2235923592358";
    QTest::newRow("EAN-13 first digit 3") << false << "323592359235"
                                          << "3235923592357";
    QTest::newRow("EAN-13 first digit 4") << false << "423592359235"
                                          << "4235923592356";
    QTest::newRow("EAN-13 first digit 5") << false << "523592359235"
                                          << "5235923592355";
    QTest::newRow("EAN-13 first digit 6") << false << "623592359235"
                                          << "6235923592354";
    QTest::newRow("EAN-13 first digit 7") << false << "723592359235"
                                          << "7235923592353";
    QTest::newRow("EAN-13 first digit 8") << false << "823592359235"
                                          << "8235923592352";
    QTest::newRow("EAN-8 check 0") << true << "1234567"
                                   << "12345670";
    QTest::newRow("EAN-8 check 4") << true << "9638507"
                                   << "96385074";
}

void TestEan::decoders() {
    QFETCH(bool, ean8);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString zbarimg = QStringLiteral(ZBARIMG_EXECUTABLE);
    const QString zxing = QStringLiteral(ZXING_EXECUTABLE);
    if (zbarimg.isEmpty() && zxing.isEmpty()) QSKIP("no barcode reader installed");

    DrawingSurface surface(1500, 1500);
    draw(ean8, surface, text, true);
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString problem =
        readingProblem(surface.image(), expected, directory.path(), sameRetailNumber);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestEan)
#include "test_ean.moc"
