#pragma once

#include "symbology/RuntimeError.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

// The barcode scanner's serial port: open and close, how many bytes wait, and take them all as
// text. Received bytes are buffered by QSerialPort while the event loop runs, up to 1024 bytes;
// more stay with the operating system until the next takeText makes room, so nothing is lost.
class ScannerPort : public QObject {
    Q_OBJECT
  public:
    explicit ScannerPort(const QString& portName, QObject* parent = nullptr);

    // The platform's first serial port: /dev/ttyS0 on Linux, COM1 on Windows.
    static QString defaultPortName();

    // The device the next opening opens; an open port stays on its device until closed.
    void setPortName(const QString& name) { port_.setPortName(name); }

    // Open as the caller set it, also after the device went away, until the caller closes it.
    bool isOpen() const;
    // Opens for reading and writing at 9600 baud, 8 data bits, no parity, 1 stop bit; opening an
    // open port or closing a closed one does nothing. Failures throw RuntimeError.
    void setOpen(bool open);

    // Bytes waiting; 0 while the port is closed. Once a failed device's last bytes are taken,
    // counting throws its read error, once, as takeText does: a poll that only reads when
    // something waits still learns that the device is gone.
    int bytesWaiting();
    // Everything waiting, as Latin-1 text with line ends as received; the buffer is then empty.
    // A closed port has nothing waiting. When the device failed, what it sent before comes
    // first and the next call throws the read error, once.
    QString takeText();

  private:
    void open();
    void close();
    void throwIfFailed();
    void throwReadFailure();
    void readFailed(QSerialPort::SerialPortError error);
    void releaseFailedDevice();

    QSerialPort port_;
    bool open_ = false;
    QByteArray receivedBeforeFailure_;
    std::optional<RuntimeError> readFailure_;
};
