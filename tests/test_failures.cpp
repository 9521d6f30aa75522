// Failures on the command line: each reported with its exit status, nothing half-written, no
// library's own lines on standard error, and every picture the program writes read back.
#include "FullDisk.h"
#include "TestSupport.h"

#include <QDir>
#include <QPainter>
#include <QPrinterInfo>
#include <QtTest>

#include <zlib.h>

#include <sys/stat.h>

namespace {

QString written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return file.fileName();
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data) {
    QByteArray chunk;
    QDataStream(&chunk, QIODevice::WriteOnly) << quint32(data.size());
    chunk += type + data;
    const QByteArray checked = type + data;
    const quint32 crc =
        ::crc32(0, reinterpret_cast<const Bytef*>(checked.constData()), uInt(checked.size()));
    QDataStream(&chunk, QIODevice::Append) << crc;
    return chunk;
}

// A PNG whose header claims width x height grey pixels; its data is one empty deflate block.
QByteArray pngClaiming(quint32 width, quint32 height) {
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly)
        << width << height << quint8(8) << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", QByteArray::fromHex("7801030000000001")) + pngChunk("IEND", {});
}

QProcessEnvironment withConfig(const QTemporaryDir& config) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    return environment;
}

} // namespace

class TestFailures : public QObject {
    Q_OBJECT

  private slots:
    // A sheet or a calibration page that does not fit on the disk is reported, and nothing
    // appears under its name.
    void aFullDiskWritesNoSheet_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("list");
        QTest::newRow("sheet") << QStringList{"labels",      "--list", "-",    "--template",
                                              "Avery L7160", "--type", "128/n"}
                               << QByteArray("ABC\nDEF\n");
        QTest::newRow("calibration page")
            << QStringList{"labels", "--calibration-page", "--template", "Avery L7160"}
            << QByteArray();
    }
    void aFullDiskWritesNoSheet() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, list);
        const FullDisk disk;
        if (disk.unavailable()) QSKIP(qPrintable(*disk.unavailable()));
        QVERIFY(disk.fill());
        const Run run = cli(args << "--out" << disk.filePath("sheet.pdf"), list);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("No space left on device"), run.err.constData());
        QVERIFY2(!run.err.contains("written to"), run.err.constData());
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files), QStringList());
    }

    // A correction is remembered for a printer only once the printer took the job.
    void aRefusedRunKeepsTheCorrectionItHad_data() {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("no such printer")
            << "Ghost" << QByteArray("ABC\n") << QByteArray("No printer named Ghost.");
        QTest::newRow("every row refused") << "BarcodeDesk-PDF" << QByteArray("ABC\nDEF\n")
                                           << QByteArray("2 of the rows refused; nothing written.");
    }
    void aRefusedRunKeepsTheCorrectionItHad() {
        QFETCH(QString, printer);
        QFETCH(QByteArray, list);
        QFETCH(QByteArray, said);
        if (printer != u"Ghost" && QPrinterInfo::printerInfo(printer).isNull())
            QSKIP("no CUPS queue BarcodeDesk-PDF: scripts/test sets it up");
        QTemporaryDir config;
        const Run run = cli({"labels", "--list", "-", "--template", "Avery L7160", "--type",
                             "EAN13", "--printer", printer, "--offset", "2,-1"},
                            list, withConfig(config));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(said), run.err.constData());
        QDirIterator files(config.path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains("2,-1"), qPrintable(file.fileName()));
        }
    }

    // One table of exit statuses for every command: 1 refused or failed, 2 wrong usage.
    void exitStatuses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        const QString out = QDir::temp().filePath(QStringLiteral("barcode-desk-never/x.png"));
        const QString sheet = QDir::temp().filePath(QStringLiteral("barcode-desk-never/x.pdf"));
        const QStringList labels{"labels", "--list", "-", "--type", "128/n", "--out", sheet};
        QTest::newRow("1 unknown command") << QStringList{"paint"} << QByteArray() << 2;
        QTest::newRow("2 unknown option")
            << QStringList{"draw", "--type", "39/n", "--text", "A", "--out", out, "--colour"}
            << QByteArray() << 2;
        QTest::newRow("3 unknown type")
            << QStringList{"draw", "--type", "code11", "--text", "1", "--out", out} << QByteArray()
            << 2;
        QTest::newRow("4 bad option value")
            << QStringList{"draw", "--type", "qr", "--text", "1", "--out", out, "--ecc", "X"}
            << QByteArray() << 2;
        QTest::newRow("5 classic text refused")
            << QStringList{"draw", "--type", "EAN13", "--text", "ABC", "--out", out} << QByteArray()
            << 1;
        QTest::newRow("6 newer text refused")
            << QStringList{"draw", "--type", "itf14", "--text", "ABC", "--out", out} << QByteArray()
            << 1;
        QTest::newRow("7 GS1 refusal")
            << QStringList{"draw",  "--type", "gs1-128", "--text", "(01)09501101530003(17)271331",
                           "--out", out,      "--scale", "2"}
            << QByteArray() << 1;
        QTest::newRow("8 batch list unreadable")
            << QStringList{"batch",
                           "--type",
                           "39/n",
                           "--in",
                           "/nonexistent/list.txt",
                           "--out-dir",
                           QDir::temp().filePath("barcode-desk-never")}
            << QByteArray() << 1;
        QTest::newRow("9 empty list") << (QStringList(labels) << "--template"
                                                              << "Avery L7160")
                                      << QByteArray() << 1;
        QTest::newRow("10 unknown template") << (QStringList(labels) << "--template"
                                                                     << "Avery L99999")
                                             << QByteArray("A\n") << 2;
        QTest::newRow("11 unreadable template file") << (QStringList(labels) << "--template"
                                                                             << "/etc/hostname")
                                                     << QByteArray("A\n") << 1;
        QTest::newRow("12 start beyond the sheet") << (QStringList(labels) << "--template"
                                                                           << "Avery L7160"
                                                                           << "--start"
                                                                           << "22")
                                                   << QByteArray("A\n") << 2;
        QTest::newRow("13 unreadable picture")
            << QStringList{"verify", "--in", "-"} << QByteArray("not a picture") << 1;
        QTest::newRow("14 picture above the bound")
            << QStringList{"draw", "--type", "qr",   "--text", "Hi", "--xdim",
                           "25",   "--dpi",  "1147", "--out",  out}
            << QByteArray() << 1;
    }
    void exitStatuses() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        const Run run = cli(args, input);
        QVERIFY2(run.exitCode == status, run.err.constData());
        QVERIFY(!QFileInfo::exists(QDir::temp().filePath(QStringLiteral("barcode-desk-never"))));
    }

    // Past 2^28 pixels a picture is refused with its size before anything is allocated; a
    // 600-dpi A4 page is well inside.
    void picturesAboveTheBoundAreRefused() {
        QTemporaryDir dir;
        const Run drawn = cli({"draw", "--type", "qr", "--text", "Hi", "--xdim", "25", "--dpi",
                               "1147", "--out", dir.filePath("qr.png")});
        QCOMPARE(drawn.exitCode, 1);
        QCOMPARE(drawn.err, QByteArray("The picture would be 32741 x 32741 pixels (1,071,973,081), "
                                       "more than the 268,435,456 the program draws or reads.\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        const QString poster = written(dir, "poster.png", pngClaiming(20000, 20000));
        for (const QStringList& command :
             {QStringList{"verify"}, QStringList{"read", "--x", "0", "--y", "0"}}) {
            const Run read = cli(QStringList(command) << "--in" << poster);
            QCOMPARE(read.exitCode, 1);
            QCOMPARE(read.err, "Cannot read the image " + poster.toUtf8() +
                                   ": it is 20000 x 20000 pixels (400,000,000), more than the "
                                   "268,435,456 the program draws or reads.\n");
        }
    }

    void aPrinterResolutionPageIsRead() {
        QTemporaryDir dir;
        const QString symbol = dir.filePath("symbol.png");
        QCOMPARE(
            cli({"draw", "--type", "39/n", "--text", "A4-PAGE", "--scale", "6", "--out", symbol})
                .exitCode,
            0);
        QImage page(4961, 7016, QImage::Format_Grayscale8);
        page.fill(Qt::white);
        QPainter(&page).drawImage(1000, 3000, QImage(symbol));
        page.setDotsPerMeterX(23622);
        page.setDotsPerMeterY(23622);
        QVERIFY(page.save(dir.filePath("page.png")));
        const Run read =
            cli({"read", "--in", dir.filePath("page.png"), "--x", "1000", "--y", "3050"});
        QVERIFY2(read.exitCode == 0, read.err.constData());
        QCOMPARE(read.out, QByteArray("A4-PAGE\n"));
        const Run verified = cli({"verify", "--in", dir.filePath("page.png")});
        QVERIFY2(verified.exitCode == 0, verified.err.constData());
        QVERIFY2(verified.out.startsWith("Code 39 \"A4-PAGE\""), verified.out.constData());
    }

    // read and verify take every format draw writes.
    void everyFormatWrittenIsRead_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"png", "bmp", "jpg", "tif", "gif", "psd"})
            QTest::newRow(format) << QString::fromLatin1(format);
    }
    // A damaged Photoshop file (it overflowed FreeImage's loader) is refused with one line.
    void damagedPhotoshopIsRefused() {
        const QString path = QFINDTESTDATA(
            "fuzz/regressions/picture/crash-77cc34338ef47122e80f849a4553a5540a3f00e4");
        for (const QStringList& job : {QStringList{"read", "--in", path, "--x", "0", "--y", "40"},
                                       QStringList{"verify", "--in", path}}) {
            const Run run = cli(job);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err.count('\n'), 1);
        }
    }
    void everyFormatWrittenIsRead() {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString path = dir.filePath("code." + format);
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "FORMAT", "--scale", "3", "--out", path})
                     .exitCode,
                 0);
        // JPEG's grey edges are beyond the Code 39 row reader, which wants two levels.
        if (format != u"jpg") {
            const Run read = cli({"read", "--in", path, "--x", "0", "--y", "40"});
            QVERIFY2(read.exitCode == 0, read.err.constData());
            QCOMPARE(read.out, QByteArray("FORMAT\n"));
        }
        const Run verified = cli({"verify", "--in", path});
        // The JPEG's ringing beside the bars is within a verifier's quiet-zone tolerance.
        QVERIFY2(verified.exitCode == 0, verified.err.constData());
        QVERIFY2(verified.out.startsWith("Code 39 \"FORMAT\""), verified.out.constData());
        QCOMPARE(verified.err, QByteArray());
    }

    // The bytes a TIFF writer seeks over (before the word-aligned directory) are zeros in the
    // file, not whatever the heap held: the sanitizer's malloc fill showed there.
    void tiffGapsAreZeros_data() {
        QTest::addColumn<QStringList>("options");
        // Small files: the sanitizer fills the first 4 KB of each allocation.
        QTest::newRow("Code 128") << QStringList{"--type", "128/n", "--text", "abc", "--raw"};
        QTest::newRow("Code 39") << QStringList{"--type", "39/c", "--text", "A", "--raw"};
    }
    void tiffGapsAreZeros() {
        QFETCH(QStringList, options);
        QTemporaryDir dir;
        const QString path = dir.filePath("code.tif");
        QCOMPARE(cli(QStringList{"draw", "--out", path} + options).exitCode, 0);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray tiff = file.readAll();
        QVERIFY(tiff.startsWith("II"));
        const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(tiff.data() + at); };
        const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(tiff.data() + at); };
        const qsizetype directory = u32(4);
        // The strips end where the last one's offset plus its byte count says.
        QList<quint32> offsets, counts;
        for (int entry = 0; entry < u16(directory); ++entry) {
            const qsizetype at = directory + 2 + 12 * entry;
            const quint32 count = u32(at + 4);
            QList<quint32>& into = u16(at) == 273 ? offsets : counts;
            if (u16(at) != 273 && u16(at) != 279) continue;
            for (quint32 i = 0; i < count; ++i)
                into << (count == 1 ? u32(at + 8) : u32(u32(at + 8) + 4 * i));
        }
        QVERIFY(!offsets.isEmpty() && offsets.size() == counts.size());
        const qsizetype stripsEnd = offsets.last() + counts.last();
        QVERIFY(stripsEnd <= directory);
        QCOMPARE(tiff.mid(stripsEnd, directory - stripsEnd),
                 QByteArray(directory - stripsEnd, '\0'));
    }

    // A code text the symbology cannot take names the character and where it stands, shown so
    // that a terminal shows it; bytes that are not UTF-8 are refused, not drawn as U+FFFD.
    void codeTextRefusals_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("said");
        const QByteArray ascii = ": it takes ASCII characters 32 to 126.\n";
        QTest::newRow("Code 128, CJK")
            << "128/n" << QByteArray("\xe6\x97\xa5\xe6\x9c\xac")
            << "line 1: Code 128 cannot encode '\xe6\x97\xa5' (U+65E5) at character 1" + ascii;
        QTest::newRow("Code 128, emoji")
            << "128/c" << QByteArray("ab\xf0\x9f\x98\x80")
            << "line 1: Code 128 cannot encode '\xf0\x9f\x98\x80' (U+1F600) at character 3" + ascii;
        QTest::newRow("Code 128, tab")
            << "128/n" << QByteArray("a\tb")
            << "line 1: Code 128 cannot encode U+0009 at character 2" + ascii;
        QTest::newRow("Code 128, NUL")
            << "128/n" << QByteArray("AB\0C", 4)
            << "line 1: Code 128 cannot encode U+0000 at character 3" + ascii;
        QTest::newRow("Code 39, tab")
            << "39/n" << QByteArray("A\tB")
            << QByteArray("line 1: An Invalid Character Found in the Code Text\n"
                          "Cannot encode U+0009 at character 2.\n");
        QTest::newRow("EAN-13, NUL") << "EAN13"
                                     << QByteArray("4006\0"
                                                   "381",
                                                   8)
                                     << QByteArray("line 1: EAN13 cannot be used with letters.\n"
                                                   "Please use numbers only.\n"
                                                   "Cannot encode U+0000 at character 5.\n");
        QTest::newRow("QR, not UTF-8")
            << "qr"
            << QByteArray("\xff"
                          "ab")
            << QByteArray("line 1: the line is not UTF-8 text: byte 1 (0xFF) begins no UTF-8 "
                          "character\n");
        QTest::newRow("Data Matrix, overlong")
            << "datamatrix" << QByteArray("x\xc0\xaf")
            << QByteArray("line 1: the line is not UTF-8 text: byte 2 (0xC0) begins no UTF-8 "
                          "character\n");
    }
    void codeTextRefusals() {
        QFETCH(QString, type);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, said);
        QTemporaryDir dir;
        const Run run =
            cli({"batch", "--type", type, "--in", "-", "--out-dir", dir.path()}, line + '\n');
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.left(said.size()), said);
        // EAN13 adds which of its twin names takes what.
        QCOMPARE(run.err.mid(said.size()).contains("ean13 takes"), type == u"EAN13");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void aDrawnTextThatIsNotUtf8IsRefused() {
        QTemporaryDir dir;
        const QString out = dir.filePath("qr.png");
        // Through the shell: a QProcess argument is always UTF-8.
        const Run run = runProgram(QStringLiteral("/bin/bash"),
                                   {"-c", R"("$0" draw --type qr --text $'ok\xfe' --out "$1")",
                                    QStringLiteral(CLI_EXECUTABLE), out});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("The code text is not UTF-8: byte 3 (0xFE) begins no UTF-8 "
                                     "character.\n"));
        QVERIFY(!QFile::exists(out));
    }

    // A FIFO whose reader quits: the run says so and exits 1 instead of dying of SIGPIPE, and
    // leaves no private folder behind.
    void aReaderThatQuitsIsReported() {
        QTemporaryDir dir, temp;
        const QString fifo = dir.filePath(QStringLiteral("sheet.pdf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start(QStringLiteral("head"), {"-c", "100", fifo});
        QByteArray list;
        for (int row = 0; row < 3000; ++row)
            list += "ROW" + QByteArray::number(row) + '\n';
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temp.path());
        const Run run = cli({"labels", "--list", "-", "--template", "Avery L7160", "--type",
                             "128/n", "--out", fifo},
                            list, environment);
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("the reader closed the output"), run.err.constData());
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A run that was killed could not remove its private folder; the next run that sets up
    // fonts does (a JPEG file needs the full program).
    void aKilledRunsFolderIsRemovedByTheNext() {
        QTemporaryDir temp;
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 deadProcess = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString stranded = QStringLiteral("barcode-desk-cli-%1-AbCdEf").arg(deadProcess);
        QVERIFY(QDir(temp.path()).mkpath(stranded + QStringLiteral("/cache")));
        // A folder of a run still going is left alone.
        const QString running =
            QStringLiteral("barcode-desk-cli-%1-GhIjKl").arg(QCoreApplication::applicationPid());
        QVERIFY(QDir(temp.path()).mkpath(running));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temp.path());
        QTemporaryDir out;
        const Run run =
            cli({"draw", "--type", "39/c", "--text", "AB", "--out", out.filePath("c.jpg")}, {},
                environment);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{running});
    }

    // The window's picture of a newer symbology: --ecc counts, and a 2D symbol has room around
    // it to be found.
    void theWindowPictureOfA2DSymbol() {
        QTemporaryDir dir;
        QByteArray files[2];
        for (int i = 0; i < 2; ++i) {
            const QString path = dir.filePath(QStringLiteral("qr%1.png").arg(i));
            QCOMPARE(cli({"draw", "--type", "qr", "--text", "Hello", "--ecc", i == 0 ? "L" : "H",
                          "--out", path})
                         .exitCode,
                     0);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            files[i] = file.readAll();
        }
        QVERIFY(files[0] != files[1]);
        // The most digits a QR Code holds, at level L only.
        const Run most = cli({"draw", "--type", "qr", "--text", QString(7089, u'7'), "--ecc", "L",
                              "--out", dir.filePath("most.png")});
        QVERIFY2(most.exitCode == 0, most.err.constData());
        const QString aztec = dir.filePath("aztec.png");
        const Run drawn = cli({"draw", "--type", "aztec", "--text", "Ticket-42", "--out", aztec});
        QCOMPARE(drawn.exitCode, 0);
        QCOMPARE(drawn.err, QByteArray());
        // Two light modules of 8 pixels above and left of it.
        const QImage picture(aztec);
        for (int i = 0; i < picture.height(); ++i)
            for (int margin = 0; margin < 16; ++margin)
                QVERIFY(qGray(picture.pixel(margin, i)) > 128 &&
                        qGray(picture.pixel(i, margin)) > 128);
        // In the middle of the wide picture, where readers look for its bullseye: read back as
        // drawn, and found and graded by verify.
        QCOMPARE(zxingRead(aztec), QStringLiteral("Ticket-42"));
        const Run verified = cli({"verify", "--in", aztec});
        QVERIFY2(verified.exitCode == 0 && verified.out.startsWith("Aztec Code \"Ticket-42\" at "),
                 verified.out.constData());
    }

    // "Does not decode" only when the reading engine's slowest look fails too: a QR Code of
    // version 40 at 2 pixels per module is read as a pure symbol.
    void aWarningMeansReadersFail() {
        QTemporaryDir dir;
        QString digits;
        for (int i = 0; i < 7089; ++i)
            digits += QChar(u'0' + i % 10);
        const Run run = cli({"draw", "--type", "qr", "--ecc", "L", "--text", digits, "--scale", "2",
                             "--out", dir.filePath("v40.png")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
    }

    // Damaged pictures: the program's one line, none of the libraries'.
    void damagedPicturesSayOnlyOurLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray png = pngClaiming(40, 40);
        QTest::newRow("PNG cut short") << png.left(png.size() - 20);
        png[20] = png[20] ^ 1; // the header's checksum no longer matches
        QTest::newRow("PNG with a wrong checksum") << png;
        QTest::newRow("TIFF header alone") << QByteArray("II*\0\x08\0\0\0\x01\0", 10);
        QTest::newRow("empty") << QByteArray();
    }
    void damagedPicturesSayOnlyOurLine() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = written(dir, "damaged.png", bytes);
        for (const QStringList& command :
             {QStringList{"verify"}, QStringList{"read", "--x", "0", "--y", "0"}}) {
            const Run run = cli(QStringList(command) << "--in" << path);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err, "Cannot read the image " + path.toUtf8() + '\n');
        }
    }
};

QTEST_GUILESS_MAIN(TestFailures)
#include "test_failures.moc"
