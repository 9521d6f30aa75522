#include "RecordingMessages.h"
#include "app/MainWindow.h"
#include "reader/ReaderWindow.h"
#include "reader/SurfaceView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

// The whole way back: draw, "Copy Barcode", "Load Reader", "Paste Barcode", click left of the
// first bar, through the real clipboard.
class TestReadback : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    RecordingMessages messages;

    QString readBack(const QString& type, const QString& text, int width, int clickX) {
        MainWindow w(MainWindowOptions{dir.path(), dir.filePath("settings.bin"), &messages,
                                       dir.filePath("no-port")});
        w.codeEdit->setText(text);
        w.typeCombo->setCurrentText(type);
        w.widthSlider->setValue(width);
        w.drawBarcode();
        w.copyBarcode();
        w.showReader();
        ReaderWindow* reader = w.reader();
        reader->pasteBarcode();
        // a row through the bars, below the pasted picture's top at 20
        reader->readAt(Qt::LeftButton, Qt::NoModifier, clickX, 20 + 60);
        return reader->codeEdit->text();
    }

  private slots:
    void codesReadBackFromTheClipboard_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("39/n full width") << "39/n"
                                         << "HELLO-1" << 50 << "HELLO-1";
        QTest::newRow("39/c full width") << "39/c"
                                         << "HELLO-1" << 50 << "HELLO-1";
        QTest::newRow("39/n width 30") << "39/n"
                                       << "HELLO-1" << 30 << "HELLO-1";
        QTest::newRow("39/c width 30") << "39/c"
                                       << "HELLO-1" << 30 << "HELLO-1";
        QTest::newRow("lower case") << "39/n"
                                    << "desk 39" << 50 << "DESK 39";
        QTest::newRow("longer text") << "39/n"
                                     << "BARCODE-DESK/2026" << 50 << "BARCODE-DESK/2026";
    }
    void codesReadBackFromTheClipboard() {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(readBack(type, text, width, 15), expected);
        QCOMPARE(messages.shown.size(), 0);
    }

    void tooNarrowToTellTheBarsApart() {
        QVERIFY(readBack(QStringLiteral("39/n"), QStringLiteral("HELLO-1"), 8, 15)
                    .startsWith(QStringLiteral("ERR:")));
    }

    void aClickFarLeftOfTheBarsSeesNothing() {
        QCOMPARE(readBack(QStringLiteral("39/n"), QStringLiteral("HELLO-1"), 50, 0),
                 QStringLiteral("HELLO-1")); // the first bar is within reach of x = 0
        QCOMPARE(readBack(QStringLiteral("39/n"), QStringLiteral("HELLO-1"), 50, -40),
                 QStringLiteral("ERR: BC not seen")); // left of the picture: -1 ends the search
    }
};

QTEST_MAIN(TestReadback)
#include "test_readback.moc"
