#include "TestSupport.h"
#include "VectorRaster.h"
#include "render/RasterImage.h"
#include "render/SymbolPicture.h"
#include "render/SymbolRaster.h"
#include "render/SymbolTexts.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"
#include "symbology/ZintChoices.h"

#include <QPainter>
#include <QtTest>

namespace {

const QString kTypes[] = {"UPC-A", "39/n", "39/c", "128/n", "128/c", "EAN13", "EAN8"};

// A readable text per window choice, and what the readers report for it.
struct Sample {
    QString text;
    QString read;
};

Sample sampleOf(const QString& type) {
    if (type == u"UPC-A") return {"036000291452", "036000291452"};
    if (type.startsWith(u"39")) return {"HELLO-42", "HELLO-42"};
    if (type.startsWith(u"128")) return {"Hello World 42", "Hello World 42"};
    if (type == u"EAN13") return {"400638133393", "4006381333931"};
    return {"9638507", "96385074"};
}

Symbol symbolOf(const QString& type) {
    return encodeSymbol(*symbologyChoice(type), sampleOf(type).text);
}

// Lengths of the alternating light and dark runs along a row, light first.
QList<int> rowRuns(const QImage& image, int y) {
    QList<int> runs{0};
    bool dark = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool isDark = qGray(image.pixel(x, y)) < 128;
        if (isDark != dark) {
            runs.append(0);
            dark = isDark;
        }
        ++runs.last();
    }
    return runs;
}

// The runs a row through the bars must have: the quiet zone, each bar and space `unit` pixels
// per module, and the light rest to the right edge.
QList<int> expectedRuns(const Symbol& symbol, const SymbolLayout& layout, double unit) {
    QList<int> modules{layout.left};
    QChar previous = u'0';
    for (const QChar module : symbol.modules) {
        if (module != previous) modules.append(0);
        ++modules.last();
        previous = module;
    }
    modules.append(layout.width - layout.left - static_cast<int>(symbol.modules.size()));
    QList<int> runs;
    for (const int m : modules)
        runs.append(static_cast<int>(std::lround(m * unit)));
    return runs;
}

// Nothing when every run is within `tolerance` pixels of what it must be; else both lists.
QString runsProblem(const QList<int>& actual, const QList<int>& expected, int tolerance) {
    bool same = actual.size() == expected.size();
    for (qsizetype i = 0; same && i < actual.size(); ++i)
        same = std::abs(actual[i] - expected[i]) <= tolerance;
    if (same) return {};
    const auto joined = [](const QList<int>& runs) {
        QStringList words;
        for (const int run : runs)
            words << QString::number(run);
        return words.join(u' ');
    };
    return QStringLiteral("runs %1, expected %2").arg(joined(actual), joined(expected));
}

// The picture in any format the tests meet; ImageMagick reads what Qt has no plugin for.
QImage loaded(const QString& path) {
    QImage image(path);
    if (!image.isNull()) return image;
    const QString png = path + QStringLiteral(".png");
    runProgram(QStringLiteral(CONVERT_EXECUTABLE), {path, png});
    return QImage(png);
}

// The resolution a file records, in dots per inch, as ImageMagick reads it.
QSizeF recordedDpi(const QString& path) {
    const QStringList words =
        QString::fromUtf8(runProgram(QStringLiteral(CONVERT_EXECUTABLE),
                                     {path, "-units", "PixelsPerInch", "-format", "%x %y", "info:"})
                              .out)
            .split(u' ');
    if (words.size() != 2) return {};
    return {words[0].toDouble(), words[1].toDouble()};
}

// What the two readers get wrong reading the file, or nothing. zbarimg finds no edges between
// modules one pixel wide, whoever drew them; it reads such a picture enlarged whole pixel by
// whole pixel.
QString readersProblem(const QString& path, const QString& expected, const QTemporaryDir& dir,
                       bool onePixelModules = false) {
    const QString zbar = zbarRead(onePixelModules ? scaledForScanners(path, dir) : path);
    const QString zxing = zxingRead(path);
    for (const QString& read : {zbar, zxing})
        if (!sameRetailNumber(read, expected) && read != expected)
            return QStringLiteral("zbarimg read '%1', ZXingReader '%2'").arg(zbar, zxing);
    return {};
}

} // namespace

class TestSymbols : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

  private slots:
    // Pictures at whole pixels come from the raster painter, which the command line uses
    // without Qt Gui; they match what the vector painter paints, bars and text (printed in the
    // picture font's face).
    void rasterPicturesMatchThePainter_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bearer");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("quietZone"); // -1: the symbology's
        const int frame = int(BearerBars::Frame), bars = int(BearerBars::Bars);
        QTest::newRow("1 qr") << "qr"
                              << "Hello" << frame << 1 << -1;
        QTest::newRow("2 qr flush") << "qr"
                                    << "Hello" << frame << 4 << 0;
        QTest::newRow("3 datamatrix") << "datamatrix"
                                      << "Hello 123" << frame << 3 << -1;
        QTest::newRow("4 pdf417 tall rows") << "pdf417"
                                            << "PDF" << frame << 2 << -1;
        QTest::newRow("5 itf14 frame") << "itf14"
                                       << "1234567890123" << frame << 2 << -1;
        QTest::newRow("6 itf14 bars") << "itf14"
                                      << "1234567890123" << bars << 3 << 0;
        QTest::newRow("7 ean13 add-on") << "ean13"
                                        << "400638133393+12" << frame << 2 << -1;
        QTest::newRow("8 gs1-128") << "gs1-128"
                                   << "(01)09501101530003" << frame << 1 << 3;
        QTest::newRow("9 gs1-128 wide") << "gs1-128"
                                        << "(01)09501101530003(17)250101(10)ABC" << 0 << 2 << -1;
        QTest::newRow("10 ean13 digits") << "ean13"
                                         << "400638133393" << 0 << 3 << -1;
        QTest::newRow("11 upca") << "upca"
                                 << "03600029145" << 0 << 5 << -1;
        QTest::newRow("12 upce add-on") << "upce"
                                        << "01234565+54495" << 0 << 4 << -1;
        QTest::newRow("13 code93 kerned") << "code93"
                                          << "AVAWAT LT-Y. P, F. {~}" << 0 << 2 << -1;
        QTest::newRow("14 code93 ligatures") << "code93"
                                             << "office baffle" << 0 << 3 << -1;
        QTest::newRow("15 ean8 narrow bands") << "ean8"
                                              << "9638507" << 0 << 1 << 0;
    }
    void rasterPicturesMatchThePainter() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(int, bearer);
        QFETCH(int, unit);
        QFETCH(int, quietZone);
        ZintRequest request;
        request.bearer = BearerBars(bearer);
        const auto encoded = encodeZintChoice(*zintChoice(type), text, request);
        QVERIFY(std::holds_alternative<EncodedSymbol>(encoded));
        const Symbol& symbol = std::get<EncodedSymbol>(encoded).symbol;
        const SymbolLayout layout(symbol, std::nullopt,
                                  quietZone < 0 ? std::nullopt : std::optional(quietZone));
        QImage painted(layout.width * unit, layout.height * unit, QImage::Format_RGB32);
        {
            QPainter painter(&painted);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            paintSymbol(painter, symbol, layout, unit);
        }
        Raster raster = symbolRaster(symbol, layout, unit);
        QVERIFY(printSymbolTextsInFace(raster, symbol, layout, unit));
        QCOMPARE(imageOf(raster), painted);
        QCOMPARE(symbolPicture(symbol, layout, unit), painted);
    }

    // Module strings as zint --dump gives them for the same data.
    void encodesTheStandardModules_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("modules");
        QTest::newRow("Code 39") << "39/n"
                                 << "AB-1"
                                 << "10010110110101101010010110101101001011010010101101101101"
                                    "001010110100101101101";
        QTest::newRow("Code 128 set B")
            << "128/n"
            << "Hi 42"
            << "11010010000110001010001000011010011011001100110010011101100111001011101110110110"
               "0011101011";
        QTest::newRow("Code 128 set C run")
            << "128/c"
            << "A123456"
            << "11010010000101000110001011101111010110011100100010110001110001011010010000110110"
               "0011101011";
        QTest::newRow("EAN-13") << "EAN13"
                                << "400638133393"
                                << "1010001101010011101011110111101000100101100110101010000101"
                                   "0000101000010111010010000101100110101";
        QTest::newRow("EAN-8")
            << "EAN8"
            << "9638507"
            << "1010001011010111101111010110111010101001110111001010001001011100101";
        QTest::newRow("UPC-A") << "UPC-A"
                               << "036000291452"
                               << "1010001101011110101011110001101000110100011010101011011001"
                                  "1101001100110101110010011101101100101";
    }
    void encodesTheStandardModules() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, modules);
        QCOMPARE(encodeSymbol(*symbologyChoice(type), text).modules, modules);
    }

    // Quiet zones, usual bar heights, long guard bars and texts where the standards put them.
    void carriesWhatEveryPictureNeeds_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("quietLeft");
        QTest::addColumn<int>("quietRight");
        QTest::addColumn<int>("barHeight");
        QTest::addColumn<QString>("longModules");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("UPC-A") << "UPC-A" << 9 << 9 << 69 << "0-10 45-50 85-95"
                               << QStringList{"0@-8", "36000@10", "29145@50", "2@96"};
        QTest::newRow("39/n") << "39/n" << 10 << 10 << 50 << "" << QStringList{};
        QTest::newRow("39/c") << "39/c" << 10 << 10 << 50 << "" << QStringList{"HELLO-42@0"};
        QTest::newRow("128/c") << "128/c" << 10 << 10 << 50 << ""
                               << QStringList{"Hello World 42@0"};
        QTest::newRow("EAN13") << "EAN13" << 11 << 7 << 69 << "0-3 45-50 92-95"
                               << QStringList{"4@-8", "006381@3", "333931@50"};
        QTest::newRow("EAN8") << "EAN8" << 7 << 7 << 55 << "0-3 31-36 64-67"
                              << QStringList{"9638@3", "5074@36"};
    }
    void carriesWhatEveryPictureNeeds() {
        QFETCH(QString, type);
        QFETCH(int, quietLeft);
        QFETCH(int, quietRight);
        QFETCH(int, barHeight);
        QFETCH(QString, longModules);
        QFETCH(QStringList, texts);
        const Symbol symbol = symbolOf(type);
        QCOMPARE(symbol.quietLeft, quietLeft);
        QCOMPARE(symbol.quietRight, quietRight);
        QCOMPARE(symbol.barHeight, barHeight);
        QStringList ranges, placed;
        for (const ModuleRange& range : symbol.longModules)
            ranges << QStringLiteral("%1-%2").arg(range.first).arg(range.end);
        QCOMPARE(ranges.join(u' '), longModules);
        for (const SymbolText& text : symbol.texts)
            placed << QStringLiteral("%1@%2").arg(text.text).arg(text.band.first);
        QCOMPARE(placed, texts);
    }

    void refusesAsTheWindowDoes_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("39 character") << "39/n"
                                      << "AB~"
                                      << "An Invalid Character Found in the Code Text";
        QTest::newRow("39 length") << "39/c" << QString(2500, u'A') << "The Code Text is too long";
        QTest::newRow("128 character")
            << "128/n" << QStringLiteral("a\u00e9") << "Subscript out of range";
        QTest::newRow("128 length")
            << "128/c" << QString(3000, u'A') << "The Code Text is too long";
        QTest::newRow("EAN13 length") << "EAN13"
                                      << "123"
                                      << "Should be 12 Digit Numbers";
        QTest::newRow("EAN8 letter") << "EAN8"
                                     << "123456A"
                                     << "An Invalid Character Found in Bar Text";
        QTest::newRow("UPC-A letter") << "UPC-A"
                                      << "12345678901A"
                                      << "Type mismatch";
    }
    void refusesAsTheWindowDoes() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, description);
        try {
            encodeSymbol(*symbologyChoice(type), text);
            QFAIL("not refused");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.description(), description);
        }
    }

    // N whole pixels per module: both readers read it, and a row through the bars is the
    // quiet zone and every bar and space at exactly N times its modules.
    void wholePixelPicturesScanAndMeasure_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("scale");
        for (const QString& type : kTypes)
            for (const int scale : {1, 2, 3})
                QTest::addRow("%s x%d", qPrintable(type), scale) << type << scale;
    }
    void wholePixelPicturesScanAndMeasure() {
        QFETCH(QString, type);
        QFETCH(int, scale);
        const QString path = dir.filePath(QStringLiteral("scale.png"));
        const Run run = cli({"draw", "--type", type, "--text", sampleOf(type).text, "--out", path,
                             "--scale", QString::number(scale)});
        QCOMPARE(run.exitCode, 0);
        const QImage image(path);
        const Symbol symbol = symbolOf(type);
        const SymbolLayout layout(symbol, std::nullopt, std::nullopt);
        QCOMPARE(image.size(), QSize(layout.width, layout.height) * scale);
        const QString runs = runsProblem(rowRuns(image, 0), expectedRuns(symbol, layout, scale), 0);
        QVERIFY2(runs.isEmpty(), qPrintable(runs));
        const QString read = readersProblem(path, sampleOf(type).read, dir, scale == 1);
        QVERIFY2(read.isEmpty(), qPrintable(read));
    }

    // The text stands under the bars: every column keeps one colour through the bar height.
    void textNeverTouchesTheBars_data() {
        QTest::addColumn<QString>("type");
        for (const QString& type : kTypes)
            QTest::newRow(qPrintable(type)) << type;
    }
    void textNeverTouchesTheBars() {
        QFETCH(QString, type);
        const Symbol symbol = symbolOf(type);
        const SymbolLayout layout(symbol, 20, 0);
        const QImage image = symbolPicture(symbol, layout, 2);
        const int textTop = (layout.barHeight + SymbolLayout::kTextGap) * 2;
        for (int x = 0; x < image.width(); ++x) {
            const int module = x / 2 - layout.left;
            const bool longBar = symbol.isLong(module) && symbol.modules[module] == u'1';
            const int barBottom = (layout.barHeight + (longBar ? Symbol::kGuardExtension : 0)) * 2;
            for (int y = 0; y < std::min(std::max(barBottom, textTop), image.height()); ++y) {
                const QRgb expected = y < barBottom ? image.pixel(x, 0) : QColor(Qt::white).rgb();
                QVERIFY2(image.pixel(x, y) == expected,
                         qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
            }
        }
        QCOMPARE(image.height() > textTop,
                 !symbol.texts.isEmpty() || !symbol.longModules.isEmpty());
    }

    // Whole printer dots per module nearest to the X-dimension, the resolution in the file,
    // and one line on standard error when the rounding moves the X-dimension by over 5 %.
    void printerPictures_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("xdim");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("dots");
        QTest::addColumn<bool>("warns");
        QTest::newRow("203 dpi") << "128/c"
                                 << "0.25" << 203 << "png" << 2 << false;
        QTest::newRow("203 dpi rounded") << "EAN13"
                                         << "0.33" << 203 << "tif" << 3 << true;
        QTest::newRow("300 dpi") << "UPC-A"
                                 << "0.33" << 300 << "bmp" << 4 << false;
        QTest::newRow("600 dpi") << "39/c"
                                 << "0.17" << 600 << "jpg" << 4 << false;
        QTest::newRow("at least one dot") << "EAN8"
                                          << "0.1" << 96 << "png" << 1 << true;
    }
    void printerPictures() {
        QFETCH(QString, type);
        QFETCH(QString, xdim);
        QFETCH(int, dpi);
        QFETCH(QString, format);
        QFETCH(int, dots);
        QFETCH(bool, warns);
        const QString path = dir.filePath(QStringLiteral("printer.") + format);
        const Run run = cli({"draw", "--type", type, "--text", sampleOf(type).text, "--out", path,
                             "--xdim", xdim, "--dpi", QString::number(dpi)});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> lines = run.err.trimmed().split('\n');
        QCOMPARE(run.err.count("X-dimension"), warns ? 1 : 0);
        if (warns)
            QVERIFY2(lines.last().contains(QByteArray::number(dots * 25.4 / dpi, 'f', 3)),
                     run.err.constData());
        const QImage image = loaded(path);
        const Symbol symbol = symbolOf(type);
        const SymbolLayout layout(symbol, std::nullopt, std::nullopt);
        QCOMPARE(image.size(), QSize(layout.width, layout.height) * dots);
        const QSizeF recorded = recordedDpi(path);
        QVERIFY2(
            std::abs(recorded.width() - dpi) < 0.5 && std::abs(recorded.height() - dpi) < 0.5,
            qPrintable(QStringLiteral("%1 x %2").arg(recorded.width()).arg(recorded.height())));
        if (format == u"jpg") return; // its edges blur; the readers are enough there
        const QString runs = runsProblem(rowRuns(image, 0), expectedRuns(symbol, layout, dots), 0);
        QVERIFY2(runs.isEmpty(), qPrintable(runs));
        // ZXingReader opens no TIFF: it reads the copy that loaded() made.
        const QString readable = format == u"tif" ? path + QStringLiteral(".png") : path;
        const QString read = readersProblem(readable, sampleOf(type).read, dir, dots == 1);
        QVERIFY2(read.isEmpty(), qPrintable(read));
    }

    // Vectors rasterised at 254 dpi, 10 pixels per millimetre: the module is exactly --xdim.
    void vectorSymbolsScanAndMeasure_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("xdim");
        for (const QString& type : kTypes)
            for (const char* format : {"svg", "pdf"})
                QTest::addRow("%s %s", qPrintable(type), format) << type << format << "0.4";
        QTest::newRow("default xdim") << "EAN13"
                                      << "svg" << QString();
        QTest::newRow("by name") << "128/n" << QString() << "0.5";
    }
    void vectorSymbolsScanAndMeasure() {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(QString, xdim);
        const QString extension = format.isEmpty() ? QStringLiteral("pdf") : format;
        const QString path = dir.filePath(QStringLiteral("vector.") + extension);
        QStringList args{"draw", "--type", type, "--text", sampleOf(type).text, "--out", path};
        if (!format.isEmpty()) args << "--format" << format;
        if (!xdim.isEmpty()) args << "--xdim" << xdim;
        QCOMPARE(cli(args).exitCode, 0);

        const double moduleMm = xdim.isEmpty() ? 0.33 : xdim.toDouble();
        const Symbol symbol = symbolOf(type);
        const SymbolLayout layout(symbol, std::nullopt, std::nullopt);
        if (extension == u"svg") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray svg = file.readAll();
            const auto mm = [](double v) { return QByteArray::number(v, 'g', 6) + "mm\""; };
            QVERIFY(svg.contains("width=\"" + mm(layout.width * moduleMm)));
            QVERIFY(svg.contains("height=\"" + mm(layout.height * moduleMm)));
            QCOMPARE(svg.count("<text"), symbol.texts.size());
        } else {
            // A page is whole points: at most one point more than the symbol.
            const QByteArray info = runProgram(PDFINFO_EXECUTABLE, {path}).out;
            const QRegularExpression size(QStringLiteral("Page size: *([0-9.]+) x ([0-9.]+) pts"));
            const auto match = size.match(QString::fromUtf8(info));
            QVERIFY(match.hasMatch());
            const double widthPt = layout.width * moduleMm / 25.4 * 72;
            QVERIFY(match.captured(1).toDouble() - widthPt >= -1e-3);
            QVERIFY(match.captured(1).toDouble() - widthPt < 1);
        }
        const QString png = dir.filePath(QStringLiteral("vector.png"));
        const QImage image = rasterisedAt254Dpi(path, png);
        QVERIFY(!image.isNull());
        const double unit = moduleMm * 10;
        QList<int> expected = expectedRuns(symbol, layout, unit);
        QList<int> actual = rowRuns(image, 1);
        expected.removeLast(); // the right margin: a page may add up to a point of white
        actual.removeLast();
        const QString runs = runsProblem(actual, expected, 1);
        QVERIFY2(runs.isEmpty(), qPrintable(runs));
        const QString read = readersProblem(png, sampleOf(type).read, dir);
        QVERIFY2(read.isEmpty(), qPrintable(read));
    }

    void quietZoneAndBarHeightAreTheUsers() {
        const QString path = dir.filePath(QStringLiteral("zone.png"));
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "AB", "--out", path, "--scale", "2",
                      "--quiet-zone", "0", "--bar-height", "30"})
                     .exitCode,
                 0);
        const QImage image(path);
        QCOMPARE(image.height(), 60);
        QCOMPARE(rowRuns(image, 0).first(), 0); // the first bar at the edge
        QCOMPARE(qGray(image.pixel(image.width() - 1, 0)), 0);
    }

    void symbolOptionsDoNotMixWithTheWindowsPicture_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("scale raw") << QStringList{"--scale", "2", "--raw"};
        QTest::newRow("scale width") << QStringList{"--scale", "2", "--width", "20"};
        QTest::newRow("dpi height")
            << QStringList{"--xdim", "0.3", "--dpi", "300", "--height", "9"};
        QTest::newRow("svg raw") << QStringList{"--format", "svg", "--raw"};
        QTest::newRow("pdf width") << QStringList{"--format", "pdf", "--width", "10"};
        QTest::newRow("svg scale") << QStringList{"--format", "svg", "--scale", "2"};
        QTest::newRow("scale dpi") << QStringList{"--scale", "2", "--dpi", "300"};
        QTest::newRow("xdim alone") << QStringList{"--xdim", "0.3"};
        QTest::newRow("scale 21") << QStringList{"--scale", "21"};
        QTest::newRow("xdim 0") << QStringList{"--format", "svg", "--xdim", "0"};
    }
    void symbolOptionsDoNotMixWithTheWindowsPicture() {
        QFETCH(QStringList, options);
        const QString path = dir.filePath(QStringLiteral("never.png"));
        for (const QString command : {"draw", "batch"}) {
            QStringList args{command, "--type", "39/n"};
            args << (command == u"draw" ? QStringList{"--text", "AB", "--out", path}
                                        : QStringList{"--in", "-", "--out-dir", dir.path()});
            const Run run = cli(args + options, "AB\n");
            QCOMPARE(run.exitCode, 2);
        }
        QVERIFY(!QFile::exists(path));
    }

    void batchDrawsSymbolsToo() {
        const QString out = dir.filePath(QStringLiteral("batch"));
        const Run run = cli({"batch", "--type", "EAN8", "--in", "-", "--out-dir", out, "--format",
                             "svg", "--xdim", "0.5"},
                            "9638507\n12\n");
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFile::exists(out + "/000001.svg"));
        QVERIFY(QFile::exists(out + "/000002.svg"));
        // Black and white pictures take batch's one-bit path, which keeps the resolution too.
        for (const char* format : {"png", "tif"}) {
            const QString printed = dir.filePath(QStringLiteral("printed-") + format);
            QCOMPARE(cli({"batch", "--type", "EAN13", "--in", "-", "--out-dir", printed, "--format",
                          format, "--xdim", "0.33", "--dpi", "300"},
                         "400638133393\n")
                         .exitCode,
                     0);
            QCOMPARE(recordedDpi(printed + "/000001." + format), QSizeF(300, 300));
        }
    }

    void refusedTextsLeaveNoFile_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("letters in EAN13") << "EAN13"
                                          << "12AB"
                                          << "r.png"
                                          << "use numbers only";
        QTest::newRow("Code 39 character") << "39/n"
                                           << "a~"
                                           << "r.svg"
                                           << "Invalid Character";
        QTest::newRow("Code 128 character")
            << "128/c"
            << "\u00e9"
            << "r.pdf"
            << "Code 128 cannot encode '\u00e9' (U+00E9) at character 1";
    }
    void refusedTextsLeaveNoFile() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        const QString path = dir.filePath(file);
        QStringList args{"draw", "--type", type, "--text", text, "--out", path};
        if (file.endsWith(u".png"))
            args << "--scale"
                 << "2";
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(reason.toUtf8()), run.err.constData());
        QVERIFY(!QFile::exists(path));
    }

    void aPictureTooLargeIsRefused() {
        const QString path = dir.filePath(QStringLiteral("huge.png"));
        const Run run = cli({"draw", "--type", "128/n", "--text", QString(1500, u'x'), "--out",
                             path, "--scale", "20"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("more than the 268,435,456"), run.err.constData());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestSymbols)
#include "test_symbols.moc"
