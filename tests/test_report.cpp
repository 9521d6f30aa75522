#include "RecordingMessages.h"
#include "RecordingSaveDialog.h"
#include "TestSupport.h"
#include "app/ScanReportDialog.h"
#include "decode/GradingFloor.h"
#include "output/ScanAdvice.h"
#include "output/ScanReport.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QtTest>

Q_DECLARE_METATYPE(ScanGrade::Symbol)

namespace {

using ScanGrade::Parameter;

// Ten upright lines across a UPC-A of 3 pixels a module at 96 dots per inch, each with these
// grades (A where not given) and quiet zones.
ScanGrade::Symbol measured(std::initializer_list<std::pair<Parameter, int>> grades,
                           std::array<double, 2> quietZones = {9, 9}, bool reversed = false,
                           bool upright = true) {
    ScanGrade::Symbol symbol{LineDecode::Linear::UpcA,
                             QStringLiteral("UPC-A"),
                             QStringLiteral("036000291452"),
                             QRect(33, 0, 285, 200),
                             {}};
    symbol.aperture = 2.4;
    symbol.apertureMm = 2.4 * 25.4 / 96;
    symbol.xDimension = 3;
    for (int i = 0; i < 10; ++i) {
        ScanGrade::Line line;
        line.from = upright ? QPointF(0, 20 + i) : QPointF(20 + i, 0);
        line.to = upright ? QPointF(350, 20 + i) : QPointF(20 + i, 350);
        line.reversed = reversed;
        line.grades.fill(4);
        line.values = {1, 90, 5, 80, 0.9, 0.05, 0.8};
        for (const auto& [p, grade] : grades) {
            line.grades[std::size_t(p)] = grade;
            if (p == Parameter::SymbolContrast) line.values[std::size_t(p)] = 31;
        }
        line.quietZones = quietZones;
        line.quietZoneTooNarrow = quietZones[0] < 8.7 || quietZones[1] < 8.7;
        if (line.quietZoneTooNarrow) {
            line.grades[std::size_t(Parameter::Decode)] = 0;
            line.grades[std::size_t(Parameter::Decodability)] = 0;
        } else {
            line.text = symbol.text;
            line.moduleWidth = 3;
        }
        symbol.lines.push_back(line);
    }
    return symbol;
}

// A picture the command line draws: at whole pixels a module unless `width` stretches it as
// the window does.
QImage drawn(const QStringList& args, const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("symbol.png"));
    QFile::remove(path);
    const Run run = cli(QStringList{"draw", "--out", path} + args);
    return run.exitCode == 0 ? QImage(path) : QImage();
}

ScanGrade::Symbol gradedSymbol(const QImage& picture) {
    ScanGrade::Options options;
    options.reach = ReadingEngine::Reach::Every;
    auto symbols = ScanGrade::gradePicture(picture, options);
    return symbols.empty() ? ScanGrade::Symbol{} : symbols.front();
}

} // namespace

// The report on a symbol: its plain words worked out from the measurements, and a page whose
// parts stay clear of one another whatever the symbol's title or height.
class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    void plainLine_data() {
        QTest::addColumn<ScanGrade::Symbol>("symbol");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 all A") << measured({})
                                 << "Every till reads it at the first pass. Nothing to change.";
        QTest::newRow("2 right quiet zone short")
            << measured({}, {11, 7})
            << "No till will read it. Quiet zone too narrow on the right: leave 7.1 mm free "
               "(9 modules; 5.6 mm now).";
        // Decoded from the right end, its first zone is the right one.
        QTest::newRow("3 read backwards") << measured({}, {7, 11}, true)
                                          << "No till will read it. Quiet zone too narrow on "
                                             "the right: leave 7.1 mm free (9 modules; 5.6 mm "
                                             "now).";
        QTest::newRow("4 bars lying, top short")
            << measured({}, {6, 10}, false, false)
            << "No till will read it. Quiet zone too narrow on the top: leave 7.1 mm free (9 "
               "modules; 4.8 mm now).";
        QTest::newRow("5 low contrast")
            << measured({{Parameter::SymbolContrast, 0}})
            << "Most tills will not read it. Too little contrast between bars and background "
               "(31 %, A from 70 %): print black bars on white; red, orange and yellow bars "
               "look white to a scanner's red light.";
        // Fixing the defects lifts every line to C, fixing the widths leaves them at D.
        QTest::newRow("6 the change that helps most")
            << measured({{Parameter::Defects, 1}, {Parameter::Decodability, 2}})
            << "Tills often need several passes, and some will not read it. Spots in the spaces "
               "or gaps in the bars: clean the print head and print on smooth, clean labels.";
        ScanGrade::Symbol stretched = measured({{Parameter::Decodability, 2}});
        for (ScanGrade::Line& line : stretched.lines)
            line.moduleWidth = 2.7;
        QTest::newRow("7 stretched bars")
            << stretched
            << "Tills read it, now and then only at a second pass. Bars too thin for this "
               "printer (1 module = 2.7 px): print at whole dots with the Labels dialog or "
               "--xdim.";
        ScanGrade::Symbol blurred = measured({{Parameter::Modulation, 0}});
        blurred.blur = 1.5;
        blurred.lowBounds = true;
        QTest::newRow("8 a blurred photograph")
            << blurred
            << "Most tills will not read it. The picture is blurrier than the narrow bars (blur "
               "0.50 module): take it sharper or closer, or print larger with a wider --xdim.";
        QTest::newRow("9 soft edges at whole pixels")
            << measured({{Parameter::MinimumEdgeContrast, 0}})
            << "Most tills will not read it. Edges too soft for the narrow bars (1 module = 3.0 "
               "px): print sharper, or larger with a wider --xdim.";
        ScanGrade::Symbol coarse = measured({});
        coarse.notGraded = GradingFloor::tooCoarse(2);
        QTest::newRow("10 too coarse")
            << coarse
            << "The picture is too coarse to tell what a till will do: draw it at 3 or more "
               "whole pixels a module (draw --scale) or in the Labels dialog.";
    }
    void plainLine() {
        QFETCH(ScanGrade::Symbol, symbol);
        QFETCH(QString, expected);
        QCOMPARE(ScanAdvice::plainLine(symbol), expected);
    }

    // A 2D symbol's plain words: the change for its lowest measurement.
    void matrixPlainLine_data() {
        QTest::addColumn<int>("parameter");
        QTest::addColumn<int>("grade");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 all A") << int(Grade2D::Parameter::Decode) << 4 << 1.0
                                 << "Every till reads it at the first pass. Nothing to change.";
        QTest::newRow("2 warped") << int(Grade2D::Parameter::GridNonuniformity) << 1 << 0.6
                                  << "Tills often need several passes, and some will not read "
                                     "it. The symbol is stretched or warped: print it flat, at "
                                     "the same scale across and down.";
        QTest::newRow("3 quiet zone") << int(Grade2D::Parameter::QuietZone) << 0 << 2.0
                                      << "Most tills will not read it. Quiet zone too narrow (2 "
                                         "modules): leave more light space around the symbol.";
    }
    void matrixPlainLine() {
        QFETCH(int, parameter);
        QFETCH(int, grade);
        QFETCH(double, value);
        QFETCH(QString, expected);
        Grade2D::Symbol symbol;
        symbol.kind = QStringLiteral("QR Code");
        for (auto& measurement : symbol.parameters)
            measurement = {1, 4};
        symbol.parameters[std::size_t(parameter)] = {value, grade};
        QCOMPARE(ScanAdvice::plainLine(symbol), expected);
    }

    void pageKeepsItsPartsApart_data() {
        QTest::addColumn<QStringList>("draw");
        QTest::addColumn<int>("titleLines");
        QTest::addColumn<int>("leastNumbers");
        QTest::newRow("short title, tall bars")
            << QStringList{"--type", "128/n", "--text", "Hello", "--scale", "3"} << 1 << 10;
        QTest::newRow("GS1-128, a title too long for one line")
            << QStringList{"--type",  "gs1-128",
                           "--text",  "(01)09501101530003(17)251231(10)ABC1234567(21)SERIAL12",
                           "--scale", "2"}
            << 2 << 10;
        // Ten lines a pixel or two apart: numbers only where they find room.
        QTest::newRow("bars 10 pixels high")
            << QStringList{"--type", "128/n", "--text", "Hello", "--width", "38", "--height", "10"}
            << 1 << 2;
    }
    void pageKeepsItsPartsApart() {
        QFETCH(QStringList, draw);
        QFETCH(int, titleLines);
        QFETCH(int, leastNumbers);
        const QImage picture = drawn(draw, dir_);
        QVERIFY(!picture.isNull());
        const ScanGrade::Symbol symbol = gradedSymbol(picture);
        QCOMPARE(symbol.lines.size(), std::size_t(10));
        const std::size_t shown = std::size_t(&symbol.worstLine() - symbol.lines.data());
        const ScanReport::Layout layout = ScanReport::layoutOf(picture, symbol, shown);

        // The title within the margins, the grade whole on its last line.
        QCOMPARE(layout.title.lines.size(), titleLines);
        const QFontMetricsF metrics(ReportPage::fontOf(layout.title.pixels, true));
        for (const QString& line : layout.title.lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= ReportPage::kWidth, qPrintable(line));
        QVERIFY(layout.title.lines.back().endsWith(
            QStringLiteral("grade %1 (%2)").arg(symbol.letter()).arg(symbol.isoGrade())));
        QVERIFY(layout.infoTop >= ReportPage::kMargin + layout.title.height());
        QVERIFY(layout.picture.top() > layout.infoTop);

        // No two numbers overlap, the shown line's is there.
        QVERIFY(int(layout.numbers.size()) >= leastNumbers);
        QVERIFY(std::any_of(layout.numbers.begin(), layout.numbers.end(),
                            [&](const auto& n) { return n.first == shown; }));
        for (std::size_t a = 0; a < layout.numbers.size(); ++a)
            for (std::size_t b = a + 1; b < layout.numbers.size(); ++b)
                QVERIFY2(!layout.numbers[a].second.intersects(layout.numbers[b].second),
                         qPrintable(QStringLiteral("lines %1 and %2")
                                        .arg(layout.numbers[a].first + 1)
                                        .arg(layout.numbers[b].first + 1)));
        // The note and the threshold's label off the plot, where the curve is.
        QVERIFY(!layout.note.intersects(layout.plot) && !layout.threshold.intersects(layout.plot));
        QVERIFY(layout.profile.contains(layout.note) && layout.profile.contains(layout.threshold));

        // Painted, nothing of the title reaches into the right margin.
        QImage page(ReportPage::kPage.toSize() / 2, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.scale(0.5, 0.5);
        ScanReport::paintReport(painter, picture, symbol, QStringLiteral("symbol.png"), shown);
        painter.end();
        const int marginFrom = int((ReportPage::kMargin + ReportPage::kWidth) / 2) + 1;
        for (int y = int(ReportPage::kMargin / 2); y < int(layout.infoTop / 2); ++y)
            for (int x = marginFrom; x < page.width(); ++x)
                QVERIFY2(page.pixel(x, y) == qRgb(255, 255, 255),
                         qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
    }

    // At 1366 x 768 the window fits the screen and scrolls; Save writes the page as the file's
    // ending asks.
    void dialogFitsAndSaves() {
        const QImage picture = drawn({"--type", "128/n", "--text", "Hello", "--width", "38"}, dir_);
        RecordingMessages messages;
        RecordingDialog saveDialog;
        ScanReportDialog report(picture, gradedSymbol(picture), {&messages, &saveDialog});
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QCOMPARE(report.screen()->size(), QSize(1366, 768));
        QVERIFY2(report.frameGeometry().height() <= 768,
                 qPrintable(QString::number(report.frameGeometry().height())));
        QVERIFY(report.page->height() > report.scroll->viewport()->height());

        report.line->setValue(3);
        for (const char* name : {"report.pdf", "report.SVG"}) {
            saveDialog.answer = dir_.filePath(QString::fromLatin1(name));
            report.saveButton->click();
            QFile saved(saveDialog.answer);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            const QByteArray bytes = saved.readAll();
            QVERIFY2(name[7] == 'p' ? bytes.startsWith("%PDF") : bytes.contains("<svg"), name);
            if (name[7] == 'S') QVERIFY(bytes.contains("line 3"));
        }
        saveDialog.answer = QStringLiteral("/nonexistent/report.pdf");
        report.saveButton->click();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown.front().text.startsWith(
            "The report could not be saved as /nonexistent/report.pdf"));
        report.closeButton->click();
        QVERIFY(!report.isVisible());
    }
};

// The tests' screen is a laptop's, 1366 x 768.
int main(int argc, char* argv[]) {
    QTemporaryDir screen;
    const QString config = screen.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366,
                       "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_report.moc"
