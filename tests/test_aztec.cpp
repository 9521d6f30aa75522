// Aztec Code's reference decode: compact and full symbols from the program's encoder read back
// to their text in every mode and word size, codewords damaged by known amounts counted as the
// errors they are, and pictures graded from the engine's position in every orientation.
#include "MatrixCalibration.h"
#include "decode/AztecMatrix.h"
#include "decode/Grade2D.h"
#include "decode/ReadingEngine.h"

#include <QtTest>

namespace {

using Grade2D::Parameter;
using MatrixCalibration::Drawn;

Drawn aztec(const QByteArray& text) {
    Drawn drawn = MatrixCalibration::encode(zintsym::ZintType::Aztec, text.constData());
    // The encoder asks for no quiet zone; a picture needs some for the engine to find it.
    drawn.quietZone = 2;
    return drawn;
}

void invert(Drawn& d, const MatrixSymbol::Module& m) {
    d.modules.set(m.y(), m.x(), !d.modules.dark(m.y(), m.x()));
}

QByteArray repeated(const char* piece, int times) {
    QByteArray text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

class TestAztec : public QObject {
    Q_OBJECT
  private slots:
    void readsItsText_data();
    void readsItsText();
    void damage_data();
    void damage();
    void gradesFromThePicture_data();
    void gradesFromThePicture();
};

// Lengths that take each kind of symbol: compact with 6-bit words (15 and 19 modules), full with
// 8- (37, 45), 10- (75, 14 layers) and 12-bit words (131, 27 layers); texts in every mode, shifts
// and latches, byte shifts short and long, UTF-8 under ECI 26.
void TestAztec::readsItsText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("size");
    QTest::newRow("1 compact, 1 layer") << QByteArray("Aztec text") << 15;
    QTest::newRow("2 compact, punctuation and digits")
        << QByteArray("Order #4711, 12.50 EUR: paid!") << 19;
    QTest::newRow("3 mixed: controls, @ and ~") << QByteArray("a@b~c\td\r\ne|f^g_h`") << 19;
    QTest::newRow("4 lower with an upper shift") << QByteArray("abcDefgHijk lmnop") << 19;
    QTest::newRow("5 a byte shift") << QByteArray("Caf\xC3\xA9 \xE2\x9C\x93 ok") << 19;
    QTest::newRow("6 full, 8-bit words") << repeated("Aztec 2D code 0123456789 ", 4) << 37;
    QTest::newRow("7 full, 10-bit words") << repeated("The quick brown fox, 42! ", 24) << 75;
    QTest::newRow("8 full, 12-bit words") << repeated("0123456789abcdefXYZ;", 90) << 131;
    QTest::newRow("9 a long byte shift") << repeated("\xC3\xA9\xC3\xB8\xE2\x82\xAC", 20) << 45;
}

void TestAztec::readsItsText() {
    QFETCH(QByteArray, text);
    QFETCH(int, size);
    const Drawn drawn = aztec(text);
    QCOMPARE(drawn.modules.rows, size);
    const MatrixSymbol::MatrixRead read = AztecMatrix::read(drawn.modules);
    QVERIFY2(read.decoded, qPrintable(read.failure));
    QCOMPARE(read.text, QString::fromUtf8(text));
    QCOMPARE(read.blocks.size(), std::size_t(1));
    QCOMPARE(read.blocks[0].result.errors, 0);
    QCOMPARE(read.blocks[0].misdecodeProtection, 3);
    // The ideal matrix is the drawn one.
    QVERIFY(read.ideal.cells == drawn.modules.cells);
    // Every module is a codeword's, the mode message's or a fixed pattern's, at most once.
    std::vector<int> uses(drawn.modules.cells.size());
    const auto use = [&](const MatrixSymbol::Module& m) {
        ++uses[std::size_t(m.y() * size + m.x())];
    };
    for (const auto& c : read.codewords)
        std::for_each(c.modules.begin(), c.modules.end(), use);
    for (const auto& s : read.segments)
        std::for_each(s.modules.begin(), s.modules.end(), use);
    QVERIFY(std::ranges::all_of(uses, [](int n) { return n <= 1; }));
}

// Whole codewords inverted: as many errors as codewords, until the check codewords give out;
// the mode message corrects two of its words, compact or full.
void TestAztec::damage_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("codewords");
    QTest::addColumn<int>("modeWords");
    QTest::addColumn<bool>("decodes");
    QTest::newRow("compact, 3 codewords") << QByteArray("Aztec text") << 3 << 0 << true;
    QTest::newRow("full, 5 codewords")
        << repeated("Aztec 2D code 0123456789 ", 4) << 5 << 0 << true;
    QTest::newRow("compact, 2 mode words") << QByteArray("Aztec text") << 0 << 2 << true;
    QTest::newRow("full, 2 mode words and 2 codewords")
        << repeated("Aztec 2D code 0123456789 ", 4) << 2 << 2 << true;
    QTest::newRow("compact, every codeword") << QByteArray("Aztec text") << 1000 << 0 << false;
}

void TestAztec::damage() {
    QFETCH(QByteArray, text);
    QFETCH(int, codewords);
    QFETCH(int, modeWords);
    QFETCH(bool, decodes);
    Drawn drawn = aztec(text);
    const MatrixSymbol::MatrixRead clean = AztecMatrix::read(drawn.modules);
    QVERIFY(clean.decoded);
    const int damaged = std::min<int>(codewords, int(clean.codewords.size()));
    for (int i = 0; i < damaged; ++i)
        for (const auto& m : clean.codewords[std::size_t(i)].modules)
            invert(drawn, m);
    // The mode message's first words: the ring's top row from its fourth module on.
    const int c = drawn.modules.rows / 2, r = drawn.modules.rows <= 27 ? 5 : 7;
    for (int bit = 0; bit < 4 * modeWords; ++bit) {
        const int offset = r == 5 ? c - 3 + bit : c - 5 + bit + bit / 5;
        invert(drawn, MatrixSymbol::Module(offset, c - r));
    }
    const MatrixSymbol::MatrixRead read = AztecMatrix::read(drawn.modules);
    QCOMPARE(read.decoded, decodes);
    if (!decodes) {
        QVERIFY(read.failure.startsWith(QStringLiteral("more codewords in error than")));
        return;
    }
    QCOMPARE(read.text, QString::fromUtf8(text));
    QCOMPARE(read.blocks[0].result.errors, damaged);
    QCOMPARE(int(std::count_if(read.codewords.begin(), read.codewords.end(),
                               [](const auto& c) { return c.wrong; })),
             damaged);
}

// From the engine's corners in four turns and mirrored: the grid found by the bullseye (and the
// reference grid), every parameter as a clean print gives it.
void TestAztec::gradesFromThePicture_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("quarters");
    QTest::addColumn<bool>("mirrored");
    for (const auto& [name, text] : {std::pair("compact", QByteArray("Aztec text")),
                                     std::pair("full", repeated("The quick brown fox, 42! ", 6))})
        for (int quarters = 0; quarters < 4; ++quarters)
            for (const bool mirrored : {false, true})
                QTest::addRow("%s, %d quarters%s", name, quarters, mirrored ? ", mirrored" : "")
                    << text << quarters << mirrored;
}

void TestAztec::gradesFromThePicture() {
    QFETCH(QByteArray, text);
    QFETCH(int, quarters);
    QFETCH(bool, mirrored);
    const QImage picture =
        MatrixCalibration::turned(MatrixCalibration::draw(aztec(text), {}), quarters, mirrored);
    const auto found = ReadingEngine::findSymbols(picture, ReadingEngine::Reach::Every);
    QCOMPARE(found.size(), 1);
    QVERIFY(Grade2D::grades(found[0]));
    const auto graded = Grade2D::gradeFound(picture, found);
    QCOMPARE(graded.size(), std::size_t(1));
    const Grade2D::Symbol& s = graded[0];
    QVERIFY2(s.graded(), qPrintable(s.reason));
    QVERIFY2(s.read.decoded, qPrintable(s.read.failure));
    QCOMPARE(s.read.text, QString::fromUtf8(text));
    QCOMPARE(s[Parameter::Decode].grade, 4);
    QCOMPARE(s[Parameter::Modulation].grade, 4);
    QCOMPARE(s[Parameter::FixedPatternDamage].grade, 4);
    QCOMPARE(s[Parameter::UnusedErrorCorrection].value, 1.0);
    QVERIFY(s[Parameter::GridNonuniformity].value < 0.05);
    QVERIFY(s[Parameter::AxialNonuniformity].value < 0.01);
    QCOMPARE(s.grade(), 4);
}

QTEST_GUILESS_MAIN(TestAztec)
#include "test_aztec.moc"
