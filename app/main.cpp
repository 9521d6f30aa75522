#include "app/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>

namespace {

// Help and version are answered from a console or over ssh too, where no display is.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* word : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], word) == 0) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (asksOnlyForText(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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

    MainWindowOptions options;
    options.serialPortName = parser.value(scannerPort);
    MainWindow window(options);
    window.show();
    return QApplication::exec();
}
