#include "TestSupport.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <signal.h>

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

  private slots:
    void rawCode39DecodesWithIndependentReaders_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("39/n letters") << "39/n"
                                      << "HELLO-1"
                                      << "HELLO-1";
        QTest::newRow("39/c lower case") << "39/c"
                                         << "code 39"
                                         << "CODE 39";
        QTest::newRow("39/n symbols") << "39/n"
                                      << "$/+%.-"
                                      << "$/+%.-";
        QTest::newRow("39/n digits") << "39/n"
                                     << "0123456789"
                                     << "0123456789";
        QTest::newRow("39/c asterisks") << "39/c"
                                        << "*AB*"
                                        << "AB";
    }
    void rawCode39DecodesWithIndependentReaders() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (QStringLiteral(ZBARIMG_EXECUTABLE).isEmpty() ||
            QStringLiteral(ZXING_EXECUTABLE).isEmpty())
            QSKIP("zbarimg or ZXingReader not installed");
        const QString out = path(QString::number(qHash(type + text)) + ".png");
        const Run drawn = cli({"draw", "--type", type, "--text", text, "--out", out, "--raw"});
        QCOMPARE(drawn.exitCode, 0);
        const Run read = cli({"read", "--in", out, "--x", "0", "--y", "50"});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(QString::fromUtf8(read.out).trimmed(), expected);
        const QString scaled = scaledForScanners(out, dir);
        QCOMPARE(zbarRead(scaled), expected);
        QCOMPARE(zxingRead(scaled), expected);
    }

    void everySymbologyDecodesWithIndependentReaders_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("128/n") << "128/n"
                               << "Barcode Desk 2026!"
                               << "Barcode Desk 2026!";
        QTest::newRow("128/c digits") << "128/c"
                                      << "1234567890"
                                      << "1234567890";
        QTest::newRow("EAN13") << "EAN13"
                               << "400638133393"
                               << "4006381333931";
        QTest::newRow("EAN8") << "EAN8"
                              << "9638507"
                              << "96385074";
        QTest::newRow("UPC-A") << "UPC-A"
                               << "036000291452"
                               << "036000291452";
    }
    void everySymbologyDecodesWithIndependentReaders() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (QStringLiteral(ZBARIMG_EXECUTABLE).isEmpty() ||
            QStringLiteral(ZXING_EXECUTABLE).isEmpty())
            QSKIP("zbarimg or ZXingReader not installed");
        const QString out = path(QString::number(qHash(type)) + "-all.png");
        QCOMPARE(cli({"draw", "--type", type, "--text", text, "--out", out, "--raw"}).exitCode, 0);
        const QString scaled = scaledForScanners(out, dir);
        // readers may report UPC-A as EAN-13 with a leading 0
        auto same = [&](QString read) { return read == expected || read == "0" + expected; };
        QVERIFY2(same(zbarRead(scaled)), qPrintable(zbarRead(scaled)));
        QVERIFY2(same(zxingRead(scaled)), qPrintable(zxingRead(scaled)));
    }

    void digitCodesPrintTheNormalisedText() {
        Run run =
            cli({"draw", "--type", "EAN13", "--text", "123", "--out", path("n.png"), "--raw"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), QByteArray("000000000123"));
        run = cli({"draw", "--type", "UPC-A", "--text", "12A", "--out", path("r.png"), "--raw"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("UPC cannot be used with letters.\nPlease use numbers only."));
        QVERIFY(!QFile::exists(path("r.png")));
        QCOMPARE(QImage(path("n.png")).size(), QSize(128, 120));
        QCOMPARE(cli({"draw", "--type", "UPC-A", "--text", "1", "--out", path("u.png"), "--raw"})
                     .exitCode,
                 0);
        QCOMPARE(QImage(path("u.png")).size(), QSize(129, 65));
    }

    // The digits printed on a pack are drawn as that code (the full program's formats and the
    // quick PNG path alike); a wrong check digit is refused, not cut into another code.
    void wholeEanNumbersAreDrawnAsGiven_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("said"); // standard output, or in the error
        QTest::newRow("EAN13 png") << "EAN13"
                                   << "4006381333931"
                                   << "png" << 0 << QByteArray("400638133393");
        QTest::newRow("EAN13 jpg") << "EAN13"
                                   << "4006381333931"
                                   << "jpg" << 0 << QByteArray("400638133393");
        QTest::newRow("EAN8 png") << "EAN8"
                                  << "96385074"
                                  << "png" << 0 << QByteArray("9638507");
        QTest::newRow("EAN13 wrong")
            << "EAN13"
            << "4006381333932"
            << "jpg" << 1 << QByteArray("The check digit of 4006381333932 should be 1.");
        QTest::newRow("EAN8 wrong")
            << "EAN8"
            << "96385070"
            << "bmp" << 1 << QByteArray("The check digit of 96385070 should be 4.");
        QTest::newRow("EAN13 fourteen") << "EAN13"
                                        << "14006381333931"
                                        << "png" << 0 << QByteArray("006381333931");
        QTest::newRow("UPC-A twelve") << "UPC-A"
                                      << "036000291452"
                                      << "png" << 0 << QByteArray("036000291452");
    }
    void wholeEanNumbersAreDrawnAsGiven() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, format);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, said);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).remove(u' ');
        const QString out = path(tag + "." + format), drawn = path(tag + "-data." + format);
        const Run run = cli({"draw", "--type", type, "--text", text, "--out", out});
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode != 0) {
            QVERIFY2(run.err.contains(said), run.err.constData());
            // ... and which of the two EAN names takes what.
            QVERIFY2(run.err.contains("as printed, nothing filled or cut"), run.err.constData());
            QVERIFY(!QFile::exists(out));
            return;
        }
        QCOMPARE(run.out.trimmed(), said);
        QCOMPARE(cli({"draw", "--type", type, "--text", QString::fromLatin1(said), "--out", drawn})
                     .exitCode,
                 0);
        QCOMPARE(QImage(out), QImage(drawn));
    }

    void outputPictureFollowsTheSliders_data() {
        QTest::addColumn<QStringList>("sliders");
        QTest::addColumn<int>("right");  // last column that may hold a bar
        QTest::addColumn<int>("bottom"); // the bars end at row 110 of 120, stretched to H
        QTest::newRow("defaults") << QStringList{} << 424 << 110 * 166 / 120;
        QTest::newRow("half width") << QStringList{"--width", "25"} << 212 << 110 * 166 / 120;
        QTest::newRow("160 counts as 150")
            << QStringList{"--height", "160"} << 424 << 110 * 166 / 120;
        QTest::newRow("height 80") << QStringList{"--height", "80"} << 424 << 110 * 89 / 120;
    }
    void outputPictureFollowsTheSliders() {
        QFETCH(QStringList, sliders);
        QFETCH(int, right);
        QFETCH(int, bottom);
        const QString out = path("out.png");
        QCOMPARE(
            cli(QStringList{"draw", "--type", "39/n", "--text", "SLIDE", "--out", out} + sliders)
                .exitCode,
            0);
        const QImage image = QImage(out).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.size(), QSize(425, 177));
        QRect bars;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == 0) bars |= QRect(x, y, 1, 1);
        QVERIFY2(bars.right() <= right && bars.right() > right - 40,
                 qPrintable(QString::number(bars.right())));
        QVERIFY2(qAbs(bars.bottom() - bottom) <= 2, qPrintable(QString::number(bars.bottom())));
    }

    void sliderValuesOutOfRangeAreUsageErrors() {
        for (const QStringList& bad :
             {QStringList{"--width", "0"}, QStringList{"--width", "51"},
              QStringList{"--height", "-1"}, QStringList{"--height", "161"}})
            QCOMPARE(
                cli(QStringList{"draw", "--type", "39/n", "--text", "A", "--out", path("x.png")} +
                    bad)
                    .exitCode,
                2);
    }

    void batchDrawsEveryLineAndReportsRefusedOnes() {
        QFile list(path("codes.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("ONE\r\nTW#O\nTHREE\n");
        list.close();
        const QString outDir = path("batch");
        const Run run =
            cli({"batch", "--type", "39/c", "--in", list.fileName(), "--out-dir", outDir});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("line 2: An Invalid Character Found in the Code Text"));
        QVERIFY(!run.err.contains("line 1") && !run.err.contains("line 3"));
        QCOMPARE(QDir(outDir).entryList(QDir::Files), QStringList({"000001.png", "000003.png"}));
        const Run read = cli({"read", "--in", outDir + "/000003.png", "--x", "0", "--y", "40"});
        QCOMPARE(read.out.trimmed(), QByteArray("THREE"));
    }

    // A batch packs black-and-white PNG pictures its own way: they show what draw saves.
    void batchPicturesShowWhatDrawSaves_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("sliders");
        QTest::newRow("EAN13") << "EAN13"
                               << "400638133393" << QStringList();
        QTest::newRow("39/c, odd width") << "39/c"
                                         << "A-1" << QStringList{"--width", "7", "--height", "3"};
        QTest::newRow("qr drawn anew") << "qr"
                                       << "Hello" << QStringList{"--scale", "3", "--ecc", "H"};
        QTest::newRow("datamatrix window") << "datamatrix"
                                           << "Hello" << QStringList{"--width", "20"};
        QTest::newRow("128/n at 72 dpi")
            << "128/n"
            << "A-1" << QStringList{"--xdim", "0.4", "--dpi", "72", "--quiet-zone", "0"};
    }
    void batchPicturesShowWhatDrawSaves() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QStringList, sliders);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).remove(u'/');
        const QString outDir = path(tag + "-batch"), drawn = path(tag + "-draw.png");
        QCOMPARE(
            cli(QStringList{"batch", "--type", type, "--in", "-", "--out-dir", outDir} + sliders,
                text.toUtf8() + '\n')
                .exitCode,
            0);
        QCOMPARE(cli(QStringList{"draw", "--type", type, "--text", text, "--out", drawn} + sliders)
                     .exitCode,
                 0);
        const QImage batch(outDir + "/000001.png"), draw(drawn);
        QVERIFY(!draw.isNull());
        QCOMPARE(batch.convertToFormat(QImage::Format_RGB32),
                 draw.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(batch.dotsPerMeterX(), draw.dotsPerMeterX());
        QCOMPARE(batch.dotsPerMeterY(), draw.dotsPerMeterY());
    }

    // The batches without text are drawn without Qt Gui, the others by the rest of the program
    // (TIFF among them): both say the same of every line and draw the same pixels. A picture
    // that the quick look leaves open (a module of one pixel, an empty Code 39) is still
    // settled by the full check, with its advice.
    void quickBatchesMatchTheFullProgram_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("datamatrix, one pixel a module")
            << QStringList{"--type", "datamatrix", "--scale", "1"}
            << QByteArray("warning: line 1: the picture does not decode\n"
                          "line 2: error: datamatrix: No input data (segment 0 empty)\n"
                          "warning: line 3: the picture does not decode\n"
                          "warning: for line 1: the picture does not decode\n");
        QTest::newRow("39/n window, narrow")
            << QStringList{"--type", "39/n", "--width", "7"}
            << QByteArray("warning: line 1: the picture does not decode\n"
                          "warning: line 2: the picture does not decode\n"
                          "warning: line 3: the picture does not decode\n"
                          "warning: for line 1: the picture does not decode; --width 33 draws "
                          "one that does; --scale draws one that always does\n");
        QTest::newRow("128/n raw") << QStringList{"--type", "128/n", "--raw"}
                                   << QByteArray("warning: line 2: the picture does not decode\n"
                                                 "warning: for line 2: the picture does not "
                                                 "decode\n");
        QTest::newRow("39/n at 203 dpi")
            << QStringList{"--type", "39/n", "--xdim", "0.25", "--dpi", "203"}
            << QByteArray("warning: line 2: the picture does not decode\n"
                          "warning: for line 2: the picture does not decode\n");
        QTest::newRow("qr window") << QStringList{"--type", "qr"}
                                   << QByteArray("line 2: error: qr: No input data (segment 0 "
                                                 "empty)\n");
        QTest::newRow("aztec drawn anew")
            << QStringList{"--type", "aztec", "--scale", "2", "--quiet-zone", "1"}
            << QByteArray("line 2: error: aztec: No input data (segment 0 empty)\n");
        QTest::newRow("39/c captions")
            << QStringList{"--type", "39/c"}
            << QByteArray("warning: line 2: the picture does not decode\n"
                          "warning: line 3: the picture does not decode\n"
                          "warning: for line 2: the picture does not decode; --scale draws one "
                          "that always does\n");
        QTest::newRow("128/n drawn anew, one line empty")
            << QStringList{"--type", "128/n", "--scale", "2"}
            << QByteArray("warning: line 2: the picture does not decode\n"
                          "warning: for line 2: the picture does not decode\n");
        QTest::newRow("code93 text under its bars")
            << QStringList{"--type", "code93", "--scale", "2"}
            << QByteArray("line 2: error: code93: No input data\n");
    }
    void quickBatchesMatchTheFullProgram() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, said);
        const QByteArray list = "Hello 1\n\nDM0123456789ABCDEFGH\n";
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).remove(u'/');
        QList<Run> runs;
        for (const char* format : {"png", "bmp", "tif"})
            runs << cli(QStringList{"batch", "--in", "-", "--format", format, "--out-dir",
                                    path(tag + "-" + format)} +
                            options,
                        list);
        QCOMPARE(runs[0].err, said);
        QCOMPARE(runs[0].exitCode, said.contains("error:") ? 1 : 0);
        for (const Run& run : runs) {
            QCOMPARE(run.err, runs[0].err);
            QCOMPARE(run.exitCode, runs[0].exitCode);
        }
        const QStringList drawn = QDir(path(tag + "-tif")).entryList(QDir::Files);
        QVERIFY(!drawn.isEmpty());
        for (const QString& name : drawn) {
            const QImage full = readBackImage(path(tag + "-tif/" + name), path("full.png"));
            for (const char* format : {"png", "bmp"}) {
                const QImage quick(
                    path(tag + "-" + format + "/" + QFileInfo(name).baseName() + "." + format));
                QImage pixels = quick.convertToFormat(QImage::Format_RGB32);
                pixels.setColorSpace(full.colorSpace()); // ImageMagick notes a gamma
                QCOMPARE(pixels, full);
            }
        }
    }

    void batchReadsStandardInput() {
        const QString outDir = path("stdin");
        const Run run = cli({"batch", "--type", "EAN8", "--in", "-", "--out-dir", outDir,
                             "--format", "bmp", "--raw"},
                            "1234567\n7654321\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QDir(outDir).entryList(QDir::Files), QStringList({"000001.bmp", "000002.bmp"}));
        QCOMPARE(QImage(outDir + "/000002.bmp").size(), QSize(101, 120));
    }

    void rawImageIsOnePixelPerModule() {
        const QString out = path("raw.png");
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "", "--out", out, "--raw"}).exitCode, 0);
        const QImage image(out);
        QCOMPARE(image.size(), QSize(47, 120));
        QCOMPARE(image.pixel(12, 50) & 0xFFFFFF, 0u);
        QCOMPARE(image.pixel(13, 50) & 0xFFFFFF, 0xFFFFFFu);
    }

    void bitmapIsTwentyFourBitsPerPixel() {
        const QString out = path("code.bmp");
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "BMP", "--out", out, "--raw"}).exitCode,
                 0);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(static_cast<int>(header[28]), 24);
        const Run read = cli({"read", "--in", out, "--x", "0", "--y", "50"});
        QCOMPARE(QString::fromUtf8(read.out).trimmed(), QStringLiteral("BMP"));
    }

    void refusedTextWritesNothing() {
        const QString out = path("refused.png");
        const Run run = cli({"draw", "--type", "39/n", "--text", "AB#1", "--out", out, "--raw"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("An Invalid Character Found in the Code Text"));
        QVERIFY(!QFile::exists(out));
    }

    void utf8TextIsRefusedAsACharacter() {
        const Run run = cli({"draw", "--type", "39/n", "--text", QStringLiteral("\u00DF"), "--out",
                             path("u.png"), "--raw"});
        QCOMPARE(run.exitCode, 1);
    }

    // The picture on standard output is the file the same draw writes; the code text it
    // printed goes to standard error, and the picture reads back from standard input.
    void standardStreams_data() {
        QTest::addColumn<QStringList>("draw");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("EAN13 png") << QStringList{"--type", "EAN13", "--text", "123"} << "png"
                                   << QByteArray("000000000123\n");
        QTest::newRow("39/c bmp raw")
            << QStringList{"--type", "39/c", "--text", "PIPE", "--raw"} << "bmp" << QByteArray();
        QTest::newRow("128/n gif")
            << QStringList{"--type", "128/n", "--text", "x"} << "gif" << QByteArray();
    }
    void standardStreams() {
        QFETCH(QStringList, draw);
        QFETCH(QString, format);
        QFETCH(QByteArray, said);
        const QString file = path("stream." + format);
        QCOMPARE(cli(QStringList{"draw", "--out", file} + draw).exitCode, 0);
        const Run piped = cli(QStringList{"draw", "--out", "-", "--format", format} + draw);
        QCOMPARE(piped.exitCode, 0);
        QCOMPARE(piped.err, said);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(piped.out == written.readAll());
        if (draw.contains("--raw")) {
            const Run read = cli({"read", "--in", "-", "--x", "0", "--y", "50"}, piped.out);
            QCOMPARE(read.exitCode, 0);
            QCOMPARE(read.out, QByteArray("PIPE\n"));
        }
    }

    // As under cron or in a container: no runtime folder, no display, a home folder that
    // cannot be written, perhaps no font cache either and nowhere to store one. Nothing is
    // left in the temporary folder.
    void quietWithoutASession_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("fontCache");
        for (const char* type : {"EAN13", "39/n", "39/c", "128/c", "UPC-A"})
            QTest::newRow(type) << type << true;
        QTest::newRow("39/c, no font cache") << "39/c" << false;
    }
    void quietWithoutASession() {
        QFETCH(QString, type);
        QFETCH(bool, fontCache);
        QTemporaryDir home, temporary, fonts;
        QVERIFY(QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment bare;
        bare.insert("PATH", qEnvironmentVariable("PATH"));
        bare.insert("HOME", home.path());
        bare.insert("TMPDIR", temporary.path());
        if (!fontCache) {
            // Under a plain file no folder can be made, not even by root.
            const QString file = fonts.filePath("file");
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
            QFile system("/etc/fonts/fonts.conf");
            if (!system.open(QIODevice::ReadOnly)) QSKIP("no /etc/fonts/fonts.conf");
            QByteArray conf = system.readAll();
            conf.replace("/var/cache/fontconfig", QFile::encodeName(file) + "/cache")
                .replace(">conf.d<", ">/etc/fonts/conf.d<");
            QFile own(fonts.filePath("fonts.conf"));
            QVERIFY(own.open(QIODevice::WriteOnly) && own.write(conf) == conf.size());
            own.close();
            bare.insert("FONTCONFIG_FILE", own.fileName());
            bare.insert("HOME", file);
        }
        const Run run =
            cli({"draw", "--type", type, "--text", "036000291452", "--out", path("quiet.png")}, {},
                bare);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Interrupted, a batch finishes the pictures in hand: lines 1 to N are whole pictures under
    // their own names, nothing else is left, and it says how far it got.
    void batchStopsWholeOnInterruption_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("format");
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << "bmp";
        QTest::newRow("SIGINT") << int(SIGINT) << 130 << "png";
    }
    void batchStopsWholeOnInterruption() {
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        QFETCH(QString, format);
        QByteArray list;
        for (int i = 1; i <= 50000; ++i)
            list += "L" + QByteArray::number(i) + "\n";
        QFile listFile(path("long.txt"));
        QVERIFY(listFile.open(QIODevice::WriteOnly));
        listFile.write(list);
        listFile.close();
        const QString outDir = path("interrupted-" + format);
        QProcess batch;
        batch.start(CLI_EXECUTABLE, {"batch", "--type", "39/n", "--in", listFile.fileName(),
                                     "--out-dir", outDir, "--format", format});
        QVERIFY(batch.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDir(outDir).entryList(QDir::Files).size() >= 20, 30000);
        QCOMPARE(::kill(pid_t(batch.processId()), signal), 0);
        QVERIFY(batch.waitForFinished(30000));
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(batch.exitCode(), exitCode);
        const QStringList files = QDir(outDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QString err = QString::fromUtf8(batch.readAllStandardError());
        QVERIFY2(
            err.contains(QStringLiteral("interrupted after %1 of 50000 lines").arg(files.size())),
            qPrintable(err));
        QVERIFY(files.size() < 50000);
        const auto nameOf = [&](int line) {
            return QStringLiteral("%1.%2").arg(line, 6, 10, QChar(u'0')).arg(format);
        };
        const QSize pictureSize = QImage(outDir + "/" + nameOf(1)).size();
        for (int i = 1; i <= files.size(); ++i) {
            QCOMPARE(files[i - 1], nameOf(i));
            QCOMPARE(QImage(outDir + "/" + nameOf(i)).size(), pictureSize);
        }
        for (const int i : {1, int(files.size())}) {
            const Run read =
                cli({"read", "--in", outDir + "/" + nameOf(i), "--x", "0", "--y", "40"});
            QCOMPARE(read.out, "L" + QByteArray::number(i) + "\n");
        }
    }

    // Every wrong command line exits 2, names what is wrong and shows the usage.
    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("named");
        QTest::newRow("no command") << QStringList{} << QByteArray("command");
        QTest::newRow("unknown command") << QStringList{"paint"} << QByteArray("'paint'");
        QTest::newRow("unknown option before the command")
            << QStringList{"--fast", "draw"} << QByteArray("'fast'");
        QTest::newRow("missing text")
            << QStringList{"draw", "--type", "39/n", "--out", "x.png", "--raw"}
            << QByteArray("--text");
        QTest::newRow("unknown type")
            << QStringList{"draw", "--type", "39/x", "--text", "A", "--out", "x.png"}
            << QByteArray("'39/x'");
        QTest::newRow("type of two names")
            << QStringList{"draw", "--type", "Ean13", "--text", "1", "--out", "x.png"}
            << QByteArray("did you mean EAN13 or ean13? EAN13 is the window's EAN-13");
        QTest::newRow("UPC-A or upca")
            << QStringList{"batch", "--type", "UPCA", "--in", "x", "--out-dir", "d"}
            << QByteArray("did you mean UPC-A or upca?");
        QTest::newRow("type near two names")
            << QStringList{"draw", "--type", "Code128", "--text", "A", "--out", "x.png"}
            << QByteArray("--type takes no 'Code128'; did you mean 128/n or 128/c?");
        QTest::newRow("unknown format")
            << QStringList{"draw", "--type", "39/n", "--text", "A", "--out", "x.webp"}
            << QByteArray("'webp'");
        QTest::newRow("value missing") << QStringList{"read", "--in"} << QByteArray("--in");
        QTest::newRow("standard output without a format")
            << QStringList{"draw", "--type", "39/n", "--text", "A", "--out", "-"}
            << QByteArray("--format");
        QTest::newRow("bad number")
            << QStringList{"read", "--in", "x.png", "--x", "ten", "--y", "1"}
            << QByteArray("'ten'");
        QTest::newRow("unknown option")
            << QStringList{"read", "--in", "x.png", "--x", "1", "--y", "1", "--fast", "1"}
            << QByteArray("'fast'");
        QTest::newRow("stray word")
            << QStringList{"read", "--in", "x.png", "--x", "1", "--y", "1", "twice"}
            << QByteArray("'twice'");
        for (const char* tries : {"0", "13"})
            QTest::addRow("tries %s", tries)
                << QStringList{"read", "--in", "x.png", "--x", "1", "--y", "1", "--tries", tries}
                << QByteArray("--tries");
        QTest::newRow("mode 2") << QStringList{"read", "--in", "x.png",  "--x", "1",
                                               "--y",  "1",    "--mode", "2"}
                                << QByteArray("--mode");
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, named);
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(named), run.err.constData());
        QVERIFY(run.err.contains("Usage:"));
        QVERIFY(run.out.isEmpty());
    }

    void helpAndVersion_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("shown"); // a line of the answer
        QTest::newRow("--help") << QStringList{"--help"} << QByteArray("  batch ");
        QTest::newRow("-h") << QStringList{"-h"} << QByteArray("  draw ");
        QTest::newRow("draw --help")
            << QStringList{"draw", "--help"} << QByteArray("--type <TYPE>");
        QTest::newRow("read -h") << QStringList{"read", "-h"} << QByteArray("--tries <N>");
        QTest::newRow("batch --help despite a missing option")
            << QStringList{"batch", "--in", "x", "--help"} << QByteArray("--out-dir <DIR>");
        QTest::newRow("help draw") << QStringList{"help", "draw"} << QByteArray("--width <N>");
        QTest::newRow("--version") << QStringList{"--version"} << QByteArray("barcode-desk-cli ");
        QTest::newRow("-v") << QStringList{"-v"} << QByteArray("barcode-desk-cli ");
    }
    void helpAndVersion() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, shown);
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(shown), run.out.constData());
        QVERIFY(run.err.isEmpty());
        if (args.front().startsWith("-v") || args.front() == "--version")
            QVERIFY2(QRegularExpression("^barcode-desk-cli \\d+\\.\\d+\\S*\n$")
                         .match(QString::fromUtf8(run.out))
                         .hasMatch(),
                     run.out.constData());
    }

    // Each line of help as a user reads it, line breaks aside.
    void helpSaysWhatIsWhat_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        QTest::newRow("--help") << QStringList{"--help"}
                                << "Draws, reads, batch-draws and grades barcodes and prints label "
                                   "sheets, without a display.";
        QTest::newRow("types") << QStringList{"types"}
                               << "for product codes as printed, or add-ons, use ean13, ean8 and "
                                  "upca.";
        QTest::newRow("draw --type")
            << QStringList{"draw", "--help"} << "ean13, ean8 and upca take them as printed";
        QTest::newRow("draw --scale") << QStringList{"draw", "--help"}
                                      << "(labels' --scale is a printer's correction instead)";
        QTest::newRow("labels --scale") << QStringList{"labels", "--help"}
                                        << "(draw's --scale is whole pixels per module instead)";
    }
    void helpSaysWhatIsWhat() {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(QString::fromUtf8(run.out).simplified().contains(said), run.out.constData());
    }

    // A type that differs from one name only in case, hyphens or spaces is that type.
    void looselySpeltTypesAreTaken_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("QR") << "QR"
                            << "qr"
                            << "Hi";
        QTest::newRow("DataMatrix") << "DataMatrix"
                                    << "datamatrix"
                                    << "Hi";
        QTest::newRow("GS1-128") << "GS1-128"
                                 << "gs1-128"
                                 << "(01)09501101530003";
        QTest::newRow("ITF14") << "ITF14"
                               << "itf14"
                               << "1540014128876";
        QTest::newRow("Gs1 DataMatrix") << "Gs1 DataMatrix"
                                        << "gs1-datamatrix"
                                        << "(01)09501101530003";
    }
    void looselySpeltTypesAreTaken() {
        QFETCH(QString, type);
        QFETCH(QString, name);
        QFETCH(QString, text);
        const QString loose = path("loose.png"), exact = path("exact.png");
        const Run run =
            cli({"draw", "--type", type, "--text", text, "--out", loose, "--scale", "2"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(
            cli({"draw", "--type", name, "--text", text, "--out", exact, "--scale", "2"}).exitCode,
            0);
        QCOMPARE(QImage(loose), QImage(exact));
    }

    // A failed read exits 1 whatever it prints; an empty code read in mode 0 is no failure.
    void readExitStatusFollowsTheReadNotTheText_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("blank, mode 3") << "blank"
                                       << "3"
                                       << "ERR: BC not seen" << 1;
        QTest::newRow("blank, mode 0") << "blank"
                                       << "0"
                                       << "" << 1;
        QTest::newRow("blank, mode 1") << "blank"
                                       << "1"
                                       << "Error" << 1;
        QTest::newRow("empty code, mode 0") << "empty"
                                            << "0"
                                            << "" << 0;
        QTest::newRow("empty code, mode 1") << "empty"
                                            << "1"
                                            << "" << 0;
    }
    void readExitStatusFollowsTheReadNotTheText() {
        QFETCH(QString, picture);
        QFETCH(QString, mode);
        QFETCH(QString, printed);
        QFETCH(int, exitCode);
        QImage blank(80, 60, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(blank.save(path("blank.png")));
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "", "--out", path("empty.png"), "--raw"})
                     .exitCode,
                 0);
        const Run run =
            cli({"read", "--in", path(picture + ".png"), "--x", "0", "--y", "50", "--mode", mode});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, printed.toUtf8() + "\n");
    }

    void readOfAMissingPictureExitsOne() {
        const Run run = cli({"read", "--in", path("missing.png"), "--x", "0", "--y", "5"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("missing.png"));
    }

    void batchWithAMissingListCreatesNothing() {
        const QString outDir = path("never");
        const Run run =
            cli({"batch", "--type", "39/n", "--in", path("no-such-list"), "--out-dir", outDir});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("no-such-list"));
        QVERIFY(!QFileInfo::exists(outDir));
    }

    // Where the rest of the program cannot be loaded, the jobs that need it say so and fail;
    // the quick ones go on without it.
    void aModuleThatDoesNotLoadIsAClearFailure_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("exitCode");
        const auto draw = [](QStringList args) { return QStringList{"draw", "--type"} + args; };
        QTest::newRow("caption") << draw({"39/c", "--text", "A"}) << "png" << 0;
        QTest::newRow("caption in another font") << draw({"UPC-A", "--text", "1"}) << "png" << 1;
        QTest::newRow("caption with ligatures")
            << draw({"128/c", "--text", "office"}) << "png" << 0;
        QTest::newRow("jpeg") << draw({"39/n", "--text", "A"}) << "jpg" << 1;
        QTest::newRow("bars alone") << draw({"EAN8", "--text", "1"}) << "png" << 0;
        QTest::newRow("qr drawn anew")
            << draw({"qr", "--text", "Hi", "--scale", "4"}) << "png" << 0;
        QTest::newRow("datamatrix window") << draw({"datamatrix", "--text", "Hi"}) << "bmp" << 0;
        QTest::newRow("aztec with a margin")
            << draw({"aztec", "--text", "A", "--scale", "2", "--quiet-zone", "2"}) << "png" << 0;
        QTest::newRow("pdf417, no reference decoder")
            << draw({"pdf417", "--text", "Hello", "--scale", "2"}) << "png" << 0;
        QTest::newRow("Code 128 at 203 dpi")
            << draw({"128/n", "--text", "A", "--xdim", "0.25", "--dpi", "203"}) << "png" << 0;
        QTest::newRow("digits under itf14")
            << draw({"itf14", "--text", "1234567890123", "--scale", "2"}) << "png" << 0;
        QTest::newRow("digits under EAN13 drawn anew")
            << draw({"EAN13", "--text", "400638133393", "--scale", "3"}) << "png" << 0;
        QTest::newRow("AIs under gs1-128")
            << draw({"gs1-128", "--text", "(01)09501101530003", "--scale", "2"}) << "bmp" << 0;
    }
    void aModuleThatDoesNotLoadIsAClearFailure() {
        QFETCH(QStringList, args);
        QFETCH(QString, format);
        QFETCH(int, exitCode);
        const QString program = programWithABrokenModule();
        QVERIFY(!program.isEmpty());
        const QString out =
            path(QStringLiteral("moved-%1.%2").arg(QTest::currentDataTag(), format));
        const Run run = runProgram(program, args + QStringList{"--out", out});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QFileInfo::exists(out), exitCode == 0);
        if (exitCode != 0)
            QVERIFY2(
                run.err.startsWith("barcode-desk-cli: cannot load the rest of the program: ") &&
                    run.err.contains(brokenModule().toUtf8()),
                run.err);
    }

    // A batch the quick program draws needs the rest of the program only for a picture whose
    // decoding its look leaves open: without it, the pictures are there, but not the answer.
    void aBatchWithAModuleThatDoesNotLoad_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("settled") << QStringList{"--type", "qr"} << 2 << 0;
        QTest::newRow("one to settle")
            << QStringList{"--type", "datamatrix", "--scale", "1"} << 2 << 1;
        QTest::newRow("TIFF") << QStringList{"--type", "qr", "--format", "tif"} << 0 << 1;
        QTest::newRow("texts in the face")
            << QStringList{"--type", "code93", "--scale", "2"} << 2 << 0;
        QTest::newRow("UPC-A captions") << QStringList{"--type", "UPC-A"} << 0 << 1;
    }
    void aBatchWithAModuleThatDoesNotLoad() {
        QFETCH(QStringList, options);
        QFETCH(int, pictures);
        QFETCH(int, exitCode);
        const QString program = programWithABrokenModule();
        QVERIFY(!program.isEmpty());
        const QString out = path(QStringLiteral("moved-%1").arg(QTest::currentDataTag()));
        const Run run = runProgram(
            program, QStringList{"batch", "--in", "-", "--out-dir", out} + options, "Hi\nA1\n");
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), pictures);
        QCOMPARE(run.err.contains("barcode-desk-cli: cannot load the rest of the program: "),
                 exitCode != 0);
    }

  private:
    QString brokenModule() const {
        return QDir::cleanPath(path("moved/bin/" CLI_MODULE_FROM_PROGRAM));
    }
    // A copy of the program beside a module that does not load; empty when it cannot be made.
    QString programWithABrokenModule() const {
        const QString program = path("moved/bin/barcode-desk-cli");
        if (QFileInfo::exists(program)) return program;
        QFile broken(brokenModule());
        const bool made = QDir().mkpath(QFileInfo(program).path()) &&
                          QDir().mkpath(QFileInfo(broken).path()) &&
                          QFile::copy(QStringLiteral(CLI_EXECUTABLE), program) &&
                          broken.open(QIODevice::WriteOnly) && broken.write("not a library") > 0;
        return made ? program : QString();
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
