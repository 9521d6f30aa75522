#include "TestSupport.h"
#include "app/UpcWorkArea.h"
#include "symbology/RuntimeError.h"

#include <QTemporaryDir>
#include <QtTest>

#include <array>

namespace {

constexpr Colour kRed = 0x0000FF;

// "1" black, "0" white, "r" the red background, "?" anything else.
QString columns(const QImage& image, int y, int fromX, int toX) {
    QString modules;
    for (int x = fromX; x <= toX; ++x) {
        const QRgb rgb = image.pixel(x, y) & 0xFFFFFF;
        modules += rgb == 0 ? u'1' : rgb == 0xFFFFFF ? u'0' : rgb == 0xFF0000 ? u'r' : u'?';
    }
    return modules;
}

QString joined(const std::array<QString, 6>& captions) {
    QString text;
    for (const QString& caption : captions)
        text += caption;
    return text;
}

struct Shown {
    QString text;
    QString title;
    MessageIcon icon;
};

class RecordingMessages : public MessageBoxes {
  public:
    void show(const QString& text, const QString& title, MessageIcon icon) override {
        shown.append({text, title, icon});
    }
    QList<Shown> shown;
};

// A red background picture makes the white modules visible as well as the black ones.
void useRedBackground(UpcWorkArea& form) {
    form.blankPicture.setPaper(kRed);
}

} // namespace

class TestUpc : public QObject {
    Q_OBJECT

  private slots:
    void workArea();
    void captions_data();
    void captions();
    void modules();
    void twelfthDigitDrawnAsGiven();
    void nonDigitStopsDrawing_data();
    void nonDigitStopsDrawing();
    void emptyTextBoxAsksForDigits();
    void decoders_data();
    void decoders();
};

void TestUpc::workArea() {
    UpcWorkArea form;
    QCOMPARE(form.upcPicture.pixelWidth(), 129);
    QCOMPARE(form.upcPicture.pixelHeight(), 65);
    QCOMPARE(form.upcPicture.units(), DrawingSurface::Unit::Pixels);
    QVERIFY(form.upcPicture.keepsDrawing());
    QCOMPARE(form.upcPicture.font().pointSize, 6.75);
    QCOMPARE(form.blankPicture.pixelWidth(), 137);
    QCOMPARE(form.blankPicture.pixelHeight(), 73);
    QCOMPARE(joined(form.L) + joined(form.R), QStringLiteral("000000000000"));
    QVERIFY(form.messages == nullptr);
}

void TestUpc::captions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::newRow("twelve digits") << "097363395843"
                                   << "097363"
                                   << "395843";
    QTest::newRow("short text repeats its last digit") << "12345"
                                                       << "123455"
                                                       << "555555";
    QTest::newRow("fifteen digits") << "123456789012345"
                                    << "123456"
                                    << "789012";
}

void TestUpc::captions() {
    QFETCH(QString, text);
    QFETCH(QString, left);
    QFETCH(QString, right);
    UpcWorkArea form;
    drawInWorkArea(text, form);
    QCOMPARE(joined(form.L), left);
    QCOMPARE(joined(form.R), right);
}

// Columns 20 to 114: guards, six left digits, centre guard, six right digits, guard.
void TestUpc::modules() {
    UpcWorkArea form;
    useRedBackground(form);
    drawInWorkArea(QStringLiteral("097363395843"), form);
    const QImage& image = form.upcPicture.image();
    const QString expected = QStringLiteral("101"
                                            "0001101"
                                            "0001011"
                                            "0111011"
                                            "0111101"
                                            "0101111"
                                            "0111101"
                                            "01010"
                                            "1000010"
                                            "1110100"
                                            "1001110"
                                            "1001000"
                                            "1011100"
                                            "1000010"
                                            "101");
    for (int y = 6; y <= 41; ++y)
        QCOMPARE(columns(image, y, 19, 115), u'r' + expected + u'r');
    // Digits 1 and 12 and the guards reach row 49; nothing reaches row 50.
    for (int y : {42, 49}) {
        QCOMPARE(columns(image, y, 19, 29), QStringLiteral("r1010001101"));
        QCOMPARE(columns(image, y, 105, 115), QStringLiteral("1000010101r"));
    }
    QCOMPARE(columns(image, 50, 19, 29), QString(11, u'r'));
    QCOMPARE(columns(image, 50, 105, 115), QString(11, u'r'));
    QCOMPARE(columns(image, 5, 0, 128), QString(129, u'r'));
    QCOMPARE(form.upcPicture.backgroundPicture().size(), image.size());
}

// The twelfth digit is not a computed check digit: a wrong one is drawn as it stands.
void TestUpc::twelfthDigitDrawnAsGiven() {
    UpcWorkArea form;
    drawInWorkArea(form.upcText, form);
    QCOMPARE(form.R[5], QStringLiteral("1"));
    QCOMPARE(columns(form.upcPicture.image(), 30, 105, 111), QStringLiteral("1100110"));
}

void TestUpc::nonDigitStopsDrawing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("blackColumn"); // a bar of a digit drawn before the error
    QTest::addColumn<int>("firstUndrawn");
    QTest::newRow("letter as twelfth") << "09736339584X" << 98 << 105;
    QTest::newRow("letter as fifth") << "0973A3395843" << 26 << 51;
    QTest::newRow("blank as first") << " 97363395843" << -1 << 23;
    QTest::newRow("empty text") << "" << -1 << 23;
}

// Each digit is printed, then converted: a non-digit fails there, with the digits before
// it drawn, no guards and no picture set.
void TestUpc::nonDigitStopsDrawing() {
    QFETCH(QString, text);
    QFETCH(int, blackColumn);
    QFETCH(int, firstUndrawn);
    UpcWorkArea form;
    useRedBackground(form);
    try {
        drawInWorkArea(text, form);
        QFAIL("no error");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.description(), QStringLiteral("Type mismatch"));
    }
    const QImage& image = form.upcPicture.image();
    if (blackColumn >= 0)
        QCOMPARE(columns(image, 20, blackColumn, blackColumn), QStringLiteral("1"));
    QCOMPARE(columns(image, 20, firstUndrawn, firstUndrawn + 6), QString(7, u'r'));
    for (int guard : {20, 22, 66, 68, 112, 114})
        QCOMPARE(columns(image, 20, guard, guard), QStringLiteral("r"));
    QCOMPARE(joined(form.L) + joined(form.R), text.left(12));
}

void TestUpc::emptyTextBoxAsksForDigits() {
    RecordingMessages messages;
    UpcWorkArea form;
    form.caption = QStringLiteral("Barcode Desk");
    form.messages = &messages;
    form.upcText.clear();
    form.upcPicture.verticalLines(30, 0, 60, std::array{kBlack});
    drawInWorkArea(QStringLiteral("097363395843"), form);

    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("You must enter a minimum 12 digit number to complete the  \r\n"
                            "barcode example properly. Any length over 12 digits will  \r\n"
                            "be ignored."));
    QCOMPARE(messages.shown[0].title, QStringLiteral("Barcode Desk"));
    QVERIFY(messages.shown[0].icon == MessageIcon::Critical);
    QCOMPARE(form.upcText, QStringLiteral("097363395843"));
    QCOMPARE(joined(form.L) + joined(form.R), QString());
    QImage white(form.upcPicture.image().size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(form.upcPicture.image(), white);

    UpcWorkArea silent; // no message boxes: the text is still replaced
    silent.upcText.clear();
    drawInWorkArea(QStringLiteral("1"), silent);
    QCOMPARE(silent.upcText, QStringLiteral("097363395843"));
}

void TestUpc::decoders_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("default example") << "097363395843";
    QTest::newRow("leading zero") << "036000291452";
    QTest::newRow("ascending") << "123456789012";
    QTest::newRow("corrected text box") << "972526002366";
    QTest::newRow("eights") << "888888888886";
}

void TestUpc::decoders() {
    QFETCH(QString, text);
    const QString zbarimg = QStringLiteral(ZBARIMG_EXECUTABLE);
    const QString zxing = QStringLiteral(ZXING_EXECUTABLE);
    if (zbarimg.isEmpty() && zxing.isEmpty()) QSKIP("no barcode reader installed");

    UpcWorkArea form;
    drawInWorkArea(text, form);
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString problem =
        readingProblem(form.upcPicture.image(), text, directory.path(), sameRetailNumber);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestUpc)
#include "test_upc.moc"
