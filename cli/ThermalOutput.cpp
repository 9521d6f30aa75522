#include "cli/ThermalOutput.h"

#include "labels/RollLabel.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTcpSocket>
#include <QUrl>

#include <cstdio>

namespace Thermal {

namespace {

using CommandLine::Invocation;

constexpr int kRawPort = 9100;
constexpr int kConnectMs = 10000;
constexpr int kSendMs = 30000;

bool isSocket(const QString& out) {
    return out.startsWith(QStringLiteral("socket://"), Qt::CaseInsensitive);
}

double millimetresOf(const Invocation& args, const char* option, double fallback) {
    const QString key = QLatin1String(option);
    return args.has(key) ? args.value(key).toDouble() : fallback;
}

Labels::ZplSettings settingsOf(const Invocation& args) {
    Labels::ZplSettings settings;
    settings.dotsPerInch = args.number(QStringLiteral("dpi"), 203);
    if (args.has(QStringLiteral("darkness")))
        settings.darkness = args.number(QStringLiteral("darkness"), 0);
    if (args.has(QStringLiteral("speed"))) settings.speed = args.number(QStringLiteral("speed"), 0);
    settings.media = Labels::mediaNamed(args.value(QStringLiteral("media"), QStringLiteral("gap")))
                         .value_or(Labels::Media::Gap);
    if (args.has(QStringLiteral("thermal")))
        settings.thermal = args.value(QStringLiteral("thermal")) == u"direct"
                               ? Labels::Thermal::Direct
                               : Labels::Thermal::Transfer;
    settings.graphicsOnly = args.has(QStringLiteral("zpl-graphics"));
    return settings;
}

} // namespace

bool wantsZpl(const Invocation& args) {
    const QString out = args.value(QStringLiteral("out"));
    if (args.has(QStringLiteral("format"))) return args.value(QStringLiteral("format")) == u"zpl";
    return isSocket(out) || out.endsWith(QStringLiteral(".zpl"), Qt::CaseInsensitive);
}

std::variant<Labels::LabelTemplate, QString> rollOf(const Invocation& args) {
    const auto size = Labels::labelSizeOf(args.value(QStringLiteral("label")));
    if (const auto* problem = std::get_if<QString>(&size)) return *problem;
    Labels::Roll roll;
    roll.labelMm = std::get<QSizeF>(size);
    roll.media = *Labels::mediaNamed(args.value(QStringLiteral("media"), QStringLiteral("gap")));
    roll.gapMm = roll.media == Labels::Media::Continuous ? 0 : millimetresOf(args, "gap", 3);
    roll.across = args.number(QStringLiteral("across"), 1);
    roll.acrossGapMm = millimetresOf(args, "across-gap", 2);
    if (args.has(QStringLiteral("start")) && roll.across == 1)
        return QStringLiteral("--start skips used labels of the first row of a roll with "
                              "labels side by side; this roll has one label across.");
    if (roll.media == Labels::Media::Continuous && args.has(QStringLiteral("gap")))
        return QStringLiteral("Continuous media has no gap; --label gives the length to cut.");
    return Labels::rollTemplate(roll);
}

struct ZplOutput::Target {
    QString file; // a .zpl file, written whole or not at all
    QString host; // a printer's raw port
    int port = kRawPort;
    QString queue; // a CUPS queue taking a raw job
};

std::variant<std::unique_ptr<ZplOutput>, QString> ZplOutput::open(const Invocation& args,
                                                                  const Labels::LabelTemplate& roll,
                                                                  const QString& typeName) {
    for (const char* sheetOnly : {"template", "calibration-page", "outline", "offset", "scale"})
        if (args.has(QLatin1String(sheetOnly)))
            return QStringLiteral("--%1 is for sheets; ZPL goes with --label.")
                .arg(QLatin1String(sheetOnly));
    auto target = std::make_unique<Target>();
    const QString out = args.value(QStringLiteral("out"));
    std::unique_ptr<QIODevice> spool;
    if (!args.value(QStringLiteral("printer")).isEmpty()) {
        target->queue = args.value(QStringLiteral("printer"));
    } else if (isSocket(out)) {
        const QUrl url(out);
        if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() ||
            url.port(kRawPort) < 1)
            return QStringLiteral("'%1' is no printer address: socket://HOST or "
                                  "socket://HOST:PORT.")
                .arg(out);
        target->host = url.host();
        target->port = url.port(kRawPort);
    } else {
        target->file = out;
        spool = std::make_unique<QSaveFile>(out);
        // A device or a pipe is written into, never replaced.
        static_cast<QSaveFile*>(spool.get())->setDirectWriteFallback(true);
    }
    if (!spool) {
        // An unnamed temporary file: nothing to clean up, whatever ends the run.
        auto file = std::make_unique<QFile>();
        std::FILE* handle = std::tmpfile();
        if (!handle || !file->open(handle, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
            return QStringLiteral("Cannot make a temporary file for the label stream.");
        spool = std::move(file);
    } else if (!spool->open(QIODevice::WriteOnly)) {
        return QStringLiteral("Cannot write %1: %2").arg(out, spool->errorString());
    }
    return std::unique_ptr<ZplOutput>(
        new ZplOutput(std::move(spool), std::move(target), roll, typeName, settingsOf(args)));
}

ZplOutput::ZplOutput(std::unique_ptr<QIODevice> spool, std::unique_ptr<Target> target,
                     const Labels::LabelTemplate& roll, const QString& typeName,
                     const Labels::ZplSettings& settings)
    : ZplWriter(*spool, roll, typeName, settings), spool_(std::move(spool)),
      target_(std::move(target)) {}

ZplOutput::~ZplOutput() = default;

qint64 ZplOutput::labels() const {
    qint64 count = 0;
    for (const FormatEnd& end : formatEnds())
        count += end.labels;
    return count;
}

std::optional<QString> ZplOutput::commit() {
    if (auto failure = ZplWriter::commit()) return failure;
    if (!target_->file.isEmpty()) {
        if (!static_cast<QSaveFile&>(*spool_).commit())
            return QStringLiteral("Cannot write %1: %2").arg(target_->file, spool_->errorString());
        return std::nullopt;
    }
    if (!spool_->seek(0))
        return QStringLiteral("Cannot read back the label stream: %1").arg(spool_->errorString());
    return target_->host.isEmpty() ? sendToQueue() : sendToSocket();
}

// The stream to the printer's raw port, whole; on failure the labels whose formats went out.
std::optional<QString> ZplOutput::sendToSocket() {
    const QString where = QStringLiteral("%1:%2").arg(target_->host).arg(target_->port);
    QTcpSocket socket;
    socket.connectToHost(target_->host, quint16(target_->port));
    if (!socket.waitForConnected(kConnectMs))
        return QStringLiteral("Cannot reach the printer at %1: %2; nothing sent.")
            .arg(where, socket.errorString());
    qint64 sent = 0;
    const auto failed = [&] {
        qint64 labels = 0;
        for (const FormatEnd& end : formatEnds())
            if (end.offset <= sent) labels += end.labels;
        return QStringLiteral("The printer at %1 stopped taking the stream: %2; %3 of %4 labels "
                              "were sent.")
            .arg(where, socket.errorString())
            .arg(labels)
            .arg(this->labels());
    };
    while (!spool_->atEnd()) {
        const QByteArray chunk = spool_->read(1 << 16);
        if (chunk.isEmpty()) return failed();
        if (socket.write(chunk) != chunk.size()) return failed();
        while (socket.bytesToWrite() > 0)
            if (!socket.waitForBytesWritten(kSendMs)) return failed();
        sent += chunk.size();
    }
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState && !socket.waitForDisconnected(kSendMs))
        return failed();
    return std::nullopt;
}

// The stream to a CUPS queue as a raw job, which no filter touches.
std::optional<QString> ZplOutput::sendToQueue() {
    QProcess lp;
    lp.start(QStringLiteral("lp"),
             {QStringLiteral("-d"), target_->queue, QStringLiteral("-o"), QStringLiteral("raw"),
              QStringLiteral("-t"), QStringLiteral("Labels"), QStringLiteral("-")});
    if (!lp.waitForStarted())
        return QStringLiteral("Cannot start lp to print on %1: %2")
            .arg(target_->queue, lp.errorString());
    while (!spool_->atEnd()) {
        lp.write(spool_->read(1 << 16));
        while (lp.bytesToWrite() > 0)
            if (!lp.waitForBytesWritten(kSendMs)) break;
    }
    lp.closeWriteChannel();
    lp.waitForFinished(kSendMs);
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        return QStringLiteral("Printing on %1 failed: %2")
            .arg(target_->queue, QString::fromLocal8Bit(lp.readAllStandardError()).trimmed());
    return std::nullopt;
}

} // namespace Thermal
