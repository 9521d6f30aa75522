// 2D grading: the Reed-Solomon decoder against known errors and erasures in every field it
// serves; QR Code and Data Matrix pictures from the calibrated generator, each parameter
// against the value its damage must give, in every orientation; verify's JSON and several
// pictures of one print.
#include "MatrixCalibration.h"
#include "TestSupport.h"
#include "app/ScanCheck.h"
#include "decode/DataMatrixMatrix.h"
#include "decode/Grade2D.h"
#include "decode/QrMatrix.h"
#include "decode/ReadingEngine.h"
#include "decode/ReedSolomon.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <zint.h>

#include <set>

namespace {

using Grade2D::Parameter;
using MatrixCalibration::Drawn;
using MatrixCalibration::Style;

struct Expected {
    Parameter parameter;
    double value;
    double tolerance;
    char grade; // 0: not checked
};

// Every module of the first `count` codewords of a block inverted (the ones holding a dark
// module when `withDark`, for damage that only dark modules show).
void damageCodewords(Drawn& d, MatrixSymbol::MatrixDecoder decoder, int block, int count,
                     const std::function<void(Drawn&, const MatrixSymbol::Module&)>& damage,
                     bool withDark = false) {
    const MatrixSymbol::MatrixRead read = decoder(d.modules);
    QVERIFY(read.decoded);
    int done = 0;
    for (const auto& c : read.codewords) {
        if (done == count) break;
        if (c.block != block) continue;
        const bool hasDark = std::any_of(c.modules.begin(), c.modules.end(), [&](const auto& m) {
            return d.modules.dark(m.y(), m.x());
        });
        if (withDark && !hasDark) continue;
        for (const auto& m : c.modules)
            damage(d, m);
        ++done;
    }
    QCOMPARE(done, count);
}

void invert(Drawn& d, const MatrixSymbol::Module& m) {
    d.modules.set(m.y(), m.x(), !d.modules.dark(m.y(), m.x()));
}

Drawn qr(const char* text = "Hello QR") {
    return MatrixCalibration::encode(zintsym::ZintType::Qr, text, 'M');
}
Drawn dataMatrix(const char* text) {
    return MatrixCalibration::encode(zintsym::ZintType::DataMatrix, text);
}
// Rectangular Data Matrix, which the program's own drawing never asks libzint for.
Drawn rectangularDataMatrix(const char* text) {
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = BARCODE_DATAMATRIX;
    symbol->option_2 = 25; // 8 x 18
    Drawn d;
    if (ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(text), int(strlen(text))) <
        ZINT_ERROR) {
        d.modules = MatrixSymbol::ModuleMatrix(symbol->rows, symbol->width);
        for (int r = 0; r < symbol->rows; ++r)
            for (int c = 0; c < symbol->width; ++c)
                d.modules.set(r, c, (symbol->encoded_data[r][c / 8] >> (c % 8)) & 1);
        d.quietZone = 1;
    }
    ZBarcode_Delete(symbol);
    return d;
}

std::optional<Grade2D::Symbol> gradeOf(const QImage& picture) {
    const auto found = ReadingEngine::findSymbols(picture, ReadingEngine::Reach::Every);
    auto graded = Grade2D::gradeFound(picture, found);
    if (graded.empty()) return std::nullopt;
    return graded.front();
}

char letterOf(int grade) {
    return "FDCBA"[grade];
}

QString describe(const Grade2D::Symbol& s) {
    QString text;
    for (int p = 0; p < Grade2D::kParameterCount; ++p)
        text += QStringLiteral("%1 %2 %3; ")
                    .arg(Grade2D::parameterName(Parameter(p)))
                    .arg(s.parameters[std::size_t(p)].value, 0, 'f', 3)
                    .arg(letterOf(s.parameters[std::size_t(p)].grade));
    return text + s.read.failure;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Expected>)
Q_DECLARE_METATYPE(MatrixCalibration::Drawn)
Q_DECLARE_METATYPE(MatrixCalibration::Style)

class TestGrade2D : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

  private slots:
    void reedSolomon_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("polynomial");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("dataCount");
        QTest::addColumn<int>("ecCount");
        QTest::addColumn<int>("errors");
        QTest::addColumn<int>("erasures");
        QTest::addColumn<bool>("correctable");
        // QR Code's field and Data Matrix's (also Aztec's 8-bit one), Aztec's 6-, 10- and
        // 12-bit fields and its 4-bit mode message field.
        QTest::newRow("QR, clean") << 8 << 0x11D << 0 << 16 << 10 << 0 << 0 << true;
        QTest::newRow("QR, 5 errors") << 8 << 0x11D << 0 << 16 << 10 << 5 << 0 << true;
        QTest::newRow("QR, 10 erasures") << 8 << 0x11D << 0 << 16 << 10 << 0 << 10 << true;
        QTest::newRow("QR, 3 errors 4 erasures") << 8 << 0x11D << 0 << 100 << 30 << 3 << 4 << true;
        QTest::newRow("QR, 11 erasures of 10") << 8 << 0x11D << 0 << 16 << 10 << 0 << 11 << false;
        QTest::newRow("DM, 7 errors") << 8 << 0x12D << 1 << 18 << 14 << 7 << 0 << true;
        QTest::newRow("DM, 2 errors 10 erasures") << 8 << 0x12D << 1 << 18 << 14 << 2 << 10 << true;
        QTest::newRow("Aztec 6-bit, 4 errors 2 erasures")
            << 6 << 0x43 << 1 << 20 << 12 << 4 << 2 << true;
        QTest::newRow("Aztec 10-bit, 9 errors") << 10 << 0x409 << 1 << 300 << 20 << 9 << 0 << true;
        QTest::newRow("Aztec 12-bit, 3 errors 6 erasures")
            << 12 << 0x1069 << 1 << 1000 << 40 << 3 << 6 << true;
        QTest::newRow("Aztec mode message, 2 errors") << 4 << 0x13 << 1 << 2 << 5 << 2 << 0 << true;
    }
    void reedSolomon() {
        QFETCH(int, bits);
        QFETCH(int, polynomial);
        QFETCH(int, base);
        QFETCH(int, dataCount);
        QFETCH(int, ecCount);
        QFETCH(int, errors);
        QFETCH(int, erasures);
        QFETCH(bool, correctable);
        const ReedSolomon::Field field(bits, polynomial, base);
        QRandomGenerator random(dataCount * 31 + errors * 7 + erasures);
        std::vector<int> data;
        for (int i = 0; i < dataCount; ++i)
            data.push_back(int(random.bounded(field.size())));
        std::vector<int> block = data;
        const auto check = ReedSolomon::checkCodewords(field, data, ecCount);
        block.insert(block.end(), check.begin(), check.end());
        const std::vector<int> sent = block;
        // Distinct places: the erasures first (every other one left right), then the errors.
        std::set<int> places;
        while (int(places.size()) < errors + erasures)
            places.insert(int(random.bounded(int(block.size()))));
        std::vector<int> erased;
        int k = 0;
        for (const int place : places) {
            const bool erasure = k++ < erasures;
            if (erasure) erased.push_back(place);
            if (!erasure || k % 2 == 0)
                block[std::size_t(place)] ^= 1 + int(random.bounded(field.size() - 1));
        }
        const auto result = ReedSolomon::correct(field, block, ecCount, erased);
        QCOMPARE(result.corrected, correctable);
        if (!correctable) return;
        QVERIFY(block == sent);
        QCOMPARE(result.errors, errors);
        QCOMPARE(result.erasures, erasures);
    }

    void calibration_data() {
        QTest::addColumn<Drawn>("drawn");
        QTest::addColumn<Style>("style");
        QTest::addColumn<std::vector<Expected>>("expected");
        const auto dmDecode = DataMatrixMatrix::read;
        const auto qrDecode = QrMatrix::read;
        // Version 1-M: one block of 16 data and 10 check codewords, 2 of them kept back
        // against misreads, so that each wrong codeword uses a quarter of what is left.
        const Style plain;
        QTest::newRow("QR clean") << qr() << plain
                                  << std::vector<Expected>{
                                         {Parameter::Decode, 1, 0, 'A'},
                                         {Parameter::SymbolContrast, 100, 0.5, 'A'},
                                         {Parameter::Modulation, 1, 0.01, 'A'},
                                         {Parameter::UnusedErrorCorrection, 1, 0, 'A'},
                                         {Parameter::GridNonuniformity, 0, 0.05, 'A'},
                                         {Parameter::AxialNonuniformity, 0, 0.005, 'A'},
                                         {Parameter::FixedPatternDamage, 4, 0, 'A'},
                                         {Parameter::QuietZone, 4, 0, 'A'},
                                         {Parameter::PrintGrowthHorizontal, 0, 0.05, 0}};
        for (const auto& [wrong, unused, grade] :
             {std::tuple{1, 0.75, 'A'}, {2, 0.5, 'B'}, {3, 0.25, 'D'}}) {
            Drawn d = qr();
            damageCodewords(d, qrDecode, 0, wrong, invert);
            QTest::addRow("QR %d codewords wrong", wrong)
                << d << plain
                << std::vector<Expected>{{Parameter::UnusedErrorCorrection, unused, 1e-9, grade},
                                         {Parameter::Decode, 1, 0, 'A'}};
        }
        Style grey;
        grey.reflectance = [](int, int, bool dark) { return dark ? 20 : 80; };
        grey.ground = 80;
        QTest::newRow("QR grey") << qr() << grey
                                 << std::vector<Expected>{
                                        {Parameter::SymbolContrast, 60, 1, 'B'},
                                        {Parameter::Modulation, 1, 0.03, 'A'},
                                        {Parameter::ReflectanceMargin, 1, 0.03, 'A'}};
        // Codewords with dark modules at 42 %: modulation 2 * 8 / 100, F, so that the overlay
        // reads them as erasures: two leave 1 - 2/8 (A), six 1 - 6/8 (D).
        for (const auto& [faint, grade] : {std::pair{2, 'A'}, {6, 'D'}}) {
            Drawn d = qr();
            std::set<std::pair<int, int>> faded;
            damageCodewords(
                d, qrDecode, 0, faint,
                [&](Drawn&, const MatrixSymbol::Module& m) {
                    faded.insert({m.y(), m.x()});
                },
                true);
            Style style;
            style.reflectance = [faded](int r, int c, bool dark) {
                return !dark ? 100 : faded.contains({r, c}) ? 42 : 0;
            };
            QTest::addRow("QR %d codewords faint", faint)
                << d << style
                << std::vector<Expected>{{Parameter::Modulation, 0.16, 0.02, grade},
                                         {Parameter::ReflectanceMargin, 0.16, 0.02, grade},
                                         {Parameter::UnusedErrorCorrection, 1, 0, 'A'}};
        }
        Style stretched;
        stretched.across = 6.6;
        QTest::newRow("QR stretched across by a tenth")
            << qr() << stretched
            << std::vector<Expected>{{Parameter::AxialNonuniformity, 0.6 / 6.3, 0.01, 'C'}};
        // Shrunk dark modules leave light seams between neighbours that the engine does not read.
        for (const double growth : {0.2, 0.1}) {
            Style style;
            style.across = style.down = 10;
            style.growth = growth;
            QTest::addRow("QR dark modules %+.1f X", growth)
                << qr() << style
                << std::vector<Expected>{{Parameter::PrintGrowthHorizontal, growth, 0.04, 0},
                                         {Parameter::PrintGrowthVertical, growth, 0.04, 0},
                                         // each edge half the growth off the grid
                                         {Parameter::GridNonuniformity, growth / 2, 0.05, 'A'}};
        }
        {
            Drawn d = qr();
            invert(d, {1, 0}); // two modules of the upper left finder's outer ring
            invert(d, {0, 1});
            QTest::newRow("QR finder with two modules wrong")
                << d << plain
                << std::vector<Expected>{{Parameter::FixedPatternDamage, 3.6, 1e-9, 'C'}};
        }
        {
            Drawn d = qr();
            invert(d, {0, 8}); // the first copy's two most significant format bits
            invert(d, {1, 8});
            QTest::newRow("QR format information with two modules wrong")
                << d << plain
                << std::vector<Expected>{{Parameter::FixedPatternDamage, 3.6, 1e-9, 'C'},
                                         {Parameter::Decode, 1, 0, 'A'}};
        }
        {
            // Version 3's one alignment pattern drawn 0.45 X to the right of its place.
            Drawn d = qr("Calibrated grid warp 0123456789");
            const int at = d.modules.rows - 7;
            Style style;
            style.across = style.down = 8;
            style.shift = [at](int r, int c) {
                return std::abs(r - at) <= 2 && std::abs(c - at) <= 2 ? QPointF(0.45, 0)
                                                                      : QPointF();
            };
            QTest::newRow("QR alignment pattern 0.45 X out of place")
                << d << style
                << std::vector<Expected>{{Parameter::GridNonuniformity, 0.45, 0.06, 'B'},
                                         {Parameter::Decode, 1, 0, 'A'}};
        }
        QTest::newRow("Data Matrix clean")
            << dataMatrix("Hello DM") << plain
            << std::vector<Expected>{{Parameter::Decode, 1, 0, 'A'},
                                     {Parameter::UnusedErrorCorrection, 1, 0, 'A'},
                                     {Parameter::FixedPatternDamage, 4, 0, 'A'},
                                     {Parameter::GridNonuniformity, 0, 0.05, 'A'}};
        {
            // 14 x 14: 10 check codewords, none kept back; two wrong leave 1 - 4/10.
            Drawn d = dataMatrix("Hello DM");
            damageCodewords(d, dmDecode, 0, 2, invert);
            QTest::newRow("Data Matrix 2 codewords wrong")
                << d << plain
                << std::vector<Expected>{{Parameter::UnusedErrorCorrection, 0.6, 1e-9, 'B'}};
        }
        {
            // 10 x 10: 5 check codewords, one kept back; one wrong leaves 1 - 2/4.
            Drawn d = dataMatrix("123456");
            QCOMPARE(d.modules.rows, 10);
            damageCodewords(d, dmDecode, 0, 1, invert);
            QTest::newRow("Data Matrix 10 x 10, 1 codeword wrong")
                << d << plain
                << std::vector<Expected>{{Parameter::UnusedErrorCorrection, 0.5, 1e-9, 'B'}};
        }
        {
            Drawn d = rectangularDataMatrix("Hi 42");
            QCOMPARE(d.modules.columns, 18);
            QTest::newRow("Data Matrix 8 x 18")
                << d << plain
                << std::vector<Expected>{{Parameter::Decode, 1, 0, 'A'},
                                         {Parameter::UnusedErrorCorrection, 1, 0, 'A'}};
        }
        {
            Drawn d = dataMatrix("Hello DM");
            Style style;
            style.across = 6.6;
            QTest::newRow("Data Matrix stretched across by a tenth")
                << d << style
                << std::vector<Expected>{{Parameter::AxialNonuniformity, 0.6 / 6.3, 0.01, 'C'}};
        }
    }
    void calibration() {
        QFETCH(Drawn, drawn);
        QFETCH(Style, style);
        QFETCH(std::vector<Expected>, expected);
        // In every orientation: upright, the other three quarter turns, mirrored.
        for (int turn = 0; turn < 8; ++turn) {
            const QImage picture = MatrixCalibration::turned(MatrixCalibration::draw(drawn, style),
                                                             turn % 4, turn >= 4);
            const auto symbol = gradeOf(picture);
            // zxing-cpp 1.4 does not find the mirrored 8 x 18 Data Matrix nor the mirrored
            // QR Code with its alignment pattern out of place; there is nothing to grade then.
            if (!symbol && turn >= 4 &&
                (drawn.modules.rows == 8 ||
                 QTest::currentDataTag() == QByteArray("QR alignment pattern 0.45 X out of place")))
                continue;
            QVERIFY2(symbol, qPrintable(QStringLiteral("not found, turn %1").arg(turn)));
            QVERIFY2(symbol->graded(), qPrintable(symbol->reason));
            for (const Expected& e : expected) {
                const auto& m = (*symbol)[e.parameter];
                const QString where = QStringLiteral("%1, turn %2: %3")
                                          .arg(Grade2D::parameterName(e.parameter))
                                          .arg(turn)
                                          .arg(describe(*symbol));
                QVERIFY2(std::abs(m.value - e.value) <= e.tolerance, qPrintable(where));
                if (e.grade) QVERIFY2(letterOf(m.grade) == e.grade, qPrintable(where));
            }
        }
    }

    // A few degrees off square, smoothed: the grid is still found and fits.
    void slanted_data() {
        QTest::addColumn<double>("degrees");
        QTest::newRow("3 degrees") << 3.0;
        QTest::newRow("-2 degrees") << -2.0;
        QTest::newRow("-7 degrees") << -7.0;
        QTest::newRow("10 degrees") << 10.0;
    }
    void slanted() {
        QFETCH(double, degrees);
        Drawn d = qr();
        damageCodewords(d, QrMatrix::read, 0, 1, invert);
        Style style;
        style.across = style.down = 8;
        for (const Drawn& drawn : {d, dataMatrix("Hello DM")}) {
            const auto symbol = gradeOf(MatrixCalibration::turned(
                MatrixCalibration::draw(drawn, style), 0, false, degrees));
            QVERIFY(symbol);
            QVERIFY2(symbol->read.decoded, qPrintable(describe(*symbol)));
            QVERIFY2((*symbol)[Parameter::GridNonuniformity].value < 0.2,
                     qPrintable(describe(*symbol)));
            QVERIFY2((*symbol)[Parameter::AxialNonuniformity].value < 0.02,
                     qPrintable(describe(*symbol)));
        }
    }

    void tooCoarse() {
        Style style;
        style.across = style.down = 2;
        const auto symbol = gradeOf(MatrixCalibration::draw(qr(), style));
        QVERIFY(symbol);
        QCOMPARE(symbol->reason,
                 QStringLiteral("too coarse to grade: 2.0 pixels a module, at least 3 needed"));
    }

    void verifyJson() {
        const QString qrPath = dir.filePath(QStringLiteral("qr.png"));
        const QString faintPath = dir.filePath(QStringLiteral("qr-faint.png"));
        Drawn d = qr();
        QVERIFY(MatrixCalibration::draw(d, {}).save(qrPath));
        damageCodewords(d, QrMatrix::read, 0, 2, invert);
        QVERIFY(MatrixCalibration::draw(d, {}).save(faintPath));
        const Run one = cli({"verify", "--in", qrPath, "--json"});
        QCOMPARE(one.exitCode, 0);
        const QJsonObject symbol =
            QJsonDocument::fromJson(one.out).object()["symbols"].toArray()[0].toObject();
        QCOMPARE(symbol["type"].toString(), QStringLiteral("QR Code"));
        QCOMPARE(symbol["grade"].toString(), QStringLiteral("A"));
        QCOMPARE(symbol["modules"].toArray(), (QJsonArray{21, 21}));
        QVERIFY(!symbol.contains("lines"));
        QVERIFY2(
            QRegularExpression("^4\\.0/\\d\\d/660$").match(symbol["iso"].toString()).hasMatch(),
            qPrintable(symbol["iso"].toString()));
        const QJsonObject parameters = symbol["parameters"].toObject();
        QCOMPARE(
            parameters.keys(),
            (QStringList{"axialNonuniformity", "decode", "fixedPatternDamage", "gridNonuniformity",
                         "modulation", "printGrowthHorizontal", "printGrowthVertical", "quietZone",
                         "reflectanceMargin", "symbolContrast", "unusedErrorCorrection"}));
        QVERIFY(!parameters["printGrowthVertical"].toObject().contains("grade"));
        QCOMPARE(parameters["fixedPatternDamage"].toObject()["segments"].toArray().size(), 5);

        // Two pictures of one print: each listed, and the symbol in both gets the mean.
        const Run two = cli({"verify", "--in", qrPath, "--in", faintPath, "--json"});
        QCOMPARE(two.exitCode, 0);
        const QJsonObject both = QJsonDocument::fromJson(two.out).object();
        QCOMPARE(both["pictures"].toArray().size(), 2);
        QCOMPARE(both["pictures"].toArray()[1].toObject()["in"].toString(), faintPath);
        const QJsonArray mean = both["mean"].toArray();
        QCOMPARE(mean.size(), 1);
        QCOMPARE(mean[0].toObject()["score"].toDouble(), 3.5); // A and B
        QCOMPARE(mean[0].toObject()["grade"].toString(), QStringLiteral("A"));

        // Too coarse: listed with its reason, and not a pass.
        Style coarse;
        coarse.across = coarse.down = 2;
        QVERIFY(MatrixCalibration::draw(qr(), coarse).save(qrPath));
        const Run small = cli({"verify", "--in", qrPath});
        QCOMPARE(small.exitCode, 1);
        QVERIFY2(small.out.contains("not graded: too coarse to grade: 2.0 pixels a module, at "
                                    "least 3 needed"),
                 small.out.constData());
    }

    // Several pictures of one print: the mean carries each parameter's mean value and the mean
    // of its grades, which the letter follows as the symbol's mean grade does.
    void meanOfPictures_data() {
        QTest::addColumn<int>("firstDark");
        QTest::addColumn<int>("secondDark");
        QTest::addColumn<double>("contrast");
        QTest::addColumn<double>("contrastScore");
        QTest::addColumn<QString>("contrastGrade");
        QTest::addColumn<QString>("grade");
        QTest::newRow("1 one print twice") << 0 << 0 << 100.0 << 4.0 << "A"
                                           << "A";
        QTest::newRow("2 A and B") << 0 << 35 << 82.5 << 3.5 << "A"
                                   << "A";
        QTest::newRow("3 B and C") << 35 << 50 << 57.5 << 2.5 << "B"
                                   << "B";
        QTest::newRow("4 C twice") << 50 << 55 << 47.5 << 2.0 << "C"
                                   << "C";
    }
    void meanOfPictures() {
        QFETCH(int, firstDark);
        QFETCH(int, secondDark);
        QFETCH(double, contrast);
        QFETCH(double, contrastScore);
        QFETCH(QString, contrastGrade);
        QFETCH(QString, grade);
        QStringList args{"verify", "--json"};
        for (const int dark : {firstDark, secondDark}) {
            Style style;
            style.reflectance = [dark](int, int, bool isDark) { return isDark ? dark : 100; };
            const QString path = dir.filePath(QStringLiteral("mean-%1.png").arg(args.size()));
            QVERIFY(MatrixCalibration::draw(qr(), style).save(path));
            args << "--in" << path;
        }
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 0);
        const QJsonArray means = QJsonDocument::fromJson(run.out).object()["mean"].toArray();
        QCOMPARE(means.size(), 1);
        const QJsonObject mean = means[0].toObject();
        QCOMPARE(mean["grade"].toString(), grade);
        const QJsonObject parameters = mean["parameters"].toObject();
        QCOMPARE(parameters.size(), Grade2D::kParameterCount);
        const QJsonObject symbolContrast = parameters["symbolContrast"].toObject();
        QVERIFY2(std::abs(symbolContrast["value"].toDouble() - contrast) < 1.5,
                 qPrintable(QString::number(symbolContrast["value"].toDouble())));
        QCOMPARE(symbolContrast["score"].toDouble(), contrastScore);
        QCOMPARE(symbolContrast["grade"].toString(), contrastGrade);
        QCOMPARE(parameters["decode"].toObject()["score"].toDouble(), 4.0);
        QVERIFY(!parameters["printGrowthHorizontal"].toObject().contains("grade"));

        args.removeOne(QStringLiteral("--json"));
        const Run text = cli(args);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(\n  symbolContrast +[0-9.]+  %1 \(%2\)\n)")
                                        .arg(contrastGrade)
                                        .arg(contrastScore, 0, 'f', 1))
                     .match(QString::fromUtf8(text.out))
                     .hasMatch(),
                 text.out.constData());
    }

    // The window's status line says what verify says, in brief; too coarse, how to draw a
    // picture that is not.
    void statusLine_data() {
        QTest::addColumn<double>("pixels");
        QTest::addColumn<QString>("starts");
        QTest::newRow("4 pixels a module") << 4.0 << "Grade A (4.0/";
        QTest::newRow("2 pixels a module")
            << 2.0
            << "Not graded: too coarse to grade: 2.0 pixels a module, at least 3 needed · "
               "reads as QR Code \"Hello QR\" · 21×21 modules · draw it with --scale 3 or in "
               "the Labels dialog to grade it";
    }
    void statusLine() {
        QFETCH(double, pixels);
        QFETCH(QString, starts);
        Style style;
        style.across = style.down = pixels;
        const QString line =
            ScanCheck::check(MatrixCalibration::draw(qr(), style), {"qr", "Hello QR", 50, 150})
                .line;
        QVERIFY2(line.startsWith(starts), qPrintable(line));
        QVERIFY2(line.contains(u"reads as QR Code \"Hello QR\" · 21×21 modules"), qPrintable(line));
    }

    // The labels summary counts the 2D grades as it counts the linear ones.
    void labelsSummary() {
        const QString list = dir.filePath(QStringLiteral("codes.csv"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Hello QR\nSecond label\n");
        file.close();
        for (const char* type : {"qr", "datamatrix"}) {
            const Run run = cli({"labels", "--list", list, "--template", "Avery L7160", "--type",
                                 type, "--out", dir.filePath(QStringLiteral("sheet.pdf"))});
            QCOMPARE(run.exitCode, 0);
            QVERIFY2(run.err.contains("scan check: 2 A."), run.err.constData());
        }
    }
};

QTEST_MAIN(TestGrade2D)
#include "test_grade2d.moc"
