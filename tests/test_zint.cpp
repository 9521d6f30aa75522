// The libzint symbologies drawn by the command line at 2 pixels per module with their quiet
// zones, read back by ZXingReader with the exact content (GS1 content with its symbology
// identifier and separators), every bar and space a whole number of modules wide; the linear
// ones also decoded from their modules by the grader's own row decoder.
#include "TestSupport.h"
#include "decode/LineDecode.h"
#include "symbology/ZintEncoder.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace zintsym;

namespace {
constexpr int kScale = 2;

constexpr int kRandomPerType = 200;

// What is wrong with the widths along the middle row, which crosses the bars of every linear
// symbol above its text: a run that is not whole modules, or less light before the first dark
// run than the quiet zone (a bearer frame comes first).
QString moduleProblem(const QImage& image, int quietZone) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const int bestRow = grey.height() / 2;
    const uchar* row = grey.scanLine(bestRow);
    for (int x = 0; x < grey.width();) {
        int end = x;
        while (end < grey.width() && (row[end] < 128) == (row[x] < 128))
            ++end;
        if ((end - x) % kScale != 0 && end < grey.width())
            return QStringLiteral("row %1: a run of %2 pixels at %3")
                .arg(bestRow)
                .arg(end - x)
                .arg(x);
        if (x == 0 && row[0] >= 128 && end < quietZone * kScale)
            return QStringLiteral("row %1: %2 light pixels before the bars").arg(bestRow).arg(end);
        x = end;
    }
    return {};
}

// Every reading ZXingReader makes of each file: its text, and its identifier with its bytes.
QMap<QString, QList<QByteArray>> readAll(const QStringList& files) {
    QMap<QString, QList<QByteArray>> readings;
    for (const ZxingSymbol& symbol : zxingSymbols(files))
        readings[symbol.file] << symbol.text.toUtf8() << symbol.identifier + symbol.bytes;
    return readings;
}

QByteArray randomFrom(QRandomGenerator& random, const QList<QByteArray>& pieces, int least,
                      int most) {
    QByteArray text;
    for (int n = random.bounded(least, most + 1); n > 0; --n)
        text += pieces[random.bounded(pieces.size())];
    return text;
}

QList<QByteArray> characters(const char* set) {
    QList<QByteArray> list;
    for (const char* c = set; *c; ++c)
        list << QByteArray(1, *c);
    return list;
}

// What zbarimg, a second reader, prints for a symbol ZXing reads as wanted; empty where it reads
// the type otherwise (UPC-E as EAN-13, add-ons left off) or not at all (2D but QR).
QByteArray zbarWanted(const QString& type, const QByteArray& input, const QByteArray& wanted) {
    if (type == "gs1-128" || type == "gs1-qr") return wanted.mid(3); // without the identifier
    if (type == "codabar") return input;     // with start and stop characters
    if (type == "upca") return "0" + wanted; // as an EAN-13
    static const QStringList same{"code93", "itf", "itf14", "ean13", "ean8", "qr", "digital-link"};
    return same.contains(type) && !input.contains('+') ? wanted : QByteArray();
}

QByteArray digits(QRandomGenerator& random, int n) {
    return randomFrom(random, characters("0123456789"), n, n);
}
} // namespace

class TestZint : public QObject {
    Q_OBJECT
  private slots:
    void readBack_data();
    void readBack();
    void refusals_data();
    void refusals();
    void gs1_128Width_data();
    void gs1_128Width();
    void retailLayout_data();
    void retailLayout();
};

// Fixed rows name what a reader must return; random rows (15 a type, fixed seed) either name it
// or, for retail codes, take the printed text, whose check digit the reader verifies.
void TestZint::readBack_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QList<QByteArray>>("inputs");
    QTest::addColumn<QList<QByteArray>>("expected"); // empty entry: the printed text
    const auto row = [](const char* name, const char* type, QList<QByteArray> in,
                        QList<QByteArray> out) {
        QTest::newRow(name) << QString::fromLatin1(type) << in << out;
    };
    row("gs1-128 FNC1 after (10)", "gs1-128", {"(01)09501101530003(17)271231(10)ABC(21)12"},
        {"]C1010950110153000317271231"
         "10ABC\x1D"
         "2112"});
    row("gs1-128 new AIs", "gs1-128", {"(03)09501101530003(7011)2712311200(10)L1"},
        {"]C1030950110153000370112712311200\x1D"
         "10L1"});
    row("gs1-datamatrix new AIs", "gs1-datamatrix",
        {"[8018]095011010000000018[7250]20000229[7258]1/2[7259]Baby%20Smith",
         "[01]09501101530003[8014]1234567ABC7Q[8040]490154203237518[21]S1"},
        {"]d28018095011010000000018\x1D"
         "725020000229\x1D"
         "72581/2\x1D"
         "7259Baby%20Smith",
         "]d2010950110153000380141234567ABC7Q\x1D"
         "8040490154203237518\x1D"
         "21S1"});
    // Each of the four ways UPC-A zeros are suppressed, and 6 and 8 digits as given.
    row("upce", "upce",
        {"123456", "042100005264", "012300000451", "012340000053", "012345000072", "01234565"},
        {"01234565", "04252614", "01234531", "01234543", "01234572", "01234565"});
    row("add-ons", "ean13", {"9501101530003+12", "950110153000+12345"},
        {"9501101530003 12", "9501101530003 12345"});
    row("itf odd", "itf", {"12345"}, {"012345"});
    row("qr, Latin-1 and beyond", "qr", {"Grüße ✓ 中"}, {"Grüße ✓ 中"});

    QRandomGenerator random(19);
    const QList<QByteArray> ascii = characters(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQ"
                                               "RSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~");
    QList<QByteArray> unicode = ascii;
    unicode << "é"
            << "ß"
            << "✓"
            << "中"
            << "Ω";
    const QList<QByteArray> cset82 = characters(
        "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
    QList<QByteArray> cset82WithoutPercent = cset82;
    cset82WithoutPercent.removeAll("%");
    // The element strings with the symbology identifier a reader prefixes; a Digital Link
    // carries them in its URI.
    const auto gs1 = [&](const QByteArray& identifier) {
        const bool matrix = identifier != "]C1";
        QList<QByteArray> in, out;
        for (int i = 0; i < kRandomPerType; ++i) {
            QByteArray gtin = digits(random, 13);
            gtin += gtinCheckDigit(gtin);
            const QByteArray date = QByteArray::number(random.bounded(10, 99)) +
                                    QByteArray::number(random.bounded(10, 13)) +
                                    QByteArray::number(random.bounded(10, 29));
            // ZXing 1.4 drops what follows a '%' in a GS1 QR's alphanumeric data (zxing-cpp
            // pull request 675, after Debian 12's release); zbarimg reads it, test_digital_link
            // has a row for it.
            const QList<QByteArray>& set = identifier == "]Q3" ? cset82WithoutPercent : cset82;
            const QByteArray batch = randomFrom(random, set, 1, matrix ? 20 : 8);
            const QByteArray serial = randomFrom(random, set, 1, matrix ? 20 : 6);
            in << "[01]" + gtin + "[17]" + date + "[10]" + batch + "[21]" + serial;
            if (identifier.isEmpty())
                out << "https://id.gs1.org/01/" + gtin + "/10/" + batch.toPercentEncoding() +
                           "/21/" + serial.toPercentEncoding() + "?17=" + date;
            else
                out << identifier + "01" + gtin + "17" + date + "10" + batch +
                           "\x1D"
                           "21" +
                           serial;
        }
        return std::pair(in, out);
    };
    const auto text = [&](const QList<QByteArray>& set, int least, int most) {
        QList<QByteArray> in;
        for (int i = 0; i < kRandomPerType; ++i)
            in << randomFrom(random, set, least, most);
        return in;
    };
    const auto retail = [&](int length, const char* first) {
        QList<QByteArray> in;
        for (int i = 0; i < kRandomPerType; ++i)
            in << QByteArray(1, first[random.bounded(int(strlen(first)))]) +
                      digits(random, length - 1);
        return in;
    };
    auto [g128, g128Out] = gs1("]C1");
    row("random gs1-128", "gs1-128", g128, g128Out);
    auto [gdm, gdmOut] = gs1("]d2");
    row("random gs1-datamatrix", "gs1-datamatrix", gdm, gdmOut);
    auto [gqr, gqrOut] = gs1("]Q3");
    row("random gs1-qr", "gs1-qr", gqr, gqrOut);
    auto [link, linkOut] = gs1({});
    row("random digital-link", "digital-link", link, linkOut);
    row("random itf14", "itf14", retail(13, "0123456789"), QList<QByteArray>(kRandomPerType));
    QList<QByteArray> upce;
    for (int i = 0; i < kRandomPerType;
         ++i) { // the zero-suppressed forms, each with its last digit
        QByteArray six = digits(random, 5);
        const int last = random.bounded(10);
        if (last == 3) six[2] = char('3' + random.bounded(7));
        if (last == 4) six[3] = char('1' + random.bounded(9));
        if (last >= 5) six[4] = char('1' + random.bounded(9));
        upce << QByteArray(1, char('0' + random.bounded(2))) + six + char('0' + last);
    }
    row("random upce", "upce", upce, QList<QByteArray>(kRandomPerType));
    // Led by 0 an EAN-13 is a UPC-A, and ZXing says so.
    row("random ean13", "ean13", retail(12, "123456789"), QList<QByteArray>(kRandomPerType));
    row("random upca", "upca", retail(11, "0123456789"), QList<QByteArray>(kRandomPerType));
    row("random ean8", "ean8", retail(7, "0123456789"), QList<QByteArray>(kRandomPerType));
    const QList<QByteArray> c93 = text(ascii, 1, 20);
    row("random code93", "code93", c93, c93);
    QList<QByteArray> codabar, codabarOut; // ZXing reads no Codabar under 4 characters
    for (int i = 0; i < kRandomPerType; ++i) {
        const QByteArray body = randomFrom(random, characters("0123456789-$:/.+"), 2, 16);
        codabar << QByteArray(1, "ABCD"[random.bounded(4)]) + body +
                       QByteArray(1, "ABCD"[random.bounded(4)]);
        codabarOut << body;
    }
    row("random codabar", "codabar", codabar, codabarOut);
    QList<QByteArray> itf;
    for (int i = 0; i < kRandomPerType; ++i)
        itf << digits(random, 2 * random.bounded(3, 11));
    row("random itf", "itf", itf, itf);
    for (const char* type : {"qr", "datamatrix", "aztec", "pdf417"}) {
        const QList<QByteArray> in = text(unicode, 1, 60);
        row(qPrintable(QStringLiteral("random %1").arg(type)), type, in, in);
    }
}

void TestZint::readBack() {
    QFETCH(QString, type);
    QFETCH(QList<QByteArray>, inputs);
    QFETCH(QList<QByteArray>, expected);
    if (QStringLiteral(ZXING_EXECUTABLE).isEmpty()) QSKIP("ZXingReader is not installed");
    const ZintType zintType = *zintTypeNamed(type.toStdString());
    QTemporaryDir directory;
    QFile list(directory.filePath(QStringLiteral("list.txt")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(inputs.join('\n') + '\n');
    list.close();
    QStringList args{"batch",          "--type",        type,
                     "--in",           list.fileName(), "--out-dir",
                     directory.path(), "--scale",       QString::number(kScale)};
    if (type == u"qr")
        args << "--ecc"
             << "H";
    const Run run = cli(args);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QStringList files;
    QList<QByteArray> wanted, ownReadings;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const ZintResult result = encodeWithZint(zintType, inputs[i].toStdString());
        QVERIFY(std::holds_alternative<ZintSymbol>(result));
        const auto& symbol = std::get<ZintSymbol>(result);
        if (expected[i].isEmpty())
            QVERIFY(QByteArray::fromStdString(symbol.text).startsWith(inputs[i]));
        wanted << (expected[i].isEmpty() ? QByteArray::fromStdString(symbol.text) : expected[i]);
        files << directory.filePath(QStringLiteral("%1.png").arg(i + 1, 6, 10, QChar(u'0')));
        const int quiet = std::visit(
            [](const auto& modules) {
                if constexpr (std::is_same_v<std::decay_t<decltype(modules)>, LinearModules>)
                    return modules.quietLeft;
                else
                    return modules.quietZone;
            },
            symbol.modules);
        const QString problem = moduleProblem(QImage(files.last()), quiet);
        QVERIFY2(problem.isEmpty(), qPrintable(inputs[i] + ": " + problem.toUtf8()));
        if (const auto linear = LineDecode::linearOf(zintType)) {
            const auto& modules = std::get<LinearModules>(symbol.modules).modules;
            ownReadings << LineDecode::textOfModules(*linear, QString::fromStdString(modules),
                                                     inputs[i].contains('+'))
                               .value_or(QStringLiteral("(does not decode)"))
                               .toUtf8();
        }
    }
    const auto readings = readAll(files);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QList<QByteArray> read = readings.value(files[i]);
        QVERIFY2(read.contains(wanted[i]),
                 (inputs[i] + " read as: " + read.join(" | ")).constData());
        // The grader's row decoder reads the modules as the reader reads the picture.
        if (i < ownReadings.size())
            QVERIFY2(read.contains(ownReadings[i]) || read.contains("]C1" + ownReadings[i]),
                     (inputs[i] + " decoded as: " + ownReadings[i]).constData());
    }
    // A second reader for the first few, where it reads the type as ZXing does.
    const QString zbarimg = QStringLiteral(ZBARIMG_EXECUTABLE);
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), 20) && !zbarimg.isEmpty(); ++i) {
        const QByteArray zbarText = zbarWanted(type, inputs[i], wanted[i]);
        if (zbarText.isEmpty()) continue;
        QCOMPARE(runProgram(zbarimg, {"--raw", "-q", files[i]}).out, zbarText + '\n');
    }
}

void TestZint::refusals_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* type, const QByteArray& in, const char* message) {
        QTest::newRow(message) << QString::fromLatin1(type) << in << QString::fromUtf8(message);
    };
    row("gs1-128", "(01)09501101530003(17)271331", "(17) 271331: month 13 is not a month (YYMMDD)");
    row("gs1-datamatrix", "(10)ABC",
        "(10) ABC: needs (01), (02), (03), (8006) or (8026) beside it");
    row("itf14", "1234567890123A", "itf14: character 14 is not a digit");
    row("itf14", "12345678901234", "itf14: check digit 4 should be 1");
    row("upce", "2123456", "upce: number system 2: UPC-E has 0 or 1");
    row("upce", "1150583",
        "upce: UPC-E 150583 is not zero-suppressed: ending 3, its third digit is 3 to 9");
    row("upce", "036000291452",
        "upce: UPC-A 036000291452 cannot be zero-suppressed: manufacturer 36000 and product 29145 "
        "leave no zeros in the places UPC-E drops (manufacturer ending 000, 100 or 200 with "
        "product "
        "up to 00999; ending 00 with product up to 00099; ending 0 with product up to 00009; or "
        "product 00005 to 00009)");
    row("ean13", "9501101530003+123", "ean13: an add-on has 2 or 5 digits, not 3");
    row("ean13", "9501101530004", "ean13: Invalid check digit '4', expecting '3'");
    row("ean8", "95011012", "ean8: check digit 2 should be 1");
    row("code93", "caf\xC3\xA9", "code93: character 4 is not ASCII; Code 93 holds ASCII only");
    row("codabar", "123", "codabar: Does not begin with \"A\", \"B\", \"C\" or \"D\"");
    row("itf", "12a", "itf: character 3 is not a digit");
    row("qr", QByteArray(3000, 'a') + QByteArray(3000, 'b'),
        "qr: Input too long for selected error correction level");
    row("qr", "\xFF\xFE", "qr: Invalid UTF-8 in input data");
    row("datamatrix", QByteArray(8001, 'x'),
        "datamatrix: 8001 characters are more than any symbol holds (at most 8000)");
}

void TestZint::refusals() {
    QFETCH(QString, type);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    const ZintResult result =
        encodeWithZint(*zintTypeNamed(type.toStdString()), input.toStdString());
    const auto* refused = std::get_if<ZintRefusal>(&result);
    QVERIFY(refused);
    QCOMPARE(QString::fromStdString(refused->message), message);
    // The command line says the same, exits 1 and writes nothing. Arguments cannot hold NUL or
    // invalid UTF-8, so those rows stay with the encoder.
    if (input.contains('\0') || QString::fromUtf8(input).toUtf8() != input) return;
    QTemporaryDir directory;
    const QString out = directory.filePath(QStringLiteral("refused.png"));
    const Run run = cli(
        {"draw", "--type", type, "--text", QString::fromUtf8(input), "--out", out, "--scale", "2"});
    QCOMPARE(run.exitCode, 1);
    // A type with a twin of another meaning (ean13 and EAN13) adds a line on which takes what.
    const QString said = QString::fromUtf8(run.err);
    QCOMPARE(said.section(u'\n', 0, 0), QStringLiteral("error: ") + message);
    QCOMPARE(said.count(u'\n'), type.compare(u"ean13", Qt::CaseInsensitive) == 0 ||
                                        type.compare(u"ean8", Qt::CaseInsensitive) == 0 ||
                                        type.compare(u"upca", Qt::CaseInsensitive) == 0
                                    ? 2
                                    : 1);
    QVERIFY(!QFile::exists(out));
}

// (01)09501101530003: start C, FNC1, 8 digit pairs, check (11 modules each), stop (13) = 134
// modules, 154 with the quiet zones.
void TestZint::gs1_128Width_data() {
    QTest::addColumn<double>("xdim");
    QTest::addColumn<QString>("message");
    QTest::newRow("1.072 mm fits") << 1.072 << QString();
    QTest::newRow("1.1 mm is too wide")
        << 1.1
        << "gs1-128: 169.40 mm wide at X 1.100 mm, quiet zones included; GS1-128 may be 165.10 "
           "mm at most: X up to 1.072 mm fits";
}

void TestZint::gs1_128Width() {
    QFETCH(double, xdim);
    QFETCH(QString, message);
    const ZintResult result = encodeWithZint(ZintType::Gs1_128, "(01)09501101530003");
    const auto& linear = std::get<LinearModules>(std::get<ZintSymbol>(result).modules);
    const auto refused = gs1_128WidthRefusal(linear, xdim);
    QCOMPARE(refused ? QString::fromStdString(refused->message) : QString(), message);
}

// The bars that reach lower are the guards (UPC-A: with its outer digits' bars), an add-on's
// digits stand above bars that start with its guard, 1011.
void TestZint::retailLayout_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("longBars"); // the modules of each, in order
    QTest::addColumn<QStringList>("texts");    // '^': above the bars
    QTest::newRow("ean13") << "ean13" << QByteArray("950110153000")
                           << QStringList{"101", "01010", "101"}
                           << QStringList{"9", "501101", "530003"};
    QTest::newRow("ean8") << "ean8" << QByteArray("9501101") << QStringList{"101", "01010", "101"}
                          << QStringList{"9501", "1011"};
    QTest::newRow("upca") << "upca" << QByteArray("036000291452")
                          << QStringList{"1010001101", "01010", "1101100101"}
                          << QStringList{"0", "36000", "29145", "2"};
    QTest::newRow("upce") << "upce" << QByteArray("123456") << QStringList{"101", "010101"}
                          << QStringList{"0", "123456", "5"};
    QTest::newRow("ean13+5") << "ean13" << QByteArray("9501101530003+12345")
                             << QStringList{"101", "01010", "101"}
                             << QStringList{"9", "501101", "530003", "^12345"};
}

void TestZint::retailLayout() {
    QFETCH(QString, type);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, longBars);
    QFETCH(QStringList, texts);
    const ZintResult result =
        encodeWithZint(*zintTypeNamed(type.toStdString()), input.toStdString());
    const auto& linear = std::get<LinearModules>(std::get<ZintSymbol>(result).modules);
    const QString modules = QString::fromStdString(linear.modules);
    QStringList bars, placed;
    for (const ModuleSpan& span : linear.longBars)
        bars << modules.mid(span.first, span.end - span.first);
    QCOMPARE(bars, longBars);
    for (const TextBand& text : linear.texts) {
        placed << (text.above ? "^" : "") + QString::fromStdString(text.text);
        if (text.above) QCOMPARE(modules.mid(text.band.first, 4), QStringLiteral("1011"));
        if (text.above) QCOMPARE(text.band.end, modules.size());
    }
    QCOMPARE(placed, texts);
}

QTEST_GUILESS_MAIN(TestZint)
#include "test_zint.moc"
