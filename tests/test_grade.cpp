// The scan check: the grader against hand-computed element widths, against two independent
// readers and against JPEG loss; pictures with known measurements in every orientation; the
// verify command; the main window's status line.
#include "CalibrationPicture.h"
#include "RecordingMessages.h"
#include "TestSupport.h"
#include "app/DrawCommands.h"
#include "app/MainWindow.h"
#include "app/ScanCheck.h"
#include "app/ScanReportDialog.h"
#include "decode/LineDecode.h"
#include "decode/ScanGrade.h"
#include "symbology/EncodeSymbol.h"

#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The work picture as the renderer left it: one pixel per module.
QImage modulePicture(const QString& type, const QString& text) {
    DrawModel model;
    model.codeText = text;
    DrawCommands::commandFor(type)(model);
    return (type == u"UPC-A" ? model.upc.upcPicture.image() : model.workPicture.image())
        .convertToFormat(QImage::Format_Grayscale8);
}

// The runs of equal modules of the row through the bars (the row with the most of them), from
// the first bar to the last.
std::vector<int> moduleRuns(const QString& type, const QString& text) {
    if (const auto newer = zintChoice(type)) { // straight from the symbol's modules
        const QString modules =
            std::get<EncodedSymbol>(encodeZintChoice(*newer, text)).symbol.modules;
        std::vector<int> runs;
        for (qsizetype i = 0; i < modules.size(); ++i) {
            if (i == 0 || modules[i] != modules[i - 1]) runs.push_back(0);
            ++runs.back();
        }
        return runs;
    }
    const QImage picture = modulePicture(type, text);
    std::vector<int> best;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* row = picture.constScanLine(y);
        std::vector<int> runs;
        int x = 0;
        while (x < picture.width() && row[x] >= 128)
            ++x;
        int lastDark = picture.width() - 1;
        while (lastDark >= 0 && row[lastDark] >= 128)
            --lastDark;
        for (int start = x; x <= lastDark; start = x) {
            while (x <= lastDark && (row[x] < 128) == (row[start] < 128))
                ++x;
            runs.push_back(x - start);
        }
        if (runs.size() > best.size()) best = runs;
    }
    return best;
}

// Whole pixels per module and a white margin wide enough for any quiet zone.
QImage wholePixelPicture(const QString& type, const QString& text, int pixelsPerModule) {
    const QImage modules = modulePicture(type, text);
    const int margin = 12 * pixelsPerModule;
    QImage picture(modules.size() * pixelsPerModule + QSize(2 * margin, 2 * margin),
                   QImage::Format_Grayscale8);
    picture.fill(255);
    QPainter painter(&picture);
    painter.drawImage(margin, margin, modules.scaled(modules.size() * pixelsPerModule));
    return picture;
}

double scoreOf(const QImage& picture) {
    const auto symbols = ScanGrade::gradePicture(picture);
    return symbols.empty() ? -1 : symbols.front().score();
}

QByteArray fileOf(const QImage& picture, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, quality);
    return bytes;
}

QImage jpegOf(const QImage& picture, int quality) {
    return QImage::fromData(fileOf(picture, "JPG", quality), "JPG");
}

constexpr int kPixelsPerModule = 10;

// The picture turned by `degrees` clockwise about its middle, mirrored left to right first when
// asked, on white; quarter turns move whole pixels.
QImage turned(const QImage& picture, double degrees, bool mirrored) {
    QTransform turn;
    turn.rotate(degrees);
    const QRect bounds = turn.mapRect(picture.rect());
    QImage out(bounds.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::fmod(degrees, 90) != 0);
    painter.translate(out.width() / 2.0, out.height() / 2.0);
    painter.rotate(degrees);
    painter.scale(mirrored ? -1 : 1, 1);
    painter.drawImage(QPointF(-picture.width() / 2.0, -picture.height() / 2.0), picture);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Calibration)

namespace {

// The columns checkCalibration reads.
void addCalibrationColumns() {
    QTest::addColumn<Calibration>("calibration");
    QTest::addColumn<int>("parameter"); // -1: the quiet zone before the bars, in modules
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<double>("apertureMm");
    QTest::addColumn<int>("jpegQuality");
}

std::vector<int> calibrationRuns(const char* type, const char* text) {
    return moduleRuns(QString::fromLatin1(type), QString::fromLatin1(text));
}

} // namespace

class TestGrade : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private:
    // The worst line of each picture in four quarter turns, mirrored or not, against the row's
    // value and tolerance.
    void checkCalibration() {
        QFETCH(Calibration, calibration);
        QFETCH(int, parameter);
        QFETCH(double, expected);
        QFETCH(double, tolerance);
        QFETCH(double, apertureMm);
        QFETCH(int, jpegQuality);
        const QImage upright = calibrationPicture(calibration);
        for (const int quarter : {0, 1, 2, 3})
            for (const bool mirrored : {false, true}) {
                QImage picture = turned(upright, 90 * quarter, mirrored);
                if (jpegQuality > 0) picture = jpegOf(picture, jpegQuality);
                const auto symbols =
                    ScanGrade::gradePicture(picture, {{}, apertureMm, ReadingEngine::Reach::Every});
                QString where = QStringLiteral("%1° %2").arg(90 * quarter).arg(mirrored);
                for (const ScanGrade::Symbol& symbol : symbols)
                    where += QStringLiteral(", %1 %2").arg(symbol.kind, symbol.text);
                QVERIFY2(symbols.size() == 1, qPrintable(where));
                // The worst line: a spot crosses only some.
                const bool higherIsWorse = parameter == int(ScanGrade::Parameter::Defects);
                double worst = higherIsWorse ? -1e9 : 1e9;
                for (const ScanGrade::Line& line : symbols.front().lines) {
                    const double value =
                        parameter < 0 ? line.quietZones[0] : line.values[std::size_t(parameter)];
                    worst = higherIsWorse ? std::max(worst, value) : std::min(worst, value);
                }
                for (const ScanGrade::Line& line : symbols.front().lines)
                    where += QStringLiteral(" | %1 %2 %3")
                                 .arg(line.text)
                                 .arg(line.quietZones[0])
                                 .arg(line.quietZones[1]);
                QVERIFY2(std::abs(worst - expected) <= tolerance,
                         qPrintable(QStringLiteral("%1: %2").arg(where).arg(worst)));
                // Every line decodes, or none does.
                if (parameter == int(ScanGrade::Parameter::Decode))
                    for (const ScanGrade::Line& line : symbols.front().lines)
                        QCOMPARE(line.values[int(ScanGrade::Parameter::Decode)], expected);
            }
    }

  private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // Element widths of 10 pixels per module, one edge moved by hand; the decodability is the
    // margin left in the worst edge-to-similar-edge sum (Code 128, Code 93, EAN, UPC) or element
    // (Code 39, Interleaved 2 of 5), which every line shares.
    void handSetWidths_data() {
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<int>("edgeAfter"); // element, counted from the first bar
        QTest::addColumn<int>("shift");     // pixels the edge after it moves right
        QTest::addColumn<int>("quietModules");
        QTest::addColumn<double>("decodability");
        QTest::addColumn<QString>("letter");
        using LineDecode::Linear;
        const int c128 = int(Linear::Code128), c39 = int(Linear::Code39);
        const int ean13 = int(Linear::Ean13), ean8 = int(Linear::Ean8), upc = int(Linear::UpcA);
        const int itf = int(Linear::Itf), c93 = int(Linear::Code93), upce = int(Linear::UpcE);
        // Code 128: a sum of two 11-module elements 0.2 or 0.3 module off: margin 0.6 or 0.4.
        QTest::newRow("128 ideal") << c128 << "128/n"
                                   << "Hello"
                                   << "Hello" << 0 << 0 << 10 << 1.0 << "A";
        QTest::newRow("128 0.2") << c128 << "128/n"
                                 << "Hello"
                                 << "Hello" << 6 << 2 << 10 << 0.6 << "B";
        QTest::newRow("128 0.3") << c128 << "128/n"
                                 << "Hello"
                                 << "Hello" << 6 << 3 << 10 << 0.4 << "C";
        QTest::newRow("128 0.6 misreads") << c128 << "128/n"
                                          << "Hello"
                                          << "Hello" << 6 << 6 << 10 << -1.0 << "F";
        QTest::newRow("128 quiet 9") << c128 << "128/n"
                                     << "Hello"
                                     << "Hello" << 0 << 0 << 9 << -1.0 << "F";
        // Code 39, narrow 10 and wide 20: a wide space 3 narrower, the bar after it 3 wider:
        // narrow 10.5, wide 19 on average, threshold 14.75, margin 1.75 / 4.25.
        QTest::newRow("39 ideal") << c39 << "39/n"
                                  << "HELLO"
                                  << "HELLO" << 0 << 0 << 10 << 1.0 << "A";
        QTest::newRow("39 2 px") << c39 << "39/n"
                                 << "HELLO"
                                 << "HELLO" << 1 << -2 << 10 << 17.0 / 27 << "A";
        QTest::newRow("39 3 px") << c39 << "39/n"
                                 << "HELLO"
                                 << "HELLO" << 1 << -3 << 10 << 1.75 / 4.25 << "C";
        // EAN and UPC: a sum of two 7-module elements 0.2 module off: margin 0.6.
        QTest::newRow("EAN-13 ideal") << ean13 << "EAN13"
                                      << "400638133393"
                                      << "4006381333931" << 0 << 0 << 11 << 1.0 << "A";
        QTest::newRow("EAN-13 0.2") << ean13 << "EAN13"
                                    << "400638133393"
                                    << "4006381333931" << 3 << 2 << 11 << 0.6 << "B";
        QTest::newRow("EAN-13 quiet 10") << ean13 << "EAN13"
                                         << "400638133393"
                                         << "4006381333931" << 0 << 0 << 10 << -1.0 << "F";
        QTest::newRow("EAN-8 0.3") << ean8 << "EAN8"
                                   << "9638507"
                                   << "96385074" << 3 << 3 << 7 << 0.4 << "C";
        QTest::newRow("UPC-A ideal") << upc << "UPC-A"
                                     << "036000291452"
                                     << "036000291452" << 0 << 0 << 9 << 1.0 << "A";
        QTest::newRow("UPC-A 0.4") << upc << "UPC-A"
                                   << "036000291452"
                                   << "036000291452" << 32 << 4 << 9 << 0.2 << "F";
        // Interleaved 2 of 5, narrow 10 and wide 30: the first pair's wide bar 5 or 8 narrower,
        // its narrow space as much wider. Narrow 65/6 and wide 115/4 on average: threshold
        // 475/24, half their gap 215/24; the space of 15 is 115/24 from the threshold.
        QTest::newRow("ITF 0.5") << itf << "itf"
                                 << "123456"
                                 << "123456" << 4 << -5 << 10 << 23.0 / 43 << "B";
        QTest::newRow("ITF 0.8") << itf << "itf"
                                 << "123456"
                                 << "123456" << 4 << -8 << 10 << 0.2 << "F";
        // Code 93 measures as Code 128 does: a sum 0.2 module off.
        QTest::newRow("93 0.2") << c93 << "code93"
                                << "HELLO"
                                << "HELLO" << 6 << 2 << 10 << 0.6 << "B";
        // UPC-E with an add-on, which asks for 5 modules after it.
        QTest::newRow("UPC-E+2 ideal") << upce << "upce"
                                       << "0123456+12"
                                       << "01234565 12" << 0 << 0 << 9 << 1.0 << "A";
        QTest::newRow("UPC-E+2 quiet 8") << upce << "upce"
                                         << "0123456+12"
                                         << "01234565 12" << 0 << 0 << 8 << -1.0 << "F";
    }
    void handSetWidths() {
        QFETCH(int, symbology);
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, reads);
        QFETCH(int, edgeAfter);
        QFETCH(int, shift);
        QFETCH(int, quietModules);
        QFETCH(double, decodability);
        QFETCH(QString, letter);
        std::vector<int> widths;
        for (const int run : moduleRuns(type, text))
            widths.push_back(run * kPixelsPerModule);
        QVERIFY(widths.size() > std::size_t(edgeAfter + 1));
        widths[std::size_t(edgeAfter)] += shift;
        widths[std::size_t(edgeAfter) + 1] -= shift;
        const int quiet = quietModules * kPixelsPerModule;
        std::vector<double> profile(std::size_t(quiet), 100.0);
        for (std::size_t i = 0; i < widths.size(); ++i)
            profile.insert(profile.end(), std::size_t(widths[i]), i % 2 == 0 ? 0.0 : 100.0);
        profile.insert(profile.end(), std::size_t(quiet), 100.0);

        const ScanGrade::Line line = ScanGrade::gradeProfile(
            profile, LineDecode::Linear(symbology), reads, quiet, double(profile.size() - quiet));
        const auto decodes = line.values[int(ScanGrade::Parameter::Decode)];
        QCOMPARE(decodes, decodability >= 0 ? 1.0 : 0.0);
        const QuietZone quietZone =
            LineDecode::quietZoneOf(LineDecode::Linear(symbology), reads.contains(u' '));
        QCOMPARE(line.quietZoneTooNarrow,
                 quietModules < std::max(quietZone.before, quietZone.after));
        if (decodability >= 0) {
            QCOMPARE(line.text, reads);
            QVERIFY2(
                qAbs(line.values[int(ScanGrade::Parameter::Decodability)] - decodability) < 1e-6,
                qPrintable(QString::number(line.values[int(ScanGrade::Parameter::Decodability)])));
            QCOMPARE(line.moduleWidth, double(kPixelsPerModule));
        }
        QCOMPARE(QString(ScanGrade::letterOf(line.grade())), letter);
    }

    // The reflectance measurements on an ideal Code 128: bars and spaces printed lighter and
    // darker, and one spot in the quiet zone.
    void reflectance_data() {
        QTest::addColumn<double>("bar");
        QTest::addColumn<double>("space");
        QTest::addColumn<double>("spot"); // one sample amid the left quiet zone
        QTest::addColumn<QString>("letter");
        QTest::newRow("black on white") << 0.0 << 100.0 << 100.0 << "A";
        QTest::newRow("contrast 50") << 30.0 << 80.0 << 80.0 << "C";    // SC 50
        QTest::newRow("contrast 19") << 10.0 << 29.0 << 29.0 << "F";    // SC below 20
        QTest::newRow("bars too light") << 45.0 << 85.0 << 85.0 << "F"; // Rmin above Rmax / 2
        QTest::newRow("spot 25") << 0.0 << 100.0 << 75.0 << "C";        // defects 0.25
        QTest::newRow("spot 31") << 0.0 << 100.0 << 69.0 << "F";        // defects 0.31
    }
    void reflectance() {
        QFETCH(double, bar);
        QFETCH(double, space);
        QFETCH(double, spot);
        QFETCH(QString, letter);
        const int quiet = 10 * kPixelsPerModule;
        std::vector<double> profile(std::size_t(quiet), space);
        profile[std::size_t(quiet / 2)] = spot;
        const std::vector<int> runs = moduleRuns(QStringLiteral("128/n"), QStringLiteral("Hi"));
        for (std::size_t i = 0; i < runs.size(); ++i)
            profile.insert(profile.end(), std::size_t(runs[i] * kPixelsPerModule),
                           i % 2 == 0 ? bar : space);
        profile.insert(profile.end(), std::size_t(quiet), space);
        const ScanGrade::Line line =
            ScanGrade::gradeProfile(profile, LineDecode::Linear::Code128, QStringLiteral("Hi"),
                                    quiet, double(profile.size() - quiet));
        QCOMPARE(line.text, QStringLiteral("Hi"));
        QCOMPARE(line.values[int(ScanGrade::Parameter::SymbolContrast)], space - bar);
        QCOMPARE(QString(ScanGrade::letterOf(line.grade())), letter);
    }

    // The quiet zones the grader asks for are those the encoders draw.
    void quietZonesAgreeWithTheEncoders() {
        for (const SymbologyChoice& choice : kSymbologyChoices) {
            const QString text = choice.symbology == Symbology::Ean8 ? QStringLiteral("1234567")
                                 : choice.takesDigitsOnly() ? QStringLiteral("123456789012")
                                                            : QStringLiteral("A");
            const Symbol symbol = encodeSymbol(choice, text);
            const QuietZone quiet = quietZoneOf(choice.symbology);
            QCOMPARE(quiet.before, symbol.quietLeft);
            QCOMPARE(quiet.after, symbol.quietRight);
        }
    }

    void wholePixelsGradeA_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reads");
        QTest::newRow("128/n") << "128/n"
                               << "Hello World 42"
                               << "Hello World 42";
        QTest::newRow("39/c") << "39/c"
                              << "HELLO-42"
                              << "HELLO-42";
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
    void wholePixelsGradeA() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, reads);
        const QString path = dir.filePath(QStringLiteral("scaled.png"));
        const Run drawn =
            cli({"draw", "--type", type, "--text", text, "--scale", "2", "--out", path});
        QCOMPARE(drawn.exitCode, 0);
        QVERIFY2(!drawn.err.contains("warning"), drawn.err.constData());
        const QImage picture(path);
        const auto symbols = ScanGrade::gradePicture(picture);
        QCOMPARE(symbols.size(), std::size_t(1));
        QCOMPARE(symbols.front().text, reads);
        QCOMPARE(symbols.front().letter(), QChar(u'A'));
        QCOMPARE(symbols.front().moduleWidth(), 2.0);
        QVERIFY(jpegOf(picture, 20).isNull() == false);
        QVERIFY(scoreOf(jpegOf(picture, 20)) <= symbols.front().score());
    }

    // An EAN-13 beginning with 0 is read as a UPC-A and graded by UPC-A's rule: every path that
    // draws it leaves 11 modules free on the left and 9 on the right, so our own picture passes
    // our own check. Vector files are checked by their size, the label sheet by its summary.
    void leadingZeroEan13PassesItsOwnCheck_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("format");
        QTest::newRow("EAN13 --scale") << QStringList{"--type", "EAN13", "--scale", "3"} << "png";
        QTest::newRow("EAN13 --xdim --dpi")
            << QStringList{"--type", "EAN13", "--xdim", "0.33", "--dpi", "300"} << "png";
        QTest::newRow("ean13 --scale") << QStringList{"--type", "ean13", "--scale", "2"} << "png";
        QTest::newRow("EAN13 svg") << QStringList{"--type", "EAN13", "--xdim", "0.5"} << "svg";
        QTest::newRow("ean13 svg") << QStringList{"--type", "ean13", "--xdim", "0.5"} << "svg";
        QTest::newRow("EAN13 labels") << QStringList{"--type", "EAN13"} << "labels";
    }
    void leadingZeroEan13PassesItsOwnCheck() {
        QFETCH(QStringList, args);
        QFETCH(QString, format);
        const QString out = dir.filePath(QStringLiteral("upc-as-ean.") + format);
        if (format == u"labels") {
            const Run run = cli(QStringList{"labels", "--list", "-", "--template", "Avery L7160",
                                            "--out", out + ".pdf"} +
                                    args,
                                "0036000291452\n");
            QVERIFY2(run.exitCode == 0, run.err.constData());
            QVERIFY2(run.err.contains("scan check: 1 A."), run.err.constData());
            return;
        }
        const Run drawn = cli(QStringList{"draw", "--text", "003600029145", "--out", out} + args);
        QVERIFY2(drawn.exitCode == 0, drawn.err.constData());
        if (format == u"svg") {
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            // 11 + 95 + 9 modules of 0.5 mm.
            QVERIFY2(file.readAll().contains("width=\"57.5mm\""), qPrintable(out));
            return;
        }
        const Run verified = cli({"verify", "--in", out, "--json"});
        QVERIFY2(verified.exitCode == 0, verified.out.constData());
        const QJsonObject symbol =
            QJsonDocument::fromJson(verified.out).object()["symbols"].toArray()[0].toObject();
        QCOMPARE(symbol["type"].toString(), QStringLiteral("UPC-A"));
        QCOMPARE(symbol["text"].toString(), QStringLiteral("036000291452"));
        QVERIFY2(symbol["grade"].toString() <= QStringLiteral("C"),
                 qPrintable(symbol["grade"].toString()));
    }

    // When no slider position helps, the line says what does.
    void noWidthPositionSaysWhatWorks() {
        const ScanCheck::DrawInputs inputs{"128/n", QString(30, u'W'), 50, 150};
        const QString line = ScanCheck::check(ScanCheck::windowPicture(inputs), inputs).line;
        QVERIFY2(line.endsWith(QStringLiteral("no width position grades C or better; whole "
                                              "pixels per module do: the Labels dialog, or "
                                              "barcode-desk-cli draw --scale")),
                 qPrintable(line));
    }

    // Whichever way up, mirrored or not, a symbol grades as it does upright: quarter turns to
    // the same values, skewed ones within what interpolating their edges costs.
    void anyOrientation_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("mirrored");
        QTest::addColumn<double>("modulationWithin");
        const std::pair<const char*, const char*> symbols[] = {
            {"EAN13", "400638133393"}, {"128/n", "Turn 42"}, {"39/n", "TURN"}};
        for (const auto& [type, text] : symbols) {
            for (const int quarter : {0, 90, 180, 270})
                for (const bool mirrored : {false, true})
                    QTest::addRow("%s %d%s", type, quarter, mirrored ? " mirrored" : "")
                        << type << text << double(quarter) << mirrored << 0.0;
            for (const double skew : {-15.0, -4.0, 7.0, 15.0, 195.0})
                QTest::addRow("%s %g", type, skew) << type << text << skew << false << 0.2;
        }
    }
    void anyOrientation() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(double, degrees);
        QFETCH(bool, mirrored);
        QFETCH(double, modulationWithin);
        const QImage upright = wholePixelPicture(type, text, 4);
        const auto expected = ScanGrade::gradePicture(upright);
        const auto measured = ScanGrade::gradePicture(turned(upright, degrees, mirrored));
        QCOMPARE(expected.size(), std::size_t(1));
        QCOMPARE(measured.size(), std::size_t(1));
        const ScanGrade::Symbol& symbol = measured.front();
        QCOMPARE(symbol.text, expected.front().text);
        QCOMPARE(symbol.letter(), QChar(u'A'));
        QVERIFY2(qAbs(symbol.moduleWidth() - 4) <= (modulationWithin > 0 ? 0.05 : 0),
                 qPrintable(QString::number(symbol.moduleWidth())));
        const bool backwards = mirrored != (degrees > 90); // lines run down or to the right
        QCOMPARE(symbol.reversedLines(), backwards ? 10 : 0);
        const auto modulation = int(ScanGrade::Parameter::Modulation);
        const auto seen = [&](const ScanGrade::Symbol& s) {
            return QStringLiteral("modulation %1 through %2 px, blur %3 px")
                .arg(s.worstLine().values[modulation])
                .arg(s.aperture)
                .arg(s.blur);
        };
        QVERIFY2(qAbs(symbol.worstLine().values[modulation] -
                      expected.front().worstLine().values[modulation]) <=
                     std::max(modulationWithin, 1e-9), // quarter turns: the same but for rounding
                 qPrintable(seen(symbol) + QStringLiteral(" against ") + seen(expected.front())));
        // Upright, the lines keep to the middle 80 % of the bars, above EAN's digits.
        if (degrees == 0)
            for (const ScanGrade::Line& line : symbol.lines)
                QVERIFY(std::abs(line.y + 0.5 - symbol.box.center().y()) <=
                        0.4 * symbol.box.height());
    }

    // Pictures whose measurements are known: each in four quarter turns, mirrored or not, every
    // line within the tolerance of the value worked out by hand. The aperture is 0.8 X unless a
    // row asks for a point (0.0001 mm), where blur alone sets the edges.
    void calibration_data() {
        addCalibrationColumns();
        using P = ScanGrade::Parameter;
        const Calibration code128{calibrationRuns("128/n", "Hello")};
        const Calibration ean13{calibrationRuns("EAN13", "400638133393")};
        const Calibration upc{calibrationRuns("UPC-A", "036000291452")};
        const auto row = [](const char* name, Calibration c, P parameter, double expected,
                            double tolerance, double aperture = 0, int jpeg = 0) {
            QTest::newRow(name) << c << int(parameter) << expected << tolerance << aperture << jpeg;
        };
        const auto with = [](Calibration c, auto change) {
            change(c);
            return c;
        };
        // Grey levels: 8-bit steps are 0.4 %.
        const Calibration grey = with(code128, [](Calibration& c) { c.bar = 10, c.space = 80; });
        row("SC 70", grey, P::SymbolContrast, 70, 0.5);
        row("Rmin 10", grey, P::MinimumReflectance, 10, 0.5);
        row("MOD 1 at 10/80", grey, P::Modulation, 1, 0.01);
        // Two pixels a module: the 0.8 X disc still finds a sample an eighth of a module off an
        // element's middle, where it reaches 0.025 X over the edge: 0.9 % of its area.
        row("MOD at 2 px a module", with(code128, [](Calibration& c) { c.pixels = 2; }),
            P::Modulation, 0.991, 0.015);
        row("SC 40", with(code128, [](Calibration& c) { c.bar = 30, c.space = 70; }),
            P::SymbolContrast, 40, 0.5);
        // Defects: the spot's depth over SC, 80.
        const auto spotted = [&](double depth) {
            return with(code128, [=](Calibration& c) { c.bar = 10, c.space = 90, c.spot = depth; });
        };
        row("spot 20 of 80", spotted(20), P::Defects, 0.25, 0.01);
        row("void 16 of 80", spotted(-16), P::Defects, 0.2, 0.01);
        // Decodability: an edge of Code 128's second character moved by f modules leaves a
        // margin of 1 - 2f in two edge-to-similar-edge sums.
        const auto moved = [&](double f) {
            return with(code128, [=](Calibration& c) { c.movedEdge = 6, c.moved = f; });
        };
        row("edge 0.15 module", moved(0.15), P::Decodability, 0.7, 0.04);
        row("edge 0.3 module", moved(0.3), P::Decodability, 0.4, 0.04);
        // Bar growth leaves every sum whole, but 1 and 7 (2 and 8) differ only in their bars:
        // two bars of g more each leave 1 - 2g of the module to the threshold between them.
        const auto grown = [&](double g) {
            return with(ean13, [=](Calibration& c) { c.growth = g; });
        };
        row("bars grown 0.1", grown(0.1), P::Decodability, 0.8, 0.04);
        row("bars grown 0.2", grown(0.2), P::Decodability, 0.6, 0.04);
        row("bars grown 0.3", grown(0.3), P::Decodability, 0.4, 0.04);
        row("bars shrunk 0.2", grown(-0.2), P::Decodability, 0.6, 0.04);
        // Blur of s modules: a one-module space beside a one-module bar keeps 1 - 4 Phi(-0.5/s)
        // of the contrast; 8 pixels a module, seen through a point.
        const auto blurred = [&](double blur) {
            return with(code128, [=](Calibration& c) { c.blur = blur, c.pixels = 8; });
        };
        row("blur 0.3", blurred(0.3), P::Modulation, 0.809, 0.025, 0.0001);
        row("blur 0.4", blurred(0.4), P::Modulation, 0.578, 0.025, 0.0001);
        row("blur 0.45", blurred(0.45), P::Modulation, 0.467, 0.025, 0.0001);
        // Quiet zones up to marks 10 modules off (UPC-A asks for 9), or 8.5 so too narrow.
        row("quiet zone 10", with(upc, [](Calibration& c) { c.markAt = 10; }), P(-1), 10, 0.05);
        row("quiet zone 10, noise 3 %",
            with(upc, [](Calibration& c) { c.markAt = 10, c.noise = 3; }), P(-1), 10, 0.1);
        row("quiet zone 8.5", with(upc, [](Calibration& c) { c.markAt = 8.5; }), P::Decode, 0, 0);
        // Camera-like: light falling to 70 % across 119 modules. SC from the brightest quiet zone
        // sample a module in (90 x 0.997) to the darkest bar at the right (5 x 0.72); MOD the
        // dimmest edge's contrast (85 x 0.73) over it. The global threshold lies below the
        // middle of the brighter left half, where the aperture (disc of 0.8 X) makes bars
        // about 0.04 module wider, which the 8 (module 47, light 0.88) pays four times over.
        const Calibration camera =
            with(ean13, [](Calibration& c) { c.bar = 5, c.space = 90, c.lightAtRight = 0.7; });
        row("uneven light SC", camera, P::SymbolContrast, 86.1, 1);
        row("uneven light MOD", camera, P::Modulation, 0.72, 0.015);
        row("uneven light decodability", camera, P::Decodability, 0.84, 0.03);
        // Noise of 2 % and JPEG move them a little more.
        const Calibration noisy = with(camera, [](Calibration& c) { c.noise = 2; });
        row("noise SC", noisy, P::SymbolContrast, 86.1, 3);
        row("noise MOD", noisy, P::Modulation, 0.72, 0.04);
        row("noise decodability", noisy, P::Decodability, 0.84, 0.06);
        row("JPEG 75 SC", camera, P::SymbolContrast, 86.1, 3, 0, 75);
        row("JPEG 75 decodability", camera, P::Decodability, 0.84, 0.06, 0, 75);
    }
    void calibration() { checkCalibration(); }

    // As a calibrated conformance card tests a verifier, in four quarter turns, mirrored or not.
    void conformanceCard_data() {
        addCalibrationColumns();
        using P = ScanGrade::Parameter;
        const Calibration code128{calibrationRuns("128/n", "Hello")};
        const Calibration ean13{calibrationRuns("EAN13", "400638133393")};
        const Calibration upc{calibrationRuns("UPC-A", "036000291452")};
        const auto row = [](const char* name, Calibration c, P parameter, double expected,
                            double tolerance) {
            QTest::newRow(name) << c << int(parameter) << expected << tolerance << 0.0 << 0;
        };
        const auto with = [](Calibration c, auto change) {
            change(c);
            return c;
        };
        // Quiet zone marks at the minimum pass and two modules short fail, their edges moved by
        // ink spread and blur as the bars' are; the zone is reported as measured: UPC-A's 9
        // modules less the spread, half of it at either edge.
        const Calibration itf14{calibrationRuns("itf14", "1540014128876")};
        const auto marked = [&](Calibration c, double at, double spread, double blur) {
            return with(c, [=](Calibration& m) {
                m.markAt = at, m.growth = spread, m.blur = blur, m.pixels = 8;
            });
        };
        row("UPC-A mark at 9, spread 0.15, blur 0.4", marked(upc, 9, 0.15, 0.4), P::Decode, 1, 0);
        row("UPC-A mark at 9 measured", marked(upc, 9, 0.15, 0.4), P(-1), 8.85, 0.08);
        row("UPC-A mark at 9, spread 0.2, blur 0.3", marked(upc, 9, 0.2, 0.3), P::Decode, 1, 0);
        row("UPC-A mark at 7", marked(upc, 7, 0.15, 0.4), P::Decode, 0, 0);
        row("EAN-13 mark at 11, spread 0.1, blur 0.35", marked(ean13, 11, 0.1, 0.35), P::Decode, 1,
            0);
        row("EAN-13 mark at 9", marked(ean13, 9, 0.1, 0.35), P::Decode, 0, 0);
        row("ITF-14 mark at 10, spread 0.2, blur 0.3", marked(itf14, 10, 0.2, 0.3), P::Decode, 1,
            0);
        row("ITF-14 mark at 8", marked(itf14, 8, 0.2, 0.3), P::Decode, 0, 0);
        // A symbol on a grey patch (contrast 49) framed in black (7 %) on white paper: the lines
        // and their threshold keep to the symbol and its quiet zones.
        const Calibration patch = with(code128, [](Calibration& c) {
            c.bar = 6, c.space = 55, c.frameModules = 3, c.paperModules = 10;
        });
        row("grey patch decodes", patch, P::Decode, 1, 0);
        row("grey patch SC", patch, P::SymbolContrast, 49, 0.5);
        row("grey patch Rmin", patch, P::MinimumReflectance, 6, 0.5);
        // Symbol contrast 15, slightly noisy: graded F for its contrast, but it decodes.
        const Calibration faint = with(ean13, [](Calibration& c) { c.bar = 60, c.space = 75; });
        row("SC 15 decodes", faint, P::Decode, 1, 0);
        row("SC 15", faint, P::SymbolContrast, 15, 0.5);
        row("SC 15, noise 1 %, decodes", with(faint, [](Calibration& c) { c.noise = 1; }),
            P::Decode, 1, 0);
    }
    void conformanceCard() { checkCalibration(); }

    // A camera's own blur under a spot or void of known depth and size, and over master symbols:
    // where it is less than the aperture's (0.8 X: a Gaussian of 0.2 X), the aperture shrinks by
    // it and defects and modulation measure as the aperture alone measures the sharp picture,
    // within 0.03. Where it is more, the profile is restored first, to within 0.045 (the disc's
    // outer rings, which the blur erased, leave ringing of 1-2 % behind); where noise or the blur
    // stop the restoration short, the values are marked as low bounds and are no more than the
    // sharp picture's. The blur is reported with the pixel's own share (a twelfth of a pixel
    // squared), within 0.03 module, or more under noise and heavy blur.
    void cameraBlur_data() {
        QTest::addColumn<Calibration>("calibration"); // sharp
        QTest::addColumn<double>("blur");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<bool>("lowBounds");
        QTest::addColumn<double>("blurWithin");
        const auto runs = [](const char* type, const char* text) {
            return moduleRuns(QString::fromLatin1(type), QString::fromLatin1(text));
        };
        const auto spotted = [&](double depth, double size, double noise = 0) {
            Calibration c{calibrationRuns("128/n", "Hello")};
            c.bar = 10, c.space = 90, c.spot = depth, c.spotSize = size, c.pixels = 8;
            c.noise = noise;
            return c;
        };
        const auto master = [&](const char* type, const char* text) {
            Calibration c{runs(type, text)};
            c.bar = 8, c.space = 88, c.pixels = 8;
            return c;
        };
        const auto row = [](const char* name, Calibration c, double blur, bool restored,
                            bool lowBounds, double blurWithin = 0.03) {
            QTest::newRow(name) << c << blur << restored << lowBounds << blurWithin;
        };
        row("spot 20, 1 module, blur 0.1", spotted(20, 1), 0.1, false, false);
        row("spot 24, 0.5 module, blur 0.12", spotted(24, 0.5), 0.12, false, false);
        row("void 16, 0.75 module, blur 0.18", spotted(-16, 0.75), 0.18, false, false);
        row("spot 24, 0.5 module, blur 0.3", spotted(24, 0.5), 0.3, true, false);
        row("EAN-13 master, blur 0.3", master("EAN13", "400638133393"), 0.3, true, false);
        row("void 20, 0.5 module, blur 0.35", spotted(-20, 0.5), 0.35, true, true);
        row("Code 39 master, blur 0.35", master("39/n", "MASTER"), 0.35, true, true);
        row("spot 24, 0.5 module, blur 0.3, noise 2", spotted(24, 0.5, 2), 0.3, true, true, 0.07);
        row("spot 24, 0.5 module, blur 0.5", spotted(24, 0.5), 0.5, true, true, 0.04);
    }
    void cameraBlur() {
        QFETCH(Calibration, calibration);
        QFETCH(double, blur);
        QFETCH(bool, restored);
        QFETCH(bool, lowBounds);
        QFETCH(double, blurWithin);
        Calibration c = calibration;
        const auto defects = int(ScanGrade::Parameter::Defects);
        const auto modulation = int(ScanGrade::Parameter::Modulation);
        const auto worst = [](const ScanGrade::Symbol& symbol, int parameter, bool highest) {
            double value = highest ? -1 : 1e9;
            for (const ScanGrade::Line& line : symbol.lines)
                value = highest ? std::max(value, line.values[std::size_t(parameter)])
                                : std::min(value, line.values[std::size_t(parameter)]);
            return value;
        };
        const auto sharp = ScanGrade::gradePicture(calibrationPicture(c));
        QCOMPARE(sharp.size(), std::size_t(1));
        QVERIFY(!sharp.front().lowBounds);
        c.blur = blur;
        const QImage upright = calibrationPicture(c);
        for (const int quarter : {0, 1, 2, 3}) {
            const auto symbols = ScanGrade::gradePicture(turned(upright, 90 * quarter, false));
            QCOMPARE(symbols.size(), std::size_t(1));
            const ScanGrade::Symbol& symbol = symbols.front();
            const QString where = QStringLiteral("%1°: defects %2 of %3, modulation %4 of %5")
                                      .arg(90 * quarter)
                                      .arg(worst(symbol, defects, true))
                                      .arg(worst(sharp.front(), defects, true))
                                      .arg(worst(symbol, modulation, false))
                                      .arg(worst(sharp.front(), modulation, false));
            const double expectedBlur = std::sqrt(blur * blur + 1.0 / (12 * c.pixels * c.pixels));
            QVERIFY2(std::abs(symbol.blur / symbol.moduleWidth() - expectedBlur) <= blurWithin,
                     qPrintable(QString::number(symbol.blur / symbol.moduleWidth())));
            QCOMPARE(symbol.restored, restored);
            QCOMPARE(symbol.lowBounds, lowBounds);
            for (const int parameter : {defects, modulation}) {
                const bool highest = parameter == defects;
                const double value = worst(symbol, parameter, highest);
                const double reference = worst(sharp.front(), parameter, highest);
                const double within = restored ? 0.045 : 0.03;
                // Blur lowers both: what remains of it leaves them low.
                QVERIFY2(lowBounds ? value <= reference + within
                                   : std::abs(value - reference) <= within,
                         qPrintable(where));
            }
        }
    }

    // Blurred at 2 pixels a module, a picture is too coarse to grade; blurred at 3, it is not.
    // Drawn sharp, its pixels are the print at any size: 1 or 2 pixels a module measure as 8
    // do, neither restored nor low bounds.
    void coarsePicture_data() {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<double>("blur");
        QTest::addColumn<QString>("notGraded");
        QTest::newRow("2 px, blur 0.3") << 2 << 0.3
                                        << "too coarse to grade: 2.0 pixels a module, at least 3 "
                                           "needed";
        QTest::newRow("3 px, blur 0.35") << 3 << 0.35 << "";
        QTest::newRow("2 px, sharp") << 2 << 0.0 << "";
        QTest::newRow("1 px, sharp") << 1 << 0.0 << "";
    }
    void coarsePicture() {
        QFETCH(int, pixels);
        QFETCH(double, blur);
        QFETCH(QString, notGraded);
        Calibration c{moduleRuns(QStringLiteral("128/n"), QStringLiteral("Hello"))};
        c.bar = 10, c.space = 90, c.pixels = pixels, c.blur = blur;
        const auto symbols = ScanGrade::gradePicture(calibrationPicture(c));
        QCOMPARE(symbols.size(), std::size_t(1));
        const ScanGrade::Symbol& symbol = symbols.front();
        QCOMPARE(symbol.notGraded, notGraded);
        QCOMPARE(ScanGrade::allPass(symbols), notGraded.isEmpty());
        if (blur > 0) return;
        QVERIFY(!symbol.restored && !symbol.lowBounds);
        for (const ScanGrade::Line& line : symbol.lines) {
            QCOMPARE(line.values[int(ScanGrade::Parameter::Modulation)], 1.0);
            QCOMPARE(line.values[int(ScanGrade::Parameter::Decodability)], 1.0);
        }
    }

    // Given the picture's true resolution, EAN and UPC are measured with 0.15 mm, ITF-14 with an
    // X of 0.495 mm or more with 0.25 mm, others with 0.8 X; --aperture overrides. 4 pixels a
    // module: X is 0.339 mm at 300 dpi, 0.508 mm at 200.
    void gs1Apertures_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("aperture"); // in thousandths of an inch, as the grade shows it
        QTest::newRow("EAN-13 at 300 dpi") << "EAN13"
                                           << "400638133393" << QStringList{"--dpi", "300"} << "06";
        QTest::newRow("ITF-14 at 200 dpi")
            << "itf14"
            << "1540014128876" << QStringList{"--dpi", "200"} << "10";
        QTest::newRow("ITF-14 at 300 dpi")
            << "itf14"
            << "1540014128876" << QStringList{"--dpi", "300"} << "11";
        QTest::newRow("Code 128 at 300 dpi") << "128/n"
                                             << "Hello" << QStringList{"--dpi", "300"} << "11";
        QTest::newRow("EAN-13 at 300 dpi, aperture 0.2")
            << "EAN13"
            << "400638133393" << QStringList{"--dpi", "300", "--aperture", "0.2"} << "08";
        QTest::newRow("dpi 10") << "EAN13"
                                << "400638133393" << QStringList{"--dpi", "10"} << "";
    }
    void gs1Apertures() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QStringList, options);
        QFETCH(QString, aperture);
        Calibration c{moduleRuns(type, text)};
        c.pixels = 4;
        const Run run = cli(QStringList{"verify", "--in", "-", "--json"} + options,
                            fileOf(calibrationPicture(c), "PNG"));
        QCOMPARE(run.exitCode, aperture.isEmpty() ? 2 : 0);
        if (aperture.isEmpty()) return;
        const QJsonArray list = QJsonDocument::fromJson(run.out).object()["symbols"].toArray();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].toObject()["iso"].toString().section(u'/', 1, 1), aperture);
    }

    // An ITF-14 with a small void in a bar or spot in a space on every row, which the engine
    // reading row by row never reads whole: the reference decodes find it, in any quarter turn,
    // and the aperture (0.8 X) sees past the defects.
    void engineMissedSymbol() {
        Calibration c{moduleRuns(QStringLiteral("itf14"), QStringLiteral("1540014128876"))};
        c.pixels = 8;
        c.heightModules = 20;
        QImage upright = calibrationPicture(c);
        std::vector<double> middles; // of the elements, in pixels
        double x = c.quietModules;
        for (const int run : c.runs) {
            middles.push_back((x + run / 2.0) * c.pixels);
            x += run;
        }
        constexpr int kDefect = 3, kDepth = 70; // pixels, percent
        for (int band = 0; band * kDefect < upright.height(); ++band) {
            const std::size_t element = std::size_t(band * 7) % middles.size();
            const int grey = qRound((element % 2 == 0 ? kDepth : 100 - kDepth) * 2.55);
            QPainter(&upright).fillRect(int(middles[element]) - 1, band * kDefect, kDefect, kDefect,
                                        QColor(grey, grey, grey));
        }
        for (const int quarter : {0, 1, 2, 3}) {
            const QImage picture = turned(upright, 90 * quarter, false);
            const QString where = QStringLiteral("%1°").arg(90 * quarter);
            QVERIFY2(ReadingEngine::findSymbols(picture, ReadingEngine::Reach::Every).isEmpty(),
                     qPrintable(where));
            const auto symbols =
                ScanGrade::gradePicture(picture, {{}, 0, ReadingEngine::Reach::Every});
            QVERIFY2(symbols.size() == 1, qPrintable(where));
            QCOMPARE(symbols.front().kind, QStringLiteral("ITF-14"));
            QCOMPARE(symbols.front().text, QStringLiteral("15400141288763"));
            for (const ScanGrade::Line& line : symbols.front().lines)
                QVERIFY2(line.text == symbols.front().text, qPrintable(where));
        }
    }

    // Every window picture that grades C or better is read at its own size by zbarimg or by
    // ZXingReader; its JPEG at quality 20 never grades better than it.
    void windowPicturesAgainstReaders_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("128/n") << "128/n"
                               << "Hello World 42";
        QTest::newRow("39/n") << "39/n"
                              << "HELLO-42";
        QTest::newRow("EAN13") << "EAN13"
                               << "400638133393";
        QTest::newRow("EAN8") << "EAN8"
                              << "9638507";
        QTest::newRow("UPC-A") << "UPC-A"
                               << "036000291452";
    }
    void windowPicturesAgainstReaders() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        int passing = 0, failing = 0;
        for (int width = 1; width <= DrawModel::kWidthMax; ++width) {
            const QImage picture = ScanCheck::windowPicture({type, text, width, 150});
            const double score = scoreOf(picture);
            QVERIFY2(scoreOf(jpegOf(picture, 20)) <= score, qPrintable(QString::number(width)));
            if (score < 1.5) {
                ++failing;
                continue;
            }
            ++passing;
            const QString path = dir.filePath(QStringLiteral("window.png"));
            QVERIFY(picture.save(path));
            QVERIFY2(!zbarRead(path).isEmpty() || !zxingRead(path).isEmpty(),
                     qPrintable(QStringLiteral("width %1 grades %2 unread").arg(width).arg(score)));
        }
        QVERIFY(passing > 0);
        QVERIFY(failing > 0);
    }

    void verifyCommand_data() {
        QTest::addColumn<QString>("picture"); // "noise", "good" or "clipped"
        QTest::addColumn<bool>("viaStdin");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("symbols");
        QTest::newRow("good") << "good" << false << 0 << 1;
        QTest::newRow("good on standard input") << "good" << true << 0 << 1;
        QTest::newRow("random noise") << "noise" << false << 1 << 0;
        QTest::newRow("no quiet zone") << "clipped" << false << 1 << 1;
    }
    void verifyCommand() {
        QFETCH(QString, picture);
        QFETCH(bool, viaStdin);
        QFETCH(int, exitCode);
        QFETCH(int, symbols);
        QImage image = wholePixelPicture(QStringLiteral("128/n"), QStringLiteral("Verify"), 2);
        if (picture == u"clipped") image = image.copy(40, 0, image.width() - 80, image.height());
        if (picture == u"noise") {
            QRandomGenerator random(42);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    image.setPixel(x, y, random.bounded(2) ? 0xFFFFFFu : 0xFF000000u);
        }
        const QString path = dir.filePath(QStringLiteral("verify.png"));
        QVERIFY(image.save(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Run run = viaStdin ? cli({"verify", "--in", "-", "--json"}, file.readAll())
                                 : cli({"verify", "--in", path, "--json"});
        QCOMPARE(run.exitCode, exitCode);
        const QJsonArray list = QJsonDocument::fromJson(run.out).object()["symbols"].toArray();
        QCOMPARE(list.size(), symbols);
        if (symbols == 0) return;
        const QJsonObject symbol = list[0].toObject();
        QCOMPARE(symbol["type"].toString(), QStringLiteral("Code 128"));
        QCOMPARE(symbol["text"].toString(), QStringLiteral("Verify"));
        QCOMPARE(symbol["lines"].toArray().size(), 10);
        QCOMPARE(symbol["grade"].toString(),
                 exitCode == 0 ? QStringLiteral("A") : QStringLiteral("F"));
        QCOMPARE(symbol["parameters"].toObject().size(), ScanGrade::kParameterCount);
        const QJsonArray box = symbol["box"].toArray();
        QCOMPARE(box.size(), 4);
        if (picture == u"clipped") return;
        // The box starts at the first bar.
        const int middle = box[1].toInt() + box[3].toInt() / 2;
        int firstDark = 0;
        while (qGray(image.pixel(firstDark, middle)) >= 128)
            ++firstDark;
        QCOMPARE(box[0].toInt(), firstDark);
    }

    // Reflectance as red light sees it, or white light when asked; the aperture as asked, or
    // 0.8 X; both in the grade's standard form. X is 4 px at 300 dpi: 0.339 mm.
    void lightAndAperture_data() {
        QTest::addColumn<QColor>("bars");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("iso");
        QTest::newRow("black") << QColor(Qt::black) << QStringList() << 0 << "4.0/11/660";
        QTest::newRow("red vanishes in red light")
            << QColor(Qt::red) << QStringList() << 1 << "0.0/11/660";
        QTest::newRow("dark red in red light")
            << QColor(139, 0, 0) << QStringList() << 1 << "0.0/11/660";
        QTest::newRow("dark red in white light")
            << QColor(139, 0, 0) << QStringList{"--light", "grey"} << 0 << "4.0/11/W";
        QTest::newRow("dark blue in red light")
            << QColor(0, 0, 139) << QStringList{"--light", "red"} << 0 << "4.0/11/660";
        QTest::newRow("aperture 0.15 mm")
            << QColor(Qt::black) << QStringList{"--aperture", "0.15"} << 0 << "4.0/06/660";
        QTest::newRow("aperture wider than a bar")
            << QColor(Qt::black) << QStringList{"--aperture", "1"} << 1 << "0.0/39/660";
        QTest::newRow("unknown light")
            << QColor(Qt::black) << QStringList{"--light", "blue"} << 2 << "";
    }
    void lightAndAperture() {
        QFETCH(QColor, bars);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, iso);
        QImage picture = wholePixelPicture(QStringLiteral("128/n"), QStringLiteral("Verify"), 4)
                             .convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) < 128) picture.setPixel(x, y, bars.rgb());
        const int dotsPerMetre = qRound(300 / 0.0254);
        picture.setDotsPerMeterX(dotsPerMetre);
        picture.setDotsPerMeterY(dotsPerMetre);
        const Run run =
            cli(QStringList{"verify", "--in", "-", "--json"} + options, fileOf(picture, "PNG"));
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 2) return;
        const QJsonArray list = QJsonDocument::fromJson(run.out).object()["symbols"].toArray();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].toObject()["iso"].toString(), iso);
    }

    // verify says whether a blurred picture was restored, and whether its values are still low
    // bounds: restored in full at a blur of 0.3 module, in part at 0.5.
    void verifyReportsRestoration_data() {
        QTest::addColumn<double>("blur");
        QTest::addColumn<bool>("lowBounds");
        QTest::addColumn<QString>("note");
        QTest::newRow("blur 0.3") << 0.3 << false << "; blurrier than the aperture: restored";
        QTest::newRow("blur 0.5")
            << 0.5 << true
            << "; blurrier than the aperture: restored in part, values are low bounds";
    }
    void verifyReportsRestoration() {
        QFETCH(double, blur);
        QFETCH(bool, lowBounds);
        QFETCH(QString, note);
        Calibration c{moduleRuns(QStringLiteral("128/n"), QStringLiteral("Hello"))};
        c.pixels = 8, c.blur = blur;
        const QByteArray png = fileOf(calibrationPicture(c), "PNG");
        const Run json = cli({"verify", "--in", "-", "--json"}, png);
        const QJsonArray symbols = QJsonDocument::fromJson(json.out).object()["symbols"].toArray();
        QCOMPARE(symbols.size(), 1);
        const QJsonObject symbol = symbols[0].toObject();
        QCOMPARE(symbol["restored"].toBool(), true);
        QCOMPARE(symbol["lowBounds"].toBool(), lowBounds);
        const Run text = cli({"verify", "--in", "-"}, png);
        QVERIFY2(text.out.contains(note.toUtf8() + '\n'), text.out.constData());
    }

    // A dark line across the bars splits them in two for the engine: still one symbol, over
    // the bars' whole height.
    void smudgedSymbolFoundOnce() {
        QImage picture = wholePixelPicture(QStringLiteral("128/n"), QStringLiteral("Smudge"), 2);
        const auto clean = ScanGrade::gradePicture(picture);
        QCOMPARE(clean.size(), std::size_t(1));
        const QRect bars = clean.front().box;
        QPainter(&picture).fillRect(0, bars.center().y(), picture.width(), 3, Qt::black);
        const auto smudged = ScanGrade::gradePicture(picture);
        QCOMPARE(smudged.size(), std::size_t(1));
        QCOMPARE(smudged.front().box, bars);
    }

    // The one-page report: written whole as asked, or not at all with the reason.
    void report_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("symbol");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("svg") << "report.svg" << true << 0 << QByteArray("<?xml");
        QTest::newRow("pdf") << "report.PDF" << true << 0 << QByteArray("%PDF");
        QTest::newRow("png refused") << "report.png" << true << 2 << QByteArray();
        QTest::newRow("nothing to report") << "empty.svg" << false << 1 << QByteArray();
        QTest::newRow("folder missing") << "none/report.svg" << true << 1 << QByteArray();
    }
    void report() {
        QFETCH(QString, name);
        QFETCH(bool, symbol);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, starts);
        QImage picture = wholePixelPicture(QStringLiteral("EAN8"), QStringLiteral("9638507"), 3);
        if (!symbol) picture.fill(Qt::white);
        QFile file(dir.filePath(name));
        const Run run =
            cli({"verify", "--in", "-", "--report", file.fileName()}, fileOf(picture, "PNG"));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(file.open(QIODevice::ReadOnly), !starts.isEmpty());
        QVERIFY(!starts.isEmpty() || !run.err.isEmpty());
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith(starts));
        if (starts == "<?xml") { // its text stays text
            QVERIFY(bytes.contains("(4.0/25/660)"));
            QVERIFY(bytes.contains("Scan reflectance profile of line"));
        }
    }

    // Pictures with nothing to grade end soon with exit 1 and say why.
    void badPictures_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("says");
        // A bitmap header promising 60000 x 60000 pixels, and hardly any of them.
        QByteArray bomb = fileOf(QImage(1, 1, QImage::Format_RGB32), "BMP");
        for (const qsizetype at : {18, 22}) // width and height, little-endian
            bomb.replace(at, 4, QByteArray::fromHex("60ea0000"));
        QTest::newRow("bomb") << bomb << QByteArray("Cannot read");
        const QImage symbol = wholePixelPicture(QStringLiteral("128/n"), QStringLiteral("Bad"), 2);
        QTest::newRow("one row") << fileOf(symbol.copy(0, symbol.height() / 2, symbol.width(), 1),
                                           "PNG")
                                 << QByteArray("no symbol");
        QImage text(600, 200, QImage::Format_RGB32);
        text.fill(Qt::white);
        QPainter(&text).drawText(text.rect(), Qt::AlignCenter, QStringLiteral("HELLO 12345"));
        QTest::newRow("text only") << fileOf(text, "PNG") << QByteArray("no symbol");
        QImage noise(300, 200, QImage::Format_Grayscale8);
        QRandomGenerator random(7);
        for (int y = 0; y < noise.height(); ++y)
            random.fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width() / 4);
        for (const int quarter : {0, 1, 2, 3})
            QTest::addRow("noise %d", 90 * quarter)
                << fileOf(turned(noise, 90 * quarter, false), "PNG") << QByteArray("no symbol");
    }
    void badPictures() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, says);
        const Run run = cli({"verify", "--in", "-"}, file);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2((run.out + run.err).contains(says), (run.out + run.err).constData());
    }

    void verifyUsage() {
        QCOMPARE(cli({"verify"}).exitCode, 2);
        QCOMPARE(cli({"verify", "--in", "x.png", "--bogus"}).exitCode, 2);
        const Run missing = cli({"verify", "--in", dir.filePath(QStringLiteral("none.png"))});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("Cannot read"));
    }

    // draw and batch keep their exit status and warn about a picture that does not decode.
    // The newer symbologies: linear ones graded, 2D ones found and decoded with their modules
    // counted and their quiet zone checked. `margin` pads (or, negative, crops) each side by that
    // many pixels after the picture is enlarged `enlarged` times.
    void newerSymbols_data() {
        QTest::addColumn<QStringList>("draw");
        QTest::addColumn<int>("enlarged");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("modules"); // 2D: rows, columns; linear: empty, and graded
        QTest::addColumn<QString>("letter");
        QTest::addColumn<int>("exitCode");
        const auto linear = [](const char* name, const char* type, const char* input, int enlarged,
                               int margin, const char* kind, const char* text, const char* letter) {
            QTest::newRow(name) << QStringList{"--type", type, "--text", input} << enlarged
                                << margin << kind << QString::fromLatin1(text) << QList<int>{}
                                << letter << (QByteArray("ABC").contains(letter) ? 0 : 1);
        };
        // Ten letters fill a one-layer compact Aztec Code of 15 modules, graded like QR Code
        // and Data Matrix (test_grade2d, test_aztec) at 6 pixels a module.
        QTest::newRow("Aztec Code")
            << QStringList{"--type", "aztec", "--text", "Aztec text"} << 3 << 6 << "Aztec Code"
            << "Aztec text" << QList<int>{} << "A" << 0;
        // The engine once aborted on this one, enlarged with its bearer frame.
        linear("ITF-14 enlarged", "itf14", "1540014128876", 3, 40, "ITF-14", "15400141288763", "A");
        linear("Interleaved 2 of 5", "itf", "123456", 1, 0, "Interleaved 2 of 5", "123456", "A");
        // Its quiet zone cut to 4 of the 10 modules asked for.
        linear("Interleaved 2 of 5 cramped", "itf", "123456", 1, -12, "Interleaved 2 of 5",
               "123456", "F");
        linear("Code 93 in full ASCII", "code93", "Hi, you!", 1, 0, "Code 93", "Hi, you!", "A");
        linear("Codabar", "codabar", "A40156B", 1, 0, "Codabar", "40156", "A");
        linear("UPC-E", "upce", "0123456", 1, 0, "UPC-E", "01234565", "A");
        linear("UPC-E with 2 digits", "upce", "0123456+12", 1, 0, "UPC-E", "01234565 12", "A");
        linear("EAN-13 with 5 digits", "ean13", "950110153000+12345", 2, 0, "EAN-13",
               "9501101530003 12345", "A");
        linear("UPC-A with 2 digits", "upca", "01234567890+07", 1, 0, "UPC-A", "012345678905 07",
               "A");
        linear("EAN-8 with 2 digits", "ean8", "9638507+99", 1, 0, "EAN-8", "96385074 99", "A");
        linear("GS1-128 with a separator", "gs1-128", "(01)09501101530003(10)AB(21)1", 1, 0,
               "GS1-128",
               "010950110153000310AB\x1D"
               "211",
               "A");
    }
    void newerSymbols() {
        QFETCH(QStringList, draw);
        QFETCH(int, enlarged);
        QFETCH(int, margin);
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QList<int>, modules);
        QFETCH(QString, letter);
        QFETCH(int, exitCode);
        const QString path = dir.filePath(QStringLiteral("newer.png"));
        const Run drawn = cli(QStringList{"draw"} << draw << "--scale"
                                                  << "2"
                                                  << "--out" << path);
        QVERIFY2(drawn.exitCode == 0 && drawn.err.isEmpty(), drawn.err.constData());
        QImage image(path);
        image = image.scaled(image.size() * enlarged).convertToFormat(QImage::Format_RGB32);
        QImage framed(image.size() + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
        framed.fill(Qt::white);
        QPainter(&framed).drawImage(margin, margin, image);
        QVERIFY(framed.save(path));
        const Run run = cli({"verify", "--in", path, "--json"});
        QCOMPARE(run.exitCode, exitCode);
        const QJsonObject result = QJsonDocument::fromJson(run.out).object();
        const bool graded = modules.isEmpty();
        const QJsonArray symbols = result[graded ? "symbols" : "ungraded"].toArray();
        QCOMPARE(symbols.size(), 1);
        QCOMPARE(result[graded ? "ungraded" : "symbols"].toArray().size(), 0);
        const QJsonObject symbol = symbols[0].toObject();
        QCOMPARE(symbol["type"].toString(), type);
        QCOMPARE(symbol["text"].toString(), text);
        const QString line = ScanCheck::check(framed, {draw[1], draw[3], 50, 150}).line;
        if (graded) {
            QCOMPARE(symbol["grade"].toString(), letter);
            // The window's line says the same in brief.
            QVERIFY2(line.startsWith(QStringLiteral("Grade %1 (").arg(letter)), qPrintable(line));
            // Shown with GS1's separator by name.
            const QString shown = ReadingEngine::shownText(text);
            QVERIFY(shown.contains(u"<GS>") == text.contains(QChar(0x1D)));
            QVERIFY2(line.contains(QStringLiteral("reads as %1 \"%2\"").arg(type, shown)),
                     qPrintable(line));
            QCOMPARE(line.contains(QStringLiteral("quiet zone too narrow")), exitCode != 0);
            return;
        }
        QList<int> counted;
        for (const QJsonValue count : symbol["modules"].toArray())
            counted << count.toInt();
        QCOMPARE(counted, modules);
        QCOMPARE(symbol["quietZoneKept"].toBool(), exitCode == 0);
        QVERIFY2(line.startsWith(QStringLiteral("Reads as %1 \"%2\"").arg(type, text)),
                 qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("%1×%2 modules · quiet zone %3")
                                   .arg(modules[0])
                                   .arg(modules[1])
                                   .arg(exitCode == 0 ? "kept" : "too narrow")),
                 qPrintable(line));
    }

    void drawWarnings_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("warns");
        QTest::newRow("decodes") << 50 << false;
        QTest::newRow("does not decode") << 23 << true;
    }
    void drawWarnings() {
        QFETCH(int, width);
        QFETCH(bool, warns);
        const QString out = dir.filePath(QStringLiteral("drawn.png"));
        const Run run = cli({"draw", "--type", "128/n", "--text", "Hello World 42", "--width",
                             QString::number(width), "--out", out});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.startsWith("warning: the picture does not decode"), warns);
        if (warns) {
            QVERIFY(run.err.contains("--scale"));
            const QRegularExpression widths(R"(--width (\d+)(?: or (\d+))? draws? one that does)");
            const auto match = widths.match(QString::fromUtf8(run.err));
            QVERIFY2(match.hasMatch(), run.err.constData());
            for (const QString& named : match.capturedTexts().mid(1))
                if (!named.isEmpty())
                    QVERIFY(ScanCheck::decodes(
                        ScanCheck::windowPicture({"128/n", "Hello World 42", named.toInt(), 150})));
        }
        const Run batch =
            cli({"batch", "--type", "128/n", "--in", "-", "--out-dir",
                 dir.filePath(QStringLiteral("batch")), "--width", QString::number(width)},
                "Hello World 42\nHello World 42\n");
        QCOMPARE(batch.exitCode, 0);
        QCOMPARE(batch.err.contains("warning: line 2: the picture does not decode"), warns);
    }

    void checkDigit_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("corrected");
        QTest::newRow("UPC-A wrong") << "UPC-A"
                                     << "036000291453"
                                     << "036000291452";
        QTest::newRow("UPC-A right") << "UPC-A"
                                     << "036000291452"
                                     << "";
        QTest::newRow("EAN13 wrong") << "EAN13"
                                     << "4006381333932"
                                     << "4006381333931";
        QTest::newRow("EAN13 data only") << "EAN13"
                                         << "400638133393"
                                         << "";
        QTest::newRow("EAN8 wrong") << "EAN8"
                                    << "96385070"
                                    << "96385074";
        QTest::newRow("Code 128") << "128/n"
                                  << "036000291453"
                                  << "";
    }
    void checkDigit() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, corrected);
        QCOMPARE(ScanCheck::correctedCheckDigit(type, text).value_or(QString()), corrected);
    }

    // The status line after Draw: what the last Draw drew, never an older check's result.
    void windowStatusLine_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected"); // a regular expression
        QTest::newRow("Code 128 at 50")
            << "128/n"
            << "Hello" << 50
            << R"(^Grade A \(4\.0/31/660\) · reads as Code 128 "Hello" · 1 module = 3\.8 px$)";
        QTest::newRow("Code 128 at 23")
            << "128/n"
            << "Hello" << 23 << R"(^Grade [DF] .* · width (\d+ and )?\d+ grades? C or better$)";
        QTest::newRow("UPC-A check digit")
            << "UPC-A"
            << "036000291453" << 50
            << R"(^Does not decode · the check digit is wrong: 036000291452$)";
        // Refused, not drawn as another product; the line names the right digit.
        QTest::newRow("EAN-13 typed with a wrong check digit")
            << "EAN13"
            << "4006381333932" << 50
            << R"(^Does not decode · the check digit is wrong: 4006381333931$)";
    }
    void windowStatusLine() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        RecordingMessages messages;
        MainWindowOptions options;
        options.programDirectory = dir.path();
        options.settingsPath = dir.filePath(QStringLiteral("settings.bin"));
        options.messages = &messages;
        MainWindow window(options);
        // A first Draw whose check the second one supersedes.
        window.codeEdit->setText(QStringLiteral("SUPERSEDED"));
        window.typeCombo->setCurrentText(QStringLiteral("39/n"));
        window.drawBarcode();
        window.codeEdit->setText(text);
        window.typeCombo->setCurrentText(type);
        window.widthSlider->setValue(width);
        window.drawBarcode();
        QTRY_VERIFY_WITH_TIMEOUT(!window.gradeLine->text().isEmpty(), 20000);
        QTest::qWait(50); // the superseded check, had it been shown, would be there by now
        // The whole line in the tooltip, as much of it as fits under the picture.
        const QString full = window.gradeLine->toolTip();
        QVERIFY2(QRegularExpression(expected).match(full).hasMatch(), qPrintable(full));
        const QString shown = window.gradeLine->text();
        QVERIFY(window.gradeLine->fontMetrics().horizontalAdvance(shown) <=
                window.gradeLine->width());
        QVERIFY(shown == full || (shown.endsWith(u'…') && full.startsWith(shown.chopped(1))));
        // A click on it opens the report on the symbol it speaks of, one line at a time.
        QTest::mouseClick(window.gradeLine, Qt::LeftButton);
        auto* report = window.findChild<ScanReportDialog*>();
        QCOMPARE(report != nullptr, full.startsWith(u"Grade"));
        if (report) {
            QCOMPARE(report->line->maximum(), 10);
            const QImage worst = report->page->pixmap().toImage();
            report->line->setValue(report->line->value() % 10 + 1);
            QVERIFY(report->page->pixmap().toImage() != worst);
        }
        // Over the rows that Draw leaves blank only.
        const int drawnRows =
            static_cast<int>(std::ceil(window.outputPicture->height() * 150.0 / 160.0));
        QVERIFY(window.gradeLine->geometry().top() >= window.outputPicture->y() + drawnRows);
        QVERIFY(window.gradeLine->geometry().bottom() <= window.outputPicture->geometry().bottom());
        // README's picture of the window, with its grade line: once, when asked for.
        if (const QByteArray shot = qgetenv("MAIN_WINDOW_SCREENSHOT");
            !shot.isEmpty() && QTest::currentDataTag() == QByteArray("Code 128 at 50")) {
            window.codeEdit->setText(QStringLiteral("Desk 128"));
            window.typeCombo->setCurrentText(QStringLiteral("128/c"));
            window.gradeLine->clear();
            window.drawBarcode();
            QTRY_VERIFY_WITH_TIMEOUT(!window.gradeLine->text().isEmpty(), 20000);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.grab().save(QString::fromLocal8Bit(shot)));
        }
    }

    // The Reader lists what the engine finds in the picture last pasted, never in an older one.
    void readerList_data() {
        QTest::addColumn<bool>("twoSymbols");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two symbols") << true
                                     << "Code 128 \"Verify\" · grade A (4.0)\n"
                                        "EAN-8 \"96385074\" · grade A (4.0)";
        QTest::newRow("nothing") << false << "No barcode found";
    }
    void readerList() {
        QFETCH(bool, twoSymbols);
        QFETCH(QString, expected);
        const QImage top = wholePixelPicture(QStringLiteral("128/n"), QStringLiteral("Verify"), 2);
        const QImage bottom =
            wholePixelPicture(QStringLiteral("EAN8"), QStringLiteral("9638507"), 2);
        QImage both(std::max(top.width(), bottom.width()), top.height() + bottom.height(),
                    QImage::Format_RGB32);
        both.fill(Qt::white);
        if (twoSymbols) {
            QPainter painter(&both);
            painter.drawImage(0, 0, top);
            painter.drawImage(0, top.height(), bottom);
        }
        ReaderWindow reader;
        QGuiApplication::clipboard()->setImage(top); // a first paste that the second supersedes
        reader.pasteBarcode();
        QGuiApplication::clipboard()->setImage(both);
        reader.pasteBarcode();
        QTRY_VERIFY_WITH_TIMEOUT(!reader.symbolList->isHidden(), 20000);
        QTest::qWait(50);
        QCOMPARE(reader.symbolList->text(), expected);
        QVERIFY(reader.pictureView->geometry().contains(reader.symbolList->geometry()));
        QVERIFY(reader.symbolList->testAttribute(Qt::WA_TransparentForMouseEvents));
    }
};

QTEST_MAIN(TestGrade)
#include "test_grade.moc"
