#include "app/SettingsFile.h"
#include "output/NumberText.h"

#include <QDir>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using SettingsFile::decode;
using SettingsFile::encode;

class TestSettings : public QObject {
    Q_OBJECT
  private slots:
    void startUpStateIsThirtyTwoBytes() {
        SettingsFile::Record record;
        record.formatWord = QStringLiteral("bmp");
        record.repeatText = QStringLiteral("1");
        record.spacingText = QStringLiteral("5");
        const QByteArray bytes = encode(record);
        QCOMPARE(bytes, QByteArray("%~%1%~%150%~%50%~%bmp%~%%~%1%~%5"));
        QCOMPARE(bytes.size(), 32);
    }

    void numbersAreReadFromTheStartOfTheText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("plain") << "3" << 3.0;
        QTest::newRow("followed by a word") << "3 pieces" << 3.0;
        QTest::newRow("blanks before and inside") << "  1 2" << 12.0;
        QTest::newRow("fraction") << "2.50" << 2.5;
        QTest::newRow("negative") << "-2" << -2.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "2e3" << 2000.0;
        QTest::newRow("e without digits") << "3 eggs" << 3.0;
        QTest::newRow("comma is no decimal point") << "2,5" << 2.0;
        QTest::newRow("overflow gives 0") << "9e999" << 0.0;
    }
    void numbersAreReadFromTheStartOfTheText() {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(NumberText::leadingNumber(text), number);
    }

    void numbersAreWrittenInTheShortestForm() {
        const QString point = QLocale::system().decimalPoint();
        QCOMPARE(NumberText::shortestText(2.5), QStringLiteral("2") + point + QStringLiteral("5"));
        QCOMPARE(NumberText::shortestText(3), QStringLiteral("3"));
        QCOMPARE(NumberText::shortestText(-0.0), QStringLiteral("0"));
        QCOMPARE(NumberText::shortestText(1000000), QStringLiteral("1000000"));
        SettingsFile::Record record;
        record.repeatText = QStringLiteral("2.70 copies");
        record.spacingText = QStringLiteral("wide");
        QVERIFY(encode(record).endsWith(("%~%2" + point + "7%~%0").toLatin1()));
    }

    void aRecordComesBackAsWritten() {
        SettingsFile::Record record;
        record.code = QStringLiteral("Caf\u00e9 123");
        record.typeIndex = 6;
        record.heightValue = 40;
        record.widthValue = 7;
        record.formatWord = QStringLiteral("png");
        record.printer = QStringLiteral("Office Laser");
        record.repeatText = QStringLiteral("4");
        record.spacingText = QStringLiteral("12");
        const auto restored = decode(encode(record));
        QVERIFY(restored);
        QCOMPARE(restored->code, record.code);
        QCOMPARE(encode(record).count(char(0xE9)), 1); // one byte per character
        QCOMPARE(restored->typeIndex, 6);
        QCOMPARE(restored->heightValue, 40);
        QCOMPARE(restored->widthValue, 7);
        QCOMPARE(restored->formatWord, QStringLiteral("png"));
        QCOMPARE(restored->printer, QStringLiteral("Office Laser"));
        QCOMPARE(restored->repeatText, QStringLiteral("4"));
        QCOMPARE(restored->spacingText, QStringLiteral("12"));
    }

    void separatorInTheCodeStaysWithTheCode() {
        SettingsFile::Record record;
        record.code = QStringLiteral("A%~%B%~%C");
        record.typeIndex = 2;
        record.formatWord = QStringLiteral("jpg");
        const auto restored = decode(encode(record));
        QVERIFY(restored);
        QCOMPARE(restored->code, record.code);
        QCOMPARE(restored->typeIndex, 2);
        QCOMPARE(restored->formatWord, QStringLiteral("jpg"));
    }

    void shortFilesRestoreNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("seven fields") << QByteArray("A%~%1%~%150%~%50%~%bmp%~%%~%1");
        QTest::newRow("no separator") << QByteArray("just some text");
    }
    void shortFilesRestoreNothing() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decode(bytes));
    }

    void unusableFieldsAreSkipped() {
        const auto restored = decode("X%~%seven%~%high%~%50%~%BMP%~%p%~%r%~%s");
        QVERIFY(restored);
        QCOMPARE(restored->code, QStringLiteral("X"));
        QVERIFY(!restored->typeIndex);
        QVERIFY(!restored->heightValue);
        QCOMPARE(restored->widthValue, 50);
        QCOMPARE(restored->formatWord, QStringLiteral("BMP")); // the window does not recognise it
        QVERIFY(!decode("%~%7%~%1%~%1%~%%~%%~%%~%")->typeIndex);
        QCOMPARE(decode("%~%-1%~%1%~%1%~%%~%%~%%~%")->typeIndex, -1);
    }

    void randomBytesNeverBreakTheDecoder() {
        QRandomGenerator random(1234);
        for (int i = 0; i < 500; ++i) {
            QByteArray bytes(random.bounded(0, 200), '\0');
            for (char& b : bytes)
                b = static_cast<char>(random.bounded(256));
            if (i % 2) bytes += "%~%1%~%2%~%3%~%4%~%5%~%6%~%7";
            const auto restored = decode(bytes);
            if (i % 2) QVERIFY(restored);
            if (restored && restored->typeIndex)
                QVERIFY(*restored->typeIndex >= -1 && *restored->typeIndex <= 6);
        }
    }

    void fileIsCreatedReadAndRewrittenWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath(SettingsFile::kFileName);
        QCOMPARE(SettingsFile::readCreating(path), QByteArray());
        QVERIFY(QFile::exists(path));
        QCOMPARE(SettingsFile::write(path, QByteArray(100, 'x')), std::nullopt);
        QCOMPARE(SettingsFile::write(path, "short"), std::nullopt);
        QCOMPARE(SettingsFile::readCreating(path), QByteArray("short"));
        QVERIFY(SettingsFile::write(dir.filePath("missing/dir/settings.bin"), "x"));
        QVERIFY(!QFile::exists(dir.filePath("missing/dir/settings.bin")));
        QVERIFY(!SettingsFile::readCreating(dir.filePath("missing/dir/settings.bin")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{SettingsFile::kFileName});
    }

    void unwritableProgramDirectoryUsesTheUsersConfiguration() {
        QTemporaryDir dir;
        QCOMPARE(SettingsFile::defaultPath(dir.path()), dir.filePath(SettingsFile::kFileName));
        QStandardPaths::setTestModeEnabled(true);
        const QString elsewhere = SettingsFile::defaultPath(dir.filePath("no-such-directory"));
        QVERIFY(elsewhere.endsWith(QStringLiteral("/settings.bin")));
        QVERIFY(!elsewhere.startsWith(dir.path()));
        QVERIFY(QFileInfo(QFileInfo(elsewhere).path()).isDir());
        // Root may write into the folder the package installed the program in; it stays clean.
        const QString installed = QStringLiteral(BARCODE_DESK_INSTALL_BINDIR);
        if (QFileInfo(installed).isDir())
            QVERIFY(!SettingsFile::defaultPath(installed).startsWith(installed));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
