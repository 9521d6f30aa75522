// Thermal roll labels as ZPL: the stream read back command by command, the bitmaps against
// our own raster, the stream sent to a loopback printer port, and every label rendered by an
// independent ZPL renderer and read by the reading engine.
#include "TestSupport.h"
#include "ZplReader.h"

#include "decode/ReadingEngine.h"
#include "labels/RollLabel.h"
#include "labels/ZplWriter.h"
#include "render/SymbolPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

namespace {

QString writeList(const QTemporaryDir& dir, const QByteArray& rows) {
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(rows);
    return path;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The labels of one code on a roll, as ZPL, through the command line.
ZplReader::Stream zplOf(const QTemporaryDir& dir, const QStringList& args, Run* run = nullptr) {
    const QString out = dir.filePath(QStringLiteral("labels.zpl"));
    QFile::remove(out);
    const Run result = cli(QStringList{"labels", "--out", out} + args);
    if (run) *run = result;
    return ZplReader::read(fileBytes(out));
}

// Where the renderer's package was installed by scripts/install-deps.
QString rendererModules() {
    QString dir = qEnvironmentVariable("BARCODE_DESK_NPM_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
              QStringLiteral("/barcode-desk/npm");
    return dir + QStringLiteral("/node_modules");
}

} // namespace

class TestThermal : public QObject {
    Q_OBJECT

  private slots:
    void fieldData_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("1 plain") << "Hello 42" << QByteArray("Hello 42");
        QTest::newRow("2 command characters and the escape itself")
            << "a^b~c_d" << QByteArray("a_5Eb_7Ec_5Fd");
        QTest::newRow("3 UTF-8 bytes")
            << QString::fromUtf8("über €") << QByteArray("_C3_BCber _E2_82_AC");
        QTest::newRow("4 control characters") << "A\tB\x1d" << QByteArray("A_09B_1D");
    }
    void fieldData() {
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        QCOMPARE(Labels::zplFieldData(text), data);
        QCOMPARE(ZplReader::unescaped(data), text);
    }

    void labelSizes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("size"); // "W x H" mm, or the start of the refusal
        QTest::newRow("1 mm") << "50x30"
                              << "50.0 x 30.0";
        QTest::newRow("2 mm with unit and blanks") << " 57.5 X 32mm "
                                                   << "57.5 x 32.0";
        QTest::newRow("3 inches") << "4x6in"
                                  << "101.6 x 152.4";
        QTest::newRow("4 too small") << "4x30"
                                     << "'4x30' is 4.0 x 30.0 mm";
        QTest::newRow("5 wider than a printhead") << "300x30"
                                                  << "'300x30' is 300.0 x 30.0 mm";
        QTest::newRow("6 no size") << "A6"
                                   << "'A6' is no label size";
    }
    void labelSizes() {
        QFETCH(QString, text);
        QFETCH(QString, size);
        const auto parsed = Labels::labelSizeOf(text);
        if (const auto* refusal = std::get_if<QString>(&parsed)) {
            QVERIFY2(refusal->startsWith(size), qPrintable(*refusal));
            return;
        }
        const QSizeF mm = std::get<QSizeF>(parsed);
        QCOMPARE(QStringLiteral("%1 x %2").arg(mm.width(), 0, 'f', 1).arg(mm.height(), 0, 'f', 1),
                 size);
    }

    // A symbol drawn as ^GF is, dot for dot, what the painter draws at those dots, its text
    // left out (that goes as text fields).
    void graphicsMatchRaster_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("dots");
        QTest::newRow("1 EAN-13, guards") << "EAN13"
                                          << "400638133393" << 3;
        QTest::newRow("2 EAN-13 with add-on, bars under its digits") << "ean13"
                                                                     << "978020137962+51995" << 2;
        QTest::newRow("3 ITF-14 in its bearer frame") << "itf14"
                                                      << "1540014128876" << 4;
        QTest::newRow("4 Code 39, one dot") << "39/n"
                                            << "ABC-1" << 1;
        QTest::newRow("5 QR Code") << "qr"
                                   << "https://example.com" << 5;
        QTest::newRow("6 PDF417, rows taller than wide") << "pdf417"
                                                         << "Shipment 42" << 2;
        QTest::newRow("7 wider than ^BY allows") << "128/n"
                                                 << "AB" << 12;
    }
    void graphicsMatchRaster() {
        QFETCH(QString, type);
        QFETCH(QString, code);
        QFETCH(int, dots);
        Labels::Roll roll;
        roll.labelMm = QSizeF(200, 120);
        const Labels::LabelTemplate label = Labels::rollTemplate(roll);
        const auto made = std::get<Labels::LabelSymbol>(Labels::labelSymbol(type, code));
        Labels::ZplSettings settings;
        settings.graphicsOnly = dots <= Labels::kZplMaxModuleDots;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        Labels::ZplWriter writer(buffer, label, type, settings);
        const Labels::Area area{label.shape, label.label * writer.dotsPerPoint(), 0, 0};
        const auto fit = Labels::fitSymbol(made.symbol, area, 0, dots, dots);
        QVERIFY(fit);
        const Labels::Sheet sheet(label, {});
        QVERIFY(writer.paint(sheet.place(0, 1), made, *fit, {}, 0));
        QVERIFY(!writer.commit());
        const ZplReader::Stream stream = ZplReader::read(buffer.data());
        QVERIFY2(stream.problem.isEmpty(), qPrintable(stream.problem));
        const QList<ZplReader::Field> graphics = stream.formats.last().fieldsOf("GF");
        QCOMPARE(graphics.size(), 1);
        const QImage zpl = ZplReader::graphic(graphics[0]);
        QVERIFY(!zpl.isNull());

        Symbol bare = made.symbol;
        bare.texts.clear();
        for (const SymbolText& text : made.symbol.texts) // keeps the add-on's bars short
            if (text.above) bare.texts << SymbolText{QString(), text.band, true};
        const SymbolLayout layout(made.symbol, fit->barHeight, std::nullopt);
        const QImage painted = symbolPicture(bare, layout, dots);
        // The bitmap's rows are whole bytes wide; what lies beyond the picture is light.
        QCOMPARE(zpl.width(), (painted.width() + 7) / 8 * 8);
        QVERIFY(zpl.height() <= painted.height());
        for (int y = 0; y < zpl.height(); ++y)
            for (int x = 0; x < zpl.width(); ++x) {
                const QRgb want = x < painted.width() ? painted.pixel(x, y) : 0xffffffff;
                if (zpl.pixel(x, y) != want)
                    QFAIL(qPrintable(QStringLiteral("dot %1,%2 differs").arg(x).arg(y)));
            }
        // Nothing the bitmap leaves out is dark, apart from the text band.
        const int textTop = layout.top + layout.barHeight + SymbolLayout::kTextGap;
        for (int y = zpl.height(); y < std::min(textTop * dots, painted.height()); ++y)
            for (int x = 0; x < painted.width(); ++x)
                QCOMPARE(painted.pixel(x, y), QRgb(0xffffffff));
    }

    // What each option puts in the stream, read back.
    void rollStreams_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("expected");  // "formats copies PW LL BY labels-per-format"
        QTest::addColumn<QString>("firstBars"); // ^FO of the barcode fields of the first format
        const QStringList ean{"--type", "EAN13", "--label", "50x30"};
        const QByteArray three("400638133393\n978020137962\n590123412345\n");
        QTest::newRow("1 one across, 203 dpi, 0.375 mm X") << ean << three << "3 1 400 240 3 1"
                                                           << "57,42";
        QTest::newRow("2 300 dpi: 4 dots, 0.339 mm")
            << ean + QStringList{"--dpi", "300"} << three << "3 1 591 354 4 1"
            << "105,57";
        QTest::newRow("3 three across, 2 mm apart: one format per row")
            << QStringList{"--type", "EAN13", "--label", "50x30", "--across", "3"} << three
            << "1 1 1231 240 3 3"
            << "57,42 473,42 888,42";
        QTest::newRow("4 from the third label of the first row")
            << QStringList{"--type", "EAN13", "--label", "50x30", "--across", "3", "--start", "3"}
            << three << "2 1 1231 240 3 1"
            << "888,42";
        QTest::newRow("5 copies of a row as ^PQ")
            << ean + QStringList{"--copies", "5"} << QByteArray("400638133393\n")
            << "1 5 400 240 3 1"
            << "57,42";
        QTest::newRow("6 continuous media, 4x6 in")
            << QStringList{"--type", "128/n", "--label", "4x6in", "--media", "continuous"}
            << QByteArray("SHIP-42\n") << "1 1 812 1218 6 1"
            << "70,459";
        QTest::newRow("7 --xdim in whole dots") << ean + QStringList{"--xdim", "0.26"}
                                                << QByteArray("400638133393\n") << "1 1 400 240 2 1"
                                                << "105,51";
    }
    void rollStreams() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, list);
        QFETCH(QString, expected);
        QFETCH(QString, firstBars);
        QTemporaryDir dir;
        Run run;
        const auto stream = zplOf(dir, args + QStringList{"--list", writeList(dir, list)}, &run);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY2(stream.problem.isEmpty(), qPrintable(stream.problem));
        const ZplReader::Format& first = stream.formats.value(1);
        QStringList bars;
        int labels = 0;
        for (const ZplReader::Field& field : first.fields)
            if (field.command.startsWith(u'B')) {
                bars << QStringLiteral("%1,%2").arg(field.origin.x()).arg(field.origin.y());
                ++labels;
            }
        // The first format sets up the printer and prints nothing.
        QCOMPARE(stream.formats.first().fields.size(), 0);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(stream.formats.size() - 1)
                     .arg(first.copies())
                     .arg(first.settings.value("PW"), first.settings.value("LL"))
                     .arg(first.fields.value(0).moduleBy.value(0))
                     .arg(labels),
                 expected);
        QCOMPARE(bars.join(u' '), firstBars);
        QCOMPARE(first.settings.value("CI"), QStringLiteral("28"));
        QCOMPARE(first.settings.value("LH"), QStringLiteral("0,0"));
    }

    // The printer's own command and data for each symbology, as the printer must be told to
    // draw our modules.
    void nativeCommands_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("field"); // command, parameters | data
        QTest::newRow("1 EAN-13") << "EAN13"
                                  << "4006381333931"
                                  << "BE N,276,N,N | 400638133393";
        QTest::newRow("2 EAN-8") << "EAN8"
                                 << "9638507"
                                 << "B8 N,220,N,N | 9638507";
        QTest::newRow("3 UPC-A") << "UPC-A"
                                 << "036000291452"
                                 << "BU N,276,N,N | 03600029145";
        QTest::newRow("4 Code 128, set B spelt out") << "128/c"
                                                     << "Ab>1"
                                                     << "BC N,250,N,N,N,N | >:Ab><1";
        QTest::newRow("5 GS1-128: set C, FNC1, switch to B")
            << "gs1-128"
            << "(01)09501101530003(10)AB1"
            << "BC N,150,N,N,N,N | >;>8010950110153000310>6AB1";
        QTest::newRow("6 Code 39 with its check character, ratio 2") << "39/c"
                                                                     << "CODE 39"
                                                                     << "B3 N,N,250,N,N | CODE 39";
        QTest::newRow("7 ITF-14 with its check digit") << "itf14"
                                                       << "1540014128876"
                                                       << "B2 N,200,N,N,N | 15400141288763";
        QTest::newRow("8 Code 93") << "code93"
                                   << "CODE-93"
                                   << "BA N,250,N,N,N | CODE-93";
        QTest::newRow("9 Codabar, start and stop apart") << "codabar"
                                                         << "A40156B"
                                                         << "BK N,N,250,N,N,A,B | 40156";
        QTest::newRow("10 QR Code: our ECC and mask") << "qr"
                                                      << "Hi ^ü"
                                                      << "BQ N,2,7,M,0 | MA,Hi ^ü";
        QTest::newRow("11 Data Matrix, its size fixed") << "datamatrix"
                                                        << "Part 4711"
                                                        << "BX N,7,200,14,14,6 | Part 4711";
        QTest::newRow("12 UPC-E as a bitmap") << "upce"
                                              << "042100005264"
                                              << "GF";
        QTest::newRow("13 Code 93 full ASCII as a bitmap") << "code93"
                                                           << "lower"
                                                           << "GF";
    }
    void nativeCommands() {
        QFETCH(QString, type);
        QFETCH(QString, code);
        QFETCH(QString, field);
        QTemporaryDir dir;
        Run run;
        const auto stream = zplOf(
            dir,
            {"--type", type, "--label", "100x50", "--list", writeList(dir, code.toUtf8() + '\n')},
            &run);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QStringList found;
        for (const ZplReader::Field& each : stream.formats.value(1).fields)
            if (each.command.startsWith(u'B'))
                found << each.command + u' ' + each.params.join(u',') + QStringLiteral(" | ") +
                             each.data;
            else if (each.command == u"GF")
                found << QStringLiteral("GF");
        QCOMPARE(found.value(0), field);
    }

    void badInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QStringList roll{"--type", "EAN13", "--label", "50x30", "--out", "x.zpl"};
        QTest::newRow("1 dpi") << roll + QStringList{"--dpi", "250"} << 2
                               << "--dpi takes 152, 203, 300 or 600, not '250'.";
        QTest::newRow("2 darkness") << roll + QStringList{"--darkness", "31"} << 2
                                    << "--darkness takes a whole number from 0 to 30";
        QTest::newRow("3 media") << roll + QStringList{"--media", "roll"} << 2
                                 << "--media takes gap, mark or continuous, not 'roll'.";
        QTest::newRow("4 a label size that is none")
            << QStringList{"--type", "EAN13", "--label", "50", "--out", "x.zpl"} << 2
            << "'50' is no label size";
        QTest::newRow("5 --start on a roll of one across")
            << roll + QStringList{"--start", "1"} << 2 << "this roll has one label across";
        QTest::newRow("6 ZPL on a sheet")
            << QStringList{"--type", "EAN13", "--template", "Avery L7160", "--out", "x.zpl"} << 2
            << "ZPL is for roll labels: give --label.";
        QTest::newRow("7 template and roll at once")
            << roll + QStringList{"--template", "Avery L7160"} << 2
            << "Give --template or --label, one of them.";
        QTest::newRow("8 darkness for a PDF")
            << QStringList{"--type", "EAN13", "--label",    "50x30",
                           "--out",  "x.pdf", "--darkness", "5"}
            << 2 << "--darkness is for ZPL: write a .zpl file";
        QTest::newRow("9 across on a sheet")
            << QStringList{"--type", "EAN13", "--template", "Avery L7160",
                           "--out",  "x.pdf", "--across",   "2"}
            << 2 << "--across is for roll labels: give --label.";
        QTest::newRow("10 too small a label, with the size it needs")
            << QStringList{"--type", "EAN13", "--label", "20x10", "--out", "x.zpl"} << 2
            << "needs 43.9 x 30.0 mm";
        QTest::newRow("11 nobody listening: nothing sent")
            << QStringList{"--type",    "EAN13", "--label",
                           "50x30",     "--out", "socket://127.0.0.1:1",
                           "--skip-bad"}
            << 1 << "Cannot reach the printer at 127.0.0.1:1: Connection refused; nothing sent.";
        QTest::newRow("12 a refused row: nothing written")
            << roll + QStringList{"--list", "bad"} << 1 << "row 2: EAN-13 takes digits only";
    }
    void badInput() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString list = writeList(dir, "400638133393\nABC\n");
        const int at = int(args.indexOf("bad"));
        if (at >= 0) args[at] = list;
        if (!args.contains("--list")) args += QStringList{"--list", list};
        for (const char* name : {"x.zpl", "x.pdf"})
            if (const int out = int(args.indexOf(name)); out >= 0) args[out] = dir.filePath(name);
        const Run run = cli(QStringList{"labels"} + args);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(!QFile::exists(dir.filePath("x.zpl")) && !QFile::exists(dir.filePath("x.pdf")));
    }

    // The stream a printer's port receives is byte for byte the file; a port that closes part
    // way is reported with the labels that went out whole.
    void loopbackPrinter() {
        QTemporaryDir dir;
        QByteArray rows;
        for (int i = 0; i < 400; ++i)
            rows += QByteArray::number(400638133000LL + i) + '\n';
        const QString list = writeList(dir, rows);
        const QStringList job{"labels", "--type", "EAN13",      "--label", "50x30",
                              "--list", list,     "--darkness", "20",      "--zpl-graphics"};
        const Run toFile = cli(job + QStringList{"--out", dir.filePath("file.zpl")});
        QCOMPARE(toFile.exitCode, 0);
        const QByteArray expected = fileBytes(dir.filePath("file.zpl"));
        QVERIFY(expected.startsWith("~SD20\n^XA"));

        for (const qint64 closeAfter : {qint64(-1), qint64(100000)}) {
            QTcpServer server;
            QVERIFY(server.listen(QHostAddress::LocalHost));
            // A printer's small buffer, which its connections inherit: what it acknowledges
            // is close to what it read.
            const int buffer = 4096;
            setsockopt(int(server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &buffer,
                       sizeof buffer);
            QProcess program;
            program.start(
                QStringLiteral(CLI_EXECUTABLE),
                job +
                    QStringList{"--out",
                                QStringLiteral("socket://127.0.0.1:%1").arg(server.serverPort())});
            QVERIFY(server.waitForNewConnection(60000));
            QTcpSocket* printer = server.nextPendingConnection();
            QByteArray received;
            while (printer->state() == QAbstractSocket::ConnectedState &&
                   (closeAfter < 0 || received.size() < closeAfter)) {
                printer->waitForReadyRead(5000);
                received += printer->readAll();
            }
            if (closeAfter >= 0) printer->abort();
            QVERIFY(program.waitForFinished(60000));
            const QString err = QString::fromUtf8(program.readAllStandardError());
            if (closeAfter < 0) {
                QCOMPARE(program.exitCode(), 0);
                QCOMPARE(received, expected);
                continue;
            }
            QCOMPARE(program.exitCode(), 1);
            // Labels counted as sent lie whole in what the port took before it closed.
            const QRegularExpression sent(
                QStringLiteral("; at least the first (\\d+) of 400 labels reached it\\."));
            const auto match = sent.match(err);
            QVERIFY2(match.hasMatch(), qPrintable(err));
            const int count = match.captured(1).toInt();
            // A lower bound: the formats the printer acknowledged, all of which it read.
            QVERIFY2(count > 0 && count <= received.count("^XZ") - 1, qPrintable(err));
        }
    }

    // An independent ZPL renderer draws the stream; the reading engine reads every label, and
    // where the renderer knows the printer's own command its picture is, dot for dot, the one
    // of our bitmap.
    void independentRenderer_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("codes");
        QTest::addColumn<QStringList>("texts"); // as the reading engine reads each label
        QTest::addColumn<bool>("native");       // the renderer draws the printer's command
        QTest::newRow("1 EAN-13") << "EAN13" << QByteArray("400638133393\n590123412345\n")
                                  << QStringList{"4006381333931", "5901234123457"} << true;
        QTest::newRow("2 Code 128") << "128/c" << QByteArray("Hello World 42\n12345678ab\n")
                                    << QStringList{"Hello World 42", "12345678ab"} << true;
        QTest::newRow("3 GS1-128")
            << "gs1-128" << QByteArray("(01)09501101530003(17)271231(10)ABC123\n")
            << QStringList{"01095011015300031727123110ABC123"} << true;
        QTest::newRow("4 Code 39")
            << "39/c" << QByteArray("HELLO-42\n") << QStringList{"HELLO-42"} << true;
        QTest::newRow("5 ITF-14") << "itf14" << QByteArray("1540014128876\n")
                                  << QStringList{"15400141288763"} << true;
        QTest::newRow("6 QR Code") << "qr" << QByteArray("https://example.com\n")
                                   << QStringList{"https://example.com"} << true;
        QTest::newRow("7 Data Matrix")
            << "datamatrix" << QByteArray("Part 4711\n") << QStringList{"Part 4711"} << true;
        QTest::newRow("8 EAN-8, no ^B8 in the renderer")
            << "EAN8" << QByteArray("9638507\n") << QStringList{"96385074"} << false;
        QTest::newRow("9 UPC-A, no ^BU")
            << "UPC-A" << QByteArray("036000291452\n") << QStringList{"036000291452"} << false;
        QTest::newRow("10 Code 93, no ^BA")
            << "code93" << QByteArray("CODE-93\n") << QStringList{"CODE-93"} << false;
        QTest::newRow("11 Codabar, no ^BK")
            << "codabar" << QByteArray("A40156B\n") << QStringList{"40156"} << false;
        QTest::newRow("12 PDF417")
            << "pdf417" << QByteArray("Shipment 42\n") << QStringList{"Shipment 42"} << false;
        QTest::newRow("13 Aztec") << "aztec" << QByteArray("Ticket-42\n")
                                  << QStringList{"Ticket-42"} << false;
    }
    void independentRenderer() {
        QFETCH(QString, type);
        QFETCH(QByteArray, codes);
        QFETCH(QStringList, texts);
        QFETCH(bool, native);
        const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (node.isEmpty() || !QFile::exists(rendererModules() + "/zpl-renderer-js"))
            QSKIP("zpl-renderer-js is not installed: scripts/install-deps installs it");
        QTemporaryDir dir;
        const QString list = writeList(dir, codes);
        // Our bitmaps first, then the printer's own commands: one stream, one render.
        QByteArray stream;
        for (const QStringList& extra : {QStringList{"--zpl-graphics"}, QStringList{}}) {
            if (extra.isEmpty() && !native) break;
            const QString zpl = dir.filePath("labels.zpl");
            const Run run = cli(QStringList{"labels", "--type", type, "--label", "100x50", "--list",
                                            list, "--out", zpl} +
                                extra);
            QVERIFY2(run.exitCode == 0, run.err.constData());
            stream += fileBytes(zpl);
        }
        QFile both(dir.filePath("both.zpl"));
        QVERIFY(both.open(QIODevice::WriteOnly) && both.write(stream) == stream.size());
        both.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("NODE_PATH", rendererModules());
        const Run rendered = runProgram(node,
                                        {QStringLiteral(ZPL_RENDER_SCRIPT), both.fileName(), "100",
                                         "50", "8", dir.filePath("label-")},
                                        {}, environment);
        QVERIFY2(rendered.exitCode == 0, rendered.err.constData());
        QList<QImage> pictures;
        for (int i = 1; i <= rendered.out.trimmed().toInt(); ++i)
            pictures << QImage(
                            dir.filePath(QStringLiteral("label-%1.png").arg(i, 4, 10, QChar('0'))))
                            .convertToFormat(QImage::Format_RGB32);
        // A picture per label; the formats that set the printer up print none.
        QCOMPARE(pictures.size(), (native ? 2 : 1) * texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            const auto found = ReadingEngine::findSymbols(pictures[i], ReadingEngine::Reach::Every);
            QCOMPARE(found.size(), 1);
            QCOMPARE(found[0].text, texts[i]);
            if (native) QCOMPARE(pictures[texts.size() + i], pictures[i]);
        }
    }
};

QTEST_MAIN(TestThermal)
#include "test_thermal.moc"
