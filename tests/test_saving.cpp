#include "FullDisk.h"
#include "RecordingMessages.h"
#include "RecordingSaveDialog.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/ScanCheck.h"
#include "output/FreeImageFiles.h"
#include "output/ImageExport.h"
#include "output/OneBitPng.h"
#include "output/RgbPng.h"
#include "render/RasterImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>
#include <zlib.h>

// Saves that fail must leave the destination as it was; saves that run side by side must each
// write their own picture.
class TestSaving : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    RecordingMessages messages;
    RecordingDialog dialog;

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // The image data of a PNG, checked by zlib down to its check sum.
    static bool inflatesWhole(const QByteArray& png) {
        QByteArray stream;
        for (qsizetype at = 8; at + 12 <= png.size();) {
            const auto length = qFromBigEndian<quint32>(png.constData() + at);
            if (png.mid(at + 4, 4) == "IDAT") stream += png.mid(at + 8, length);
            at += 12 + length;
        }
        QByteArray out(64 << 20, Qt::Uninitialized);
        uLongf size = static_cast<uLongf>(out.size());
        return uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                          reinterpret_cast<const Bytef*>(stream.constData()),
                          static_cast<uLong>(stream.size())) == Z_OK;
    }
    static bool isCharacterDevice(const QString& path) {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
    }
    static QStringList draw(const QString& text, const QString& out, const QString& format) {
        return {"draw", "--type", "39/n", "--text", text, "--out", out, "--format", format};
    }
    std::unique_ptr<MainWindow> window(const QString& programDirectory) {
        auto w = std::make_unique<MainWindow>(
            MainWindowOptions{programDirectory, dir.filePath("settings.bin"), &messages,
                              dir.filePath("no-port"), &dialog});
        w->codeEdit->setText(QStringLiteral("WINDOW"));
        w->drawBarcode();
        return w;
    }
    static QRadioButton* option(MainWindow& w, const QString& format) {
        const QHash<QString, QRadioButton*> options = {
            {"bmp", w.bmpOption}, {"gif", w.gifOption}, {"jpg", w.jpgOption}, {"tif", w.tiffOption},
            {"png", w.pngOption}, {"psd", w.psdOption}, {"svg", w.svgOption}, {"pdf", w.pdfOption}};
        return options.value(format);
    }

  private slots:
    void init() {
        messages.shown.clear();
        dialog = RecordingDialog();
    }

    void aFailedSaveLeavesTheDestinationAsItWas_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("where"); // a new file or an existing one on a full disk
        for (const char* format : {"bmp", "png", "tif", "gif", "jpg", "psd", "svg", "pdf"}) {
            QTest::addRow("%s new file", format) << format << "new";
            QTest::addRow("%s existing file", format) << format << "existing";
        }
    }
    void aFailedSaveLeavesTheDestinationAsItWas() {
        QFETCH(QString, format);
        QFETCH(QString, where);
        const FullDisk disk;
        if (disk.unavailable()) QSKIP(qPrintable(*disk.unavailable()));
        const QString out = disk.filePath("code." + format);
        const QByteArray before = "a good picture saved earlier";
        if (where == u"existing") {
            QFile earlier(out);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(before) == before.size());
        }
        QVERIFY(disk.fill());
        const QStringList filesBefore = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden);

        const Run run = cli(draw("FULL", out, format));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("could not be saved as " + out.toUtf8() + ": "), run.err);

        const auto w = window(dir.path());
        option(*w, format)->setChecked(true);
        dialog.answer = out;
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 1);
        const QString box = "The barcode could not be saved as " + out;
        if (ImageExport::entryOf(*ImageExport::formatFromWord(format)).vector)
            QVERIFY(messages.shown[0].text.startsWith(box + ": ")); // drawn anew, says why
        else
            QCOMPARE(messages.shown[0].text, box);

        QCOMPARE(contents(out), where == u"existing" ? before : QByteArray("<missing>"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
    }

    // The batch writes black-and-white pictures straight from memory at one bit per pixel.
    void aBatchOnAFullDiskLeavesNoPicture() {
        const FullDisk disk;
        if (disk.unavailable()) QSKIP(qPrintable(*disk.unavailable()));
        const QString out = disk.filePath("labels");
        QVERIFY(QDir().mkpath(out));
        QVERIFY(disk.fill());
        for (const QString format : {"png", "tif"}) {
            const Run run =
                cli({"batch", "--type", "39/n", "--in", "-", "--out-dir", out, "--format", format},
                    "ONE\nTWO\n");
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("line 1: ") && run.err.contains("line 2: "), run.err);
        }
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void aFullDiskKeepsTheLastSettings() {
        const FullDisk disk;
        if (disk.unavailable()) QSKIP(qPrintable(*disk.unavailable()));
        const MainWindowOptions options{dir.path(), disk.filePath("settings.bin"), &messages,
                                        dir.filePath("no-port"), &dialog};
        auto w = std::make_unique<MainWindow>(options);
        w->codeEdit->setText(QStringLiteral("LAST"));
        w->drawBarcode();
        const QByteArray last = contents(options.settingsPath);
        QVERIFY(last.startsWith("LAST%~%"));
        QVERIFY(disk.fill());
        // More than the old file's space: deleting it first would not make room.
        w->codeEdit->setText(QStringLiteral("NEW") + QString(5000, u'X'));
        w->typeEdited();
        QCOMPARE(contents(options.settingsPath), last);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files), QStringList{"settings.bin"});
        w = std::make_unique<MainWindow>(options);
        QCOMPARE(w->codeEdit->text(), QStringLiteral("LAST"));
        QCOMPARE(messages.shown.size(), 0);
    }

    void aDeviceIsWrittenInPlaceAndNeverRemoved_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"bmp", "png", "tif", "gif", "jpg", "psd", "svg", "pdf"})
            QTest::newRow(format) << format;
    }
    void aDeviceIsWrittenInPlaceAndNeverRemoved() {
        QFETCH(QString, format);
        if (!isCharacterDevice("/dev/full")) QSKIP("no /dev/full");
        const Run run = cli(draw("DEVICE", "/dev/full", format));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("could not be saved as /dev/full: "), run.err);
        QVERIFY(isCharacterDevice("/dev/full"));

        const auto w = window(dir.path());
        option(*w, format)->setChecked(true);
        dialog.answer = QStringLiteral("/dev/full");
        w->saveBarcode();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(isCharacterDevice("/dev/full"));
        QCOMPARE(cli(draw("DEVICE", "/dev/null", format)).exitCode, 0);
        QVERIFY(isCharacterDevice("/dev/null"));
    }

    void aPipeNobodyReadsIsRefusedAtOnce() {
        const QString fifo = dir.filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const Run run = cli(draw("PIPE", fifo, "png"));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("could not be saved as " + fifo.toUtf8() + ": "), run.err);
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    }

    // Nothing named "~temp.bmp" is touched any more, whatever it points at.
    void plantedLinksAreLeftAlone() {
        const QString program = dir.filePath("program"), temporary = dir.filePath("tmp");
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(temporary));
        const QString victim = dir.filePath("victim.txt");
        QFile precious(victim);
        QVERIFY(precious.open(QIODevice::WriteOnly) && precious.write("precious") == 8);
        precious.close();
        for (const QString& folder : {program, temporary})
            QVERIFY(QFile::link(victim, folder + "/~temp.bmp"));
        const QString copiedCli = program + "/barcode-desk-cli";
        QVERIFY(QFile::copy(QStringLiteral(CLI_EXECUTABLE), copiedCli));

        const auto w = window(program);
        for (const QString format : {"png", "gif", "jpg", "tif", "psd"}) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("TMPDIR", temporary);
            process.setProcessEnvironment(environment);
            process.start(copiedCli, draw("LINKS", dir.filePath("cli." + format), format));
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitCode(), 0);
            option(*w, format)->setChecked(true);
            dialog.answer = dir.filePath("window." + format);
            w->saveBarcode();
            QCOMPARE(messages.shown.size(), 0);
        }
        QCOMPARE(contents(victim), QByteArray("precious"));
        for (const QString& folder : {program, temporary})
            QCOMPARE(QFileInfo(folder + "/~temp.bmp").symLinkTarget(), victim);
    }

    void picturesSavedSideBySideKeepTheirOwnCode_data() {
        QTest::addColumn<QString>("format");
        for (const char* format : {"gif", "jpg", "psd"})
            QTest::newRow(format) << format;
    }
    void picturesSavedSideBySideKeepTheirOwnCode() {
        QFETCH(QString, format);
        const QString out = dir.filePath("side-by-side-" + format);
        QVERIFY(QDir().mkpath(out));
        // Processes started together...
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 1; i <= 6; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(
                QStringLiteral(CLI_EXECUTABLE),
                draw(QStringLiteral("PROC-%1").arg(i),
                     QStringLiteral("%1/proc-%2.%3").arg(out).arg(i).arg(format), format));
        }
        // ... and a batch with one worker per core.
        QByteArray lines;
        for (int i = 1; i <= 24; ++i)
            lines += QStringLiteral("LINE-%1\n").arg(i).toLatin1();
        const Run batch = cli(
            {"batch", "--type", "39/n", "--in", "-", "--out-dir", out, "--format", format}, lines);
        QCOMPARE(batch.exitCode, 0);
        for (const auto& process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->exitCode(), 0);
        }
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(zbarRead(QStringLiteral("%1/proc-%2.%3").arg(out).arg(i).arg(format)),
                     QStringLiteral("PROC-%1").arg(i));
        for (int i = 1; i <= 24; ++i)
            QCOMPARE(
                zbarRead(QStringLiteral("%1/%2.%3").arg(out).arg(i, 6, 10, QChar('0')).arg(format)),
                QStringLiteral("LINE-%1").arg(i));
    }

    // What stood at the name before: a file keeps its permissions, a link its target, a folder
    // is refused; a new file gets what the umask allows. The batch names its pictures in
    // groups, draw one by one; both leave nothing else in the folder. Without /proc/self/fd
    // a file without a name cannot be named, and a hidden temporary file takes its place.
    void whatStoodAtTheNameIsRespected_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("withoutProc");
        for (const char* command : {"draw", "batch"})
            for (const char* planted : {"nothing", "file", "link", "folder"})
                QTest::addRow("%s over %s", command, planted) << command << planted << false;
        QTest::newRow("draw over nothing without /proc/self/fd") << "draw"
                                                                 << "nothing" << true;
        QTest::newRow("batch over file without /proc/self/fd") << "batch"
                                                               << "file" << true;
    }
    void whatStoodAtTheNameIsRespected() {
        QFETCH(QString, command);
        QFETCH(QString, planted);
        QFETCH(bool, withoutProc);
        if (withoutProc &&
            (::geteuid() != 0 || QStandardPaths::findExecutable("unshare").isEmpty()))
            QSKIP("hiding /proc/self/fd needs root and unshare");
        const QTemporaryDir scratch;
        const QString folder = scratch.filePath("out"), target = scratch.filePath("target.png");
        const QString name = folder + "/000002.png";
        QVERIFY(QDir().mkpath(folder));
        // A mask that takes away what the old file allows.
        const mode_t umask = ::umask(027);
        const auto restoreUmask = qScopeGuard([umask] { ::umask(umask); });
        QFile old(planted == u"link" ? target : name);
        if (planted == u"file" || planted == u"link") {
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            QCOMPARE(::chmod(QFile::encodeName(old.fileName()).constData(), 0666), 0);
        }
        if (planted == u"link") QVERIFY(QFile::link("../target.png", name));
        if (planted == u"folder") QVERIFY(QDir().mkpath(name));

        const QStringList args =
            command == u"batch"
                ? QStringList{"batch", "--type", "39/n", "--in", "-", "--out-dir", folder}
                : draw("TWO", name, "png");
        const QByteArray list = command == u"batch" ? "ONE\nTWO\n" : "";
        // Only the program's own /proc/PID/fd is covered: a sanitized build needs the rest.
        const QString hideFds = "mount -t tmpfs none /proc/$$/fd && exec \"$0\" \"$@\"";
        const Run run =
            withoutProc
                ? runProgram("unshare",
                             QStringList{"--mount", "sh", "-c", hideFds, CLI_EXECUTABLE} + args,
                             list)
                : cli(args, list);
        QStringList expected = {"000002.png"};
        if (command == u"batch") {
            expected.prepend("000001.png");
            QCOMPARE(zbarRead(folder + "/000001.png"), QStringLiteral("ONE"));
        }
        const auto entries = [](const QString& path) {
            return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        QCOMPARE(entries(folder), expected);
        const QStringList besideTheFolder =
            planted == u"link" ? QStringList{"out", "target.png"} : QStringList{"out"};
        QCOMPARE(entries(scratch.path()), besideTheFolder);
        if (planted == u"folder") {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("could not be saved as " + name.toUtf8() + ": "), run.err);
            QVERIFY(QFileInfo(name).isDir());
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(zbarRead(name), QStringLiteral("TWO"));
        const mode_t permissions = planted == u"nothing" ? 0640 : 0666;
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(name).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, permissions);
        if (planted == u"link") QCOMPARE(QFileInfo(name).symLinkTarget(), target);
    }

    // Root may write anywhere, so another user tries: a file made read-only and a folder that
    // may not be written in are refused and stay as they were.
    void whatMayNotBeWrittenIsRefused_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("refused");
        QTest::newRow("draw over a read-only file") << "draw"
                                                    << "read-only file";
        QTest::newRow("draw into a folder not writable") << "draw"
                                                         << "folder";
        QTest::newRow("batch over a read-only file") << "batch"
                                                     << "read-only file";
    }
    void whatMayNotBeWrittenIsRefused() {
        QFETCH(QString, command);
        QFETCH(QString, refused);
        const QStringList asNobody = {"--reuid=65534", "--regid=65534", "--clear-groups",
                                      CLI_EXECUTABLE};
        if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty() ||
            runProgram("setpriv", asNobody + QStringList{"--version"}).exitCode != 0)
            QSKIP("acting as another user needs root, setpriv and a program others may run");
        const QTemporaryDir scratch;
        const QString name = scratch.filePath("000002.png");
        const bool readOnlyFile = refused == u"read-only file";
        QFile old(name);
        if (readOnlyFile) {
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            old.close();
            QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        QCOMPARE(::chmod(QFile::encodeName(scratch.path()).constData(), readOnlyFile ? 0777 : 0755),
                 0);
        const QStringList args =
            command == u"batch"
                ? QStringList{"batch", "--type", "39/n", "--in", "-", "--out-dir", scratch.path()}
                : draw("TWO", name, "png");
        const Run run =
            runProgram("setpriv", asNobody + args, command == u"batch" ? "ONE\nTWO\n" : "");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("could not be saved as " + name.toUtf8() + ": "), run.err);
        QCOMPARE(contents(name), readOnlyFile ? QByteArray("old") : QByteArray("<missing>"));
        QStringList expected;
        if (command == u"batch") expected << "000001.png";
        if (readOnlyFile) expected << "000002.png";
        QCOMPARE(
            QDir(scratch.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            expected);
    }

    // Pictures waiting for their group's sync hold files open: a batch allowed few still
    // writes every picture.
    void aBatchAllowedFewOpenFilesWritesEveryPicture() {
        if (QStandardPaths::findExecutable("prlimit").isEmpty()) QSKIP("no prlimit");
        QByteArray lines;
        for (int i = 1; i <= 150; ++i)
            lines += "L" + QByteArray::number(i) + "\n";
        const QString out = dir.filePath("few-open-files");
        const Run run = runProgram("prlimit",
                                   {"--nofile=40", CLI_EXECUTABLE, "batch", "--type", "39/n",
                                    "--in", "-", "--out-dir", out},
                                   lines);
        QVERIFY2(run.exitCode == 0, run.err);
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 150);
        for (const int i : {1, 150})
            QCOMPARE(zbarRead(QStringLiteral("%1/%2.png").arg(out).arg(i, 6, 10, QChar('0'))),
                     QStringLiteral("L%1").arg(i));
    }

    void theResolutionIsRecorded_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("dotsPerMeter"); // 0: none given, Qt's default
        QTest::addColumn<QString>("expected"); // as ImageMagick reports it in dots per inch
        for (const char* format : {"png", "tif", "bmp", "jpg"}) {
            QTest::addRow("%s 600 dpi", format) << format << 23622 << "600x600";
            QTest::addRow("%s default", format) << format << 0 << "96x96";
        }
    }
    void theResolutionIsRecorded() {
        QFETCH(QString, format);
        QFETCH(int, dotsPerMeter);
        QFETCH(QString, expected);
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::white);
        if (dotsPerMeter) {
            picture.setDotsPerMeterX(dotsPerMeter);
            picture.setDotsPerMeterY(dotsPerMeter);
        }
        const QString out = dir.filePath("resolution." + format);
        QCOMPARE(ImageExport::SaveImage(picture, out, *ImageExport::formatFromWord(format)),
                 std::nullopt);
        const Run identify =
            runProgram("identify", {"-units", "PixelsPerInch", "-format",
                                    "%[fx:round(resolution.x)]x%[fx:round(resolution.y)]", out});
        QCOMPARE(QString::fromUtf8(identify.out).trimmed(), expected);
    }

    // Batch PNGs: every row comes back, whether it repeats the row above, an earlier row within
    // the compressor's reach or one beyond it, or none; and the stream's check sum holds.
    void oneBitPngsHoldEveryRow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("period"); // rows of one pattern before the next; 0: all differ
        QTest::newRow("one pixel") << 1 << 1 << 1;
        QTest::newRow("one byte a row") << 3 << 9 << 4;
        QTest::newRow("bars") << 425 << 177 << 60;
        QTest::newRow("every row differs") << 301 << 40 << 0;
        QTest::newRow("rows longer than a copy") << 3000 << 12 << 3;
        QTest::newRow("earlier rows out of reach") << 20000 << 30 << 7;
    }
    void oneBitPngsHoldEveryRow() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, period);
        const int pitch = (width + 31) / 32 * 4;
        QByteArray rows(pitch * height, '\0');
        QRandomGenerator random(7);
        const QByteArray patterns[2] = {QByteArray(pitch, '\xFF'), QByteArray(pitch, '\0')};
        for (int y = 0; y < height; ++y) {
            char* row = rows.data() + pitch * y;
            if (period == 0 || (y / period) % 3 == 2) // bars, runs and stray bytes
                for (int x = 0; x < pitch; ++x)
                    row[x] = static_cast<char>(random.bounded(8) < 5 ? 0xFF * (x / 9 % 2)
                                                                     : random.bounded(256));
            else
                std::memcpy(row, patterns[(y / period) % 3].constData(), pitch);
            if (period > 0 && (y / period) % 3 == 2 && y % period > 0)
                std::memcpy(row, row - pitch, pitch); // the bars repeat down the period
        }
        const auto png = OneBitPng::encode(rows, pitch, QSize(width, height), QSize(3780, 3780));
        QVERIFY(png);
        QVERIFY(inflatesWhole(*png));
        const QImage image = QImage::fromData(*png, "PNG");
        QCOMPARE(image.size(), QSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool white = rows[pitch * y + x / 8] & (0x80 >> (x % 8));
                if ((image.pixel(x, y) == qRgb(255, 255, 255)) != white)
                    QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
            }
    }

    // PNG files in colour are the image library's, byte for byte: its filter per row, its
    // compression, its window for small images, its chunks of image data.
    void rgbPngsAreTheImageLibrarys_data() {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("dotsPerMeter");
        const QImage window = ScanCheck::windowPicture({"EAN13", "400638133393", 50, 150});
        QTest::newRow("window picture") << window << 3780;
        QTest::newRow("window picture, 600 dpi") << window << 23622;
        QTest::newRow("stretched thin") << ScanCheck::windowPicture({"128/n", "Hi", 7, 40}) << 3780;
        QRandomGenerator random(11);
        const auto picture = [&](int width, int height, auto colour) {
            QImage image(width, height, QImage::Format_RGB32);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    image.setPixel(x, y, colour(x, y));
            return image;
        };
        QTest::newRow("one pixel")
            << picture(1, 1, [](int, int) { return qRgb(200, 10, 90); }) << 3780;
        QTest::newRow("small: a narrower window")
            << picture(9, 7, [](int x, int y) { return qRgb(x * 20, y * 30, 255 - x * y); }) << 0;
        QTest::newRow("across: Sub")
            << picture(64, 40, [](int x, int) { return qRgb(x * 4, x * 2, 255 - x); }) << 3780;
        QTest::newRow("down: Paeth")
            << picture(64, 40, [](int, int y) { return qRgb(y * 6, 0, y); }) << 3780;
        QTest::newRow("noise over several chunks")
            << picture(230, 90, [&](int, int) { return random.generate() | 0xFF000000; }) << 3780;
        QTest::newRow("bars with noise between") << picture(300, 60, [&](int x, int y) {
            return y % 20 < 17 ? (x / 3 % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
                               : random.generate() | 0xFF000000;
        }) << 3780;
    }
    void rgbPngsAreTheImageLibrarys() {
        QFETCH(QImage, picture);
        QFETCH(int, dotsPerMeter);
        using namespace FreeImageFiles;
        const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
        const BitmapHandle bitmap =
            fromBgrRows(bgr.constBits(), bgr.width(), bgr.height(), int(bgr.bytesPerLine()));
        setDotsPerMeter(bitmap, dotsPerMeter, dotsPerMeter);
        const auto expected = saveToMemory(FIF_PNG, bitmap, PNG_Z_DEFAULT_COMPRESSION);
        unload(bitmap);
        QVERIFY(expected);
        const auto png = RgbPng::encode(rasterOf(picture), QSize(dotsPerMeter, dotsPerMeter));
        QVERIFY(png);
        QCOMPARE(*png, *expected);
    }
};

QTEST_MAIN(TestSaving)
#include "test_saving.moc"
