// Lists, label products and sheets: the labels library and barcode-desk-cli labels.
#include "CliRunner.h"
#include "PdfQueue.h"
#include "labels/ListReader.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QBuffer>
#include <QImageReader>
#include <QRegularExpression>
#include <QtTest>

#include <signal.h>

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

// A code per row that tells the rows apart, valid in the symbology.
QString codeOf(const QString& type, int row) {
    if (!type.startsWith(u"EAN")) return QStringLiteral("LBL%1").arg(row, 3, 10, QChar(u'0'));
    const QString digits = type == u"EAN13"
                               ? QStringLiteral("400638%1").arg(row, 6, 10, QChar(u'0'))
                               : QStringLiteral("9638%1").arg(row, 3, 10, QChar(u'0'));
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[i].unicode() - u'0') * ((digits.size() - i) % 2 == 1 ? 3 : 1);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

struct Found {
    QString text;
    QPointF centre; // pixels, from the crop's top left corner
};

// ZXingReader's symbols in a picture of one label. It reports a symbol of a page several times
// and, trying the picture scaled down, may stop on an assertion: so the sheet is looked at a
// label at a time, at its own scale.
QList<Found> zxingSymbols(const QString& path) {
    const Run run = runProgram(QStringLiteral(ZXING_EXECUTABLE), {"-noscale", path});
    QList<Found> found;
    for (const QString& line : QString::fromUtf8(run.out).split(u'\n')) {
        if (line.startsWith(QStringLiteral("Text:")))
            found << Found{line.mid(5).trimmed().remove(u'"'), {}};
        static const QRegularExpression point(QStringLiteral("(\\d+)x(\\d+)"));
        if (!line.startsWith(QStringLiteral("Position:")) || found.isEmpty()) continue;
        QPointF sum;
        int points = 0;
        for (const auto& match : point.globalMatch(line)) {
            sum += QPointF(match.captured(1).toDouble(), match.captured(2).toDouble());
            ++points;
        }
        // Corners are the first and last pixels of the bars; their edges lie half a pixel out.
        if (points == 4) found.last().centre = sum / 4 + QPointF(0.5, 0.5);
    }
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
                int start, const QString& offset, const QString& scale) {
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
    QCOMPARE(pages.size(), int(sheet.place(rows - 1, start).page + 1));
    QImage page;
    qint64 pageShown = -1;
    for (int row = 1; row <= rows; ++row) {
        const Sheet::Place place = sheet.place(row - 1, start);
        if (place.page != pageShown) {
            page = QImage(dir.filePath(pages[place.page]));
            pageShown = place.page;
        }
        const QRectF labelPixels(place.label.topLeft() * kPixelsPerPoint,
                                 place.label.size() * kPixelsPerPoint);
        const QRect crop = labelPixels.toAlignedRect();
        const QString cropPath = dir.filePath(QStringLiteral("label.png"));
        QVERIFY(page.copy(crop).save(cropPath));
        const QList<Found> found = zxingSymbols(cropPath);
        QVERIFY2(found.size() == 1,
                 qPrintable(QStringLiteral("row %1: %2 symbols").arg(row).arg(found.size())));
        const QString expected = codeOf(type, row);
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
        QTest::newRow("no final line end")
            << QByteArray("a,b\n1,2") << "" << false << QStringList{"1:a|b", "2:1|2"};
        QTest::newRow("quoted delimiter and doubled quotes")
            << QByteArray("\"x,y\",\"say \"\"hi\"\"\"\n") << "" << false
            << QStringList{"1:x,y|say \"hi\""};
        QTest::newRow("line breaks inside quotes, CRLF")
            << QByteArray("\"l1\r\nl2\",3\r\n4,\"\"\r\n") << "" << false
            << QStringList{"1:l1\r\nl2|3", "2:4|"};
        QTest::newRow("CR line ends")
            << QByteArray("a\rb\r") << "" << false << QStringList{"1:a", "2:b"};
        QTest::newRow("BOM and header") << QByteArray("\xEF\xBB\xBF"
                                                      "code;name\n123;x\n")
                                        << "" << true << QStringList{"h:code|name", "2:123|x"};
        QTest::newRow("tab detected over commas")
            << QByteArray("a\tb,c\n1\t2,3\n") << "" << false << QStringList{"1:a|b,c", "2:1|2,3"};
        QTest::newRow("delimiter inside quotes does not count")
            << QByteArray("\"a;b;c\",d\n") << "" << false << QStringList{"1:a;b;c|d"};
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

    void columns_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("column"); // -1: none
        QTest::newRow("name") << "Name" << 1;
        QTest::newRow("name with blanks") << " price " << 2;
        QTest::newRow("number") << "3" << 2;
        QTest::newRow("number beyond the header") << "7" << 6;
        QTest::newRow("unknown name") << "weight" << -1;
        QTest::newRow("zero") << "0" << -1;
    }
    void columns() {
        QFETCH(QString, word);
        QFETCH(int, column);
        QBuffer buffer;
        buffer.setData("Code,NAME,Price\n1,2,3\n");
        buffer.open(QIODevice::ReadOnly);
        ListReader reader(buffer, {std::nullopt, true});
        QVERIFY(reader.readHeader());
        QCOMPARE(reader.column(word).value_or(-1), column);
    }

    void lengths_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("points"); // -1: refused
        QTest::newRow("inch") << "1in" << 72.0;
        QTest::newRow("millimetres") << "25.4mm" << 72.0;
        QTest::newRow("centimetres") << " 2.54cm" << 72.0;
        QTest::newRow("points") << "9pt" << 9.0;
        QTest::newRow("bare number") << "181.4" << 181.4;
        QTest::newRow("negative") << "-1mm" << -1.0;
        QTest::newRow("unknown unit") << "3ft" << -1.0;
        QTest::newRow("too large") << "1e400" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
    }
    void lengths() {
        QFETCH(QString, text);
        QFETCH(double, points);
        const auto read = pointsOf(text);
        QCOMPARE(read.has_value(), points >= 0);
        if (read) QVERIFY(qAbs(*read - points) < 1e-9);
    }

    void templates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("equivalentOf");
        QTest::addColumn<QSizeF>("paperMm");
        QTest::addColumn<QSizeF>("labelMm");
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("perSheet");
        const auto rectangle = static_cast<int>(LabelTemplate::Shape::Rectangle);
        QTest::newRow("L7160, A4 3 x 7, an alias")
            << "Avery L7160"
            << "Avery L7160"
            << "Avery 7160" << QSizeF(210, 297) << QSizeF(63.99, 38.1) << rectangle << 21;
        QTest::newRow("5160, Letter 3 x 10, any case")
            << "avery  5160"
            << "Avery 5160"
            << "" << QSizeF(215.9, 279.4) << QSizeF(66.675, 25.4) << rectangle << 30;
        QTest::newRow("an alias of 5160")
            << "Avery 5260"
            << "Avery 5260"
            << "Avery 5160" << QSizeF(215.9, 279.4) << QSizeF(66.675, 25.4) << rectangle << 30;
        QTest::newRow("round") << "Avery 3274.2"
                               << "Avery 3274.2"
                               << "" << QSizeF(215.9, 279.4) << QSizeF(38.1, 38.1)
                               << static_cast<int>(LabelTemplate::Shape::Round) << 20;
        QTest::newRow("CD") << "Avery L6015"
                            << "Avery L6015"
                            << "" << QSizeF(210, 297) << QSizeF(117.0, 117.0)
                            << static_cast<int>(LabelTemplate::Shape::Cd) << 2;
        QTest::newRow("part alone, one brand has it")
            << "L7160"
            << "Avery L7160"
            << "Avery 7160" << QSizeF(210, 297) << QSizeF(63.99, 38.1) << rectangle << 21;
        QTest::newRow("unknown") << "Avery L716"
                                 << ""
                                 << "" << QSizeF() << QSizeF() << 0 << 0;
    }
    void templates() {
        QFETCH(QString, name);
        QFETCH(QString, found);
        const LabelTemplate* label = catalog().find(name);
        QCOMPARE(label ? label->name() : QString(), found);
        if (!label) return;
        QFETCH(QString, equivalentOf);
        QFETCH(QSizeF, paperMm);
        QFETCH(QSizeF, labelMm);
        QFETCH(int, shape);
        QFETCH(int, perSheet);
        QCOMPARE(label->equivalentOf, equivalentOf);
        QVERIFY(qAbs(mmOf(label->paper.width()) - paperMm.width()) < 0.05);
        QVERIFY(qAbs(mmOf(label->paper.height()) - paperMm.height()) < 0.05);
        QVERIFY2(qAbs(mmOf(label->label.width()) - labelMm.width()) < 0.05,
                 qPrintable(QString::number(mmOf(label->label.width()))));
        QVERIFY(qAbs(mmOf(label->label.height()) - labelMm.height()) < 0.05);
        QCOMPARE(static_cast<int>(label->shape), shape);
        QCOMPARE(label->labelsPerSheet(), perSheet);
        QCOMPARE(Sheet(*label, {}).labelsPerSheet(), perSheet);
    }

    void searchAndSuggestions() {
        const QStringList near = catalog().suggestions(QStringLiteral("avery l716"));
        QCOMPARE(near.value(0), QStringLiteral("Avery L7160"));
        QCOMPARE(near.size(), 5);
        QStringList names;
        for (const LabelTemplate* label : catalog().search(QStringLiteral("avery round")))
            names << label->name();
        QVERIFY(names.contains(QStringLiteral("Avery 3274.2")));
        QVERIFY(!names.contains(QStringLiteral("Avery 5160")));
    }

    void sheetPlaces_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("n");
        QTest::addColumn<QPointF>("offsetMm");
        QTest::addColumn<QPointF>("scale");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("position");
        QTest::addColumn<QPointF>("cornerPt"); // before calibration
        // Avery 7160: x0 21.2, y0 43.9, dx 187.2, dy 108 points, 3 across.
        QTest::newRow("first") << 1 << 0 << QPointF() << QPointF(1, 1) << 0 << 1
                               << QPointF(21.2, 43.9);
        QTest::newRow("second row, middle")
            << 1 << 4 << QPointF() << QPointF(1, 1) << 0 << 5 << QPointF(208.4, 151.9);
        QTest::newRow("from position 20, third label on the next sheet")
            << 20 << 2 << QPointF() << QPointF(1, 1) << 1 << 1 << QPointF(21.2, 43.9);
        QTest::newRow("calibrated") << 1 << 20 << QPointF(1.5, -2) << QPointF(1.01, 0.98) << 0 << 21
                                    << QPointF(395.6, 691.9);
    }
    void sheetPlaces() {
        QFETCH(int, start);
        QFETCH(int, n);
        QFETCH(QPointF, offsetMm);
        QFETCH(QPointF, scale);
        QFETCH(int, page);
        QFETCH(int, position);
        QFETCH(QPointF, cornerPt);
        const LabelTemplate* label = catalog().find(QStringLiteral("Avery L7160"));
        QVERIFY(label);
        const Sheet sheet(*label, {offsetMm.x(), offsetMm.y(), scale.x(), scale.y()});
        const Sheet::Place place = sheet.place(n, start);
        QCOMPARE(place.page, page);
        QCOMPARE(place.position, position);
        const QPointF expected(cornerPt.x() * scale.x() + offsetMm.x() * kPointsPerMm,
                               cornerPt.y() * scale.y() + offsetMm.y() * kPointsPerMm);
        QVERIFY((place.label.topLeft() - expected).manhattanLength() < 1e-6);
        QVERIFY(qAbs(place.label.width() - label->label.width() * scale.x()) < 1e-6);
    }

    // A file by path: its own paper size, a shape, two layouts whose rows interleave, an alias.
    void templateFile() {
        QTemporaryDir dir;
        const QString path = fileText(R"(<?xml version="1.0"?>
<Glabels-templates>
  <Template brand="Test" part="T1" size="Other" width="100mm" height="50mm" _description="Two rows">
    <Label-ellipse id="0" width="20mm" height="10mm" waste="1mm">
      <Markup-margin size="1mm"/>
      <Layout nx="2" ny="1" x0="10mm" y0="30mm" dx="40mm" dy="0"/>
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
        QVERIFY(std::holds_alternative<QString>(own.loadFile(dir.filePath("missing.xml"))));
    }

    // The sheet as printed: every symbol where its label is, and reading its row's code.
    void sheetGeometry_data() {
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("scale");
        QTest::newRow("L7160, a whole sheet") << "Avery L7160"
                                              << "128/n" << 21 << 1 << "0,0"
                                              << "1,1";
        QTest::newRow("5160, from label 25 on, calibrated") << "Avery 5160"
                                                            << "128/n" << 8 << 25 << "1.5,-2"
                                                            << "1.01,0.99";
        QTest::newRow("round labels, EAN-8") << "Avery 3274.2"
                                             << "EAN8" << 20 << 1 << "-1,1"
                                             << "1,1";
    }
    void sheetGeometry() {
        QFETCH(QString, templateName);
        QFETCH(QString, type);
        QFETCH(int, rows);
        QFETCH(int, start);
        QFETCH(QString, offset);
        QFETCH(QString, scale);
        QTemporaryDir dir;
        QByteArray list;
        for (int row = 1; row <= rows; ++row)
            list += codeOf(type, row).toUtf8() + '\n';
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        const Run run =
            cli({"labels", "--list", "-", "--template", templateName, "--type", type, "--start",
                 QString::number(start), "--offset", offset, "--scale", scale, "--out", pdf},
                list);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        checkSheet(pdf, templateName, type, rows, start, offset, scale);
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
            list += codeOf(QStringLiteral("128/n"), row).toUtf8() + '\n';
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

    void templateList_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines"); // standard output, each as a pattern
        QTest::newRow("an alias") << "L7160" << 0
                                  << QStringList{"^Avery L7160 +64.0 x 38.1 mm +21 per sheet +A4 "
                                                 "+Mailing labels \\(as Avery 7160\\)$"};
        QTest::newRow("round") << "3274.2" << 0
                               << QStringList{
                                      "^Avery 3274.2 +38.1 mm round +20 per sheet +US-Letter"};
        QTest::newRow("nothing") << "no-such-label" << 1 << QStringList{};
    }
    void templateList() {
        QFETCH(QString, word);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        const Run run = cli({"labels", "--templates", word});
        QCOMPARE(run.exitCode, exitCode);
        const QStringList out = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(out.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(QRegularExpression(lines[i]).match(out[i]).hasMatch(), qPrintable(out[i]));
    }

    // The calibration page: a crosshair on every corner of every label, where the correction
    // puts it, and nothing just inside the corners.
    void calibrationPage_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("scale");
        QTest::newRow("as the template has it") << "0,0"
                                                << "1,1";
        QTest::newRow("corrected") << "2,-1.5"
                                   << "0.98,1.02";
    }
    void calibrationPage() {
        QFETCH(QString, offset);
        QFETCH(QString, scale);
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
        constexpr double kPixelsPerPoint = 300.0 / 72, kPixelsPerMm = 300 / 25.4;
        // The darkest pixel within `reach` pixels (6: half a millimetre).
        const auto darkest = [&](QPointF at, int reach = 6) {
            int darkest = 255;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                    darkest =
                        std::min(darkest, qGray(page.pixel(int(at.x()) + dx, int(at.y()) + dy)));
            return darkest;
        };
        for (int position = 1; position <= sheet.labelsPerSheet(); ++position) {
            const QRectF label = sheet.place(position - 1, 1).label;
            const QRectF pixels(label.topLeft() * kPixelsPerPoint, label.size() * kPixelsPerPoint);
            const QPointF inward[] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
            const QPointF corners[] = {pixels.topLeft(), pixels.topRight(), pixels.bottomLeft(),
                                       pixels.bottomRight()};
            for (int i = 0; i < 4; ++i) {
                QVERIFY2(darkest(corners[i]) < 128,
                         qPrintable(QStringLiteral("label %1: no crosshair at corner %2")
                                        .arg(position)
                                        .arg(i + 1)));
                // The rulers run down and across the page 6 to 17 mm from its edges.
                const QPointF inside = corners[i] + inward[i] * kPixelsPerMm;
                if (inside.x() < 17 * kPixelsPerMm || inside.y() < 17 * kPixelsPerMm) continue;
                QVERIFY2(
                    darkest(inside, 4) > 128,
                    qPrintable(
                        QStringLiteral("label %1: ink inside corner %2").arg(position).arg(i + 1)));
            }
        }
    }

    // Refusals: every bad row with its number, the reasons, and no file unless --skip-bad.
    void refusals_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<bool>("written");
        const QStringList ean{"--type", "EAN13", "--template", "Avery L7160"};
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
            << QByteArray("\n\n") << ean << 2 << QStringList{"The list has no rows"} << false;
        QTest::newRow("header only") << QByteArray("code\n") << ean + QStringList{"--header"} << 2
                                     << QStringList{"The list has no rows"} << false;
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
            << QByteArray("name,code\nx,ABC\ny\n")
            << QStringList{"--type",   "39/n",     "--template", "Avery L7160",
                           "--header", "--column", "CODE"}
            << 1 << QStringList{"row 3: no column 2 (the row has 1)"} << false;
        QTest::newRow("column unknown")
            << QByteArray("name,code\n")
            << QStringList{"--type",   "39/n",     "--template", "Avery L7160",
                           "--header", "--column", "sku"}
            << 2 << QStringList{"The header names no column 'sku'"} << false;
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
            QVERIFY2(run.err.contains(text.toUtf8()), run.err.constData());
        QCOMPARE(QFile::exists(pdf), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), written ? 1 : 0);
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
