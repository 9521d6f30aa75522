#include "TestSupport.h"
#include "render/Code39Painter.h"
#include "render/DrawingSurface.h"
#include "symbology/Code39.h"
#include "symbology/RuntimeError.h"

#include <QtTest>

#include <array>

namespace {

QString rowString(const DrawingSurface& s, int y, int from, int count) {
    QString out;
    for (int x = from; x < from + count; ++x)
        out += s.colourAt(x, y) == kBlack ? u'1' : u'0';
    return out;
}

// Draws like the window's commands: a cleared work picture, height units 10.
struct Drawn {
    explicit Drawn(const QString& text, bool check = false, bool caption = false)
        : surface(6015, 2775) {
        surface.clear();
        Code39Painter::drawCode39(surface, 10, text, check, caption);
    }
    DrawingSurface surface;
};

const QString kStar = QStringLiteral("1001011011010"); // "*" and its gap

} // namespace

class TestCode39 : public QObject {
    Q_OBJECT
  private slots:
    void emptyTextIsStartAndStopOnly() {
        Drawn d(QString{});
        QCOMPARE(d.surface.widthTwips(), 704.0);
        QCOMPARE(d.surface.pixelWidth(), 47);
        QCOMPARE(d.surface.heightTwips(), 1800.0);
        QCOMPARE(d.surface.pixelHeight(), 120);
        QCOMPARE(rowString(d.surface, 50, 0, 47),
                 QString(12, u'0') + kStar + kStar + QString(9, u'0'));
    }

    void barsRunFromRowTenForOneHundredRows() {
        Drawn d(QStringLiteral("A"));
        QCOMPARE(d.surface.colourAt(12, 9), kWhite);
        QCOMPARE(d.surface.colourAt(12, 10), kBlack);
        QCOMPARE(d.surface.colourAt(12, 109), kBlack);
        QCOMPARE(d.surface.colourAt(12, 110), kWhite);
        QCOMPARE(d.surface.colourAt(11, 50), kWhite);
    }

    void everyCharacterTakesThirteenModules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("modules"); // the characters between start and stop
        QTest::newRow("A") << "A"
                           << "1101010010110";
        QTest::newRow("0") << "0"
                           << "1010011011010";
        QTest::newRow("space") << " "
                               << "1001101011010";
        QTest::newRow("Z-") << "Z-"
                            << "1001101101010"
                               "1001010110110";
    }
    void everyCharacterTakesThirteenModules() {
        QFETCH(QString, text);
        QFETCH(QString, modules);
        Drawn d(text);
        const int m = static_cast<int>(text.size()) + 2;
        QCOMPARE(rowString(d.surface, 60, 12, 13 * m), kStar + modules + kStar);
        QCOMPARE(d.surface.colourAt(13 * m + 10, 60), kBlack); // the stop's last bar
        QCOMPARE(d.surface.colourAt(13 * m + 11, 60), kWhite); // and its gap
    }

    void checkCharacterIsModulo43() {
        // CODE39: values 12 24 13 14 3 9, sum 75, check 32 = "W"
        Drawn plain(QStringLiteral("CODE39"));
        Drawn checked(QStringLiteral("CODE39"), true);
        QCOMPARE(checked.surface.widthTwips(), ((6 + 3) * 12 + 20) * 16.0);
        const int checkColumn = 12 + 13 * 7;
        QCOMPARE(rowString(checked.surface, 50, checkColumn, 13), QStringLiteral("1100110101010"));
        QCOMPARE(rowString(checked.surface, 50, checkColumn + 13, 13), kStar);
        QCOMPARE(rowString(plain.surface, 50, checkColumn, 13), kStar);
    }

    void textIsNormalisedBeforeDrawing_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("normal");
        QTest::newRow("lower case") << "code-39"
                                    << "CODE-39";
        QTest::newRow("asterisks dropped") << "*AB*"
                                           << "AB";
        QTest::newRow("only asterisks") << "***"
                                        << "";
        QTest::newRow("mixed") << "a*b c"
                               << "AB C";
    }
    void textIsNormalisedBeforeDrawing() {
        QFETCH(QString, given);
        QFETCH(QString, normal);
        QCOMPARE(Code39::CheckCode39Text(given), normal);
        Drawn a(given, false, true), b(normal, false, true);
        QCOMPARE(a.surface.image(), b.surface.image());
        QCOMPARE(a.surface.widthTwips(), b.surface.widthTwips());
    }

    void invalidCharactersAreRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("underscore") << "AB_1";
        QTest::newRow("number sign") << "#";
        QTest::newRow("sharp s") << QStringLiteral("STRA\u00DFE");
        QTest::newRow("dotless i") << QStringLiteral("\u0131");
        QTest::newRow("tab") << "A\tB";
        QTest::newRow("comma") << "1,2";
        QTest::newRow("accented") << QStringLiteral("\u00E9");
    }
    void invalidCharactersAreRefused() {
        QFETCH(QString, text);
        DrawingSurface s(6015, 2775);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.verticalLines(5, 0, 50, std::array{kBlack});
        s.setBackgroundPicture(s.image());
        s.clear();
        try {
            Code39Painter::drawCode39(s, 10, text, false, true);
            QFAIL("no error raised");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.description(),
                     QStringLiteral("An Invalid Character Found in the Code Text"));
        }
        QVERIFY(s.backgroundPicture().isNull());
        QCOMPARE(s.pixelWidth(), 401); // size kept
        QVERIFY(allWhite(s.image()));
    }

    void captionStandsUnderTheBars() {
        Drawn d(QStringLiteral("code-39"), false, true);
        const int textHeight = static_cast<int>(d.surface.textHeight(QStringLiteral("CODE-39")));
        QCOMPARE(d.surface.pixelHeight(), textHeight + 125);
        QCOMPARE(d.surface.colourAt(12, 109), kBlack);
        for (int y = 110; y < 115; ++y)
            QCOMPARE(rowString(d.surface, y, 0, d.surface.pixelWidth()).count(u'1'), 0);
        int left = d.surface.pixelWidth(), right = -1;
        for (int y = 115; y < d.surface.pixelHeight(); ++y)
            for (int x = 0; x < d.surface.pixelWidth(); ++x)
                if (d.surface.colourAt(x, y) == kBlack) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY(right > left);
        // centred on the band from 0 to x position + 20 (x position 1 + 13 * 9)
        const double centre = (1 + 13 * 9 + 20) / 2.0;
        QVERIFY(qAbs((left + right) / 2.0 - centre) <= 3);
    }

    void widthFollowsTheFormulaWhileTheSymbolFits() {
        // 47 characters: m = 49, formula 9728 twips = 649 pixels, symbol 13 * 49 + 12 = 649
        Drawn d(QString(47, u'A'));
        QCOMPARE(d.surface.widthTwips(), 9728.0);
        QCOMPARE(d.surface.pixelWidth(), 649);
        QCOMPARE(d.surface.colourAt(13 * 49 + 10, 50), kBlack);
    }

    void longTextsAreWidenedToTheWholeSymbol() {
        for (int n = 0; n <= 120; ++n) {
            for (bool check : {false, true}) {
                Drawn d(QString(n, u'8'), check);
                const int m = n + (check ? 3 : 2);
                QVERIFY2(d.surface.pixelWidth() >= 13 * m + 12, qPrintable(QString::number(n)));
                QCOMPARE(d.surface.colourAt(13 * m + 10, 50), kBlack);
                if (d.surface.widthTwips() != ((m * 12 + 20) * 16.0))
                    QCOMPARE(d.surface.pixelWidth(), 13 * m + 22);
            }
        }
        Drawn d(QString(48, u'A')); // m = 50: the formula gives 661 pixels of the 662 needed
        QCOMPARE(d.surface.pixelWidth(), 672);
    }

    void tooLongTextsAreRefused_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("refused");
        QTest::newRow("largest that fits") << 2457 << false;
        QTest::newRow("one more") << 2458 << true;
        QTest::newRow("a million") << 1000000 << true;
    }
    void tooLongTextsAreRefused() {
        QFETCH(int, length);
        QFETCH(bool, refused);
        DrawingSurface s(6015, 2775);
        try {
            Code39Painter::drawCode39(s, 10, QString(length, u'1'), false, false);
            QVERIFY(!refused);
            QVERIFY(s.pixelWidth() <= kMaxSymbolPixels);
        } catch (const RuntimeError& e) {
            QVERIFY(refused);
            QCOMPARE(e.description(), QStringLiteral("The Code Text is too long"));
        }
    }

    void heightUnitsOverflowSixteenBits() {
        DrawingSurface s(6015, 2775);
        try {
            Code39Painter::drawCode39(s, 3277, QStringLiteral("A"), false, false);
            QFAIL("no overflow");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.description(), QStringLiteral("Overflow"));
        }
        Code39Painter::drawCode39(s, 3, QStringLiteral("A"), false, false);
        QCOMPARE(s.pixelHeight(), 50);
    }

    void renderEndsWithTheDrawingAsPicture() {
        Drawn d(QStringLiteral("X"));
        QCOMPARE(d.surface.backgroundPicture(), d.surface.image());
        d.surface.clear(); // the picture survives an erase
        QCOMPARE(d.surface.colourAt(12, 50), kBlack);
    }
};

QTEST_MAIN(TestCode39)
#include "test_code39.moc"
