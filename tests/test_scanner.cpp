#include "PtyPair.h"
#include "RecordingMessages.h"
#include "app/MainWindow.h"
#include "reader/ScannerPort.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The scanner check box and its one-second poll, against a real pseudo-terminal pair.
class TestScanner : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<PtyPair> pair;
    RecordingMessages messages;

    std::unique_ptr<MainWindow> window(const QString& port) {
        return std::make_unique<MainWindow>(
            MainWindowOptions{dir.path(), dir.filePath("settings.bin"), &messages, port, nullptr,
                              dir.filePath("preferences.conf")});
    }

  private slots:
    void initTestCase() {
        if (PtyPair::socatPath().isEmpty()) QSKIP("socat is not installed");
    }
    void init() {
        messages.shown.clear();
        QFile::remove(dir.filePath("preferences.conf"));
        pair = std::make_unique<PtyPair>(dir.filePath("A"), dir.filePath("B"));
        QVERIFY(pair->start());
    }
    void cleanup() { pair.reset(); }

    void theCheckBoxSwitchesThePoll() {
        const auto w = window(pair->portA);
        QVERIFY(!w->scannerTimer->isActive());
        QCOMPARE(w->scannerTimer->interval(), 1000);
        w->scannerButton->click();
        QVERIFY(w->scannerTimer->isActive());
        w->scannerButton->click();
        QVERIFY(!w->scannerTimer->isActive());
    }

    void aScanReplacesTheFieldLineEndIncluded() {
        const auto w = window(pair->portA);
        w->codeEdit->setText(QStringLiteral("typed before"));
        w->pollScanner(); // opens the port
        QVERIFY(w->scanner->isOpen());
        QVERIFY(pair->send("ABC-123\r"));
        QTRY_COMPARE(w->scanner->bytesWaiting(), 8);
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("ABC-123\r"));
        QCOMPARE(messages.shown.size(), 0);
    }

    void aChosenPortReadsAndIsRememberedBelowTheCommandLine() {
        QCOMPARE(window(QString())->scannerPort(), ScannerPort::defaultPortName());
        const auto w = window(pair->portB);
        w->pollScanner(); // opens B: the far end cannot be written while the window holds it
        QVERIFY(w->scanner->isOpen());
        w->chooseScannerPort(pair->portA);
        w->pollScanner();
        QVERIFY(pair->send("CHOSEN\r"));
        QTRY_COMPARE(w->scanner->bytesWaiting(), 7);
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("CHOSEN\r"));
        QCOMPARE(window(QString())->scannerPort(), pair->portA);
        QCOMPARE(window(pair->portB)->scannerPort(), pair->portB);
        QVERIFY(!QFileInfo(dir.filePath("settings.bin")).size());
    }

    void theMenuOffersThePortsPresentAndTheCurrentOne() {
        const auto w = window(pair->portA);
        const std::unique_ptr<QMenu> menu(w->scannerPortMenu());
        QStringList expected;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            expected << info.systemLocation();
        expected << pair->portA;
        QStringList offered, checked;
        for (const QAction* action : menu->actions()) {
            offered << action->data().toString();
            if (action->isChecked()) checked << action->data().toString();
        }
        QCOMPARE(offered, expected);
        QCOMPARE(checked, QStringList{pair->portA});
        menu->actions().front()->trigger();
        QCOMPARE(w->scannerPort(), offered.front());
    }

    void aScanSplitAroundATickLeavesTheSecondPart() {
        const auto w = window(pair->portA);
        w->pollScanner();
        QVERIFY(pair->send("FIRST"));
        QTRY_COMPARE(w->scanner->bytesWaiting(), 5);
        w->pollScanner();
        QVERIFY(pair->send("-HALF\r\n"));
        QTRY_COMPARE(w->scanner->bytesWaiting(), 7);
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("-HALF\r\n"));
    }

    void nothingReceivedKeepsTheTextFocusedAndSelected() {
        const auto w = window(pair->portA);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->codeEdit->setText(QStringLiteral("KEEP ME"));
        w->drawButton->setFocus();
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("KEEP ME"));
        QVERIFY(w->codeEdit->hasFocus());
        QCOMPARE(w->codeEdit->selectedText(), QStringLiteral("KEEP ME"));
    }

    void theTimerPollsOnItsOwn() {
        const auto w = window(pair->portA);
        w->scannerButton->click();
        QVERIFY(pair->send("BY TIMER"));
        QTRY_COMPARE_WITH_TIMEOUT(w->codeEdit->text(), QStringLiteral("BY TIMER"), 5000);
    }

    void aPortThatCannotOpenSwitchesTheScannerOff() {
        const auto w = window(dir.filePath("no-such-port"));
        w->scannerButton->click();
        w->pollScanner();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY(!messages.shown[0].text.isEmpty());
        QVERIFY(!w->scannerButton->isChecked());
        QVERIFY(!w->scannerTimer->isActive());
        QTest::qWait(1200); // no further tick, no second message
        QCOMPARE(messages.shown.size(), 1);
    }

    void aDeviceThatGoesAwaySwitchesTheScannerOffOnce() {
        const auto w = window(pair->portA);
        w->codeEdit->setText(QStringLiteral("KEPT"));
        w->scannerButton->click();
        w->pollScanner();
        QVERIFY(w->scanner->isOpen());
        pair->stop(); // the scanner is unplugged
        QTRY_COMPARE_WITH_TIMEOUT(messages.shown.size(), 1, 5000);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY(!messages.shown[0].text.isEmpty());
        QVERIFY(!w->scannerButton->isChecked());
        QVERIFY(!w->scannerTimer->isActive());
        QCOMPARE(w->codeEdit->text(), QStringLiteral("KEPT"));
        QTest::qWait(1200);
        QCOMPARE(messages.shown.size(), 1);
    }

    void offAndOnAgainKeepsTheOpenPort() {
        const auto w = window(pair->portA);
        w->scannerButton->click();
        w->pollScanner();
        QVERIFY(w->scanner->isOpen());
        QVERIFY(pair->send("WAITING"));
        QTRY_COMPARE(w->scanner->bytesWaiting(), 7);
        w->scannerButton->click(); // off: the port stays open with what it holds
        QVERIFY(w->scanner->isOpen());
        w->scannerButton->click();
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("WAITING"));
    }

    void unloadClosesThePort() {
        auto w = window(pair->portA);
        w->pollScanner();
        QVERIFY(w->scanner->isOpen());
        w->closeScannerPort();
        QVERIFY(!w->scanner->isOpen());
        w.reset(); // unloading twice, and a port never opened, raise nothing
        window(dir.filePath("never-opened")).reset();
    }

    void theReaderKeepsItsFocus() {
        const auto w = window(pair->portA);
        w->show();
        w->showReader();
        QVERIFY(w->reader());
        QVERIFY(QTest::qWaitForWindowActive(w->reader()));
        w->reader()->codeEdit->setFocus();
        QVERIFY(pair->send("SCANNED"));
        w->pollScanner();
        QTRY_COMPARE(w->scanner->bytesWaiting(), 7);
        w->pollScanner();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("SCANNED"));
        QVERIFY(w->reader()->codeEdit->hasFocus());
    }

    void loadReaderLoadsItAfreshAfterClosing() {
        const auto w = window(pair->portA);
        w->showReader();
        QPointer<ReaderWindow> first = w->reader();
        first->codeEdit->setText(QStringLiteral("old"));
        w->showReader();
        QCOMPARE(w->reader(), first.data()); // still loaded: shown again
        first->close();
        QTRY_VERIFY(first.isNull());
        w->showReader();
        QVERIFY(w->reader());
        QCOMPARE(w->reader()->codeEdit->text(), QString());
    }
};

QTEST_MAIN(TestScanner)
#include "test_scanner.moc"
