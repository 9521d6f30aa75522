#include "Form1.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Barcode Desk"));
    QApplication::setApplicationVersion(QStringLiteral(BARCODE_DESK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws, saves, prints and reads barcodes."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption scannerPort(
        QStringLiteral("scanner-port"),
        QStringLiteral("The barcode scanner's serial port for this run, such as /dev/ttyACM0."),
        QStringLiteral("DEVICE"));
    parser.addOption(scannerPort);
    parser.process(app);

    Form1Options options;
    options.serialPortName = parser.value(scannerPort);
    Form1 window(options);
    window.show();
    return QApplication::exec();
}
