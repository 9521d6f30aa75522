#include "PtyPair.h"
#include "reader/ScannerPort.h"
#include "symbology/RuntimeError.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

// ScannerPort on one end of a pseudo-terminal pair joined by socat; the test writes into the other.
class TestScannerPort : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<PtyPair> pair_;
    QString portA_, portB_;

    void startSocat() {
        pair_ = std::make_unique<PtyPair>(portA_, portB_);
        QVERIFY(pair_->start());
    }

    void stopSocat() { pair_.reset(); }

    static QString socatPath() { return PtyPair::socatPath(); }

    // Writes into the far end of the pair, as a scanner would.
    void send(const QByteArray& bytes) { QVERIFY(pair_->send(bytes)); }

    // Opens a fresh port on A; the caller owns it.
    std::unique_ptr<ScannerPort> openedPort() {
        auto port = std::make_unique<ScannerPort>(portA_);
        port->setOpen(true);
        return port;
    }

  private slots:
    void initTestCase() {
        if (socatPath().isEmpty()) QSKIP("socat is not installed");
        QVERIFY(dir_.isValid());
        portA_ = dir_.filePath(QStringLiteral("A"));
        portB_ = dir_.filePath(QStringLiteral("B"));
    }

    void init() { startSocat(); }
    void cleanup() { stopSocat(); }

    void openAndClose() {
        ScannerPort port(portA_);
        QVERIFY(!port.isOpen());
        port.setOpen(true);
        QVERIFY(port.isOpen());
        send("queued\r\n");
        QTRY_COMPARE(port.bytesWaiting(), 8);
        // opening again keeps the port as it is, with what it has received
        port.setOpen(true);
        QVERIFY(port.isOpen());
        QCOMPARE(port.bytesWaiting(), 8);
        port.setOpen(false);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.takeText(), QString());
        port.setOpen(false); // already closed
        QVERIFY(!port.isOpen());
        // and it opens again
        port.setOpen(true);
        QVERIFY(port.isOpen());
    }

    void inputTakesEverythingWaiting() {
        const auto port = openedPort();
        QCOMPARE(port->bytesWaiting(), 0);
        QCOMPARE(port->takeText(), QString());

        send("CODE39\r");
        QTRY_COMPARE(port->bytesWaiting(), 7);
        send("AB-12\r\n");
        QTRY_COMPARE(port->bytesWaiting(), 14);
        QCOMPARE(port->takeText(), QStringLiteral("CODE39\rAB-12\r\n"));
        QCOMPARE(port->bytesWaiting(), 0);
        QCOMPARE(port->takeText(), QString());

        send("next");
        QTRY_COMPARE(port->bytesWaiting(), 4);
        QCOMPARE(port->takeText(), QStringLiteral("next"));
    }

    void bytesAreLatin1() {
        const auto port = openedPort();
        const QByteArray bytes("\x00\x7f\xa3\xe9\xff", 5);
        send(bytes);
        QTRY_COMPARE(port->bytesWaiting(), 5);
        const QString text = port->takeText();
        QCOMPARE(text.size(), 5);
        QCOMPARE(text, QString::fromLatin1(bytes));
        QCOMPARE(text.at(3), QChar(0xe9));
    }

    void moreThanTheBufferHoldsIsNotLost() {
        const auto port = openedPort();
        QByteArray bytes;
        for (int i = 0; i < 1500; ++i)
            bytes += char('A' + i % 26);
        send(bytes);
        QTRY_COMPARE(port->bytesWaiting(), 1024);
        QTest::qWait(100); // more time does not overfill the buffer
        QCOMPARE(port->bytesWaiting(), 1024);
        QString received = port->takeText();
        QCOMPARE(received.size(), 1024);
        QTRY_COMPARE(port->bytesWaiting(), 1500 - 1024);
        received += port->takeText();
        QCOMPARE(received, QString::fromLatin1(bytes));
    }

    void missingPortDoesNotOpen() {
        ScannerPort port(dir_.filePath(QStringLiteral("no-such-port")));
        try {
            port.setOpen(true);
            QFAIL("opening a missing port succeeded");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::PortFailed);
            QVERIFY(!e.description().isEmpty());
        }
        QVERIFY(!port.isOpen());
        QCOMPARE(port.bytesWaiting(), 0);
    }

    void lostDeviceFailsTheReadAfterItsData() {
        const auto port = openedPort();
        send("last words\r\n");
        QTRY_COMPARE(port->bytesWaiting(), 12);
        stopSocat(); // the other end of A goes away
        QTest::qWait(200);
        QVERIFY(port->isOpen());
        QCOMPARE(port->bytesWaiting(), 12);
        QCOMPARE(port->takeText(), QStringLiteral("last words\r\n"));
        try {
            port->takeText();
            QFAIL("reading from a device that went away succeeded");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::PortFailed);
            QVERIFY(!e.description().isEmpty());
        }
        // reported once; the port stays open for the caller to close
        QTest::qWait(100);
        QCOMPARE(port->takeText(), QString());
        QCOMPARE(port->bytesWaiting(), 0);
        QVERIFY(port->isOpen());
        port->setOpen(false);
        QVERIFY(!port->isOpen());
    }

    void lostDeviceLeavesTheEventLoopIdle() {
        const auto port = openedPort();
        stopSocat();
        QTest::qWait(100);
        // a hung-up device that stayed watched would wake the loop again and again
        int wakeUps = 0;
        const QMetaObject::Connection counting =
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                    [&] { ++wakeUps; });
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        disconnect(counting);
        QVERIFY2(wakeUps < 30, qPrintable(QString::number(wakeUps)));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, port->takeText());
    }
};

QTEST_GUILESS_MAIN(TestScannerPort)
#include "test_scanner_port.moc"
