// Label designs: gLabels 3 and 4 files and our own layout lines, printed by labels --design and
// --layout and read back from the PDF.
#include "TestSupport.h"
#include "ZplReader.h"
#include "labels/Design.h"
#include "labels/DesignPainter.h"
#include "labels/ListReader.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QBuffer>

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

// A gLabels 4 design of one 100 x 60 mm label holding `objects`, and a merge when given.
QByteArray labelDesign(const QByteArray& objects, const QByteArray& merge = {}) {
    return R"(<Glabels-document version="4.0">
<Template brand="Test" part="P1" size="Other" width="100mm" height="60mm" description="test">
  <Label-rectangle id="0" width="100mm" height="60mm" round="0">
    <Layout nx="1" ny="1" x0="0" y0="0" dx="100mm" dy="60mm"/></Label-rectangle>
</Template>
<Objects id="0" rotate="false">)" +
           objects + "</Objects>" + merge + "</Glabels-document>";
}

std::variant<Design, QString> designOf(const QByteArray& xml, const QString& folder) {
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    return readGlabelsDesign(buffer, {}, folder);
}

// The dark pixels' bounds, in millimetres.
QRectF inkMm(const QImage& image, double pixelsPerMm) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
    return {ink.x() / pixelsPerMm, ink.y() / pixelsPerMm, ink.width() / pixelsPerMm,
            ink.height() / pixelsPerMm};
}

// The reason in a result, or nothing.
template <class Value> QString problemOf(const std::variant<Value, QString>& result) {
    const auto* problem = std::get_if<QString>(&result);
    return problem ? *problem : QString();
}

const QByteArray kIdentity = R"(a0="1" a1="0" a2="0" a3="1" a4="0" a5="0")";

} // namespace

class TestDesigns : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QImageReader::setAllocationLimit(1024); }

    // One object painted alone on its label at 300 dpi: all of its ink inside `inside`, some
    // of it inside `touches` (millimetres); or the row refused with `refused`.
    void paintedObjects_data() {
        QTest::addColumn<QByteArray>("object");
        QTest::addColumn<QString>("logo");
        QTest::addColumn<QRectF>("inside");
        QTest::addColumn<QRectF>("touches");
        QTest::addColumn<QString>("refused");
        const auto text = [](const QByteArray& attributes, const QByteArray& lines) {
            return R"(<Object-text x="10mm" y="10mm" w="30mm" h="10mm" font_family="DejaVu Sans" )" +
                   attributes + " " + kIdentity + ">" + lines + "</Object-text>";
        };
        const QByteArray wide = "<p>WWWWWWWWWW</p>";
        QTest::newRow("1 auto-shrink keeps to the box")
            << text(R"(font_size="40" wrap="none" auto_shrink="true")", wide) << QString()
            << QRectF(9.5, 9.5, 31, 11) << QRectF(10, 10, 30, 10) << QString();
        QTest::newRow("2 without it the text runs on")
            << text(R"(font_size="40" wrap="none" auto_shrink="false")", wide) << QString()
            << QRectF(9.5, 9.5, 91, 20) << QRectF(45, 10, 40, 15) << QString();
        const QByteArray twoLines = "<p>HH</p><p>HH</p>";
        QTest::newRow("3 single line spacing")
            << text(R"(font_size="10" line_spacing="1")", twoLines) << QString()
            << QRectF(9.5, 9.5, 20, 8.5) << QRectF(10, 15.5, 20, 1) << QString();
        QTest::newRow("4 double line spacing")
            << text(R"(font_size="10" line_spacing="2")", twoLines) << QString()
            << QRectF(9.5, 9.5, 20, 13.5) << QRectF(10, 19.5, 20, 1.5) << QString();
        QTest::newRow("5 a box turned a quarter by its matrix")
            << QByteArray(R"(<Object-box x="30mm" y="10mm" w="20mm" h="5mm" line_width="0"
                 fill_color="0x000000ff" a0="0" a1="1" a2="-1" a3="0" a4="0" a5="0"/>)")
            << QString() << QRectF(24.5, 9.5, 6, 21) << QRectF(27, 19, 1, 2) << QString();
        const QByteArray image = R"(<Object-image x="5mm" y="5mm" w="10mm" h="10mm"
            src_field="logo" )" + kIdentity +
                                 "/>";
        QTest::newRow("6 a picture a field names")
            << image << "black.png" << QRectF(4.5, 4.5, 11, 11) << QRectF(9, 9, 2, 2) << QString();
        QTest::newRow("7 a picture a field names, missing")
            << image << "nothere.png" << QRectF() << QRectF()
            << "object 1 (image, field logo): cannot read the picture nothere.png";
    }
    void paintedObjects() {
        QFETCH(QByteArray, object);
        QFETCH(QString, logo);
        QFETCH(QRectF, inside);
        QFETCH(QRectF, touches);
        QFETCH(QString, refused);
        QTemporaryDir dir;
        QImage black(20, 20, QImage::Format_RGB32);
        black.fill(Qt::black);
        QVERIFY(black.save(dir.filePath(QStringLiteral("black.png"))));
        const auto read = designOf(labelDesign(object), dir.path());
        QVERIFY2(std::holds_alternative<Design>(read), qPrintable(problemOf(read)));
        const Design& design = std::get<Design>(read);
        constexpr int kDpi = 300;
        const DesignPainter painter(design, *design.label, kDpi);
        QVERIFY(!painter.check());
        const auto filled = painter.fill({{QStringLiteral("logo"), logo}});
        if (!refused.isEmpty()) {
            QVERIFY(std::holds_alternative<QString>(filled));
            QVERIFY2(std::get<QString>(filled).startsWith(refused), qPrintable(problemOf(filled)));
            return;
        }
        QVERIFY2(std::holds_alternative<FilledLabel>(filled), qPrintable(problemOf(filled)));
        const QSizeF size = design.label->label * painter.dotsPerPoint();
        QImage image(size.toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter on(&image);
        painter.paint(on, QRectF(QPointF(), size), std::get<FilledLabel>(filled));
        on.end();
        const double pixelsPerMm = kDpi / 25.4;
        const QRectF ink = inkMm(image, pixelsPerMm);
        const QString where = QStringLiteral("ink at %1, %2 mm, %3 x %4 mm")
                                  .arg(ink.x())
                                  .arg(ink.y())
                                  .arg(ink.width())
                                  .arg(ink.height());
        QVERIFY2(!ink.isEmpty() && inside.contains(ink), qPrintable(where));
        const QRect part((touches.topLeft() * pixelsPerMm).toPoint(),
                         (touches.size() * pixelsPerMm).toSize());
        QVERIFY2(!inkMm(image.copy(part), pixelsPerMm).isEmpty(), qPrintable(where));
    }

    // gLabels' merge types: the delimiter, and the field names of the key line or 1, 2, ...
    void mergeTypes_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // of the first row; or the reason it is refused
        QTest::newRow("comma") << QByteArray("Text/Comma") << QByteArray("p,q\n") << "2"
                               << "q";
        QTest::newRow("comma, key line")
            << QByteArray("Text/Comma/Line1Keys") << QByteArray("a,name\n1,Alpha\n") << "name"
            << "Alpha";
        QTest::newRow("tab") << QByteArray("Text/Tab") << QByteArray("a,b\tc\n") << "2"
                             << "c";
        QTest::newRow("tab, key line")
            << QByteArray("Text/Tab/Line1Keys") << QByteArray("k\tname\n1\tB,C\n") << "name"
            << "B,C";
        QTest::newRow("colon") << QByteArray("Text/Colon") << QByteArray("x:y\n") << "1"
                               << "x";
        QTest::newRow("colon, key line")
            << QByteArray("Text/Colon/Line1Keys") << QByteArray("sku:name\n1:Alpha\n") << "name"
            << "Alpha";
        QTest::newRow("semicolon") << QByteArray("Text/Semicolon") << QByteArray("x;y;z\n") << "3"
                                   << "z";
        QTest::newRow("semicolon, key line")
            << QByteArray("Text/Semicolon/Line1Keys") << QByteArray("a;b\n1;2\n") << "b"
            << "2";
        QTest::newRow("another kind")
            << QByteArray("ODBC/Excel") << QByteArray("x\n") << "1"
            << "the design's list is of a kind Barcode Desk does not read (ODBC/Excel)";
    }
    void mergeTypes() {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, list);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("list.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(list);
        file.close();
        const auto read =
            designOf(labelDesign(R"(<Object-text x="1mm" y="1mm" w="30mm" h="10mm" )" + kIdentity +
                                     "><p>${" + field.toUtf8() + "}</p></Object-text>",
                                 R"(<Merge type=")" + type + R"(" src="list.txt"/>)"),
                     dir.path());
        if (const auto* problem = std::get_if<QString>(&read)) {
            QVERIFY2(problem->contains(value), qPrintable(*problem));
            return;
        }
        const Design& design = std::get<Design>(read);
        QVERIFY(design.merge);
        QFile source(design.merge->path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        ListReader reader(source, {design.merge->delimiter, design.merge->header});
        QVERIFY(reader.readHeader());
        const auto columns = designColumns(design, &reader);
        using Columns = QHash<QString, int>;
        QVERIFY2(std::holds_alternative<Columns>(columns), qPrintable(problemOf(columns)));
        QStringList fields;
        QCOMPARE(reader.next(fields), ListReader::Status::Row);
        QCOMPARE(fields.value(std::get<QHash<QString, int>>(columns).value(field)), value);
    }

    // gLabels 4's modifiers after a field's name, and the ones it does not define.
    void fieldModifiers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");  // of the field v
        QTest::addColumn<QString>("filled"); // or the reason it is refused
        QTest::newRow("plain") << "EUR ${v}"
                               << "3"
                               << "EUR 3";
        QTest::newRow("zero padded") << "${v:%05d}"
                                     << "42"
                                     << "00042";
        QTest::newRow("hexadecimal") << "${v:%04X}"
                                     << "0xff"
                                     << "00FF";
        QTest::newRow("decimals") << "${v:%.2f}"
                                  << "3.14159"
                                  << "3.14";
        QTest::newRow("text left") << "[${v:%-4s}]"
                                   << "ab"
                                   << "[ab  ]";
        QTest::newRow("no type: as it is") << "${v:%5}"
                                           << "7"
                                           << "7";
        QTest::newRow("default") << "${v:=none}"
                                 << ""
                                 << "none";
        QTest::newRow("default unused") << "${v:=none}"
                                        << "x"
                                        << "x";
        QTest::newRow("default, escaped") << "${v:=a\\}b\\:c}"
                                          << ""
                                          << "a}b:c";
        QTest::newRow("default, formatted") << "${v:=5:%03d}"
                                            << ""
                                            << "005";
        QTest::newRow("new line") << "a${v:n}"
                                  << "b"
                                  << "a\nb";
        QTest::newRow("new line, empty") << "a${v:n}"
                                         << ""
                                         << "a";
        QTest::newRow("no closing brace") << "${v"
                                          << "x"
                                          << "${v";
        QTest::newRow("unknown modifier")
            << "${v:q}"
            << ""
            << "!the field ${v:…} has the modifier ':q', which is none of :%format, :=default "
               "and :n";
        QTest::newRow("format too wide") << "${v:%999d}"
                                         << ""
                                         << "!the field ${v:%…} is wider than 100 characters";
        QTest::newRow("junk after the format") << "${v:%5dz}"
                                               << ""
                                               << "!the field ${v:…} has 'z' where its format ends";
        QTest::newRow("no name") << "${}"
                                 << ""
                                 << "!${} names no field";
    }
    void fieldModifiers() {
        QFETCH(QString, text);
        QFETCH(QString, value);
        QFETCH(QString, filled);
        const auto references = fieldReferences(text);
        if (filled.startsWith(u'!')) {
            QVERIFY(std::holds_alternative<QString>(references));
            QCOMPARE(std::get<QString>(references), filled.mid(1));
            return;
        }
        QVERIFY2(std::holds_alternative<QList<FieldReference>>(references),
                 qPrintable(problemOf(references)));
        QCOMPARE(filledIn(text, {{QStringLiteral("v"), value}}), filled);
    }

    // Each format printed from its own list: the name at its place as text, the box's red
    // where the box is, the barcode decoding to its row inside its box.
    void printedDesigns_data() {
        QTest::addColumn<QByteArray>("design");
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("gzip");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<double>("stretch"); // --scale across
        QStringList eans;
        for (int row = 0; row < kNames.size(); ++row)
            eans << withCheckDigit(QStringLiteral("40063813339%1").arg(row));
        QTest::newRow("gLabels 3, gzip") << glabels3Design() << "--design" << true << eans << 1.0;
        QTest::newRow("gLabels 3, plain") << glabels3Design() << "--design" << false << eans << 1.0;
        QTest::newRow("gLabels 3, stretched")
            << glabels3Design() << "--design" << false << eans << 0.9;
        QTest::newRow("gLabels 4") << glabels4Design() << "--design" << false << eans << 1.0;
        QTest::newRow("layout") << layoutDesign() << "--layout" << false << eans << 1.0;
    }
    void printedDesigns() {
        QFETCH(QByteArray, design);
        QFETCH(QString, option);
        QFETCH(bool, gzip);
        QFETCH(QStringList, codes);
        QFETCH(double, stretch);
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
        if (stretch != 1) args << "--scale" << QStringLiteral("%1,1").arg(stretch);
        const Run run = cli(args);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY2(run.err.contains("3 labels on 1 sheet"), run.err.constData());

        TemplateCatalog catalog;
        QVERIFY(!catalog.load());
        const Sheet sheet(*catalog.find(QStringLiteral("Avery L7160")), {0, 0, stretch, 1});
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
            const QPointF expected = margin + mmRect(3, 10, 0, 0).topLeft();
            const QPointF miss =
                (word->topLeft - label - QPointF(expected.x() * stretch, expected.y())) /
                kPointsPerMm;
            QVERIFY2(std::abs(miss.x()) < 0.3 && std::abs(miss.y()) < 0.5,
                     qPrintable(QStringLiteral("%1 is %2, %3 mm off")
                                    .arg(kNames[row])
                                    .arg(miss.x())
                                    .arg(miss.y())));
            // The red box, and white just outside it.
            const auto pixel = [&](double xMm, double yMm) {
                return page.pixelColor(
                    ((label + QPointF(xMm * stretch, yMm) * kPointsPerMm) * kPixelsPerPoint)
                        .toPoint());
            };
            QCOMPARE(pixel(12, 5), QColor(Qt::red));
            QCOMPARE(pixel(12, 8.5), QColor(Qt::white));
            QCOMPARE(pixel(1.5, 5), QColor(Qt::white));
            // gLabels 4's box turned a quarter about its centre by its matrix.
            if (design.contains("0x0000ffff")) {
                QCOMPARE(pixel(40 / kPointsPerMm, 70 / kPointsPerMm), QColor(Qt::blue));
                QCOMPARE(pixel(55 / kPointsPerMm, 83 / kPointsPerMm), QColor(Qt::white));
            }
            const QRectF box = mmRect(30 * stretch, 9, 32 * stretch, 27).translated(label);
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

    // A design on a roll as ZPL: per label, the shapes as ^GB, the name in the printer's font
    // at its place, the barcodes as the printer's own commands, a turned box as a bitmap.
    void designsAsZpl_data() {
        QTest::addColumn<QByteArray>("design");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("gLabels 3") << glabels3Design() << QStringList{"GB", "A0", "BE"};
        QTest::newRow("gLabels 4") << glabels4Design() << QStringList{"GB", "A0", "GF", "BQ"};
        // White text on a black bar clears the bar where it stands.
        QTest::newRow("white on black")
            << QByteArray("box x=2 y=2 w=20 h=6 line=0 fill=#000000\n"
                          "text \"${name}\" x=3 y=2 w=18 h=6 size=10 color=white\n")
            << QStringList{"GB", "GF", "FR"};
    }
    void designsAsZpl() {
        QFETCH(QByteArray, design);
        QFETCH(QStringList, commands);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.glabels"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(design);
        file.close();
        const QString out = dir.filePath(QStringLiteral("labels.zpl"));
        const bool layout = !design.startsWith('<');
        const Run run = cli({"labels", layout ? "--layout" : "--design", path, "--list", "-",
                             "--header", "--label", "70x40", "--out", out},
                            productList());
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QFile zpl(out);
        QVERIFY(zpl.open(QIODevice::ReadOnly));
        const ZplReader::Stream read = ZplReader::read(zpl.readAll());
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        QCOMPARE(read.formats.size(), 1 + kNames.size());
        constexpr double kDotsPerMm = 203 / 25.4;
        for (int row = 0; row < kNames.size(); ++row) {
            const ZplReader::Format& format = read.formats[row + 1];
            for (const QString& command : commands)
                QVERIFY2(!format.fieldsOf(command).isEmpty() || format.settings.contains(command),
                         qPrintable(command));
            // The red box at (2, 2) mm, 20 x 6 mm, filled.
            const ZplReader::Field box = format.fieldsOf("GB").first();
            QCOMPARE(box.origin, (QPointF(2, 2) * kDotsPerMm).toPoint());
            QCOMPARE(box.params.mid(0, 3),
                     (QStringList{"160", "48", "48"})); // 20 x 6 mm at 8 dots a millimetre
            if (!commands.contains("A0")) continue;
            const ZplReader::Field name = format.fieldsOf("A0").first();
            QCOMPARE(name.data, kNames[row]);
            // Its box at (3, 10) mm, gLabels' 3 pt in from the left.
            QCOMPARE(name.origin,
                     ((QPointF(3, 10) + QPointF(3 / kPointsPerMm, 0)) * kDotsPerMm).toPoint());
        }
        QVERIFY2(run.err.contains("3 labels on 3 rows written to"), run.err.constData());
    }

    // Options a design refuses: exit 2, said why.
    void refusedOptions_data() {
        QTest::addColumn<QByteArray>("design");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("said");
        QTest::newRow("named template missing")
            << QByteArray("template \"Nope 123\"\ntext \"a\" x=1 y=1\n")
            << QStringList{"--out", "x.pdf"} << "Unknown label template 'Nope 123'. Nearest:";
        QTest::newRow("a roll and a template")
            << glabels3Design()
            << QStringList{"--label", "50x30", "--template", "Avery L7160", "--out", "x.pdf"}
            << "Give --template or --label, one of them.";
        QTest::newRow("ZPL on sheets") << glabels3Design() << QStringList{"--out", "x.zpl"}
                                       << "ZPL is for roll labels: give --label.";
        QTest::newRow("a stretched ZPL")
            << glabels3Design()
            << QStringList{"--label", "50x30", "--scale", "1.1,1", "--out", "x.zpl"}
            << "--scale is for sheets; ZPL goes with --label.";
        QTest::newRow("start on a single roll")
            << glabels3Design() << QStringList{"--label", "50x30", "--start", "2", "--out", "x.pdf"}
            << "--start skips used labels of the first row of a roll with labels side by side";
    }
    void refusedOptions() {
        QFETCH(QByteArray, design);
        QFETCH(QStringList, options);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.glabels"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(design);
        file.close();
        QFile list(dir.filePath(QStringLiteral("products.csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(productList());
        list.close();
        const QString out = dir.filePath(options.last());
        options.last() = out;
        const bool layout = !design.startsWith('<');
        const Run run =
            cli(QStringList{"labels", layout ? "--layout" : "--design", path} + options);
        QVERIFY2(run.err.contains(said.toUtf8()), run.err.constData());
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_MAIN(TestDesigns)
#include "test_designs.moc"
