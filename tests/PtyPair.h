#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTest>

#include <memory>

// Two pseudo-terminals joined by socat: the program opens A, the test writes into B as a
// scanner would.
class PtyPair {
  public:
    PtyPair(const QString& portA, const QString& portB) : portA(portA), portB(portB) {}
    ~PtyPair() { stop(); }

    static QString socatPath() { return QStandardPaths::findExecutable(QStringLiteral("socat")); }

    bool start() {
        socat_ = std::make_unique<QProcess>();
        socat_->setStandardErrorFile(QProcess::nullDevice());
        socat_->start(socatPath(), {QStringLiteral("-d"), QStringLiteral("-d"),
                                    QStringLiteral("pty,raw,echo=0,link=") + portA,
                                    QStringLiteral("pty,raw,echo=0,link=") + portB});
        if (!socat_->waitForStarted()) return false;
        const QDeadlineTimer deadline(10000);
        while (!(QFileInfo::exists(portA) && QFileInfo::exists(portB)) && !deadline.hasExpired())
            QTest::qWait(20);
        return QFileInfo::exists(portA) && QFileInfo::exists(portB);
    }

    void stop() {
        if (!socat_ || socat_->state() == QProcess::NotRunning) return;
        socat_->terminate();
        if (!socat_->waitForFinished(5000)) {
            socat_->kill();
            socat_->waitForFinished(5000);
        }
    }

    bool send(const QByteArray& bytes) {
        QSerialPort far(portB);
        return far.open(QIODevice::WriteOnly) && far.write(bytes) == bytes.size() &&
               far.waitForBytesWritten(5000);
    }

    const QString portA;
    const QString portB;

  private:
    std::unique_ptr<QProcess> socat_;
};
