#include "reader/MSComm.h"

#include <utility>

namespace {

const QString kSource = QStringLiteral("MSComm1");
constexpr qint64 kInputBufferSize = 1024;

} // namespace

MSComm::MSComm(const QString& portName, QObject* parent) : QObject(parent) {
    port_.setPortName(portName);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(kInputBufferSize);
    connect(&port_, &QSerialPort::errorOccurred, this, &MSComm::readFailed);
}

QString MSComm::defaultPortName() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

bool MSComm::PortOpen() const {
    return open_;
}

void MSComm::setPortOpen(bool open) {
    if (open == open_) return;
    if (open)
        this->open();
    else
        close();
}

void MSComm::open() {
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        throwIfFailed();
        throw RuntimeError(QSerialPort::OpenError, kSource,
                           port_.errorString()); // no reason given
    }
    open_ = true;
}

void MSComm::close() {
    open_ = false;
    receivedBeforeFailure_.clear();
    readFailure_.reset();
    if (!port_.isOpen()) return; // the device failed and was let go already
    port_.clearError();
    port_.close();
    throwIfFailed();
}

int MSComm::InBufferCount() {
    if (!open_) return 0;
    const qint64 waiting = port_.isOpen() ? port_.bytesAvailable() : 0;
    const qint64 count = receivedBeforeFailure_.size() + waiting;
    if (count == 0 && readFailure_) throwReadFailure();
    return static_cast<int>(count);
}

QString MSComm::Input() {
    if (!open_) return QString();
    if (readFailure_) releaseFailedDevice();
    QByteArray received = std::exchange(receivedBeforeFailure_, QByteArray());
    if (port_.isOpen()) received += port_.readAll();
    if (received.isEmpty() && readFailure_) throwReadFailure();
    return QString::fromLatin1(received);
}

void MSComm::throwIfFailed() {
    const QSerialPort::SerialPortError error = port_.error();
    if (error == QSerialPort::NoError) return;
    const QString description = port_.errorString();
    port_.clearError();
    throw RuntimeError(static_cast<std::int32_t>(error), kSource, description);
}

void MSComm::throwReadFailure() {
    throw *std::exchange(readFailure_, std::nullopt);
}

void MSComm::readFailed(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    if (readFailure_ || !port_.isOpen()) return;
    readFailure_.emplace(static_cast<std::int32_t>(error), kSource, port_.errorString());
    // QSerialPort is still inside its read here; the device is let go once it has returned.
    QMetaObject::invokeMethod(this, &MSComm::releaseFailedDevice, Qt::QueuedConnection);
}

// A device that hung up keeps signalling "readable" and would keep the event loop busy, so it
// is closed; what it had sent stays waiting for Input.
void MSComm::releaseFailedDevice() {
    if (!readFailure_ || !port_.isOpen()) return; // closed or already let go meanwhile
    receivedBeforeFailure_ += port_.readAll();
    port_.close();
    port_.clearError();
}
