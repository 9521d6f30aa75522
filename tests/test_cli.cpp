#include "CliRunner.h"

#include <QFile>
#include <QImage>
#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void rawCode39DecodesWithIndependentReaders_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("39/n letters") << "39/n" << "HELLO-1" << "HELLO-1";
        QTest::newRow("39/c lower case") << "39/c" << "code 39" << "CODE 39";
        QTest::newRow("39/n symbols") << "39/n" << "$/+%.-" << "$/+%.-";
        QTest::newRow("39/n digits") << "39/n" << "0123456789" << "0123456789";
        QTest::newRow("39/c asterisks") << "39/c" << "*AB*" << "AB";
    }
    void rawCode39DecodesWithIndependentReaders() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (QStringLiteral(ZBARIMG_EXECUTABLE).isEmpty() || QStringLiteral(ZXING_EXECUTABLE).isEmpty())
            QSKIP("zbarimg or ZXingReader not installed");
        const QString out = path(QString::number(qHash(type + text)) + ".png");
        const Run drawn = cli({"draw", "--type", type, "--text", text, "--out", out, "--raw"});
        QCOMPARE(drawn.exitCode, 0);
        const Run read = cli({"read", "--in", out, "--x", "0", "--y", "50"});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(QString::fromUtf8(read.out).trimmed(), expected);
        const QString scaled = scaledForScanners(out, dir);
        QCOMPARE(zbarRead(scaled), expected);
        QCOMPARE(zxingRead(scaled), expected);
    }

    void rawImageIsOnePixelPerModule() {
        const QString out = path("raw.png");
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "", "--out", out, "--raw"}).exitCode, 0);
        const QImage image(out);
        QCOMPARE(image.size(), QSize(47, 120));
        QCOMPARE(image.pixel(12, 50) & 0xFFFFFF, 0u);
        QCOMPARE(image.pixel(13, 50) & 0xFFFFFF, 0xFFFFFFu);
    }

    void bitmapIsTwentyFourBitsPerPixel() {
        const QString out = path("code.bmp");
        QCOMPARE(cli({"draw", "--type", "39/n", "--text", "BMP", "--out", out, "--raw"}).exitCode, 0);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(static_cast<int>(header[28]), 24);
        const Run read = cli({"read", "--in", out, "--x", "0", "--y", "50"});
        QCOMPARE(QString::fromUtf8(read.out).trimmed(), QStringLiteral("BMP"));
    }

    void refusedTextWritesNothing() {
        const QString out = path("refused.png");
        const Run run = cli({"draw", "--type", "39/n", "--text", "AB#1", "--out", out, "--raw"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("An Invalid Character Found in the Code Text"));
        QVERIFY(!QFile::exists(out));
    }

    void utf8TextIsRefusedAsACharacter() {
        const Run run = cli({"draw", "--type", "39/n", "--text", QStringLiteral("\u00DF"), "--out",
                             path("u.png"), "--raw"});
        QCOMPARE(run.exitCode, 1);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"paint"};
        QTest::newRow("missing text") << QStringList{"draw", "--type", "39/n", "--out", "x.png", "--raw"};
        QTest::newRow("unknown type") << QStringList{"draw", "--type", "39/x", "--text", "A", "--out", "x.png"};
        QTest::newRow("unknown format") << QStringList{"draw", "--type", "39/n", "--text", "A", "--out", "x.svg"};
        QTest::newRow("value missing") << QStringList{"read", "--in"};
        QTest::newRow("bad number") << QStringList{"read", "--in", "x.png", "--x", "ten", "--y", "1"};
        QTest::newRow("unknown option") << QStringList{"read", "--in", "x.png", "--x", "1", "--y", "1", "--fast", "1"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const Run run = cli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("Usage:"));
    }

    void readReportsFailuresWithExitOne() {
        QImage blank(80, 20, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(blank.save(path("blank.png")));
        Run run = cli({"read", "--in", path("blank.png"), "--x", "0", "--y", "5"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(QString::fromUtf8(run.out).trimmed(), QStringLiteral("ERR: BC not seen"));
        run = cli({"read", "--in", path("blank.png"), "--x", "0", "--y", "5", "--mode", "1"});
        QCOMPARE(QString::fromUtf8(run.out).trimmed(), QStringLiteral("Error"));
        run = cli({"read", "--in", path("missing.png"), "--x", "0", "--y", "5"});
        QCOMPARE(run.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
