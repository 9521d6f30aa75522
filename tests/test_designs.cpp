// Label designs: gLabels 3 and 4 files and our own layout lines, printed by labels --design and
// --layout and read back from the PDF.
#include "TestSupport.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QImageReader>
#include <QRegularExpression>
#include <QtTest>

using namespace Labels;

namespace {

// Avery L7160 as glabels-data has it, so that every format lands on the same places.
const char kTemplate[] = R"(<Template brand="Test" part="L7160" size="A4" description="shelf">
  <Label-rectangle id="0" width="181.4" height="108.0" round="5">
    <Markup-margin size="5"/>
    <Layout nx="3" ny="7" x0="21.2" y0="43.9" dx="187.2" dy="108.0"/>
  </Label-rectangle>
</Template>)";

// Every design draws the same: a red box at (2, 2) mm, 20 x 6 mm; the name at (3, 10) mm; a
// barcode of the row in a box at (30, 9) mm, 32 x 27 mm.
QByteArray glabels3Design() {
    return QByteArray(R"(<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
)") + kTemplate +
           R"(
  <Objects id="0" rotate="False">
    <Object-box x="2mm" y="2mm" w="20mm" h="6mm" line_width="0pt" line_color="0x00000000"
      fill_color="0xff0000ff" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-text x="3mm" y="10mm" w="25mm" h="8mm" justify="Left" valign="Top"
      auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="DejaVu Sans" font_size="16" font_weight="Bold" font_italic="False"
        color="0x000000ff" line_spacing="1"><Field name="name"/></Span>
    </Object-text>
    <Object-barcode x="30mm" y="9mm" w="32mm" h="27mm" backend="gnu-barcode" style="EAN-13"
      text="True" checksum="True" color="0x000000ff" field="sku"
      a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="products.csv"/>
</Glabels-document>
)";
}

QByteArray glabels4Design() {
    return QByteArray(R"(<?xml version="1.0"?>
<Glabels-document version="4.0">
)") + kTemplate +
           R"(
  <Objects id="0" rotate="false">
    <Object-box x="2mm" y="2mm" w="20mm" h="6mm" lock_aspect_ratio="false" line_width="0pt"
      line_color="0x0" fill_color_field="paint" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-text x="3mm" y="10mm" w="25mm" h="8mm" color="0xff" font_family="DejaVu Sans"
      font_size="12" font_weight="bold" font_italic="false" font_underline="false" align="left"
      valign="top" wrap="word" line_spacing="1" auto_shrink="false"
      a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"><p>${name}</p></Object-text>
    <Object-text x="3mm" y="20mm" w="25mm" h="8mm" color="0xff" font_family="DejaVu Sans"
      font_size="8" align="left" valign="top" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"
      ><p>No ${n}</p></Object-text>
    <Object-box x="20pt" y="80pt" w="40pt" h="6pt" line_width="0pt" fill_color="0x0000ffff"
      a0="0" a1="1" a2="-1" a3="0" a4="23" a5="-17"/>
    <Object-barcode x="30mm" y="9mm" w="32mm" h="27mm" backend="zint" style="qr" text="false"
      checksum="true" color="0xff" data="${sku}" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="products.csv"/>
  <Variables>
    <Variable type="integer" name="n" initialValue="7" increment="per_item" stepSize="2"/>
  </Variables>
</Glabels-document>
)";
}

QByteArray layoutDesign() {
    return "# shelf labels\n"
           "list \"products.csv\" header\n"
           "box x=2 y=2 w=20 h=6 line=0 fill=#ff0000\n"
           "text \"${name}\" x=3 y=10 w=25 h=8 size=12 bold\n"
           "barcode 128/n \"${sku}\" x=30 y=9 w=32 h=27\n";
}

QString withCheckDigit(const QString& digits) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[i].unicode() - u'0') * ((digits.size() - i) % 2 == 1 ? 3 : 1);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

const QStringList kNames{"Alpha", "Bravo", "Charlie"};

QByteArray productList() {
    QByteArray list = "sku,name,paint\n";
    for (int row = 0; row < kNames.size(); ++row)
        list += withCheckDigit(QStringLiteral("40063813339%1").arg(row)).toLatin1() + ',' +
                kNames[row].toLatin1() + ",#ff0000\n";
    return list;
}

struct Word {
    QString text;
    QPointF topLeft; // points
};

QList<Word> wordsOf(const QString& pdf) {
    const Run run = runProgram(QStringLiteral(PDFTOTEXT_EXECUTABLE), {"-bbox", pdf, "-"});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">([^<]*)<"));
    QList<Word> words;
    for (const auto& m : word.globalMatch(QString::fromUtf8(run.out)))
        words << Word{m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()}};
    return words;
}

QRectF mmRect(double x, double y, double w, double h) {
    return {x * kPointsPerMm, y * kPointsPerMm, w * kPointsPerMm, h * kPointsPerMm};
}

} // namespace

class TestDesigns : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QImageReader::setAllocationLimit(1024); }

    // Each format printed from its own list: the name at its place as text, the box's red
    // where the box is, the barcode decoding to its row inside its box.
    void printedDesigns_data() {
        QTest::addColumn<QByteArray>("design");
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("gzip");
        QTest::addColumn<QStringList>("codes");
        QStringList eans;
        for (int row = 0; row < kNames.size(); ++row)
            eans << withCheckDigit(QStringLiteral("40063813339%1").arg(row));
        QTest::newRow("gLabels 3, gzip") << glabels3Design() << "--design" << true << eans;
        QTest::newRow("gLabels 3, plain") << glabels3Design() << "--design" << false << eans;
        QTest::newRow("gLabels 4") << glabels4Design() << "--design" << false << eans;
        QTest::newRow("layout") << layoutDesign() << "--layout" << false << eans;
    }
    void printedDesigns() {
        QFETCH(QByteArray, design);
        QFETCH(QString, option);
        QFETCH(bool, gzip);
        QFETCH(QStringList, codes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.glabels"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gzip ? runProgram(QStringLiteral("gzip"), {"-c"}, design).out : design);
        file.close();
        QFile list(dir.filePath(QStringLiteral("products.csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(productList());
        list.close();
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        QStringList args{"labels", option, path, "--out", pdf};
        if (option == u"--layout")
            args << "--template"
                 << "Avery L7160";
        const Run run = cli(args);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY2(run.err.contains("3 labels on 1 sheet"), run.err.constData());

        TemplateCatalog catalog;
        QVERIFY(!catalog.load());
        const Sheet sheet(*catalog.find(QStringLiteral("Avery L7160")), {});
        const QList<Word> words = wordsOf(pdf);
        constexpr double kDpi = 300, kPixelsPerPoint = kDpi / 72;
        runProgram(QStringLiteral(PDFTOPPM_EXECUTABLE),
                   {"-r", "300", "-png", "-singlefile", pdf, dir.filePath(QStringLiteral("page"))});
        const QImage page(dir.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        for (int row = 0; row < kNames.size(); ++row) {
            const QPointF label = sheet.place(row, 1).label.topLeft();
            const auto word = std::find_if(words.begin(), words.end(),
                                           [&](const Word& w) { return w.text == kNames[row]; });
            QVERIFY2(word != words.end(), qPrintable(kNames[row]));
            // gLabels keeps 3 pt free inside a text's box, left and right.
            const QPointF margin(option == u"--design" ? 3 : 0, 0);
            const QPointF miss =
                (word->topLeft - label - margin - mmRect(3, 10, 0, 0).topLeft()) / kPointsPerMm;
            QVERIFY2(std::abs(miss.x()) < 0.3 && std::abs(miss.y()) < 0.5,
                     qPrintable(QStringLiteral("%1 is %2, %3 mm off")
                                    .arg(kNames[row])
                                    .arg(miss.x())
                                    .arg(miss.y())));
            // The red box, and white just outside it.
            const auto pixel = [&](double xMm, double yMm) {
                return page.pixelColor(
                    ((label + QPointF(xMm, yMm) * kPointsPerMm) * kPixelsPerPoint).toPoint());
            };
            QCOMPARE(pixel(12, 5), QColor(Qt::red));
            QCOMPARE(pixel(12, 8.5), QColor(Qt::white));
            QCOMPARE(pixel(1.5, 5), QColor(Qt::white));
            // gLabels 4's box turned a quarter about its centre by its matrix.
            if (design.contains("0x0000ffff")) {
                QCOMPARE(pixel(40 / kPointsPerMm, 70 / kPointsPerMm), QColor(Qt::blue));
                QCOMPARE(pixel(55 / kPointsPerMm, 83 / kPointsPerMm), QColor(Qt::white));
            }
            const QRectF box = mmRect(30, 9, 32, 27).translated(label);
            const QString crop = dir.filePath(QStringLiteral("box.png"));
            QImage boxed(
                page.copy(QRectF(box.topLeft() * kPixelsPerPoint, box.size() * kPixelsPerPoint)
                              .toAlignedRect()));
            QVERIFY(boxed.save(crop));
            QCOMPARE(zxingRead(crop), codes[row]);
        }
        if (design.contains("Variables")) // per item from 7 in steps of 2
            for (const QString number : {"7", "9", "11"})
                QVERIFY2(std::any_of(words.begin(), words.end(),
                                     [&](const Word& w) { return w.text == number; }),
                         qPrintable(number));
    }

    // What a design may get wrong: a clear message, exit 1, no file.
    void refusals_data() {
        QTest::addColumn<QByteArray>("design");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("said");
        const QByteArray list = productList();
        QTest::newRow("not XML") << QByteArray("<Glabels-document") << list
                                 << "not a gLabels design: line 1:";
        QTest::newRow("broken gzip") << QByteArray("\x1f\x8b\x08\x00garbage", 12) << list
                                     << "the design's gzip is broken or cut short";
        QTest::newRow("another root")
            << QByteArray("<svg/>") << list << "its root is <svg>, not <Glabels-document>";
        QTest::newRow("no template")
            << QByteArray(R"(<Glabels-document version="4.0"><Objects/></Glabels-document>)")
            << list << "the design has no <Template>";
        QByteArray style = glabels3Design();
        style.replace(R"(backend="gnu-barcode" style="EAN-13")", R"(backend="zint" style="MAXI")");
        QTest::newRow("barcode style")
            << style << list
            << "object 3: the barcode style zint/MAXI is not one Barcode Desk draws";
        QByteArray field = glabels3Design();
        field.replace(R"(field="sku")", R"(field="ean")");
        QTest::newRow("field missing")
            << field << list
            << "The list has no field 'ean', which object 3 (barcode) uses; its columns: sku, "
               "name, paint.";
        QByteArray image = glabels3Design();
        image.replace("</Objects>",
                      R"(<Object-image x="0" y="0" w="10mm" h="10mm" src="logo.png"/></Objects>)");
        QTest::newRow("image missing")
            << image << list
            << "Cannot use the design: object 4 (image): cannot read the picture logo.png";
        QTest::newRow("value refused")
            << glabels3Design() << QByteArray("sku,name\n4006381333931,a\n40063813339x,b\n")
            << "row 3: object 3 (barcode gnu-barcode/EAN-13, field sku): ean13: character 12 is "
               "not "
               "a digit";
        QTest::newRow("layout typo")
            << QByteArray("text \"x\" x=1 y=2 sise=3\n") << list << "line 1: text takes no 'sise'";
        QTest::newRow("layout type") << QByteArray("barcode ean14 \"1\" x=1 y=2 w=3 h=4\n") << list
                                     << "line 1: no barcode type is named 'ean14'";
    }
    void refusals() {
        QFETCH(QByteArray, design);
        QFETCH(QByteArray, list);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.glabels"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(design);
        file.close();
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        const bool layout = !design.startsWith('<') && !design.startsWith('\x1f');
        const Run run = cli({"labels", layout ? "--layout" : "--design", path, "--list", "-",
                             "--header", "--template", "Avery L7160", "--out", pdf},
                            list);
        QVERIFY2(run.err.contains(said.toUtf8()), run.err.constData());
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!QFile::exists(pdf));
    }

    // --skip-bad prints the rows the symbology takes and counts the others.
    void skipBadLeavesOutRefusedRows() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.layout"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(layoutDesign().replace("128/n", "ean13"));
        file.close();
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        const Run run = cli({"labels", "--layout", path, "--list", "-", "--header", "--template",
                             "Avery L7160", "--skip-bad", "--out", pdf},
                            "sku,name\n4006381333931,a\n123,b\n");
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains("row 3: object 3 (barcode ean13, field sku)"), run.err.data());
        QVERIFY2(run.err.contains("1 labels on 1 sheet written to " + pdf.toUtf8() +
                                  ", 1 refused labels left out; X-dimension"),
                 run.err.data());
        QVERIFY(QFile::exists(pdf));
    }
};

QTEST_GUILESS_MAIN(TestDesigns)
#include "test_designs.moc"
