#include "PtyPair.h"
#include "RecordingMessages.h"
#include "app/Form1.h"
#include "reader/MSComm.h"

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

    std::unique_ptr<Form1> window(const QString& port) {
        return std::make_unique<Form1>(Form1Options{dir.path(), dir.filePath("settings.bin"),
                                                    &messages, port, nullptr,
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
        QVERIFY(!w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 1000);
        w->Check1->click();
        QVERIFY(w->Timer1->isActive());
        w->Check1->click();
        QVERIFY(!w->Timer1->isActive());
    }

    void aScanReplacesTheFieldLineEndIncluded() {
        const auto w = window(pair->portA);
        w->txtcode->setText(QStringLiteral("typed before"));
        w->Timer1_Timer(); // opens the port
        QVERIFY(w->MSComm1->PortOpen());
        QVERIFY(pair->send("ABC-123\r"));
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 8);
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("ABC-123\r"));
        QCOMPARE(messages.shown.size(), 0);
    }

    void aChosenPortReadsAndIsRememberedBelowTheCommandLine() {
        QCOMPARE(window(QString())->scannerPort(), MSComm::defaultPortName());
        const auto w = window(pair->portB);
        w->Timer1_Timer(); // opens B: the far end cannot be written while the window holds it
        QVERIFY(w->MSComm1->PortOpen());
        w->chooseScannerPort(pair->portA);
        w->Timer1_Timer();
        QVERIFY(pair->send("CHOSEN\r"));
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 7);
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("CHOSEN\r"));
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
        w->Timer1_Timer();
        QVERIFY(pair->send("FIRST"));
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 5);
        w->Timer1_Timer();
        QVERIFY(pair->send("-HALF\r\n"));
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 7);
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("-HALF\r\n"));
    }

    void nothingReceivedKeepsTheTextFocusedAndSelected() {
        const auto w = window(pair->portA);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->txtcode->setText(QStringLiteral("KEEP ME"));
        w->cmdDraw->setFocus();
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("KEEP ME"));
        QVERIFY(w->txtcode->hasFocus());
        QCOMPARE(w->txtcode->selectedText(), QStringLiteral("KEEP ME"));
    }

    void theTimerPollsOnItsOwn() {
        const auto w = window(pair->portA);
        w->Check1->click();
        QVERIFY(pair->send("BY TIMER"));
        QTRY_COMPARE_WITH_TIMEOUT(w->txtcode->text(), QStringLiteral("BY TIMER"), 5000);
    }

    void aPortThatCannotOpenSwitchesTheScannerOff() {
        const auto w = window(dir.filePath("no-such-port"));
        w->Check1->click();
        w->Timer1_Timer();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY(!messages.shown[0].text.isEmpty());
        QVERIFY(!w->Check1->isChecked());
        QVERIFY(!w->Timer1->isActive());
        QTest::qWait(1200); // no further tick, no second message
        QCOMPARE(messages.shown.size(), 1);
    }

    void aDeviceThatGoesAwaySwitchesTheScannerOffOnce() {
        const auto w = window(pair->portA);
        w->txtcode->setText(QStringLiteral("KEPT"));
        w->Check1->click();
        w->Timer1_Timer();
        QVERIFY(w->MSComm1->PortOpen());
        pair->stop(); // the scanner is unplugged
        QTRY_COMPARE_WITH_TIMEOUT(messages.shown.size(), 1, 5000);
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY(!messages.shown[0].text.isEmpty());
        QVERIFY(!w->Check1->isChecked());
        QVERIFY(!w->Timer1->isActive());
        QCOMPARE(w->txtcode->text(), QStringLiteral("KEPT"));
        QTest::qWait(1200);
        QCOMPARE(messages.shown.size(), 1);
    }

    void offAndOnAgainKeepsTheOpenPort() {
        const auto w = window(pair->portA);
        w->Check1->click();
        w->Timer1_Timer();
        QVERIFY(w->MSComm1->PortOpen());
        QVERIFY(pair->send("WAITING"));
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 7);
        w->Check1->click(); // off: the port stays open with what it holds
        QVERIFY(w->MSComm1->PortOpen());
        w->Check1->click();
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("WAITING"));
    }

    void unloadClosesThePort() {
        auto w = window(pair->portA);
        w->Timer1_Timer();
        QVERIFY(w->MSComm1->PortOpen());
        w->Form_Unload();
        QVERIFY(!w->MSComm1->PortOpen());
        w.reset(); // unloading twice, and a port never opened, raise nothing
        window(dir.filePath("never-opened")).reset();
    }

    void theReaderKeepsItsFocus() {
        const auto w = window(pair->portA);
        w->show();
        w->Command12_Click();
        QVERIFY(w->reader());
        QVERIFY(QTest::qWaitForWindowActive(w->reader()));
        w->reader()->txtcode->setFocus();
        QVERIFY(pair->send("SCANNED"));
        w->Timer1_Timer();
        QTRY_COMPARE(w->MSComm1->InBufferCount(), 7);
        w->Timer1_Timer();
        QCOMPARE(w->txtcode->text(), QStringLiteral("SCANNED"));
        QVERIFY(w->reader()->txtcode->hasFocus());
    }

    void loadReaderLoadsItAfreshAfterClosing() {
        const auto w = window(pair->portA);
        w->Command12_Click();
        QPointer<Form2> first = w->reader();
        first->txtcode->setText(QStringLiteral("old"));
        w->Command12_Click();
        QCOMPARE(w->reader(), first.data()); // still loaded: shown again
        first->close();
        QTRY_VERIFY(first.isNull());
        w->Command12_Click();
        QVERIFY(w->reader());
        QCOMPARE(w->reader()->txtcode->text(), QString());
    }
};

QTEST_MAIN(TestScanner)
#include "test_scanner.moc"
