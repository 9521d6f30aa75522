// Photoshop files built here byte by byte: each colour mode and compression the reader takes
// gives the pixels it holds, and every damaged or unsupported file is refused, never read past.
#include "output/PhotoshopRead.h"

#include <QImage>
#include <QtEndian>
#include <QtTest>

namespace {

enum Mode : quint16 { Bitmap = 0, Grey = 1, Indexed = 2, Rgb = 3, Cmyk = 4 };

void put16(QByteArray& bytes, quint16 value) {
    bytes.append(char(value >> 8)).append(char(value & 0xff));
}
void put32(QByteArray& bytes, quint32 value) {
    put16(bytes, quint16(value >> 16));
    put16(bytes, quint16(value));
}

// A file of width × height whose channel planes are given raw (compression 0) or, with
// packed, as PackBits rows of one literal run each.
QByteArray photoshop(Mode mode, quint16 depth, quint32 width, quint32 height,
                     const QList<QByteArray>& planes, bool packed, const QByteArray& colours = {}) {
    QByteArray bytes("8BPS");
    put16(bytes, 1);
    bytes.append(6, '\0');
    put16(bytes, quint16(planes.size()));
    put32(bytes, height);
    put32(bytes, width);
    put16(bytes, depth);
    put16(bytes, mode);
    put32(bytes, quint32(colours.size()));
    bytes.append(colours);
    put32(bytes, 0); // image resources
    put32(bytes, 0); // layers
    put16(bytes, packed ? 1 : 0);
    const qsizetype rowBytes = height ? planes.value(0).size() / qsizetype(height) : 0;
    if (!packed) {
        for (const QByteArray& plane : planes)
            bytes.append(plane);
        return bytes;
    }
    for (qsizetype row = 0; row < planes.size() * qsizetype(height); ++row)
        put16(bytes, quint16(rowBytes + 1));
    for (const QByteArray& plane : planes)
        for (qsizetype row = 0; row < qsizetype(height); ++row)
            bytes.append(char(rowBytes - 1)).append(plane.mid(row * rowBytes, rowBytes));
    return bytes;
}

QByteArray indexedColours() {
    QByteArray colours(768, '\0');
    colours[7] = char(200);       // index 7: red 200
    colours[256 + 7] = char(100); // green 100
    colours[512 + 7] = char(50);  // blue 50
    return colours;
}

} // namespace

class TestPhotoshop : public QObject {
    Q_OBJECT
  private slots:
    void modesGiveTheirPixels_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QRgb>>("pixels"); // 2 × 1, left to right
        const QList<QByteArray> rgb{QByteArray("\xff\x00", 2), QByteArray("\x00\x80", 2),
                                    QByteArray("\x00\x10", 2)};
        QTest::newRow("1 rgb raw") << photoshop(Rgb, 8, 2, 1, rgb, false)
                                   << QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 128, 16)};
        QTest::newRow("2 rgb packed")
            << photoshop(Rgb, 8, 2, 1, rgb, true) << QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 128, 16)};
        QTest::newRow("3 rgb + alpha")
            << photoshop(Rgb, 8, 2, 1, rgb + QList<QByteArray>{QByteArray(2, '\0')}, true)
            << QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 128, 16)};
        QTest::newRow("4 grey") << photoshop(Grey, 8, 2, 1, {QByteArray("\x00\xff", 2)}, true)
                                << QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        QTest::newRow("5 bitmap, set bit black")
            << photoshop(Bitmap, 1, 2, 1, {QByteArray("\x80", 1)}, false)
            << QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        QTest::newRow("6 indexed")
            << photoshop(Indexed, 8, 2, 1, {QByteArray("\x07\x00", 2)}, false, indexedColours())
            << QList<QRgb>{qRgb(200, 100, 50), qRgb(0, 0, 0)};
        QTest::newRow("7 cmyk, 255 no ink")
            << photoshop(Cmyk, 8, 2, 1,
                         {QByteArray("\xff\xff", 2), QByteArray("\xff\x00", 2),
                          QByteArray("\xff\xff", 2), QByteArray("\xff\xff", 2)},
                         false)
            << QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 255)};
    }
    void modesGiveTheirPixels() {
        QFETCH(QByteArray, file);
        QFETCH(QList<QRgb>, pixels);
        const std::optional<QImage> picture = PhotoshopRead::pictureOf(file, 1 << 28);
        QVERIFY(picture);
        QCOMPARE(picture->size(), QSize(2, 1));
        for (int x = 0; x < 2; ++x)
            QCOMPARE(picture->pixel(x, 0), pixels[x]);
    }

    void damagedFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("file");
        const QList<QByteArray> grey{QByteArray("\x00\xff", 2)};
        const QByteArray good = photoshop(Grey, 8, 2, 1, grey, true);
        for (const qsizetype cut : {qsizetype(10), qsizetype(30), good.size() - 3, good.size() - 1})
            QTest::addRow("cut to %lld bytes", qlonglong(cut)) << good.first(cut);
        QByteArray runTooLong = good;
        runTooLong[runTooLong.size() - 3] = char(5); // a literal run longer than the row
        QTest::newRow("run past the row") << runTooLong;
        QByteArray repeatTooLong = good;
        repeatTooLong[repeatTooLong.size() - 3] = char(-9);
        QTest::newRow("repeat past the row") << repeatTooLong;
        QTest::newRow("16 bits a channel") << photoshop(Grey, 16, 2, 1, grey, false);
        QTest::newRow("rgb with one channel") << photoshop(Rgb, 8, 2, 1, grey, false);
        QTest::newRow("lab mode") << photoshop(Mode(9), 8, 2, 1, grey, false);
        QTest::newRow("indexed without colours") << photoshop(Indexed, 8, 2, 1, grey, false);
        QTest::newRow("zero width") << photoshop(Grey, 8, 0, 1, {QByteArray()}, false);
        QTest::newRow("wider than the format") << photoshop(Grey, 8, 30001, 1, grey, false);
        QByteArray zip = photoshop(Grey, 8, 2, 1, grey, false);
        zip[zip.size() - 3] = char(2); // ZIP compression
        QTest::newRow("zip compression") << zip;
        QByteArray large = photoshop(Grey, 8, 2, 1, grey, true);
        large[26 + 3] = char(0xff); // a colour section of 255 bytes that is not there
        QTest::newRow("section past the end") << large;
    }
    void damagedFilesAreRefused() {
        QFETCH(QByteArray, file);
        QVERIFY(!PhotoshopRead::pictureOf(file, 1 << 28));
    }

    // The header alone tells the size, so a picture above the bound is refused before reading.
    void sizeComesFromTheHeader() {
        const QByteArray header = photoshop(Grey, 8, 20000, 20000, {QByteArray()}, false).first(26);
        QCOMPARE(PhotoshopRead::sizeOf(header), std::optional<QSize>(QSize(20000, 20000)));
        QVERIFY(!PhotoshopRead::pictureOf(header, 1 << 28));
    }
};

QTEST_APPLESS_MAIN(TestPhotoshop)
#include "test_photoshop.moc"
