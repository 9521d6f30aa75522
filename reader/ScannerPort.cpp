#include "reader/ScannerPort.h"

#include <utility>

namespace {

constexpr qint64 kInputBufferSize = 1024;

} // namespace

ScannerPort::ScannerPort(const QString& portName, QObject* parent) : QObject(parent) {
    port_.setPortName(portName);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(kInputBufferSize);
    connect(&port_, &QSerialPort::errorOccurred, this, &ScannerPort::readFailed);
}

QString ScannerPort::defaultPortName() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

bool ScannerPort::isOpen() const {
    return open_;
}

void ScannerPort::setOpen(bool open) {
    if (open == open_) return;
    if (open)
        this->open();
    else
        close();
}

void ScannerPort::open() {
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        throwIfFailed();
        throw RuntimeError::portFailure(port_.errorString()); // no reason given
    }
    open_ = true;
}

void ScannerPort::close() {
    open_ = false;
    receivedBeforeFailure_.clear();
    readFailure_.reset();
    if (!port_.isOpen()) return; // the device failed and was let go already
    port_.clearError();
    port_.close();
    throwIfFailed();
}

int ScannerPort::bytesWaiting() {
    if (!open_) return 0;
    const qint64 waiting = port_.isOpen() ? port_.bytesAvailable() : 0;
    const qint64 count = receivedBeforeFailure_.size() + waiting;
    if (count == 0 && readFailure_) throwReadFailure();
    return static_cast<int>(count);
}

QString ScannerPort::takeText() {
    if (!open_) return QString();
    if (readFailure_) releaseFailedDevice();
    QByteArray received = std::exchange(receivedBeforeFailure_, QByteArray());
    if (port_.isOpen()) received += port_.readAll();
    if (received.isEmpty() && readFailure_) throwReadFailure();
    return QString::fromLatin1(received);
}

void ScannerPort::throwIfFailed() {
    const QSerialPort::SerialPortError error = port_.error();
    if (error == QSerialPort::NoError) return;
    const QString description = port_.errorString();
    port_.clearError();
    throw RuntimeError::portFailure(description);
}

void ScannerPort::throwReadFailure() {
    throw *std::exchange(readFailure_, std::nullopt);
}

void ScannerPort::readFailed(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    if (readFailure_ || !port_.isOpen()) return;
    readFailure_.emplace(RuntimeError::portFailure(port_.errorString()));
    // QSerialPort is still inside its read here; the device is let go once it has returned.
    QMetaObject::invokeMethod(this, &ScannerPort::releaseFailedDevice, Qt::QueuedConnection);
}

// A device that hung up keeps signalling "readable" and would keep the event loop busy, so it
// is closed; what it had sent stays waiting for takeText.
void ScannerPort::releaseFailedDevice() {
    if (!readFailure_ || !port_.isOpen()) return; // closed or already let go meanwhile
    receivedBeforeFailure_ += port_.readAll();
    port_.close();
    port_.clearError();
}
