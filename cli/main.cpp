// barcode-desk-cli: draws, reads and batch-draws barcodes with the window's own code, no display.
#include "CommandLine.h"
#include "DrawCommands.h"
#include "ImageExport.h"
#include "PictureStreams.h"
#include "RendererError.h"
#include "Symbology.h"
#include "basBCREAD.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace {

using CommandLine::Command;
using CommandLine::Invocation;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// A command line that names something the tool does not offer: what is wrong, then the usage.
int usageProblem(const QString& message, std::optional<Command> command) {
    printError(QStringLiteral("%1: %2").arg(QString::fromLatin1(CommandLine::kProgram), message));
    std::fputs(CommandLine::helpText(command).toLocal8Bit().constData(), stderr);
    return kExitUsage;
}

// Message boxes of the draw commands become the command's refusal.
class RecordedMessages : public MessageBoxes {
  public:
    void show(const QString& text, const QString&, MessageIcon) override { texts << text; }
    QStringList texts;
};

// One kind of picture drawn from many code texts, as the window would draw them.
class Drawer {
  public:
    explicit Drawer(const Invocation& args)
        : type_(args.value(QStringLiteral("type"))), command_(DrawCommands::commandFor(type_)),
          raw_(args.has(QStringLiteral("raw"))) {
        model_.setMessages(&messages_);
        model_.sldwidthValue = args.number(QStringLiteral("width"), DrawModel::kWidthMax);
        // Draw Barcode puts the height slider back to 150 when it stands higher.
        model_.sldheightValue =
            std::min(args.number(QStringLiteral("height"), DrawModel::kHeightClamp),
                     DrawModel::kHeightClamp);
    }

    // Draws the text and saves the picture; the reason when the text was refused or the file
    // could not be written.
    std::optional<QString> drawAndSave(const QString& text, const QString& outPath,
                                       ImageExport::ImageFormat format, bool compact = false) {
        messages_.texts.clear();
        model_.txtcode = text;
        try {
            command_(model_);
        } catch (const RendererError& error) {
            return error.description();
        }
        if (!messages_.texts.isEmpty())
            return messages_.texts.join(u'\n').replace(QStringLiteral("\r\n"),
                                                       QStringLiteral("\n"));
        const auto save = compact ? ImageExport::SaveImageCompact : ImageExport::SaveImage;
        return PictureStreams::save(outPath, [&](const QString& file) -> std::optional<QString> {
            if (const auto failure = save(picture(), file, format))
                return ImageExport::saveFailureMessage(outPath) + QStringLiteral(": ") + *failure;
            return std::nullopt;
        });
    }

    // The digit symbologies normalise the code text; the caller shows what was drawn.
    bool normalises() const { return symbologyChoice(type_)->takesDigitsOnly(); }
    const QString& drawnText() const { return model_.txtcode; }

  private:
    const QImage& picture() const {
        if (!raw_) return model_.picout.Image();
        // UPC-A draws on its own work picture, exactly as the renderer left it.
        return symbologyChoice(type_)->symbology == Symbology::UpcA ? model_.upc.picUPC.Image()
                                                                    : model_.pictmp.Image();
    }

    QString type_;
    DrawCommands::Command command_;
    bool raw_;
    RecordedMessages messages_;
    DrawModel model_;
};

int draw(const Invocation& args) {
    Drawer drawer(args);
    const QString outPath = args.value(QStringLiteral("out"));
    const bool toStandardOutput = PictureStreams::isStandardStream(outPath);
    if (toStandardOutput && !args.has(QStringLiteral("format")))
        return usageProblem(QStringLiteral("--out - needs --format."), Command::Draw);
    const QString formatWord = args.value(QStringLiteral("format"), QFileInfo(outPath).suffix());
    const auto format = ImageExport::formatFromWord(formatWord);
    if (!format)
        return usageProblem(
            QStringLiteral("Unknown picture format '%1'; --format names one.").arg(formatWord),
            Command::Draw);
    if (const auto refusal =
            drawer.drawAndSave(args.value(QStringLiteral("text")), outPath, *format)) {
        printError(*refusal);
        return kExitRefused;
    }
    // The picture has standard output to itself when it goes there.
    if (drawer.normalises())
        std::fprintf(toStandardOutput ? stderr : stdout, "%s\n",
                     drawer.drawnText().toUtf8().constData());
    return 0;
}

// The lines of the list; nullopt when it cannot be read.
std::optional<QStringList> readLines(const QString& listPath) {
    QFile file;
    const bool opened = listPath == u"-"
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(listPath), file.open(QIODevice::ReadOnly));
    if (!opened) return std::nullopt;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast(); // the final line end
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    return lines;
}

// A bar on the terminal, redrawn only when its filled part grows.
class Progress {
  public:
    explicit Progress(qsizetype total) : total_(total), shown_(isatty(fileno(stderr))) {}
    void step(qsizetype done) {
        if (!shown_ || total_ == 0) return;
        const int filled = static_cast<int>(done * kWidth / total_);
        if (filled == lastFilled_) return;
        lastFilled_ = filled;
        std::fprintf(stderr, "\r[%s%s] %lld/%lld", QByteArray(filled, '#').constData(),
                     QByteArray(kWidth - filled, ' ').constData(), static_cast<long long>(done),
                     static_cast<long long>(total_));
        if (done == total_) std::fputc('\n', stderr);
    }
    // Ends a bar that stopped short.
    void stop() {
        if (shown_ && lastFilled_ >= 0) std::fputc('\n', stderr);
    }

  private:
    static constexpr int kWidth = 40;
    qsizetype total_;
    bool shown_;
    int lastFilled_ = -1;
};

// The signal that asked a batch to stop, 0 while none did. Workers take no further line once
// it is set, so every line taken is drawn and saved whole.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void requestStop(int signal) {
    stopSignal.store(signal);
}

void stopOnInterruption() {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESTART; // a save in hand goes on as if nothing happened
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

// Lines are drawn by one worker per core, each with its own pictures; refusals are reported
// in line order once all are done. Interrupted, the workers finish the lines in hand, which
// leaves lines 1 to N drawn.
int batch(const Invocation& args) {
    const auto format =
        *ImageExport::formatFromWord(args.value(QStringLiteral("format"), QStringLiteral("png")));
    // The list is read before anything is made, so a wrong list leaves no trace.
    const QString listPath = args.value(QStringLiteral("in"));
    const std::optional<QStringList> read = readLines(listPath);
    if (!read) return usageProblem(QStringLiteral("Cannot read %1.").arg(listPath), Command::Batch);
    const QStringList& lines = *read;
    const QDir outDir(args.value(QStringLiteral("out-dir")));
    if (!QDir().mkpath(outDir.path()))
        return usageProblem(QStringLiteral("Cannot create %1.").arg(outDir.path()), Command::Batch);
    const QString extension = QString::fromLatin1(ImageExport::entryOf(format).word);
    stopOnInterruption();

    std::vector<std::optional<QString>> refusals(static_cast<size_t>(lines.size()));
    std::atomic<qsizetype> next{0}, done{0};
    Progress progress(lines.size());
    auto work = [&](bool showsProgress) {
        Drawer drawer(args);
        while (stopSignal.load() == 0) {
            const qsizetype i = next++;
            if (i >= lines.size()) break;
            const QString name =
                QStringLiteral("%1.%2").arg(i + 1, 6, 10, QChar(u'0')).arg(extension);
            refusals[static_cast<size_t>(i)] =
                drawer.drawAndSave(lines[i], outDir.filePath(name), format, true);
            ++done;
            if (showsProgress) progress.step(done);
        }
    };
    const unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u) - 1;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers && t + 1 < static_cast<unsigned>(lines.size()); ++t)
        threads.emplace_back(work, false);
    work(true);
    for (std::thread& thread : threads)
        thread.join();
    const int signal = stopSignal.load();
    signal == 0 ? progress.step(lines.size()) : progress.stop();

    int refused = 0;
    for (size_t i = 0; i < refusals.size(); ++i)
        if (refusals[i]) {
            printError(QStringLiteral("line %1: %2").arg(i + 1).arg(*refusals[i]));
            ++refused;
        }
    if (signal != 0) {
        printError(QStringLiteral("%1: interrupted after %2 of %3 lines")
                       .arg(QString::fromLatin1(CommandLine::kProgram))
                       .arg(done.load())
                       .arg(lines.size()));
        return 128 + signal; // as the shell reports a program the signal ended
    }
    return refused == 0 ? 0 : kExitRefused;
}

int readCommand(const Invocation& args) {
    const QString inPath = args.value(QStringLiteral("in"));
    const int x = args.number(QStringLiteral("x"), 0);
    const int y = args.number(QStringLiteral("y"), 0);
    const int tries = args.number(QStringLiteral("tries"), 1);
    const int mode = args.number(QStringLiteral("mode"), 3);
    const auto loaded = PictureStreams::load(inPath);
    if (const auto* failure = std::get_if<QString>(&loaded)) {
        printError(*failure);
        return kExitRefused;
    }
    const ImagePixels pixels(std::get<QImage>(loaded));
    // Modes 0 and 1 hide the error text, and mode 0's empty line is also what an empty code
    // reads as: whether the read failed comes from the error text of mode 3.
    constexpr int kErrorTextMode = 3;
    const QString result = basBCREAD::ReadBarcode(pixels, x, y, tries, kErrorTextMode);
    const bool failed = result.startsWith(QStringLiteral("ERR:"));
    const QString shown = failed && mode != kErrorTextMode
                              ? basBCREAD::ReadBarcode(pixels, x, y, tries, mode)
                              : result;
    std::printf("%s\n", shown.toUtf8().constData());
    return failed ? kExitRefused : 0;
}

QStringList utf8Arguments(int argc, char** argv) {
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromUtf8(argv[i]);
    return words;
}

// Help and version, which need no application object.
int answer(const Invocation& invocation) {
    const QString text = invocation.request == Invocation::Request::Help
                             ? CommandLine::helpText(invocation.command)
                             : CommandLine::versionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

// Text under the bars needs fonts, and fonts need a platform plugin, which only a
// QGuiApplication loads; bars alone are drawn under a QCoreApplication, which starts in a
// fraction of the time.
bool printsText(const Invocation& invocation) {
    const auto choice = symbologyChoice(invocation.value(QStringLiteral("type")));
    return choice && choice->printsText();
}

int run(const Invocation& invocation) {
    switch (*invocation.command) {
    case Command::Draw:
        return draw(invocation);
    case Command::Read:
        return readCommand(invocation);
    case Command::Batch:
        return batch(invocation);
    }
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = CommandLine::parse(utf8Arguments(argc, argv));
    if (const auto* problem = std::get_if<CommandLine::UsageProblem>(&parsed))
        return usageProblem(problem->message, problem->command);
    const Invocation& invocation = std::get<Invocation>(parsed);
    if (invocation.request != Invocation::Request::Run) return answer(invocation);
    std::optional<QTemporaryDir> privateRuntime;
    std::unique_ptr<QCoreApplication> app;
    if (printsText(invocation)) {
        // Qt's platform set-up looks into the session's runtime folder; where the session has
        // none (cron, a container, su) Qt complains on standard error and leaves
        // /tmp/runtime-USER behind. A private folder for this run goes with the program.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            privateRuntime.emplace(QDir::tempPath() + QStringLiteral("/barcode-desk-cli-XXXXXX"));
            if (privateRuntime->isValid())
                qputenv("XDG_RUNTIME_DIR", QFile::encodeName(privateRuntime->path()));
        }
        // No display needed: draw off screen unless a platform was chosen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return run(invocation);
}
