// Lists, label products and sheets: the labels library and barcode-desk-cli labels.
#include "PdfQueue.h"
#include "TestSupport.h"
#include "labels/ListReader.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QBuffer>
#include <QImageReader>
#include <QtTest>

#include <signal.h>
#include <sys/stat.h>

using namespace Labels;

namespace {

// Every row as "ROW:field|field", the header first as "h:field|field", the error last.
QStringList readAll(const QByteArray& bytes, ListReader::Options options) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ListReader reader(buffer, options);
    QStringList seen;
    QStringList fields;
    ListReader::Status status;
    while ((status = reader.next(fields)) == ListReader::Status::Row)
        seen << QStringLiteral("%1:%2").arg(reader.rowNumber()).arg(fields.join(u'|'));
    if (options.header) seen.prepend(QStringLiteral("h:") + reader.header().join(u'|'));
    if (status == ListReader::Status::Error) seen << reader.error();
    return seen;
}

const TemplateCatalog& catalog() {
    static TemplateCatalog loaded;
    static const std::optional<QString> problem = loaded.load();
    if (problem) qWarning("%s", qPrintable(*problem));
    return loaded;
}

double mmOf(double points) {
    return points / kPointsPerMm;
}

// ZXingReader's symbols in a picture of one label, centres from the crop's top left corner. It
// reports a symbol of a page several times and, trying the picture scaled down, may stop on an
// assertion: so the sheet is looked at a label at a time, at its own scale.
QList<ZxingSymbol> labelSymbols(const QString& path) {
    QList<ZxingSymbol> found = zxingSymbols({"-noscale", path});
    // The corners are the first and last pixels of the bars; their edges lie half a pixel
    // further out.
    for (ZxingSymbol& symbol : found)
        symbol.centre += QPointF(0.5, 0.5);
    return found;
}

QString fileText(const QByteArray& bytes, const QTemporaryDir& dir, const QString& name) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return file.fileName();
}

// Checks a printed sheet: every row's symbol found on its label, reading the row's code, its
// centre within 0.2 mm of the label's centre as the template and the correction place it.
void checkSheet(const QString& pdf, const QString& templateName, const QString& type, int rows,
                int start, const QString& offset, const QString& scale, int copies = 1) {
    QTemporaryDir dir;
    runProgram(QStringLiteral(PDFTOPPM_EXECUTABLE),
               {"-r", "600", "-gray", "-png", pdf, dir.filePath(QStringLiteral("page"))});
    const LabelTemplate* label = catalog().find(templateName);
    QVERIFY(label);
    const auto offsetMm = offset.split(u','), factors = scale.split(u',');
    const Sheet sheet(*label, {offsetMm[0].toDouble(), offsetMm[1].toDouble(),
                               factors[0].toDouble(), factors[1].toDouble()});
    constexpr double kPixelsPerPoint = 600.0 / 72, kMmPerPixel = 25.4 / 600;
    const QStringList pages = QDir(dir.path()).entryList({"page-*.png"}, QDir::Files, QDir::Name);
    QCOMPARE(pages.size(), int(sheet.place(rows * copies - 1, start).page + 1));
    QImage page;
    qint64 pageShown = -1;
    for (int n = 0; n < rows * copies; ++n) {
        const int row = n / copies + 1;
        const Sheet::Place place = sheet.place(n, start);
        if (place.page != pageShown) {
            page = QImage(dir.filePath(pages[place.page]));
            pageShown = place.page;
        }
        const QRectF labelPixels(place.label.topLeft() * kPixelsPerPoint,
                                 place.label.size() * kPixelsPerPoint);
        const QRect crop = labelPixels.toAlignedRect();
        const QString cropPath = dir.filePath(QStringLiteral("label.png"));
        QVERIFY(page.copy(crop).save(cropPath));
        const QList<ZxingSymbol> found = labelSymbols(cropPath);
        QVERIFY2(found.size() == 1,
                 qPrintable(QStringLiteral("row %1: %2 symbols").arg(row).arg(found.size())));
        const QString expected = rowCode(type, row);
        QCOMPARE(found[0].text, expected);
        const QPointF miss =
            (found[0].centre + crop.topLeft() - labelPixels.center()) * kMmPerPixel;
        QVERIFY2(qAbs(miss.x()) <= 0.2 && qAbs(miss.y()) <= 0.2,
                 qPrintable(QStringLiteral("row %1 misses its label's centre by %2, %3 mm")
                                .arg(row)
                                .arg(miss.x())
                                .arg(miss.y())));
    }
}

} // namespace

class TestLabels : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QImageReader::setAllocationLimit(1024); // pages at 600 dpi
    }

    void listRows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("delimiter"); // empty: detected
        QTest::addColumn<bool>("header");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("plain") << QByteArray("a,b\n1,2\n") << "" << false
                               << QStringList{"1:a|b", "2:1|2"};
        QTest::newRow("CR line ends, none at the end")
            << QByteArray("a,b\r1,2") << "" << false << QStringList{"1:a|b", "2:1|2"};
        QTest::newRow("quoted delimiters, not counted, and doubled quotes")
            << QByteArray("\"x;y;z\",\"say \"\"hi\"\"\"\n") << "" << false
            << QStringList{"1:x;y;z|say \"hi\""};
        QTest::newRow("line breaks inside quotes, CRLF")
            << QByteArray("\"l1\r\nl2\",3\r\n4,\"\"\r\n") << "" << false
            << QStringList{"1:l1\r\nl2|3", "2:4|"};
        QTest::newRow("BOM and header") << QByteArray("\xEF\xBB\xBF"
                                                      "code;name\n123;x\n")
                                        << "" << true << QStringList{"h:code|name", "2:123|x"};
        QTest::newRow("tab detected over commas")
            << QByteArray("a\tb,c\n1\t2,3\n") << "" << false << QStringList{"1:a|b,c", "2:1|2,3"};
        QTest::newRow("delimiter given")
            << QByteArray("a;b,c\n") << "," << false << QStringList{"1:a;b|c"};
        QTest::newRow("empty lines counted, not returned")
            << QByteArray("a\n\n,\nb\n") << "" << false << QStringList{"1:a", "4:b"};
        QTest::newRow("quote inside a plain field is text")
            << QByteArray("12\" tape,x\n") << "" << false << QStringList{"1:12\" tape|x"};
        QTest::newRow("characters cut by a chunk's end")
            << QByteArray("x,") + QString(70000, QChar(0xE9)).toUtf8() + "\ny\n"
            << "" << false << QStringList{"1:x|" + QString(70000, QChar(0xE9)), "2:y"};
        QTest::newRow("unterminated quote")
            << QByteArray("1\n2,\"abc\nd\n") << "" << false
            << QStringList{"1:1", "row 2: the quote opened on line 2 is never closed"};
        QTest::newRow("text after a closing quote")
            << QByteArray("1\n\n\"a\"b,c\n") << "" << false
            << QStringList{"1:1",
                           "row 3: 'b' after the closing quote of field 1 (a quote inside a quoted "
                           "field is written twice)"};
        QTest::newRow("not UTF-8") << QByteArray("ok\nbad\xFF\n") << "" << false
                                   << QStringList{"1:ok", "row 2: the list is not UTF-8 text"};
        QTest::newRow("overlong form") << QByteArray("\xC0\xAF\n") << "" << false
                                       << QStringList{"row 1: the list is not UTF-8 text"};
        QTest::newRow("cut character at the end")
            << QByteArray("a\n\xE2\x82") << "" << false
            << QStringList{"1:a", "row 2: the list is not UTF-8 text"};
        QTest::newRow("row longer than the limit")
            << QByteArray("\"") + QByteArray(ListReader::kMaxRowChars + 10, 'x') << "" << false
            << QStringList{QStringLiteral("row 1: longer than %1 characters")
                               .arg(ListReader::kMaxRowChars)};
    }
    void listRows() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, delimiter);
        QFETCH(bool, header);
        QFETCH(QStringList, rows);
        ListReader::Options options;
        if (!delimiter.isEmpty()) options.delimiter = delimiter[0];
        options.header = header;
        QCOMPARE(readAll(bytes, options), rows);
    }

    // Found by name, as "NAME (= ORIGINAL): PAPER WxH mm, SHAPE WxH mm, N per sheet".
    void templates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        const QString l7160 = "Avery L7160 (= Avery 7160): A4 210.0x297.0 mm, rectangular "
                              "64.0x38.1 mm, 21 per sheet";
        QTest::newRow("L7160, A4 3 x 7, an alias") << "Avery L7160" << l7160;
        QTest::newRow("part alone, one brand has it") << "L7160" << l7160;
        QTest::newRow("5160, Letter 3 x 10, any case")
            << "avery  5160"
            << "Avery 5160: US-Letter 215.9x279.4 mm, rectangular 66.7x25.4 mm, 30 per sheet";
        QTest::newRow("an alias of 5160") << "Avery 5260"
                                          << "Avery 5260 (= Avery 5160): US-Letter 215.9x279.4 "
                                             "mm, rectangular 66.7x25.4 mm, 30 per sheet";
        QTest::newRow("round")
            << "Avery 3274.2"
            << "Avery 3274.2: US-Letter 215.9x279.4 mm, round 38.1x38.1 mm, 20 per sheet";
        QTest::newRow("CD") << "Avery L6015"
                            << "Avery L6015: A4 210.0x297.0 mm, CD 117.0x117.0 mm, 2 per sheet";
        QTest::newRow("unknown") << "Avery L716"
                                 << "";
    }
    void templates() {
        QFETCH(QString, name);
        QFETCH(QString, found);
        const LabelTemplate* label = catalog().find(name);
        const auto size = [](QSizeF points) {
            return QStringLiteral("%1x%2 mm")
                .arg(mmOf(points.width()), 0, 'f', 1)
                .arg(mmOf(points.height()), 0, 'f', 1);
        };
        QCOMPARE(label
                     ? QStringLiteral("%1%2: %3 %4, %5 %6, %7 per sheet")
                           .arg(label->name(),
                                label->equivalentOf.isEmpty() ? QString()
                                                              : " (= " + label->equivalentOf + ")",
                                label->paperName, size(label->paper), label->shapeName(),
                                size(label->label))
                           .arg(Sheet(*label, {}).labelsPerSheet())
                     : QString(),
                 found);
    }

    // Where the n-th label of a run lands: "page P, position N at X,Y pt, W pt wide".
    void sheetPlaces_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("calibration"); // offset mm and scale: "X,Y,SX,SY"
        QTest::addColumn<QString>("place");
        // Avery 7160: x0 21.2, y0 43.9, dx 187.2, dy 108 points, 3 across, 181.4 points wide.
        QTest::newRow("second row, middle") << 1 << 4 << "0,0,1,1"
                                            << "page 0, position 5 at 208.4,151.9 pt, 181.4";
        QTest::newRow("from position 20, third label on the next sheet")
            << 20 << 2 << "0,0,1,1"
            << "page 1, position 1 at 21.2,43.9 pt, 181.4";
        // 395.6 x 1.01 + 1.5 mm, 691.9 x 0.98 - 2 mm; 181.4 x 1.01
        QTest::newRow("calibrated") << 1 << 20 << "1.5,-2,1.01,0.98"
                                    << "page 0, position 21 at 403.8,672.4 pt, 183.2";
    }
    void sheetPlaces() {
        QFETCH(int, start);
        QFETCH(int, n);
        QFETCH(QString, calibration);
        QFETCH(QString, place);
        const QStringList c = calibration.split(u',');
        const Sheet sheet(*catalog().find(QStringLiteral("Avery L7160")),
                          {c[0].toDouble(), c[1].toDouble(), c[2].toDouble(), c[3].toDouble()});
        const Sheet::Place found = sheet.place(n, start);
        QCOMPARE(QStringLiteral("page %1, position %2 at %3,%4 pt, %5")
                     .arg(found.page)
                     .arg(found.position)
                     .arg(found.label.x(), 0, 'f', 1)
                     .arg(found.label.y(), 0, 'f', 1)
                     .arg(found.label.width(), 0, 'f', 1),
                 place);
    }

    // A file by path: its own paper size, a shape, two layouts whose rows interleave, an alias.
    void templateFile() {
        QTemporaryDir dir;
        const QString path = fileText(R"(<?xml version="1.0"?>
<Glabels-templates>
  <Template brand="Test" part="T1" size="Other" width="100mm" height="50mm" _description="Two rows">
    <Label-ellipse id="0" width="2cm" height="0.4in" waste="1mm">
      <Markup-margin size="1mm"/>
      <Layout nx="2" ny="1" x0="10mm" y0="30mm" dx="113.386" dy="0"/>
      <Layout nx="1" ny="1" x0="50mm" y0="5mm" dx="0" dy="0"/>
    </Label-ellipse>
  </Template>
  <Template brand="Test" part="T2" equiv="T1"/>
  <Template brand="Test" part="Broken" size="Nowhere"><Label-round radius="1mm"/></Template>
</Glabels-templates>)",
                                      dir, QStringLiteral("test-templates.xml"));
        TemplateCatalog own;
        const auto loaded = own.loadFile(path);
        QVERIFY(std::holds_alternative<QList<LabelTemplate>>(loaded));
        const auto& templates = std::get<QList<LabelTemplate>>(loaded);
        QCOMPARE(templates.size(), 2);
        const LabelTemplate* alias = own.find(QStringLiteral("test t2"));
        QVERIFY(alias);
        QCOMPARE(alias->shape, LabelTemplate::Shape::Ellipse);
        QVERIFY(qAbs(mmOf(alias->paper.width()) - 100) < 1e-9);
        QList<double> xs;
        const Sheet sheet(*alias, {});
        for (const QRectF& rect : sheet.positions())
            xs << std::round(mmOf(rect.x()));
        QCOMPARE(xs, (QList<double>{50, 10, 50}));
    }

    // The sheet as printed: every symbol where its label is, and reading its row's code.
    void sheetGeometry_data() {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<int>("copies");
        QTest::newRow("L7160, a whole sheet") << "Avery L7160"
                                              << "128/n" << 21 << 1 << "0,0"
                                              << "1,1" << 1;
        QTest::newRow("5160, EAN-13 with shortened bars, from label 25 on, calibrated")
            << "Avery 5160"
            << "EAN13" << 8 << 25 << "1.5,-2"
            << "1.01,0.99" << 1;
        QTest::newRow("round labels, EAN-8, two of each") << "Avery 3274.2"
                                                          << "EAN8" << 10 << 1 << "-1,1"
                                                          << "1,1" << 2;
        QTest::newRow("L7160, QR Code from libzint") << "Avery L7160"
                                                     << "qr" << 5 << 3 << "0,0"
                                                     << "1,1" << 1;
        QTest::newRow("L7160, Code 93 from libzint") << "Avery L7160"
                                                     << "code93" << 4 << 1 << "0,0"
                                                     << "1,1" << 1;
    }
    void sheetGeometry() {
        QFETCH(QString, templateName);
        QFETCH(QString, type);
        QFETCH(int, rows);
        QFETCH(int, start);
        QFETCH(QString, offset);
        QFETCH(QString, scale);
        QFETCH(int, copies);
        QTemporaryDir dir;
        QByteArray list;
        for (int row = 1; row <= rows; ++row)
            list += rowCode(type, row).toUtf8() + '\n';
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        const Run run = cli({"labels", "--list", "-", "--template", templateName, "--type", type,
                             "--start", QString::number(start), "--offset", offset, "--scale",
                             scale, "--copies", QString::number(copies), "--out", pdf},
                            list);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        // Linear symbols are graded as printed; 2D ones are not yet.
        const QString grades = QStringLiteral("scan check: %1 A.").arg(rows);
        QVERIFY2(run.err.contains(grades.toUtf8()), run.err.constData());
        checkSheet(pdf, templateName, type, rows, start, offset, scale, copies);
    }

    // The same through a CUPS printer: the PDF printer scripts/test sets up. A correction given
    // for a printer is used again when none is given.
    void printedSheet() {
        PdfQueue queue;
        if (const auto missing = queue.missing()) QSKIP(qPrintable(*missing));
        QTemporaryDir config;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QByteArray list;
        for (int row = 1; row <= 6; ++row)
            list += rowCode(QStringLiteral("128/n"), row).toUtf8() + '\n';
        for (const QStringList& calibration :
             {QStringList{"--offset", "1.5,-1", "--scale", "1.01,1"}, QStringList{}}) {
            const QStringList before = queue.pdfsNow();
            const Run run = cli(QStringList{"labels", "--list", "-", "--template", "Avery L7160",
                                            "--type", "128/n", "--printer", kQueue} +
                                    calibration,
                                list, environment);
            QVERIFY2(run.exitCode == 0, run.err.constData());
            const QString pdf = queue.awaitNewPdf(before);
            QVERIFY2(!pdf.isEmpty(), "the queue wrote no PDF");
            checkSheet(pdf, "Avery L7160", "128/n", 6, 1, "1.5,-1", "1.01,1");
            if (QTest::currentTestFailed()) return;
        }
    }

    // The calibration page: a crosshair on every corner of every label, where the correction
    // puts it.
    void calibrationPage() {
        const QString offset = "2,-1.5", scale = "0.98,1.02";
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("calibration.pdf"));
        const Run run = cli({"labels", "--calibration-page", "--template", "Avery 5160", "--offset",
                             offset, "--scale", scale, "--out", pdf});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        runProgram(QStringLiteral(PDFTOPPM_EXECUTABLE),
                   {"-r", "300", "-gray", "-png", "-singlefile", pdf, dir.filePath("page")});
        const QImage page(dir.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        const auto offsetMm = offset.split(u','), factors = scale.split(u',');
        const Sheet sheet(*catalog().find(QStringLiteral("Avery 5160")),
                          {offsetMm[0].toDouble(), offsetMm[1].toDouble(), factors[0].toDouble(),
                           factors[1].toDouble()});
        constexpr double kPixelsPerPoint = 300.0 / 72;
        // The darkest pixel within half a millimetre.
        const auto darkest = [&](QPointF at) {
            int darkest = 255;
            for (int dy = -6; dy <= 6; ++dy)
                for (int dx = -6; dx <= 6; ++dx)
                    darkest =
                        std::min(darkest, qGray(page.pixel(int(at.x()) + dx, int(at.y()) + dy)));
            return darkest;
        };
        for (int position = 1; position <= sheet.labelsPerSheet(); ++position) {
            const QRectF label = sheet.place(position - 1, 1).label;
            const QRectF pixels(label.topLeft() * kPixelsPerPoint, label.size() * kPixelsPerPoint);
            for (const QPointF& corner :
                 {pixels.topLeft(), pixels.topRight(), pixels.bottomLeft(), pixels.bottomRight()})
                QVERIFY2(
                    darkest(corner) < 128,
                    qPrintable(QStringLiteral("label %1: no crosshair at a corner").arg(position)));
        }
    }

    // Refusals: every bad row with its number, the reasons, and no file unless --skip-bad; and
    // the product list, which writes nothing either.
    void refusals_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<bool>("written");
        const QStringList ean{"--type", "EAN13", "--template", "Avery L7160"};
        const QStringList byName{"--type",      "39/n",     "--template",
                                 "Avery L7160", "--header", "--column"};
        const QByteArray bad("4006381333931\n123\n\"40063813339x\"\n4006381333932\n");
        QTest::newRow("bad rows")
            << bad << ean << 1
            << QStringList{"row 2: EAN-13 takes 12 digits, or 13 with the check digit; '123' has 3",
                           "row 3: EAN-13 takes digits only",
                           "row 4: the check digit of "
                           "4006381333932 should be 1",
                           "3 of the rows refused; nothing written"}
            << false;
        QTest::newRow("bad rows skipped")
            << bad << ean + QStringList{"--skip-bad"} << 0
            << QStringList{"row 2:", "1 labels on 1 sheet", "scan check: 1 A."} << true;
        QTest::newRow("empty list")
            << QByteArray("\n\n") << ean << 1 << QStringList{"The list has no rows"} << false;
        QTest::newRow("start beyond the sheet")
            << QByteArray("4006381333931\n") << ean + QStringList{"--start", "22"} << 2
            << QStringList{"--start 22 is beyond the sheet: Avery L7160 has 21 labels"} << false;
        QTest::newRow("unknown template")
            << QByteArray("1\n") << QStringList{"--type", "128/n", "--template", "Avery L716"} << 2
            << QStringList{"Unknown label template 'Avery L716'. Nearest: Avery L7160"} << false;
        QTest::newRow("label too small")
            << QByteArray("4006381333931\n") << ean + QStringList{"--xdim", "0.66"} << 2
            << QStringList{"row 1: the label is too small: at an X-dimension of 0.677 mm (16 dots "
                           "at 600 dpi)"}
            << false;
        QTest::newRow("unterminated quote")
            << QByteArray("A\n\"B\n") << QStringList{"--type", "128/n", "--template", "Avery L7160"}
            << 1
            << QStringList{"row 2: the quote opened on line 2 is never closed; nothing written"}
            << false;
        QTest::newRow("column by name, a short row")
            << QByteArray("name,code\nx,ABC\ny\n") << byName + QStringList{"CODE"} << 1
            << QStringList{"row 3: no column 2 (the row has 1)"} << false;
        QTest::newRow("products listed") << QByteArray() << QStringList{"--templates", "L7160"} << 0
                                         << QStringList{"Avery L7160               64.0 x 38.1 mm  "
                                                        "             21 per sheet  A4 "
                                                        "        Mailing labels (as Avery 7160)\n"}
                                         << false;
        QTest::newRow("no product listed")
            << QByteArray() << QStringList{"--templates", "zzz"} << 1
            << QStringList{"No label template matches 'zzz'"} << false;
        QTest::newRow("column unknown")
            << QByteArray("name,code\n") << byName + QStringList{"sku"} << 2
            << QStringList{"The header names no column 'sku'"} << false;
    }
    void refusals() {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, said);
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        const Run run = cli(QStringList{"labels", "--list", "-", "--out", pdf} + options, list);
        QCOMPARE(run.exitCode, exitCode);
        for (const QString& text : said)
            QVERIFY2((run.out + run.err).contains(text.toUtf8()), run.err.constData());
        QCOMPARE(QFile::exists(pdf), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), written ? 1 : 0);
    }

    // A pipe or a device is written into, never replaced by a file.
    void writesIntoAPipe() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("sheet.pdf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start(QStringLiteral("cat"), {fifo});
        const Run run = cli({"labels", "--list", "-", "--template", "Avery L7160", "--type",
                             "128/n", "--out", fifo},
                            "ABC\n");
        const bool read = reader.waitForFinished(10000);
        if (!read) reader.kill();
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(read && reader.readAllStandardOutput().startsWith("%PDF"));
        QVERIFY(!QFileInfo(fifo).isFile());
    }

    // Ended halfway, a run leaves neither a sheet nor its temporary behind.
    void interruptedRunLeavesNothing() {
        QTemporaryDir dir;
        QByteArray list;
        for (int row = 0; row < 40000; ++row)
            list += "LBL" + QByteArray::number(row) + '\n';
        const QString listPath = fileText(list, dir, QStringLiteral("list.csv"));
        QProcess process;
        process.start(QStringLiteral(CLI_EXECUTABLE),
                      {"labels", "--list", listPath, "--template", "Avery L7160", "--type", "128/n",
                       "--out", dir.filePath(QStringLiteral("sheet.pdf"))});
        QVERIFY(process.waitForStarted());
        QTest::qWait(700);
        QCOMPARE(process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.csv"});
    }
};

QTEST_GUILESS_MAIN(TestLabels)
#include "test_labels.moc"
