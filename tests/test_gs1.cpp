// GS1 element strings against the dictionary's rules: what passes, with its FNC1s and
// warnings, and what is refused, with the exact text the command line shows.
#include "TestSupport.h"
#include "symbology/Gs1.h"

#include <QFile>
#include <QtTest>

using namespace gs1;

namespace {
constexpr char kGtin[] = "09501101530003";
constexpr char kSscc[] = "095011010000000018";
constexpr char kGsrn[] = "095011010000000018";
} // namespace

class TestGs1 : public QObject {
    Q_OBJECT
  private slots:
    void parse_data();
    void parse();
    void tableMatchesDictionary();
    void everyLinterIsKnown();
};

// error empty: accepted, giving encodable ('^' for FNC1) and warnings.
void TestGs1::parse_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("matrix");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QByteArray>("encodable");
    QTest::addColumn<QStringList>("warnings");
    const QByteArray gtin(kGtin), sscc(kSscc), gsrn(kGsrn);
    const auto ok = [](const char* name, const QByteArray& in, bool matrix, const QByteArray& enc,
                       const QStringList& warnings = {}) {
        QTest::newRow(name) << in << matrix << QString() << enc << warnings;
    };
    const auto bad = [](const char* name, const QByteArray& in, bool matrix, const char* error) {
        QTest::newRow(name) << in << matrix << QString::fromUtf8(error) << QByteArray()
                            << QStringList();
    };

    // FNC1 after variable-length fields that are not last, also after (8006): fixed length,
    // yet not one of the predefined ones.
    ok("fnc1 placement", "(01)" + gtin + "(17)271231(10)ABC(21)123", false,
       "^01" + gtin + "1727123110ABC^21123");
    ok("brackets, fixed but not predefined", "[8006]095011015300030102[10]A[20]01", true,
       "^8006095011015300030102^10A^2001");
    ok("parentheses in data with [ ]", "[01]" + gtin + "[10]A(B)", false, "^01" + gtin + "10A(B)");

    // AIs the 2022 dictionary did not have.
    ok("03", "(03)" + gtin + "(10)L1", true, "^03" + gtin + "10L1");
    ok("4330 4332", "(00)" + sscc + "(4330)000100-(4332)000050", true,
       "^00" + sscc + "4330000100-^4332000050");
    ok("4331 4333", "(00)" + sscc + "(4331)000100(4333)000050-", true,
       "^00" + sscc + "4331000100^4333000050-");
    ok("7011 716 717", "(01)" + gtin + "(7011)2712311200(716)AIC1(717)SRN2", true,
       "^01" + gtin + "70112712311200^716AIC1^717SRN2");
    ok("7041", "(00)" + sscc + "(7041)BX", true, "^00" + sscc + "7041BX");
    ok("7241 7242", "(8018)" + gsrn + "(7241)01(7242)VCN-7", true,
       "^8018" + gsrn + "^724101^7242VCN-7");
    ok("7250 7252-7255 7257",
       "(8018)" + gsrn + "(7250)20000229(7252)2(7253)Smith(7254)Anne(7255)JR(7257)1%20Main%20St",
       true, "^8018" + gsrn + "^725020000229^72522^7253Smith^7254Anne^7255JR^72571%20Main%20St");
    ok("7251 7258 7259", "(8018)" + gsrn + "(7251)202403051230(7258)1/2(7259)Baby%20Smith", true,
       "^8018" + gsrn + "^7251202403051230^72581/2^7259Baby%20Smith");
    ok("7256", "(8017)" + gsrn + "(7256)Anne%20Smith", true, "^8017" + gsrn + "^7256Anne%20Smith");
    ok("8014 csumalpha", "(01)" + gtin + "(8014)1234567ABC7Q", true,
       "^01" + gtin + "80141234567ABC7Q");
    ok("8030 base64url", "(00)" + sscc + "(8030)MEUCIQ-_x9==", true,
       "^00" + sscc + "8030MEUCIQ-_x9==");
    ok("8040-8043",
       "(01)" + gtin +
           "(21)S1(8040)490154203237518(8041)490154203237526"
           "(8042)89441000000000000000000000000001(8043)89441226100000000001",
       true,
       "^01" + gtin +
           "21S1^8040490154203237518^8041490154203237526"
           "^804289441000000000000000000000000001^804389441226100000000001");

    // Linters that let good data through.
    ok("yymmd0 day 00, leap day", "(01)" + gtin + "(15)270200(11)240229", true,
       "^01" + gtin +
           "15270200"
           "11240229");
    ok("hh with optional mi", "(01)" + gtin + "(8008)2401011230", true,
       "^01" + gtin + "80082401011230");
    ok("iso3166999", "(01)" + gtin + "(7030)999ABC", true, "^01" + gtin + "7030999ABC");
    ok("iban", "(415)9501101530003(8020)R1(8007)GB82WEST12345698765432", true,
       "^4159501101530003"
       "8020R1^8007GB82WEST12345698765432");

    // Pairing: warnings in GS1-128, where the partner may sit in a second symbol; errors in 2D.
    ok("req warns in GS1-128", "(10)ABC", false, "^10ABC",
       {"(10) ABC: needs (01), (02), (03), (8006) or (8026) beside it"});
    bad("req refuses in 2D", "(10)ABC", true,
        "(10) ABC: needs (01), (02), (03), (8006) or (8026) beside it");
    ok("ex warns once per pair", "(00)" + sscc + "(4330)000100(4331)000100", false,
       "^00" + sscc + "4330000100^4331000100", {"(4330) 000100: cannot stand with (4331)"});
    bad("ex pattern refuses in 2D", "(01)" + gtin + "(3103)000123(3102)000100", true,
        "(3103) 000123: cannot stand with (3102)");
    bad("req with +", "(01)" + gtin + "(250)X", true,
        "(250) X: needs (01)+(21), (03)+(21) or (8006)+(21) beside it");
    ok("same AI twice, same data", "(01)" + gtin + "(10)A(10)A", true, "^01" + gtin + "10A^10A",
       {"(10) A: given twice"});
    bad("same AI twice, other data", "(01)" + gtin + "(10)A(10)B", true,
        "(10) B: (10) already given as A");

    // 48 data characters in GS1-128, AIs and separators counted; none such limit in 2D.
    const QByteArray long128 = "(01)" + gtin + "(10)ABCDEFGHIJKLMNOPQRST(21)12345678";
    bad("over 48 in GS1-128", long128, false,
        "(21) 12345678: beyond the 48 data characters of GS1-128 (AIs and separators counted); "
        "put the rest in a second symbol");
    ok("the same in 2D", long128, true, "^01" + gtin + "10ABCDEFGHIJKLMNOPQRST^2112345678");
    bad("input longer than any symbol", "(90)" + QByteArray(8000, 'A'), true,
        "8004 characters are more than any symbol holds (at most 8000)");

    // Syntax.
    bad("empty", "", false, "no element strings: write them as (01)09501101530003(10)ABC");
    bad("no bracket", "0109501101530003", false,
        "character 1 '0': element strings start with an AI in brackets, as (01) or [01]");
    bad("unclosed", "(01)" + gtin + "(10ABC", false, "'(' at character 19 is not closed by ')'");
    bad("one-digit AI", "(1)23", false,
        "'(' at character 1 is not followed by an AI of 2 to 4 digits and ')'; for brackets in "
        "data write the AIs as [01]");
    bad("parenthesis in data", "(01)" + gtin + "(10)A(B)", false,
        "'(' at character 24 is not followed by an AI of 2 to 4 digits and ')'; for brackets in "
        "data write the AIs as [01]");
    bad("stray closing", "[10]A]B", false, "']' at character 6 closes no '['");
    bad("unknown AI", "(23)123", false, "(23) 123: unknown AI, not in the GS1 syntax dictionary");
    bad("no data", "(01)" + gtin + "(10)", false, "(10): no data after the AI (X..20)");

    // Length and character sets.
    bad("fixed too short", "(01)0950110153000", false,
        "(01) 0950110153000: 13 characters, needs 14 (N14)");
    bad("variable too long", "(10)ABCDEFGHIJKLMNOPQRSTU", false,
        "(10) ABCDEFGHIJKLMNOPQRSTU: 21 characters, takes at most 20 (X..20)");
    bad("optional parts that do not fit", "(01)" + gtin + "(423)5282", false,
        "(423) 5282: characters 4 on do not fit (N3 [N3] [N3] [N3] [N3])");
    bad("N", "(01)0950110153000A", false, "(01) 0950110153000A: character 14 'A' is not a digit");
    bad("X", "(10)A~B", false,
        "(10) A~B: character 2 '~' is not in GS1 character set 82 (A-Z a-z 0-9 "
        "!\"%&'()*+,-./:;<=>?_)");
    bad("Y", "(8010)95011ab", false,
        "(8010) 95011ab: character 6 'a' is not in GS1 character set 39 (0-9 A-Z # - /)");
    bad("Z", "(00)" + sscc + "(8030)ab+c", false,
        "(8030) ab+c: character 3 '+' is not base64url (0-9 A-Z a-z - _, = at the end)");
    bad("control character",
        "(10)A\x01"
        "B",
        false,
        "(10) A\\x01B: character 2 '\\x01' is not in GS1 character set 82 (A-Z a-z 0-9 "
        "!\"%&'()*+,-./:;<=>?_)");
    bad("non-ASCII", "(10)A\xC3\xA9", false,
        "(10) A\\xC3\\xA9: character 2 '\\xC3' is not in GS1 character set 82 (A-Z a-z 0-9 "
        "!\"%&'()*+,-./:;<=>?_)");

    // Check digits.
    bad("csum", "(01)09501101530004", false, "(01) 09501101530004: check digit 4 should be 3");
    bad("csumalpha", "(01)" + gtin + "(8013)1987654Ad4X4bL5ttr2310c2L", false,
        "(8013) 1987654Ad4X4bL5ttr2310c2L: check characters 2L should be 2K");
    bad("hasnondigit", "(01)" + gtin + "(8014)100096", false,
        "(8014) 100096: needs at least one character that is not a digit");
    bad("iban", "(415)9501101530003(8020)R1(8007)GB82WEST12345698765433", false,
        "(8007) GB82WEST12345698765433: IBAN check digits 82 do not match (mod 97)");

    // Dates and times.
    bad("yymmd0 month", "(01)" + gtin + "(17)271331", false,
        "(17) 271331: month 13 is not a month (YYMMDD)");
    bad("yymmd0 day", "(11)230229", false,
        "(11) 230229: day 29 is not a day of month 02 (YYMMDD, day 00 for a whole month)");
    bad("yymmdd day 00", "(01)" + gtin + "(7006)240100", false,
        "(7006) 240100: day 00 is not a day of month 01 (YYMMDD)");
    bad("yyyymmdd", "(8018)" + gsrn + "(7250)19000229", false,
        "(7250) 19000229: day 29 is not a day of month 02 (YYYYMMDD)");
    bad("hhmi", "(01)" + gtin + "(7003)2712312360", false,
        "(7003) 2712312360: minute 60 is not a minute (HHMI)");
    bad("hh", "(8008)2401012460", false, "(8008) 2401012460: hour 24 is not an hour (HH)");
    bad("mi", "(8008)2401011260", false, "(8008) 2401011260: minute 60 is not a minute (MI)");
    bad("ss", "(8008)240101123060", false, "(8008) 240101123060: second 60 is not a second (SS)");

    // The other linters.
    bad("iso3166", "(01)" + gtin + "(422)999", false,
        "(422) 999: country 999 is not an ISO 3166 country number");
    bad("iso3166999", "(01)" + gtin + "(7030)998ABC", false,
        "(7030) 998ABC: country 998 is not an ISO 3166 country number nor 999");
    bad("iso3166alpha2", "(00)" + sscc + "(4307)XX", false,
        "(4307) XX: country XX is not an ISO 3166 alpha-2 code (capital letters)");
    bad("iso4217", "(415)9501101530003(8020)R(3911)000123", false,
        "(3911) 000123: currency 000 is not an ISO 4217 currency number");
    bad("pcenc", "(00)" + sscc + "(4300)A%2", false,
        "(4300) A%2: '%' at character 2 is not followed by two hex digits (write % as %25)");
    bad("latitude", "(00)" + sscc + "(4309)18000000013600000000", false,
        "(4309) 18000000013600000000: latitude 1800000001 is over 1800000000");
    bad("yesno", "(00)" + sscc + "(4321)2", false, "(4321) 2: 2 is neither 0 (no) nor 1 (yes)");
    bad("hyphen", "(00)" + sscc + "(4330)000100+", false,
        "(4330) 000100+: character 7 '+' can only be '-'");
    bad("importeridx", "(7040)1AB!", false,
        "(7040) 1AB!: importer index '!' is not one of 0-9 A-Z a-z - _");
    bad("iso5218", "(8018)" + gsrn + "(7252)3", false,
        "(7252) 3: sex 3 is not an ISO 5218 code (0, 1, 2 or 9)");
    bad("posinseqslash", "(8018)" + gsrn + "(7259)B(7258)2/1", false,
        "(7258) 2/1: 2/1 is not a place in a sequence (N/M, N from 1 to M)");
    bad("nonzero", "(01)" + gtin + "(8001)01230000001501", false,
        "(8001) 01230000001501: characters 5 to 9 (00000) must not be zero");
    bad("winding", "(01)" + gtin + "(8001)01230050001521", false,
        "(8001) 01230050001521: winding direction 2 is not 0, 1 or 9");
    bad("zero", "(8003)19501101530003ABC", false,
        "(8003) 19501101530003ABC: character 1 '1' can only be 0");
    bad("pieceoftotal", "(8006)095011015300030302", false,
        "(8006) 095011015300030302: piece 03 is beyond the total of 02");
    bad("nozeroprefix", "(8010)95011(8011)0123", false, "(8011) 0123: a leading 0 is not allowed");
    bad("gcppos1", "(401)95A1", false,
        "(401) 95A1: character 3 'A' cannot be part of a GS1 Company Prefix, which starts with 4 "
        "digits");
    bad("gcppos1 short", "(8004)950", false,
        "(8004) 950: too short to start with a GS1 Company Prefix (4 digits at least)");
    bad("mediatype", "(8018)" + gsrn + "(7241)11", false,
        "(7241) 11: media type 11 is not an AIDC media type (01 to 10, 80 to 99)");
    bad("packagetype", "(00)" + sscc + "(7041)BXX", false,
        "(7041) BXX: package type BXX is not in GS1's PackageTypeCode list");

    // The North American coupons: each field's length digit says how long it is.
    const QByteArray coupon = "012345612345611110123"; // prefix, offer, save value, purchase
    // ... then 3 expiry, 4 start, 5 serial number, 6 retailer, 9 the miscellaneous flags.
    const QByteArray optional = "327123142701015012345661123456790010";
    ok("couponcode", "(8110)" + coupon + optional, true, "^8110" + coupon + optional);
    bad("couponcode truncated", "(8110)0123", false,
        "(8110) 0123: the GS1 Company Prefix is shorter than its 6 digits");
    bad("couponcode length digit", "(8110)01234561234560", false,
        "(8110) 01234561234560: length digit of the save value 0 is not one of 12345");
    bad("couponcode starts after it expires", "(8110)" + coupon + "32712314280101", false,
        "(8110) 01234561234561111012332712314280101: the start date 280101 is after the "
        "expiration date 271231");
    bad("couponcode field unknown", "(8110)" + coupon + "7", false,
        "(8110) 0123456123456111101237: data after the last field it knows: 7");
    ok("couponposoffer", "(8112)001234561234560123456", false, "^8112001234561234560123456");
    bad("couponposoffer format", "(8112)201234561234560123456", false,
        "(8112) 201234561234560123456: format code 2 is not one of 01");
}

void TestGs1::parse() {
    QFETCH(QByteArray, input);
    QFETCH(bool, matrix);
    QFETCH(QString, error);
    QFETCH(QByteArray, encodable);
    QFETCH(QStringList, warnings);

    const Gs1Result result = parseGs1(std::string_view(input.constData(), input.size()),
                                      matrix ? Carrier::Matrix : Carrier::Gs1_128);
    if (const auto* refused = std::get_if<Gs1Error>(&result)) {
        QCOMPARE(QString::fromStdString(refused->message), error);
        QVERIFY(refused->position <= static_cast<std::size_t>(input.size()));
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable("accepted, expected: " + error));
    const auto& message = std::get<Gs1Message>(result);
    QByteArray encoded = QByteArray::fromStdString(message.encodable);
    encoded.replace(kFnc1, '^');
    QCOMPARE(encoded, encodable);
    QStringList given;
    for (const std::string& w : message.warnings)
        given << QString::fromStdString(w);
    QCOMPARE(given, warnings);
    // Written back in brackets, the elements are the input again.
    if (input.startsWith('['))
        QCOMPARE(QByteArray::fromStdString(message.bracketed()), input);
    else
        QCOMPARE(QByteArray::fromStdString(message.parenthesized()), input);
}

// The checked-in table is what the generator makes of the dictionary today.
void TestGs1::tableMatchesDictionary() {
    if (!QFile::exists(GS1_DICTIONARY)) QSKIP("no GS1 syntax dictionary beside the project");
    const Run generator = runProgram("sh", {SOURCE_DIR "/scripts/gs1-table", GS1_DICTIONARY});
    QCOMPARE(generator.exitCode, 0);
    QFile table(SOURCE_DIR "/symbology/Gs1Dictionary.inc");
    QVERIFY(table.open(QIODevice::ReadOnly));
    QVERIFY2(generator.out == table.readAll(),
             "symbology/Gs1Dictionary.inc is stale: run scripts/gs1-table " GS1_DICTIONARY
             " > symbology/Gs1Dictionary.inc");
}

// A linter new to the dictionary must be implemented.
void TestGs1::everyLinterIsKnown() {
    const std::vector<std::string> linters = gs1TableLinters();
    QVERIFY(linters.size() > 20);
    for (const std::string& name : linters)
        QVERIFY2(gs1LinterChecked(name), name.c_str());
}

QTEST_GUILESS_MAIN(TestGs1)
#include "test_gs1.moc"
