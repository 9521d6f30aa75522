// GS1 Digital Link URIs read and built with the exact refusals the command line shows; QR Codes
// drawn from them read back by ZXingReader and zbarimg and shown by verify with their element
// strings.
#include "TestSupport.h"
#include "symbology/Gs1DigitalLink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace gs1;

namespace {
const QByteArray kGtin = "09501101530003";
const QByteArray kSscc = "095011010000000018";
const QByteArray kGs1 = "https://id.gs1.org";
} // namespace

class TestDigitalLink : public QObject {
    Q_OBJECT
  private slots:
    void read_data();
    void read();
    void draw_data();
    void draw();
    void verifyShowsElementStrings_data();
    void verifyShowsElementStrings();
};

// A URI is read as it stands; element strings are built on `domain` (GS1's when empty). Either
// gives the URI the symbol holds and the element strings it carries, or the refusal.
void TestDigitalLink::read_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<QByteArray>("uri");
    QTest::addColumn<QByteArray>("elementStrings");
    QTest::addColumn<QString>("refusal");
    const auto ok = [](const char* name, const QByteArray& in, const QByteArray& uri,
                       const QByteArray& elements, const QByteArray& domain = {}) {
        QTest::newRow(name) << in << domain << uri << elements << QString();
    };
    const auto bad = [](const char* name, const QByteArray& in, const char* refusal,
                        const QByteArray& domain = {}) {
        QTest::newRow(name) << in << domain << QByteArray() << QByteArray()
                            << QString::fromUtf8(refusal);
    };
    const QByteArray gtin = kGs1 + "/01/" + kGtin;
    const QByteArray sscc = kGs1 + "/00/" + kSscc;

    // 1-12: accepted
    ok("1 key, qualifier, attribute", gtin + "/10/ABC?17=271231", gtin + "/10/ABC?17=271231",
       "(01)" + kGtin + "(10)ABC(17)271231");
    ok("2 element strings on GS1's domain", "(01)" + kGtin + "(10)ABC(17)271231",
       gtin + "/10/ABC?17=271231", "(01)" + kGtin + "(10)ABC(17)271231");
    ok("3 own domain and path, escapes, other parameters, fragment",
       "https://example.com/shop/a/01/" + kGtin + "/21/S%2F1?3103=000195&linkType=gs1:pip#x",
       "https://example.com/shop/a/01/" + kGtin + "/21/S%2F1?3103=000195&linkType=gs1:pip#x",
       "(01)" + kGtin + "(21)S/1(3103)000195");
    ok("4 every qualifier in order", gtin + "/22/2A/10/ABC/21/12345",
       gtin + "/22/2A/10/ABC/21/12345", "(01)" + kGtin + "(22)2A(10)ABC(21)12345");
    ok("5 the key's other sequence", gtin + "/235/TPX1", gtin + "/235/TPX1",
       "(01)" + kGtin + "(235)TPX1");
    ok("6 element strings put in the key's order", "(01)" + kGtin + "(21)S1(10)L1(17)271231",
       gtin + "/10/L1/21/S1?17=271231", "(01)" + kGtin + "(10)L1(21)S1(17)271231");
    ok("7 escaped when built", "[01]" + kGtin + "[10]A/B%C", gtin + "/10/A%2FB%25C",
       "(01)" + kGtin + "(10)A/B%C");
    ok("8 built on a domain with a path", "(00)" + kSscc, "https://example.com/dl/00/" + kSscc,
       "(00)" + kSscc, "https://example.com/dl/");
    ok("9 upper-case scheme, hex of either case", "HTTPS://ID.GS1.ORG/01/" + kGtin + "/10/%41%62c",
       "HTTPS://ID.GS1.ORG/01/" + kGtin + "/10/%41%62c", "(01)" + kGtin + "(10)Abc");
    ok("10 attributes beside an SSCC", "(00)" + kSscc + "(02)" + kGtin + "(37)5",
       sscc + "?02=" + kGtin + "&37=5", "(00)" + kSscc + "(02)" + kGtin + "(37)5");
    ok("11 a repeat held once", "(01)" + kGtin + "(10)A(10)A", gtin + "/10/A",
       "(01)" + kGtin + "(10)A");
    ok("12 a qualifier that is also an attribute, with the other sequence",
       "(01)" + kGtin + "(235)T(10)A", gtin + "/235/T?10=A", "(01)" + kGtin + "(235)T(10)A");

    // 13-20: the checker's own rules, in the path and in the query
    bad("13 bad check digit in the path", kGs1 + "/01/09501101530004",
        "(01) 09501101530004: check digit 4 should be 3");
    bad("14 bad check digit in element strings", "(01)09501101530004",
        "(01) 09501101530004: check digit 4 should be 3");
    bad("15 unknown AI in the query", gtin + "?23=5",
        "(23) 5: unknown AI, not in the GS1 syntax dictionary");
    bad("16 unknown AI in the path", gtin + "/23/5",
        "(23) 5: unknown AI, not in the GS1 syntax dictionary");
    bad("17 date", gtin + "?17=271331", "(17) 271331: month 13 is not a month (YYMMDD)");
    bad("18 pairing", sscc + "?10=ABC",
        "(10) ABC: needs (01), (02), (03), (8006) or (8026) beside it");
    bad("19 an escaped space is no GS1 character", gtin + "/10/A%20B",
        "(10) A B: character 2 ' ' is not in GS1 character set 82 (A-Z a-z 0-9 "
        "!\"%&'()*+,-./:;<=>?_)");
    bad("20 '+' in the query is a space", gtin + "?99=a+b",
        "(99) a b: character 2 ' ' is not in GS1 character set 82 (A-Z a-z 0-9 "
        "!\"%&'()*+,-./:;<=>?_)");

    // 21-30: where an AI stands
    bad("21 key in the query instead of the path", kGs1 + "/?01=" + kGtin,
        "(01) 09501101530003: a primary key goes in the path, as https://id.gs1.org/01/"
        "09501101530003, not in the query");
    bad("22 qualifier in the query", gtin + "?10=ABC",
        "(10) ABC: a key qualifier of (01): it goes in the path, as /01/09501101530003/10/ABC, "
        "not in the query");
    bad("23 qualifiers out of order", gtin + "/21/S1/10/L1",
        "(10) L1: out of order after (21); (01) takes /22/, /10/, /21/ in that order, or /235/");
    bad("24 qualifiers of two sequences", gtin + "/10/L1/235/T",
        "(235) T: cannot stand with (10) in the path; (01) takes /22/, /10/, /21/ in that order, "
        "or /235/");
    bad("25 attribute in the path", gtin + "/17/271231",
        "(17) 271231: not a key qualifier of (01), which takes /22/, /10/, /21/ in that order, or "
        "/235/; a data attribute goes in the query, as ?17=271231");
    bad("26 qualifier on a key that takes none", sscc + "/10/A",
        "(10) A: not a key qualifier of (00), which takes none; a data attribute goes in the "
        "query, as ?10=A");
    bad("27 no data attribute", sscc + "?21=5",
        "(21) 5: not a Digital Link data attribute, so it cannot stand in the query");
    bad("28 qualifier twice", gtin + "/10/A/10/B", "(10) B: (10) given twice in the path");
    bad("29 attribute twice", gtin + "?17=271231&17=271231",
        "(17) 271231: (17) given twice in the query");
    bad("30 in the path and in the query", gtin + "/10/A?10=A",
        "(10) A: (10) is in the path already");

    // 31-40: what is no Digital Link at all
    bad("31 a path without a GS1 key", "https://example.com/products/shoes",
        "no GS1 primary key in the path: a Digital Link path ends in /AI/value pairs led by a "
        "key, as /01/09501101530003");
    bad("32 path ends in '/'", gtin + "/",
        "the path ends in '/': a Digital Link path ends in the value of its key or of a "
        "qualifier");
    bad("33 broken escape", gtin + "/10/A%G1", "'%' at character 42 starts no %HH escape");
    bad("34 a space in a URI", gtin + "/10/A B",
        "character 42 ' ' cannot stand in a URI: percent-encode it as %20");
    bad("35 another scheme", "ftp://id.gs1.org/01/" + kGtin,
        "a Digital Link URI starts with https:// or http://; element strings start with an AI "
        "in brackets, as (01)");
    bad("36 no domain", "https:///01/" + kGtin, "no domain after https://");
    bad("37 element strings without a key", "(90)ABC",
        "no primary key to lead a Digital Link path, such as (01) GTIN, (00) SSCC or (414) GLN");
    bad("38 an AI a URI cannot carry", "(00)" + kSscc + "(7041)BX",
        "(7041) BX: neither a key qualifier of (00) here nor a Digital Link data attribute, so a "
        "Digital Link URI cannot carry it");
    bad("39 a domain to build on without a host", "(00)" + kSscc,
        "'https:///x' is no domain to build a Digital Link on: a scheme and a host with any "
        "path, as https://example.com/stem",
        "https:///x");
    bad("40 a domain with a query", "(00)" + kSscc,
        "'https://a.example?x=1' is no domain to build a Digital Link on: a scheme and a host "
        "with any path, as https://example.com/stem",
        "https://a.example?x=1");
}

void TestDigitalLink::read() {
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, domain);
    QFETCH(QByteArray, uri);
    QFETCH(QByteArray, elementStrings);
    QFETCH(QString, refusal);
    const DigitalLinkResult result = digitalLinkOf(
        input.toStdString(), domain.isEmpty() ? kDigitalLinkDomain : domain.toStdString());
    if (const auto* refused = std::get_if<Gs1Error>(&result)) {
        QCOMPARE(QString::fromStdString(refused->message), refusal);
        QVERIFY(refused->position <= std::size_t(input.size()));
        // In a URI a refusal naming an AI points at it.
        if (!refused->ai.empty() && !input.startsWith('(') && !input.startsWith('['))
            QCOMPARE(input.mid(qsizetype(refused->position), qsizetype(refused->ai.size())),
                     QByteArray::fromStdString(refused->ai));
        return;
    }
    QVERIFY2(refusal.isEmpty(), qPrintable("accepted, expected: " + refusal));
    const auto& link = std::get<DigitalLink>(result);
    QCOMPARE(QByteArray::fromStdString(link.uri), uri);
    QCOMPARE(QByteArray::fromStdString(link.message.parenthesized()), elementStrings);
    // The URI's element strings build a URI that carries them again.
    const auto rebuilt = buildDigitalLink(link.message.bracketed(), kDigitalLinkDomain);
    QVERIFY(std::holds_alternative<DigitalLink>(rebuilt));
    QCOMPARE(QByteArray::fromStdString(std::get<DigitalLink>(rebuilt).message.parenthesized()),
             elementStrings);
}

// The command line draws what it is given, or refuses it with exit 1 and writes nothing; a QR
// drawn reads back as the URI (the element strings with FNC1 for GS1 QR) in both readers.
void TestDigitalLink::draw_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message"); // standard error's first line
    QTest::addColumn<QByteArray>("zxing");   // symbology identifier and bytes
    QTest::addColumn<QByteArray>("zbar");
    const QString gtin = QString::fromLatin1(kGtin);
    const auto drawn = [](const char* name, const QStringList& args, const QByteArray& zxing,
                          const QByteArray& zbar) {
        QTest::newRow(name) << args << 0 << QByteArray() << zxing << zbar;
    };
    const auto refused = [](const char* name, const QStringList& args, int exitCode,
                            const QByteArray& message) {
        QTest::newRow(name) << args << exitCode << message << QByteArray() << QByteArray();
    };
    const QByteArray uri = kGs1 + "/01/" + kGtin + "/10/ABC?17=271231";
    drawn("element strings",
          {"--type", "digital-link", "--text", "(01)" + gtin + "(10)ABC(17)271231"}, "]Q1" + uri,
          uri);
    drawn("own domain, escapes, --ecc H",
          {"--type", "digital-link", "--text", "[01]" + gtin + "[21]A/1", "--dl-domain",
           "http://example.com/p", "--ecc", "H"},
          "]Q1http://example.com/p/01/" + kGtin + "/21/A%2F1",
          "http://example.com/p/01/" + kGtin + "/21/A%2F1");
    drawn("a URI as given", {"--type", "digital-link", "--text", QString::fromLatin1(uri)},
          "]Q1" + uri, uri);
    // ZXing 1.4 drops what follows a '%' in a GS1 QR's alphanumeric data; zbarimg reads it.
    drawn("gs1-qr with '%'", {"--type", "gs1-qr", "--text", "[01]" + gtin + "[10]A%B[17]271231"},
          {}, "01" + kGtin + "10A%B\x1D" + "17271231");
    drawn("gs1-qr read by zbarimg",
          {"--type", "gs1-qr", "--text", "(01)" + gtin + "(10)ABC(17)271231"},
          "]Q301" + kGtin + "10ABC\x1D" + "17271231", "01" + kGtin + "10ABC\x1D" + "17271231");
    refused("bad check digit",
            {"--type", "digital-link", "--text", "https://a.example/01/09501101530004"}, 1,
            "error: (01) 09501101530004: check digit 4 should be 3");
    refused("key in the query",
            {"--type", "digital-link", "--text", "https://a.example/?01=" + gtin}, 1,
            "error: (01) 09501101530003: a primary key goes in the path, as "
            "https://a.example/01/09501101530003, not in the query");
    refused("gs1-qr pairing", {"--type", "gs1-qr", "--text", "(10)ABC"}, 1,
            "error: (10) ABC: needs (01), (02), (03), (8006) or (8026) beside it");
    refused("--dl-domain without digital-link",
            {"--type", "qr", "--text", "x", "--dl-domain", "https://a.example"}, 2,
            "barcode-desk-cli: --dl-domain goes with --type digital-link.");
    refused("--dl-domain not a domain",
            {"--type", "digital-link", "--text", "(00)" + QString::fromLatin1(kSscc), "--dl-domain",
             "example.com"},
            2,
            "barcode-desk-cli: --dl-domain takes a scheme and a host with any path, as "
            "https://example.com/stem, not 'example.com'.");
    refused("--ecc with a type other than QR", {"--type", "aztec", "--text", "x", "--ecc", "H"}, 2,
            "barcode-desk-cli: --ecc goes with --type qr, gs1-qr or digital-link.");
}

void TestDigitalLink::draw() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, zxing);
    QFETCH(QByteArray, zbar);
    QTemporaryDir directory;
    const QString out = directory.filePath(QStringLiteral("dl.png"));
    // Drawn anew at whole modules and as the window draws it alike.
    for (const QStringList& size : {QStringList{"--scale", "3"}, QStringList{}}) {
        const Run run = cli(QStringList{"draw"} + args + QStringList{"--out", out} + size);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err.split('\n').value(0), message);
        QCOMPARE(QFile::exists(out), exitCode == 0);
        if (exitCode != 0) continue;
        if (!zxing.isEmpty() && !QStringLiteral(ZXING_EXECUTABLE).isEmpty()) {
            const Run read = runProgram(QStringLiteral(ZXING_EXECUTABLE), {out});
            QByteArray identifier, bytes;
            for (const QByteArray& line : read.out.split('\n')) {
                if (line.startsWith("Bytes:"))
                    bytes = QByteArray::fromHex(line.mid(6).simplified().replace(' ', ""));
                if (line.startsWith("Identifier:")) identifier = line.mid(11).trimmed();
            }
            QCOMPARE(identifier + bytes, zxing);
        }
        if (!zbar.isEmpty() && !QStringLiteral(ZBARIMG_EXECUTABLE).isEmpty())
            QCOMPARE(zbarRead(out).toUtf8(), zbar);
        QFile::remove(out);
    }
}

// verify names the element strings of a Digital Link beside its URI, says why GS1's rules
// refuse one that has a key in its path, and says nothing of other texts.
void TestDigitalLink::verifyShowsElementStrings_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("holds"); // what the symbol holds
    QTest::addColumn<QString>("line");  // the line after the symbol's
    QTest::addColumn<QString>("jsonKey");
    QTest::addColumn<QString>("jsonValue");
    const QString gtin = QString::fromLatin1(kGtin);
    QTest::newRow("built") << "digital-link"
                           << "(01)" + gtin + "(10)ABC(17)271231"
                           << "https://id.gs1.org/01/" + gtin + "/10/ABC?17=271231"
                           << "  GS1 Digital Link: (01)" + gtin + "(10)ABC(17)271231"
                           << "elementStrings"
                           << "(01)" + gtin + "(10)ABC(17)271231";
    QTest::newRow("refused, drawn as a plain QR")
        << "qr"
        << "https://a.example/01/" + gtin + "?10=ABC"
        << "https://a.example/01/" + gtin + "?10=ABC"
        << "  not a GS1 Digital Link: (10) ABC: a key qualifier of (01): it goes in the path, as "
           "/01/09501101530003/10/ABC, not in the query"
        << "digitalLinkRefused"
        << "(10) ABC: a key qualifier of (01): it goes in the path, as /01/09501101530003/10/ABC, "
           "not in the query";
    QTest::newRow("another address") << "qr"
                                     << "https://example.com/products/shoes"
                                     << "https://example.com/products/shoes"
                                     << ""
                                     << ""
                                     << "";
}

void TestDigitalLink::verifyShowsElementStrings() {
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(QString, holds);
    QFETCH(QString, line);
    QFETCH(QString, jsonKey);
    QFETCH(QString, jsonValue);
    QTemporaryDir directory;
    const QString out = directory.filePath(QStringLiteral("qr.png"));
    QCOMPARE(cli({"draw", "--type", type, "--text", text, "--out", out, "--scale", "4"}).exitCode,
             0);
    const Run run = cli({"verify", "--in", out});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.value(0).startsWith(QStringLiteral("QR Code \"") + holds + u'"'),
             run.out.constData());
    if (!line.isEmpty()) QCOMPARE(lines.value(1), line);
    QCOMPARE(run.out.contains("Digital Link"), !line.isEmpty());
    const Run json = cli({"verify", "--in", out, "--json"});
    const QJsonObject found = QJsonDocument::fromJson(json.out).object();
    const QJsonObject symbol =
        (found.contains("ungraded") ? found["ungraded"] : found["symbols"]).toArray()[0].toObject();
    QCOMPARE(symbol["text"].toString(), holds);
    for (const char* key : {"elementStrings", "digitalLinkRefused"})
        QCOMPARE(symbol[QLatin1String(key)].toString(),
                 jsonKey == QLatin1String(key) ? jsonValue : QString());
}

QTEST_GUILESS_MAIN(TestDigitalLink)
#include "test_digital_link.moc"
